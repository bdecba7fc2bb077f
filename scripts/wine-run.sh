#!/usr/bin/env bash
# Runs a Windows program under Wine, headless and quiet, in this project's own
# 64-bit Wine prefix (made on first use). Used as the cross build's test
# emulator and by scripts/test-windows.sh.
set -euo pipefail

export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wine-prefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No prompts to install Mono or Gecko; no desktop integration.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=d}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w
fi
exec wine "$@"
