#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest against a private
# PulseAudio server. Exits with CTest's status.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/build.sh

tmp=$(mktemp -d)
pulse_pid=""
cleanup() {
  if [ -n "$pulse_pid" ]; then kill "$pulse_pid" 2>/dev/null || true; wait "$pulse_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

# A private sound server: a null sink to play into and a sine source to record from.
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
pactl set-default-sink testsink >/dev/null 2>&1 || echo "test.sh: the private sound server did not start; sound tests will say so" >&2

export QT_QPA_PLATFORM=offscreen
export ORVANE_DRY_RUN_SYSTEM=1
export ORVANE_HOME="$tmp/home"
mkdir -p "$ORVANE_HOME"
# Whatever a test does, the user's own autostart folder stays out of reach.
export XDG_CONFIG_HOME="$tmp/config"

cd build
status=0
ctest --output-on-failure -j"$(nproc)" || status=$?
exit $status
