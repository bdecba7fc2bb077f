#!/usr/bin/env bash
# Installs every Debian package that building, testing and the demo need.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format clang-tidy
    clang libclang-rt-14-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev libhwy-dev
    libpng-dev zlib1g-dev libsndfile1-dev libebur128-dev nlohmann-json3-dev
    libfreetype-dev fonts-dejavu-core
    libx11-dev libxtst-dev xvfb xauth x11-utils
    python3 python3-pil
    sox espeak-ng
    zam-plugins ardour
)

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
