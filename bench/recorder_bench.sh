#!/usr/bin/env bash
# Runs recorder_bench (the recorder window) against the tests' private PulseAudio server (scripts/pulse-server.sh),
# with its 1 kHz sine source, unless PULSE_SERVER already names one.
# Usage: bench/recorder_bench.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bench/recorder_bench
[ -x "$bin" ] || { echo "build first: ./scripts/build.sh" >&2; exit 2; }
if [ -n "${PULSE_SERVER:-}" ]; then exec "$bin" "$@"; fi

. ./scripts/pulse-server.sh
tmp=$(mktemp -d)
trap 'pulse_server_stop; rm -rf "$tmp"' EXIT
pulse_server_start "$tmp" || true  # the benchmark says so itself when it cannot capture
"$bin" "$@"
