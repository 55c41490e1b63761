#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run command need.
# Does nothing when all of them are present. With arguments it installs those packages instead
# (the fuzz and sanitizer builds ask for clang this way).
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6dbus6 libqt6printsupport6 libxcb1-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-tools
  libcurl4-openssl-dev libcpp-httplib-dev libsqlite3-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  espeak-ng sox libsox-fmt-mp3 lame vorbis-tools
  xvfb xauth xdotool x11-utils imagemagick
  dbus dbus-daemon dbus-x11 curl
  desktop-file-utils appstream dpkg-dev file lintian
  sway grim jq qt6-wayland wayland-protocols libwayland-dev openbox weston python3-dbus python3-gi
)
[ $# -gt 0 ] && PACKAGES=("$@")

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
