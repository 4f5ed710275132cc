# Shared by the encoder benchmarks (sourced): building a driver, making the
# speech to encode, timing one run and taking medians. Needs $work, a
# scratch folder of the caller's.

# bench_driver BUILD-DIR TARGET: builds the driver, prints its path.
bench_driver() {
    cmake -S "$top" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOCALITH_TESTS=OFF \
        -DVOCALITH_BENCH=ON >/dev/null
    ninja -C "$1" -j1 "$2" >/dev/null
    echo "$1/bin/$2"
}

# make_speech: $work/long.wav (over ten minutes of espeak-ng speech) and
# $work/short.wav (one paragraph); sets long_s and short_s to their lengths.
make_speech() {
    local paragraph="The harbour was quiet in the early morning, and the fishing boats rocked \
gently against the wooden piers while the gulls argued over scraps on the sea wall. Every \
Tuesday she walked to the library, returned the books she had finished, and chose three \
more, always one history, one novel and one book about birds."
    for i in $(seq 1 40); do echo "Part $i. $paragraph"; done >"$work/long.txt"
    espeak-ng -w "$work/long.wav" -f "$work/long.txt"
    espeak-ng -w "$work/short.wav" "Part 1. $paragraph"
    long_s=$(seconds "$work/long.wav")
    short_s=$(seconds "$work/short.wav")
    if awk -v s="$long_s" 'BEGIN { exit !(s < 600) }'; then
        echo "the speech is only $long_s s long; it must be 600 s or more" >&2
        exit 1
    fi
}

seconds() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }

# One run: prints "elapsed-seconds peak-kB".
measure() {
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1 ||
        { echo "failed: $*" >&2; exit 1; }
    cat "$work/time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
