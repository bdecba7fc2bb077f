#!/usr/bin/env bash
# Installs every Debian package that building, testing and the demo need.
# Idempotent and quiet when everything is already there.
# `setup.sh windows` also installs the Windows cross toolchain and Wine and
# cross-builds the Windows libraries (scripts/windows-deps.sh).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format clang-tidy
    clang libclang-rt-14-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libpng-dev zlib1g-dev libsndfile1-dev libebur128-dev nlohmann-json3-dev libhwy-dev file
    libfreetype-dev fonts-dejavu-core
    libx11-dev libxtst-dev xvfb xauth x11-utils
    python3 python3-pil
    sox espeak-ng libsoxr-dev
    zam-plugins ardour
    lintian help2man rpm cpio man-db bsdextrautils graphviz python3-markdown
    lv2-dev lilv-utils liblilv-dev sordi jalv jackd2 qtractor
)
# The Windows module: MinGW-w64 with the posix thread model, Wine to test it,
# dpkg-dev to unpack the Debian sources of its libraries, NSIS for its installer.
windows_packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev wine wine64 dpkg-dev nsis
)
if [ "${1:-}" = windows ]; then
    packages+=("${windows_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "${1:-}" = windows ]; then
    "$(dirname "$0")/windows-deps.sh"
fi
