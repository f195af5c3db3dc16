#!/usr/bin/env bash
# Runs recorder_bench (the recorder window) against the tests' private PulseAudio server (scripts/pulse-server.sh),
# with its 1 kHz sine source, unless PULSE_SERVER already names one.
# Usage: bench/recorder_bench.sh [seconds]
exec "$(dirname "$0")/with-sound-server.sh" recorder_bench "$@"
