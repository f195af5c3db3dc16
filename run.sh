#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on its default database
# (in $ORVANE_HOME, else ~/.local/share/orvane).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh --target orvane
exec ./build/orvane "$@"
