#!/usr/bin/env bash
# Renders a voice through TORVIK with a factory preset and leaves in demo/:
#   before.wav, after.wav   the voice as it went in and as it came out
#   report.txt              peak, RMS and gain reduction figures
#   torvik-demo.png         waveform before and after, and gain reduction over time
#   editor.png              the editor as the host shows it (when torvik-snapshot was built)
#
# usage: tools/demo/run-demo.sh [INPUT]
#   INPUT   an audio file to use instead of the spoken test phrase
# Environment: BUILD_DIR (default build/release), DEMO_DIR (default demo),
#              DEMO_PRESET (default "Male Vocal").
set -euo pipefail
cd "$(dirname "$0")/../.."

build="${BUILD_DIR:-build/release}"
demo="${DEMO_DIR:-demo}"
preset_name="${DEMO_PRESET:-Male Vocal}"
phrase="Every voice deserves a little care. She sells sea shells by the sea shore, \
and the sound stays smooth, even, and clear."

# Debian's python3 carries Pillow; a python3 earlier on PATH may not.
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3)"

die() { echo "run-demo: $*" >&2; exit 1; }

render="$build/tools/render/torvik-render"
[ -x "$render" ] || die "no $render: build first (cmake --build --preset release)"

bundle="$build/TORVIK.vst3"
[ -d "$bundle" ] || bundle="$HOME/.vst3/TORVIK.vst3"
[ -d "$bundle" ] || die "no TORVIK.vst3 in $build or ~/.vst3"

preset="$build/presets/$preset_name.vstpreset"
[ -f "$preset" ] || preset="$HOME/.vst3/presets/Quellmark/TORVIK/$preset_name.vstpreset"
[ -f "$preset" ] || die "no preset '$preset_name' in $build/presets or ~/.vst3/presets/Quellmark/TORVIK"

mkdir -p "$demo"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [ $# -ge 1 ]; then
    [ -f "$1" ] || die "$1: no such file"
    sox "$1" -b 24 "$demo/before.wav"
    source_text="$(basename "$1")"
else
    command -v espeak-ng >/dev/null || die "espeak-ng is missing (scripts/setup.sh installs it)"
    espeak-ng -s 150 -w "$work/phrase.wav" "$phrase"
    # A voice recorded at 48 kHz peaks a few dB under full scale.
    sox "$work/phrase.wav" -r 48000 -b 24 "$demo/before.wav" gain -6 rate -v gain -n -4
    source_text="spoken test phrase (espeak-ng), 48 kHz"
fi

"$render" --plugin "$bundle" --preset "$preset" --report --quiet \
    "$demo/before.wav" "$demo/after.wav" | tee "$demo/report.txt"

# The same render without the compressor and without the de-esser: the differences are their
# own gain reductions. The compressor adds 0.22 dB of makeup per dB of threshold depth.
"$render" --plugin "$bundle" --preset "$preset" --set "Compressor Bypass=0" --quiet \
    "$demo/before.wav" "$work/without-comp.wav"
"$render" --plugin "$bundle" --preset "$preset" --set "De-Esser Bypass=0" --quiet \
    "$demo/before.wav" "$work/without-deess.wav"
threshold="$(sed -n "s/^$preset_name |.*Compressor Threshold=\([-0-9.]*\).*/\1/p" \
    tools/presets/presets.txt)"
makeup="$(awk -v t="${threshold:-0}" 'BEGIN { printf "%.4f", (t < 0 ? -t : t) * 0.22 }')"

"$python" tools/demo/plot_render.py "$demo/before.wav" "$demo/after.wav" "$demo/torvik-demo.png" \
    --title "TORVIK · $preset_name" --subtitle "$source_text" \
    --without-comp "$work/without-comp.wav" --makeup-db "$makeup" \
    --without-deess "$work/without-deess.wav" --figures "$work/figures.txt"

# The editor picture, when the snapshot tool exists: the preset's settings (normalised, by
# parameter index, from torvik-render's list) and the compressor and de-esser meters at their
# mean reduction during the phrase (the meters show 1 - gain).
snapshot="$(find "$build/tools" -name torvik-snapshot -type f -perm -u+x 2>/dev/null | head -n 1)"
if [ -n "$snapshot" ]; then
    snap_args=()
    while read -r setting; do snap_args+=(--set "$setting"); done < <(
        "$render" --plugin "$bundle" --preset "$preset" --list-params |
            awk 'NR > 2 { id = substr($0, 1, 10) + 0; norm = substr($0, 90, 10) + 0
                          if (substr($0, 1, 1) ~ /[0-9]/ && id < 40) print id "=" norm }')
    meter() { awk -v g="$(sed -n "s/^$1=//p" "$work/figures.txt")" \
        'BEGIN { printf "%.4f", 1 - exp(-(g + 0) / 20 * log(10)) }'; }
    snap_args+=(--meter "comp=$(meter compressor_mean_db)" --meter "deess=$(meter deesser_mean_db)")
    if ! "$snapshot" -o "$demo/editor.png" "${snap_args[@]}" >/dev/null; then
        echo "run-demo: torvik-snapshot failed; no editor picture" >&2
    fi
fi

echo "run-demo: wrote $(cd "$demo" && ls | tr '\n' ' ')to $demo/"
