#!/usr/bin/env bash
# The WAV-to-MP3 conversion against the lame command: both encode the same
# WAV of at least ten minutes of espeak-ng speech with the same bit rate and
# quality; prints the median times and their ratio, and the peak memory of a
# short and a long conversion to show that it does not grow with the length.
#
#   bench/mp3/run.sh            (RUNS=5 KBPS=128 QUALITY=5 BUILD=build-bench-mp3)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$top/build-bench-mp3}
runs=${RUNS:-5}
kbps=${KBPS:-128}
quality=${QUALITY:-5}
for tool in espeak-ng lame sox ffprobe /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$top/bench/lib.sh"

driver=$(bench_driver "$build" mp3_convert_bench)

make_speech

rate=$(sox --i -r "$work/long.wav")

resample=$(awk -v r="$rate" 'BEGIN { print r / 1000 }')
ours() { measure "$driver" "$1" "$2" "$kbps" "$quality" 0; }
# The same stream as ours: CBR, same rate, no Xing/Info tag frame.
theirs() { measure lame --quiet --cbr -b "$kbps" -q "$quality" -t --resample "$resample" "$1" "$2"; }

: >"$work/ours.t"
: >"$work/lame.t"
for _ in $(seq 1 "$runs"); do
    ours "$work/long.wav" "$work/ours.mp3" | cut -d' ' -f1 >>"$work/ours.t"
    theirs "$work/long.wav" "$work/lame.mp3" | cut -d' ' -f1 >>"$work/lame.t"
done
ours_t=$(median <"$work/ours.t")
lame_t=$(median <"$work/lame.t")

short_kb=$(for _ in 1 2 3; do ours "$work/short.wav" "$work/s.mp3" | cut -d' ' -f2; done | median)
long_kb=$(for _ in 1 2 3; do ours "$work/long.wav" "$work/l.mp3" | cut -d' ' -f2; done | median)
lame_short_kb=$(theirs "$work/short.wav" "$work/s.mp3" | cut -d' ' -f2)
lame_long_kb=$(theirs "$work/long.wav" "$work/l.mp3" | cut -d' ' -f2)

printf 'input: %.0f s of speech, %s Hz; %s kbps CBR, quality %s; median of %s runs\n' \
    "$long_s" "$rate" "$kbps" "$quality" "$runs"
printf 'convertWavToMp3  %6.2f s   %9d bytes\n' "$ours_t" "$(stat -c %s "$work/ours.mp3")"
printf 'lame             %6.2f s   %9d bytes\n' "$lame_t" "$(stat -c %s "$work/lame.mp3")"
if cmp -s "$work/ours.mp3" "$work/lame.mp3"; then same=yes; else same=no; fi
echo "same bytes as lame: $same"
awk -v a="$ours_t" -v b="$lame_t" 'BEGIN { printf "ratio ours/lame  %6.2f\n", (b > 0 ? a / b : 0) }'
printf 'peak memory, ours: %s kB for %.0f s, %s kB for %.0f s\n' "$short_kb" "$short_s" "$long_kb" "$long_s"
printf 'peak memory, lame: %s kB for %.0f s, %s kB for %.0f s\n' "$lame_short_kb" "$short_s" "$lame_long_kb" "$long_s"
