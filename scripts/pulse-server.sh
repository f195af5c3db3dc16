# A private PulseAudio server for the tests and benchmarks, sourced by test.sh and
# bench/capture_bench.sh: a null sink "testsink" to play into and a 1 kHz sine source "sine"
# to record from, its state in a folder of the caller's, stopped by its pid (never by name).
#
#   pulse_server_start DIR  exports PULSE_RUNTIME_PATH, PULSE_STATE_PATH and PULSE_SERVER
#                           below DIR, logs to DIR/pulse.log, waits until the server answers
#                           and makes testsink the default sink; fails when it did not start.
#   pulse_server_stop       ends the server started here and waits for it.

pulse_pid=""

pulse_server_start() {
  local dir=$1
  export PULSE_RUNTIME_PATH="$dir/pulse"
  export PULSE_STATE_PATH="$PULSE_RUNTIME_PATH/state"
  export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
  mkdir -p "$PULSE_STATE_PATH"
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=file:"$dir/pulse.log" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native" \
    -L "module-null-sink sink_name=testsink rate=48000" \
    -L "module-sine-source source_name=sine rate=48000 frequency=1000" &
  pulse_pid=$!
  for _ in $(seq 1 100); do
    if pactl info >/dev/null 2>&1; then break; fi
    sleep 0.05
  done
  pactl set-default-sink testsink >/dev/null 2>&1
}

pulse_server_stop() {
  if [ -n "$pulse_pid" ]; then kill "$pulse_pid" 2>/dev/null || true; wait "$pulse_pid" 2>/dev/null || true; fi
  pulse_pid=""
}
