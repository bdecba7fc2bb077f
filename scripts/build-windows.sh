#!/usr/bin/env bash
# Sets up the Windows cross build and builds the 64-bit Windows module:
# build/windows/TORVIK.vst3 (Contents/x86_64-win/TORVIK.vst3 inside).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh windows
cmake --preset windows >/dev/null
cmake --build build/windows --target TORVIK -j2
echo "built build/windows/TORVIK.vst3"
