#!/usr/bin/env bash
# Builds and runs every benchmark program; each prints its figures beside its peer or limit.
# A benchmark that fails or misses its limit is reported and the others still run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen ORVANE_DRY_RUN_SYSTEM=1
status=0
for b in $(find build/bench -type f -executable \( -name 'bench_*' -o -name '*_bench' \) | sort); do
  name=$(basename "$b")
  echo "== $name"
  # The capture needs a sound server with a sine source; its script brings one.
  run=("$b")
  if [ "$name" = capture_bench ]; then run=(bench/capture_bench.sh); fi
  if [ "$name" = onset_bench ]; then run=(bench/onset_bench.sh); fi
  if [ "$name" = recorder_bench ]; then run=(bench/recorder_bench.sh); fi
  if [ "$name" = studio_bench ]; then run=(bench/studio_bench.sh); fi
  "${run[@]}" "$@" || { echo "== $name ended with status $?"; status=1; }
done
exit $status
