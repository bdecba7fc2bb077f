#!/usr/bin/env bash
# Tests the Windows installer under Wine in a fresh 64-bit prefix with a home of its own:
# silent install, the files and registry entries where they belong, the installed VST 3
# bundle and CLAP file validated through our host kits, an upgrade in place, and a silent
# uninstall that leaves nothing of TORVIK behind but the presets the user saved.
# Environment: BUILD_DIR, the Linux build the presets and the manual come from (default
# build/dev, which the test command builds anyway).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
export BUILD_DIR="${BUILD_DIR:-build/dev}"

scripts/package-windows.sh
version="$(sed -n 's/^project(TORVIK VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
setup="$PWD/build/windows/packages/TORVIK-$version-Windows-x64-Setup.exe"
cmake --build build/windows --target torvik_validate torvik_validate_clap -j2
validate="$PWD/build/windows/tests/win/torvik_validate.exe"
validate_clap="$PWD/build/windows/tests/win/torvik_validate_clap.exe"

source scripts/xvfb.sh
export WINEPREFIX="$PWD/build/wine-installer-prefix"
export HOME="$PWD/build/wine-installer-home"
rm -rf "$WINEPREFIX" "$HOME"
mkdir -p "$HOME"
scripts/wine-run.sh cmd /c exit
trap 'wineserver -k 2>/dev/null || true; kill "${xvfb_pid:-}" 2>/dev/null || true' EXIT

failures=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        echo "test-installer: ok: $what"
    else
        echo "test-installer: FAIL: $what"
        failures=$((failures + 1))
    fi
}
run() { scripts/wine-run.sh "$@"; }
# Waits for every Windows process, the uninstaller's copy of itself included.
settle() { wineserver -w; }
unix() { run winepath -u "$1" 2>/dev/null | tr -d '\r'; }
reg_value() { run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^  /, ""); print }'; }
has_key() { run reg query "$1" >/dev/null 2>&1; }
equals() { [ "$1" = "$2" ]; }

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TORVIK'
product_key='HKLM\Software\Quellmark\TORVIK'
documents="$(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Personal)"
vst3="$(unix 'C:\Program Files\Common Files\VST3')"
bundle="$vst3/TORVIK.vst3"
clap="$(unix 'C:\Program Files\Common Files\CLAP')"
program="$(unix 'C:\Program Files\Quellmark\TORVIK')"
presets="$(unix "$documents\\VST3 Presets\\Quellmark\\TORVIK")"
start_menu="$(unix 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\TORVIK')"

# Silent install.
check "silent install exits 0" run "$setup" /S
settle
check "the module in the common VST 3 folder" test -f "$bundle/Contents/x86_64-win/TORVIK.vst3"
check "the CLAP file in the common CLAP folder" test -f "$clap/TORVIK.clap"
check "six factory presets in Documents\\VST3 Presets\\Quellmark\\TORVIK" \
    equals "$(ls "$presets"/*.vstpreset 2>/dev/null | wc -l)" 6
check "the manual with its diagram" test -f "$program/manual/index.html" -a -f "$program/manual/signal-flow.svg"
check "the licence and the copyright" test -f "$program/LICENSE.txt" -a -f "$program/copyright.txt"
check "the uninstaller" test -f "$program/Uninstall TORVIK.exe"
check "a Start-menu entry for the manual" test -f "$start_menu/TORVIK Manual.lnk"
check "registered: name" equals "$(reg_value "$uninstall_key" DisplayName)" TORVIK
check "registered: version" equals "$(reg_value "$uninstall_key" DisplayVersion)" "$version"
check "registered: publisher" equals "$(reg_value "$uninstall_key" Publisher)" Quellmark
check "registered: quiet uninstall" equals "$(reg_value "$uninstall_key" QuietUninstallString)" \
    '"C:\Program Files\Quellmark\TORVIK\Uninstall TORVIK.exe" /S'
check "registered: install folder" equals "$(reg_value "$product_key" InstallDir)" \
    'C:\Program Files\Quellmark\TORVIK'

# The installed bundle, validated through the host kit.
run "$validate" 'C:\Program Files\Common Files\VST3\TORVIK.vst3' | tr -d '\r' | tee "$HOME/validate.txt" |
    grep -v '^ok:' || true
check "the installed bundle validates ($(grep -c '^ok:' "$HOME/validate.txt") checks)" \
    grep -q '^torvik_validate: 0 failed' "$HOME/validate.txt"
run "$validate_clap" 'C:\Program Files\Common Files\CLAP\TORVIK.clap' | tr -d '\r' |
    tee "$HOME/validate-clap.txt" | grep -v '^ok:' || true
check "the installed CLAP file validates ($(grep -c '^ok:' "$HOME/validate-clap.txt") checks)" \
    grep -q '^torvik_validate_clap: 0 failed' "$HOME/validate-clap.txt"

# Upgrade in place: no file of the old bundle survives, the user's presets stay.
touch "$bundle/Contents/stray-file-of-an-old-version"
cp "$presets/Male Vocal.vstpreset" "$presets/My Own.vstpreset"
check "installing again over the installed version" run "$setup" /S
settle
check "upgrade: the old bundle is replaced whole" test ! -e "$bundle/Contents/stray-file-of-an-old-version"
check "upgrade: the user's preset stays" test -f "$presets/My Own.vstpreset"
check "upgrade: one uninstall entry" equals \
    "$(run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | grep -c '\\TORVIK')" 1

# Silent uninstall.
check "silent uninstall exits 0" run "$program/Uninstall TORVIK.exe" /S
settle
check "uninstall: the bundle is gone" test ! -e "$bundle"
check "uninstall: the empty VST 3 folder is gone" test ! -e "$vst3"
check "uninstall: the CLAP file and its empty folder are gone" test ! -e "$clap"
check "uninstall: Program Files\\Quellmark is gone" test ! -e "$(dirname "$program")"
check "uninstall: the Start-menu folder is gone" test ! -e "$start_menu"
check "uninstall: the factory presets are gone" \
    equals "$(ls "$presets" 2>/dev/null | tr '\n' '|')" "My Own.vstpreset|"
check "uninstall: the uninstall entry is gone" eval '! has_key "$uninstall_key"'
check "uninstall: the product key is gone" eval '! has_key "$product_key"'

echo "test-installer: $failures failed, $(($(date +%s) - start)) s"
[ "$failures" -eq 0 ]
