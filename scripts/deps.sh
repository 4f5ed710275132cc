#!/usr/bin/env bash
# Installs the Debian packages Vocalith needs to build, run and test, skipping
# those already installed. Needs root (or sudo).
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang
    qt6-base-dev libgl-dev
    flite1-dev flite
    libespeak-ng-dev espeak-ng espeak-ng-data
    libmp3lame-dev lame
    libavcodec-dev libavformat-dev libavutil-dev libswresample-dev ffmpeg
    libasound2-dev alsa-utils
    libgtest-dev libgmock-dev
    sox xvfb xauth
    desktop-file-utils appstream man-db
    debhelper lintian dbus at-spi2-core python3-pyatspi
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
