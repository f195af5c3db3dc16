#!/usr/bin/env bash
# Runs a benchmark program against the tests' private PulseAudio server (scripts/pulse-server.sh:
# a null sink and a 1 kHz sine source), unless PULSE_SERVER already names one.
# Usage: bench/with-sound-server.sh NAME [arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bench/$1
shift
[ -x "$bin" ] || { echo "build first: ./scripts/build.sh" >&2; exit 2; }
if [ -n "${PULSE_SERVER:-}" ]; then exec "$bin" "$@"; fi

. ./scripts/pulse-server.sh
tmp=$(mktemp -d)
trap 'pulse_server_stop; rm -rf "$tmp"' EXIT
pulse_server_start "$tmp" || true  # the benchmark says so itself when it cannot reach the server
"$bin" "$@"
