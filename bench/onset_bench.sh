#!/usr/bin/env bash
# The real program's punctuality on a 10,000-entry day beside a running mpv (warm) and paplay
# (cold) (onset_bench), idle, loaded (stress-ng --cpu 8 --io 2) and with the database locked,
# on a private PulseAudio server that the benchmark starts itself unless PULSE_SERVER already
# names one.
# Usage: bench/onset_bench.sh [starts per run]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bench/onset_bench
[ -x "$bin" ] || { echo "build first: ./scripts/build.sh" >&2; exit 2; }
command -v stress-ng >/dev/null || { echo "stress-ng is missing: scripts/install-deps.sh" >&2; exit 2; }
command -v mpv >/dev/null || { echo "mpv is missing: scripts/install-deps.sh" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen ORVANE_DRY_RUN_SYSTEM=1
exec "$bin" "$@"
