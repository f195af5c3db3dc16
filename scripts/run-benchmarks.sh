#!/usr/bin/env bash
# Builds and runs every benchmark program; each prints its figures beside its peer or limit.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen ORVANE_DRY_RUN_SYSTEM=1
for b in build/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
