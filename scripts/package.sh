#!/usr/bin/env bash
# Builds the optimised configuration and makes the release packages:
#   build/release/packages/TORVIK-<version>-Linux-x86_64.tar.gz
#   build/release/packages/torvik_<version>_amd64.deb (and its debug symbols, torvik-dbgsym)
#   build/release/packages/torvik-<version>-1.x86_64.rpm
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build build/release --target TORVIK TORVIK_clap TORVIK_lv2 torvik-render torvik_presets \
    torvik_package_files torvik_manual
(cd build/release && cpack --config CPackConfig.cmake)
ls -1 build/release/packages/*.tar.gz build/release/packages/*.deb build/release/packages/*.ddeb \
    build/release/packages/*.rpm
