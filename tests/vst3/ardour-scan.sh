#!/usr/bin/env bash
# Runs a real host's VST 3 scanner on the bundle and checks what it recorded.
set -euo pipefail
scanner="$1"
bundle="$2"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
export HOME="$home"
export LD_LIBRARY_PATH="$(dirname "$scanner")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
"$scanner" -f "$bundle"
cache="$(find "$home" -name '*.v3i' | head -n 1)"
[ -n "$cache" ] || { echo "scanner wrote no cache entry"; exit 1; }
grep -q 'uid="F2AEE70D00DE4F4E51656C6D54525631"' "$cache"
grep -q 'name="TORVIK"' "$cache"
grep -q 'n_inputs="2" n_outputs="2" n_aux_inputs="2"' "$cache"
echo "scanner accepted TORVIK"
