#!/usr/bin/env bash
# Configures and builds one build folder (default: build/); ninja rebuilds only
# what changed. Options given are applied to the folder's configuration, a
# folder not configured yet is configured first.
# Usage: build.sh [folder] [extra cmake options...] [-- targets...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build}
shift || true
case $dir in /*) ;; *) dir=$top/$dir ;; esac
opts=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do opts+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
if [ ${#opts[@]} -gt 0 ] || [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$top" -B "$dir" -G Ninja "${opts[@]}" >/dev/null
fi
ninja -C "$dir" -j2 "$@"
