#!/usr/bin/env bash
# Configures and builds one build folder (default: build/); ninja rebuilds only
# what changed. Usage: build.sh [folder] [extra cmake options...] [-- targets...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build}
shift || true
opts=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do opts+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
[ -f "$top/$dir/build.ninja" ] || cmake -S "$top" -B "$top/$dir" -G Ninja "${opts[@]}" >/dev/null
ninja -C "$top/$dir" -j2 "$@"
