#!/usr/bin/env bash
# Writes TORVIK's factory presets as .vstpreset files, one per line of presets.txt, by loading
# the plug-in and saving its state after the line's settings (torvik-render --save-preset).
#
# usage: make-presets.sh OUTPUT_DIR [TORVIK_RENDER [TORVIK_BUNDLE]]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make-presets.sh OUTPUT_DIR [TORVIK_RENDER [TORVIK_BUNDLE]]}"
render="${2:-torvik-render}"
bundle="${3:-}"
mkdir -p "$out"

plugin_args=()
if [ -n "$bundle" ]; then plugin_args=(--plugin "$bundle"); fi

trim() { local s="$1"; s="${s#"${s%%[![:space:]]*}"}"; printf '%s' "${s%"${s##*[![:space:]]}"}"; }

count=0
while IFS='|' read -r name settings _why; do
    name="$(trim "$name")"
    case "$name" in '' | '#'*) continue ;; esac
    args=()
    IFS=';' read -ra parts <<< "$settings"
    for p in "${parts[@]}"; do
        p="$(trim "$p")"
        [ -n "$p" ] && args+=(--set "$p")
    done
    "$render" "${plugin_args[@]}" "${args[@]}" --save-preset "$out/$name.vstpreset"
    count=$((count + 1))
done < "$here/presets.txt"
echo "make-presets: wrote $count presets to $out"
