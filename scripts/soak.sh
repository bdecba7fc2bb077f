#!/usr/bin/env bash
# Renders a stretch of hostile audio through the built module (debug build) and
# prints the processing time and resident memory per period.
# Usage: scripts/soak.sh [seconds of audio, default 60] [report period, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
period="${2:-10}"

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build build/dev --target torvik-soak
build/dev/tools/soak/torvik-soak "$seconds" "$period"
