#!/usr/bin/env bash
# Configures and builds Lumora in Release into ./build (or $BUILD_DIR): every target, or only the
# targets named on the command line. The run and test commands share that folder, so each builds on
# what the other compiled; ccache, when installed, lets fresh clones share it too.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Paths inside the clone count as relative, so that another clone finds the same objects.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} "${launcher[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
