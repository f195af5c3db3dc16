#!/usr/bin/env bash
# The one list of Debian packages the whole program, its tests and its benchmarks need.
# Quick when everything is already present; uses sudo when not root.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-webengine-dev qt6-tools-dev-tools
  libgl-dev
  libmpv-dev mpv libpulse-dev pulseaudio pulseaudio-utils
  libespeak-ng-dev espeak-ng-data espeak-ng
  libmp3lame-dev libjpeg-dev
  libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  libfluidsynth-dev timgm6mb-soundfont
  libcrypt-dev libsndfile1-dev
  sox libsox-fmt-all ffmpeg lame lhasa stress-ng
  dbus dbus-daemon python3 python3-dbusmock
  xvfb xauth fonts-wqy-microhei qt6-translations-l10n openbox x11-utils libxcb1-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "install-deps: installing ${#missing[@]} packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
