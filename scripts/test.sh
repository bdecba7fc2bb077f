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
    # Xvfb picks a free display itself and tells us its number.
    number_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$number_file" \
        >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$number_file"' EXIT
    for _ in $(seq 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
fi

ctest --preset "$preset" -j2
