#!/usr/bin/env bash
# Runs studio_bench (the speech studio) against the tests' private PulseAudio server
# (the engine reads through it), unless PULSE_SERVER already names one.
# Usage: bench/studio_bench.sh
exec "$(dirname "$0")/with-sound-server.sh" studio_bench "$@"
