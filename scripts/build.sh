#!/usr/bin/env bash
# Configures and builds everything in ./build (optimised, assertions kept), through ccache.
# BUILD_DIR names another tree; CMake's own CMAKE_GENERATOR picks a generator other than Ninja.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-2G}"
# Paths inside the checkout hash as relative ones, so that a second checkout reuses the cache.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
build="${BUILD_DIR:-build}"
generator=()
if [ -z "${CMAKE_GENERATOR:-}" ] && command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j"$(nproc)" "$@"
