#!/usr/bin/env bash
# Cross-builds the libraries the Windows module and its tests link, from
# Debian's own sources, into build/mingw-deps/prefix. Each library is rebuilt
# only when its Debian version changes (a stamp per package and version).
#
# Adding a library is one line at the end: build_source_package NAME [CMAKE ARGS...]
# (NAME is a Debian source package, e.g. highway or sleef).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps=${TORVIK_MINGW_DEPS_DIR:-$root/build/mingw-deps}
prefix=${TORVIK_MINGW_PREFIX:-$deps/prefix}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=${TORVIK_JOBS:-2}
mkdir -p "$deps/src" "$deps/build" "$prefix"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# The deb-src entry for the release this machine runs, signed by the same keyring.
sources=/etc/apt/sources.list.d/torvik-deb-src.sources
if [ ! -f "$sources" ]; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$codename" "$codename" | $SUDO tee "$sources" >/dev/null
    $SUDO apt-get update -qq
fi

# Configures, builds and installs one CMake source tree into the prefix, unless
# the stamp says this version is already there.
cmake_install() {
    local name=$1 version=$2 source=$3
    shift 3
    # No colons (a Debian epoch) in paths: the resource compiler splits on them.
    version=${version//:/_}
    local stamp=$prefix/.stamp-$name-$version
    [ -f "$stamp" ] && return 0
    echo "windows-deps: building $name $version"
    rm -rf "$deps/build/$name"
    cmake -S "$source" -B "$deps/build/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
        "${launcher[@]}" \
        -DCMAKE_CROSSCOMPILING_EMULATOR= -DBUILD_SHARED_LIBS=OFF "$@" >"$deps/build/$name.log" 2>&1
    if ! cmake --build "$deps/build/$name" -j"$jobs" >>"$deps/build/$name.log" ||
        ! cmake --install "$deps/build/$name" >>"$deps/build/$name.log"; then
        tail -n 20 "$deps/build/$name.log" >&2
        return 1
    fi
    rm -f "$prefix"/.stamp-"$name"-*
    touch "$stamp"
}

# Fetches a Debian source package (patches applied) and builds it with CMake.
build_source_package() {
    local package=$1
    shift
    local version
    version=$(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -V | tail -n1)
    if [ -z "$version" ]; then
        echo "windows-deps: no source package $package" >&2
        return 1
    fi
    local upstream=${version#*:}
    upstream=${upstream%-*}
    local tree=$deps/src/$package-${version//:/_}
    if [ ! -d "$tree" ]; then
        rm -rf "$deps/src/fetch" && mkdir -p "$deps/src/fetch"
        (cd "$deps/src/fetch" && apt-get source -qq "$package=$version" >/dev/null 2>&1)
        local unpacked
        unpacked=$(find "$deps/src/fetch" -mindepth 1 -maxdepth 1 -type d | head -n1)
        mv "$unpacked" "$tree"
        rm -rf "$deps/src/fetch"
    fi
    if declare -F "prepare_$package" >/dev/null; then "prepare_$package" "$tree"; fi
    cmake_install "$package" "$version" "$tree" "$@"
}

# Debian's repacked zlib drops the win32 folder, whose version resource the
# (unused) DLL target still wants; a bare one does.
prepare_zlib() {
    mkdir -p "$1/win32"
    printf '1 VERSIONINFO\nBEGIN\nEND\n' >"$1/win32/zlib1.rc"
}

build_source_package zlib
build_source_package libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_USE_STATIC_LIBS=ON
# Highway: the chain's vector maths, dispatched at run time.
build_source_package highway -DHWY_ENABLE_TESTS=OFF -DHWY_ENABLE_EXAMPLES=OFF \
    -DHWY_ENABLE_CONTRIB=ON -DHWY_ENABLE_INSTALL=ON
# GoogleTest from the sources Debian's googletest package installs.
cmake_install googletest "$(dpkg-query -W -f='${Version}' googletest)" /usr/src/googletest \
    -Dgtest_disable_pthreads=OFF
