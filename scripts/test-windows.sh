#!/usr/bin/env bash
# Builds the 64-bit Windows module and its tests with the MinGW-w64 cross
# toolchain and runs them under Wine, headless in Xvfb, in a private Wine
# prefix. The editor and audio tests compare with references the Linux build
# renders first: torvik-snapshot's picture and the Linux module's output.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

scripts/setup.sh windows

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# References from the Linux build.
refs=build/windows-refs
mkdir -p "$refs"
cmake --preset dev "${launcher[@]}" >/dev/null
cmake --build build/dev --target torvik-snapshot torvik_audio_reference -j2
build/dev/tools/snapshot/torvik-snapshot -o "$refs/editor.png"
build/dev/tests/win/torvik_audio_reference "$refs/linux.raw"

# The Windows module and its tests.
cmake --preset windows "${launcher[@]}" >/dev/null
cmake --build build/windows -j2

source scripts/xvfb.sh
# One Wine prefix for the run; its server stays up between the test programs.
export WINEPREFIX="$PWD/build/wine-prefix"
rm -rf "$WINEPREFIX"
scripts/wine-run.sh cmd /c exit
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true; kill "${xvfb_pid:-}" 2>/dev/null || true' EXIT

# Wine sees the Linux root as drive Z:.
export TORVIK_SNAPSHOT_PNG="Z:$PWD/$refs/editor.png"
export TORVIK_LINUX_AUDIO="Z:$PWD/$refs/linux.raw"
ctest --preset windows -j1
echo "test-windows: $(($(date +%s) - start)) s"
