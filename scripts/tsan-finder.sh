#!/usr/bin/env bash
# Builds the file search and song finder tests with ThreadSanitizer in a tree of their own
# (build-tsan, or $TSAN_BUILD_DIR) and runs them; exits non-zero on any report or failed test.
# Takes minutes, so it is a developer's check and not part of test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build="${TSAN_BUILD_DIR:-$src/build-tsan}"
export CCACHE_DIR="${CCACHE_DIR:-$src/.cache/ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$src}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  generator=()
  if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
  cmake -S "$src" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
fi
cmake --build "$build" -j"$(nproc)" --target finder_tests

export QT_QPA_PLATFORM=offscreen QT_NO_GLIB=1
# Fusion paints its busy bar through the raster engine's thread pool; Debian's Qt carries no
# symbols for those frames, so they could only be silenced library-wide. The Windows style
# paints on the GUI thread, which leaves every other thread in these programs one of ours.
export QT_STYLE_OVERRIDE=Windows
export TSAN_OPTIONS="suppressions=$src/tests/support/tsan.supp halt_on_error=0 exitcode=66 ${TSAN_OPTIONS:-}"

status=0
for t in finder_tests; do
  log="$build/$t.tsan.log"
  if ! "$build/tests/audiotools/$t" 2>"$log"; then status=1; fi
  reports=$(grep -c "WARNING: ThreadSanitizer" "$log" || true)
  if [ "$reports" != 0 ]; then status=1; fi
  echo "tsan-finder: $t: $reports report(s); log in $log"
done
exit $status
