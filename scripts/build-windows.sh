#!/usr/bin/env bash
# Sets up the Windows cross build and builds the 64-bit Windows plug-ins:
# build/windows/TORVIK.vst3 (Contents/x86_64-win/TORVIK.vst3 inside) and build/windows/TORVIK.clap.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh windows
cmake --preset windows >/dev/null
cmake --build build/windows --target TORVIK TORVIK_clap -j2
echo "built build/windows/TORVIK.vst3 and build/windows/TORVIK.clap"
