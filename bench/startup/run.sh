#!/usr/bin/env bash
# Start-up time of the program with every installed voice: median of RUNS
# fresh launches to the window shown. Uses $DISPLAY when there is one, else a
# private Xvfb.
#
#   bench/startup/run.sh        (RUNS=9 BUILD=build-bench-startup)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$top/build-bench-startup}
runs=${RUNS:-9}

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOCALITH_TESTS=OFF \
    -DVOCALITH_BENCH=ON >/dev/null
ninja -C "$build" -j1 startup_bench >/dev/null

xvfb=""
if [ -z "${DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null || { echo "needs a display or Xvfb" >&2; exit 1; }
    display=":$((90 + RANDOM % 9))"
    Xvfb "$display" -screen 0 1600x1000x24 >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb' EXIT
    export DISPLAY=$display
    sleep 1
fi
# No sound card is touched: only the window matters here.
ALSA_CONFIG_PATH=$top/tests/data/alsa-file.conf "$build/bin/startup_bench" "$runs"
