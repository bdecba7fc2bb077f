#!/usr/bin/env bash
# Builds the Windows installer and the portable zip from the cross-built module:
#   build/windows/packages/TORVIK-<version>-Windows-x64-Setup.exe
#   build/windows/packages/TORVIK-<version>-Windows-x64.zip
# The factory presets and the manual are platform-neutral and come from a Linux build
# (BUILD_DIR, default build/release), which this script builds as far as they need.
set -euo pipefail
cd "$(dirname "$0")/.."

linux_build="${BUILD_DIR:-build/release}"
preset="$(basename "$linux_build")"
version="$(sed -n 's/^project(TORVIK VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
out=build/windows/packages
stage=build/windows/package-stage

scripts/setup.sh windows
command -v makensis >/dev/null || {
    echo "package-windows: makensis is missing (scripts/setup.sh windows installs nsis)" >&2
    exit 1
}
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset windows "${launcher[@]}" >/dev/null
cmake --build build/windows --target TORVIK TORVIK_clap -j2
cmake --preset "$preset" "${launcher[@]}" >/dev/null
cmake --build "$linux_build" --target torvik_presets torvik_manual -j2

# Windows text files end their lines with CR LF.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }

rm -rf "$stage"
mkdir -p "$stage/presets" "$out"
cp -r build/windows/TORVIK.vst3 "$stage/"
cp build/windows/TORVIK.clap "$stage/"
cp "$linux_build"/presets/*.vstpreset "$stage/presets/"
cp -r "$linux_build/manual" "$stage/manual"
crlf LICENSE "$stage/LICENSE.txt"
crlf packaging/copyright "$stage/copyright.txt"
crlf packaging/windows/README.txt "$stage/README.txt"
# The uninstaller removes the factory presets by name and leaves the user's own.
for p in "$stage"/presets/*.vstpreset; do
    printf 'Delete "${PRESET_DIR}\\%s"\n' "$(basename "$p")"
done >"$stage/presets.nsh"
size_kb=$(du -sk "$stage" | cut -f1)

setup="$out/TORVIK-$version-Windows-x64-Setup.exe"
zip="$out/TORVIK-$version-Windows-x64.zip"
makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
    -DSIZE_KB="$size_kb" packaging/windows/TORVIK.nsi
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$OLDPWD/$zip" --format=zip TORVIK.vst3 TORVIK.clap presets manual \
    LICENSE.txt copyright.txt README.txt)
ls -1 "$setup" "$zip"
