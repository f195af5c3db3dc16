#!/usr/bin/env bash
# Runs studio_bench (the speech studio) against the tests' private PulseAudio server
# (the engine reads through it), unless PULSE_SERVER already names one.
# Usage: bench/studio_bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bench/studio_bench
[ -x "$bin" ] || { echo "build first: ./scripts/build.sh" >&2; exit 2; }
if [ -n "${PULSE_SERVER:-}" ]; then exec "$bin" "$@"; fi

. ./scripts/pulse-server.sh
tmp=$(mktemp -d)
trap 'pulse_server_stop; rm -rf "$tmp"' EXIT
pulse_server_start "$tmp" || true  # the benchmark says so itself when it cannot capture
"$bin" "$@"
