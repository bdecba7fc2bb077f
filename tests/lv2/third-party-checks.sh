#!/usr/bin/env bash
# Debian's LV2 tools on the built bundle: its Turtle validated against the
# LV2 schemas of lv2-dev, and lv2info describing the plug-in and its X11 UI.
# Usage: third-party-checks.sh BUNDLE_DIR
set -euo pipefail
bundle="$1"
# A folder holding the bundle alone, so the tools see nothing else.
path="$(mktemp -d)"
trap 'rm -rf "$path"' EXIT
ln -s "$(realpath "$bundle")" "$path/TORVIK.lv2"
export LV2_PATH="$path"
uri=urn:quellmark:torvik

# Here-strings, not pipes, feed the early-exiting readers (grep -q, head): a
# writer they leave behind would die of SIGPIPE and fail the check at random.
echo "sord_validate:"
mapfile -t schemas < <(dpkg -L lv2-dev | grep '\.ttl$')
out="$(sord_validate "${schemas[@]}" "$bundle"/*.ttl 2>&1)"
tail -3 <<<"$out"
grep -q 'Found 0 errors' <<<"$out"

echo "lv2info:"
info="$(lv2info "$uri")"
head -12 <<<"$info"
grep -q 'Name:              TORVIK' <<<"$info"
ports="$(grep -c '^	Port ' <<<"$info")"
echo "ports: $ports"
[ "$ports" -eq 52 ]
grep -q 'http://lv2plug.in/ns/ext/state#interface' <<<"$info"
ui="$(grep -A2 'urn:quellmark:torvik#ui' <<<"$info")"
grep -q 'Class:  http://lv2plug.in/ns/extensions/ui#X11UI' <<<"$ui"
grep -q 'Binary: .*/TORVIK.lv2/TORVIK_ui.so' <<<"$info"
