#!/usr/bin/env bash
# Builds each named target (default: orvane) on its own in a fresh tree, so that a target
# that uses files of another target without depending on it fails here instead of on someone's
# first build of that one target.
#
# The tree is made with Make, not Ninja: Make builds target by target and stops at a file that
# no rule of the target's own dependencies makes, while Ninja's single graph quietly builds any
# file a link names and so hides the missing dependency. Make's compile lines differ from
# Ninja's, so the first run here compiles everything once; later runs hit the ccache.
#
#     scripts/build-alone.sh [TARGET...]      (ALONE_JOBS=N to limit the jobs)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
tree="$src/build-alone"
export CCACHE_DIR="${CCACHE_DIR:-$src/.cache/ccache}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-2G}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$src}"
jobs="${ALONE_JOBS:-$(nproc)}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(orvane); fi

for target in "${targets[@]}"; do
  started=$(date +%s)
  rm -rf "$tree"
  mkdir -p "$tree"
  log="$tree/build-alone.log"
  cmake -S "$src" -B "$tree" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release >"$log" 2>&1 ||
    { cat "$log"; exit 1; }
  if ! cmake --build "$tree" -j"$jobs" --target "$target" >>"$log" 2>&1; then
    grep -E "\*\*\*|error" "$log" | head -20
    echo "build-alone.sh: $target does not build on its own (log: $log)"
    exit 1
  fi
  echo "build-alone.sh: $target built alone in $(($(date +%s) - started)) s"
done
rm -rf "$tree"
