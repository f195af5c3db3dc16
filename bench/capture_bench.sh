#!/usr/bin/env bash
# Runs capture_bench against a private PulseAudio server with a 1 kHz sine source (as test.sh
# does), unless PULSE_SERVER already names one. Usage: bench/capture_bench.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bench/capture_bench
[ -x "$bin" ] || { echo "build first: ./scripts/build.sh" >&2; exit 2; }
if [ -n "${PULSE_SERVER:-}" ]; then exec "$bin" "$@"; fi

tmp=$(mktemp -d)
pulse_pid=""
cleanup() {
  if [ -n "$pulse_pid" ]; then kill "$pulse_pid" 2>/dev/null || true; wait "$pulse_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
export PULSE_RUNTIME_PATH="$tmp/pulse"
export PULSE_STATE_PATH="$PULSE_RUNTIME_PATH/state"
export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
mkdir -p "$PULSE_STATE_PATH"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=file:"$tmp/pulse.log" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native" \
  -L "module-null-sink sink_name=testsink rate=48000" \
  -L "module-sine-source source_name=sine rate=48000 frequency=1000" &
pulse_pid=$!
for _ in $(seq 1 100); do
  if pactl info >/dev/null 2>&1; then break; fi
  sleep 0.05
done
"$bin" "$@"
