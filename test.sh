#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest against a private
# PulseAudio server. Exits with CTest's status.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/build.sh

. ./scripts/test-env.sh

cd build
status=0
ctest --output-on-failure -j"$(nproc)" || status=$?
exit $status
