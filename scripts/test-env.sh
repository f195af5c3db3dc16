# The environment every test program runs in, sourced by test.sh and scripts/sanitize.sh: a
# private PulseAudio server (a null sink to play into and a sine source to record from), the
# offscreen platform, power and clock actions only logged, and a temporary home and
# configuration folder, so that whatever a test does, the user's own home, autostart folder
# and sound stay out of reach. An EXIT trap ends the server and removes the folder.
. "$(dirname "${BASH_SOURCE[0]}")/pulse-server.sh"
test_env_dir=$(mktemp -d)
test_env_cleanup() {
  pulse_server_stop
  rm -rf "$test_env_dir"
}
trap test_env_cleanup EXIT
pulse_server_start "$test_env_dir" ||
  echo "$(basename "$0"): the private sound server did not start; sound tests will say so" >&2
export QT_QPA_PLATFORM=offscreen
export ORVANE_DRY_RUN_SYSTEM=1
export ORVANE_HOME="$test_env_dir/home"
mkdir -p "$ORVANE_HOME"
export XDG_CONFIG_HOME="$test_env_dir/config"
