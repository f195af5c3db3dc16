#!/usr/bin/env bash
# Builds and runs every benchmark program; each prints its figures beside its peer or limit.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen ORVANE_DRY_RUN_SYSTEM=1
for b in $(find build/bench -type f -executable \( -name 'bench_*' -o -name '*_bench' \) | sort); do
  echo "== $(basename "$b")"
  "$b" "$@"
done
