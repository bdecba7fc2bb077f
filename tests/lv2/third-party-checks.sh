#!/usr/bin/env bash
# Debian's LV2 tools on the built bundle: its Turtle validated against the
# LV2 schemas of lv2-dev, lv2info describing it, and jalv loading it headless.
# Usage: third-party-checks.sh BUNDLE_DIR
set -euo pipefail
bundle="$1"
# A folder holding the bundle alone, so the tools see nothing else.
path="$(mktemp -d)"
trap 'rm -rf "$path"' EXIT
ln -s "$(realpath "$bundle")" "$path/TORVIK.lv2"
export LV2_PATH="$path"
uri=urn:quellmark:torvik

echo "sord_validate:"
mapfile -t schemas < <(dpkg -L lv2-dev | grep '\.ttl$')
out="$(sord_validate "${schemas[@]}" "$bundle"/*.ttl 2>&1)"
echo "$out" | tail -3
echo "$out" | grep -q 'Found 0 errors'

echo "lv2info:"
info="$(lv2info "$uri")"
echo "$info" | head -8
echo "$info" | grep -q 'Name:              TORVIK'
ports="$(echo "$info" | grep -c '^	Port ')"
echo "ports: $ports"
[ "$ports" -eq 52 ]
echo "$info" | grep -q 'http://lv2plug.in/ns/ext/state#interface'
