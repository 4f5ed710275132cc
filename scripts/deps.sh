#!/usr/bin/env bash
# Installs the Debian packages Vocalith needs to build, run and test, skipping
# those already installed. Needs root (or sudo).
set -euo pipefail

packages=(
    # build: compilers (clang for the fuzz targets), the UI toolkit and the
    # libraries the runtimes stand on
    cmake ninja-build g++ clang pkg-config
    qt6-base-dev libgl-dev libx11-dev
    flite1-dev libespeak-ng-dev espeak-ng-data libmp3lame-dev
    libavcodec-dev libavformat-dev libavutil-dev libswresample-dev libasound2-dev
    # the command line's document readers
    libxml2-dev libzip-dev libpoppler-cpp-dev libcmark-dev
    # the command line's audiobook writer (FFmpeg above encodes and muxes)
    libtag1-dev
    # tests (the command-line tools make and check test files), and the
    # formatting check
    libgtest-dev espeak-ng sox ffmpeg clang-format
    # test documents: pandoc writes EPUB, DOCX, ODT, FB2 and HTML; qpdf
    # encrypts a PDF; poppler's tools read them back
    pandoc qpdf poppler-utils zip
    # desktop data validators, the Debian package and its install test
    desktop-file-utils appstream man-db
    debhelper lintian dbus at-spi2-core python3-pyatspi
    # benchmarks: the engines' and encoders' own tools, timing, a display
    flite lame time python3 xvfb python3-cairo
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
