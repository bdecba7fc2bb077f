#!/usr/bin/env bash
# Renders a stretch of hostile audio through the built module (release build by
# default) in periods whose work repeats, and prints per period the processing
# time, its ratio to the same work's first occurrence and the resident memory.
# Usage: scripts/soak.sh [seconds of audio, default 60] [report period, default 10]
#                        [periods before the work repeats, default 3] [preset, default release]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
period="${2:-10}"
repeat="${3:-3}"
preset="${4:-release}"

scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" --target torvik-soak
"build/$preset/tools/soak/torvik-soak" "$seconds" "$period" "$repeat"
