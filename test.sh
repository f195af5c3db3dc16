#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest against a private
# PulseAudio server. Exits with CTest's status.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/build.sh

. ./scripts/pulse-server.sh
tmp=$(mktemp -d)
cleanup() {
  pulse_server_stop
  rm -rf "$tmp"
}
trap cleanup EXIT

# A private sound server: a null sink to play into and a sine source to record from.
pulse_server_start "$tmp" || echo "test.sh: the private sound server did not start; sound tests will say so" >&2

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
