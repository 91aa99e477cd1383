#!/usr/bin/env bash
# Makes sure the Debian packages Tovlin builds with are installed.
# As root it installs what is missing with apt-get; otherwise it prints the exact
# apt-get line to run and stops.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libxkbcommon-dev libgl-dev libxcb1-dev
  libsqlite3-dev libplist-dev rapidjson-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libgtest-dev libgmock-dev
  # The eject tests start a private D-Bus with a stand-in disk service on it.
  dbus-daemon
  # DejaVu Sans draws the tables' numbers: its digits are all one width, on every machine.
  fonts-dejavu-core
)
# Extra packages a caller may ask for (e.g. xvfb for running without a display).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Tovlin needs these Debian packages. Run:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
