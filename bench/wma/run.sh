#!/usr/bin/env bash
# The WAV-to-WMA conversion against ffmpeg's own wmav2 encoder: both encode the
# same WAV of at least ten minutes of espeak-ng speech to the same format (bit
# rate, sample rate, channels); prints the median times and their ratio, and
# the peak memory of a short and a long conversion.
#
#   bench/wma/run.sh     (RUNS=5 FORMAT="32 kbps, 22 kHz, mono CBR" BUILD=build-bench-wma)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$top/build-bench-wma}
runs=${RUNS:-5}
format=${FORMAT:-32 kbps, 22 kHz, mono CBR}
for tool in espeak-ng ffmpeg ffprobe /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

# "32 kbps, 22 kHz, mono CBR" -> ffmpeg's -b:a, -ar and -ac.
kbps=$(sed -E 's/^([0-9]+) kbps.*/\1/' <<<"$format")
khz=$(sed -E 's/^[^,]*, ([0-9]+) kHz.*/\1/' <<<"$format")
case $khz in 44) ar=44100 ;; 22) ar=22050 ;; 11) ar=11025 ;; *) ar=$((khz * 1000)) ;; esac
case $format in *mono*) ac=1 ;; *) ac=2 ;; esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$top/bench/lib.sh"

driver=$(bench_driver "$build" wma_convert_bench)

make_speech

ours() { measure "$driver" "$1" "$2" "$format"; }
theirs() {
    measure ffmpeg -nostdin -v error -y -threads 1 -i "$1" -c:a wmav2 -b:a "${kbps}k" \
        -ar "$ar" -ac "$ac" "$2"
}

: >"$work/ours.t"
: >"$work/ffmpeg.t"
for _ in $(seq 1 "$runs"); do
    ours "$work/long.wav" "$work/ours.wma" | cut -d' ' -f1 >>"$work/ours.t"
    theirs "$work/long.wav" "$work/ffmpeg.wma" | cut -d' ' -f1 >>"$work/ffmpeg.t"
done
ours_t=$(median <"$work/ours.t")
ffmpeg_t=$(median <"$work/ffmpeg.t")

short_kb=$(for _ in 1 2 3; do ours "$work/short.wav" "$work/s.wma" | cut -d' ' -f2; done | median)
long_kb=$(for _ in 1 2 3; do ours "$work/long.wav" "$work/l.wma" | cut -d' ' -f2; done | median)
ffmpeg_short_kb=$(theirs "$work/short.wav" "$work/s.wma" | cut -d' ' -f2)
ffmpeg_long_kb=$(theirs "$work/long.wav" "$work/l.wma" | cut -d' ' -f2)

printf 'input: %.0f s of speech; %s; median of %s runs\n' "$long_s" "$format" "$runs"
printf 'convertWavToWma  %6.2f s   %9d bytes   %.2f s long\n' "$ours_t" \
    "$(stat -c %s "$work/ours.wma")" "$(seconds "$work/ours.wma")"
printf 'ffmpeg wmav2     %6.2f s   %9d bytes   %.2f s long\n' "$ffmpeg_t" \
    "$(stat -c %s "$work/ffmpeg.wma")" "$(seconds "$work/ffmpeg.wma")"
awk -v a="$ours_t" -v b="$ffmpeg_t" 'BEGIN { printf "ratio ours/ffmpeg %6.2f\n", (b > 0 ? a / b : 0) }'
printf 'peak memory, ours:   %s kB for %.0f s, %s kB for %.0f s\n' "$short_kb" "$short_s" "$long_kb" "$long_s"
printf 'peak memory, ffmpeg: %s kB for %.0f s, %s kB for %.0f s\n' "$ffmpeg_short_kb" "$short_s" "$ffmpeg_long_kb" "$long_s"
