#!/usr/bin/env bash
# Runs capture_bench against the tests' private PulseAudio server (scripts/pulse-server.sh),
# with its 1 kHz sine source, unless PULSE_SERVER already names one.
# Usage: bench/capture_bench.sh [seconds]
exec "$(dirname "$0")/with-sound-server.sh" capture_bench "$@"
