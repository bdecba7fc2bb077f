#!/usr/bin/env bash
# Sets up the machine, builds the debug configuration and runs every test.
# Editor tests need an X server: one is started on a free display when none is set.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

preset="${1:-dev}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

source scripts/xvfb.sh

ctest --preset "$preset" -j2
