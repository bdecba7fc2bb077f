#!/usr/bin/env bash
# Sets up the machine, builds the optimised configuration and installs the plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
cmake --install build/release
cmake --install build/release --component clap --prefix "$HOME/.clap"
cmake --install build/release --component lv2 --prefix "$HOME/.lv2"

# Render the spoken demo phrase through a factory preset into demo/ (before and after audio,
# figures, a plot and the editor picture).
tools/demo/run-demo.sh
