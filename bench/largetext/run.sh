#!/usr/bin/env bash
# The largest text the editor takes (16,777,216 characters) spoken and
# written to WAV with a flite and an espeak-ng voice, each job stopped after
# SECONDS: the UI thread's longest block starting a job and while it runs,
# how long Stop takes, and the memory in use. Runs on Qt's offscreen platform;
# speech plays into ALSA's null device.
#
#   bench/largetext/run.sh        (SECONDS_EACH=5 BUILD=build-bench)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$top/build-bench}

[ -f "$build/build.ninja" ] ||
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOCALITH_TESTS=OFF >/dev/null
ninja -C "$build" -j1 largest_text_bench >/dev/null
QT_QPA_PLATFORM=offscreen ALSA_CONFIG_PATH=$top/tests/data/alsa-file.conf \
    "$build/bin/largest_text_bench" "${SECONDS_EACH:-5}"
