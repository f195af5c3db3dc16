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
tree="$PWD/build-alone"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(orvane); fi

for target in "${targets[@]}"; do
  started=$(date +%s)
  rm -rf "$tree"
  mkdir -p "$tree"
  log="$tree/build-alone.log"
  if ! BUILD_DIR="$tree" CMAKE_GENERATOR="Unix Makefiles" \
       ./scripts/build.sh -j"${ALONE_JOBS:-$(nproc)}" --target "$target" >"$log" 2>&1; then
    grep -E "\*\*\*|error" "$log" | head -20
    echo "build-alone.sh: $target does not build on its own (log: $log)"
    exit 1
  fi
  echo "build-alone.sh: $target built alone in $(($(date +%s) - started)) s"
done
rm -rf "$tree"
