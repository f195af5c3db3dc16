#!/usr/bin/env bash
# Configures and builds everything in ./build (optimised, assertions kept), through ccache.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-2G}"
# Paths inside the checkout hash as relative ones, so that a second checkout reuses the cache.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build build -j"$(nproc)" "$@"
