#!/usr/bin/env bash
# Sets up the machine, builds the debug configuration and runs every test.
# Editor tests need an X server: one is started on a free display when none is set.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

preset="${1:-dev}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
    display=":$((90 + RANDOM % 100))"
    Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY="$display"
    trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
    sleep 1
fi

ctest --preset "$preset" -j2
