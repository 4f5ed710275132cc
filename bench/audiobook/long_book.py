#!/usr/bin/env python3
"""A book longer than a WAV can hold: HOURS of speech (ten by default) from the
benchmarks' English text, as chapters, written by vocalith-cli at the highest
quality (48 kHz 16-bit stereo) to each FORMAT given (mp3 and wav by default),
then checked as a player would take it:

- the file's reported duration (ffprobe) against its decoded duration (every
  frame decoded by ffmpeg), and against the book's spoken length that
  --list-chapters estimated;
- its chapters, as ffprobe reads them back: as many as the book has, in order,
  the last ending at the file's end;
- the run's time, its CPU time and its peak memory (the largest single
  process of the tree, as bench/audiobook/run.py measures it), beside those of
  a one-hour book in the same run: the goal is the same peak for both.

    bench/audiobook/long_book.py [mp3] [wav] [m4b] [opus]
        (HOURS=10; CLI=path/to/vocalith-cli measures that build instead of
         building build-bench; WORK=folder keeps the files there)
"""

import json
import os
import resource
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import benchlib  # noqa: E402

HOURS = float(os.environ.get("HOURS", "10"))
CLI = os.environ.get("CLI") or os.path.join(benchlib.BIN, "vocalith-cli")
VOICE = "English (America), SAPI5"
QUALITY = "48kHz 16 Bit Stereo"
# Bytes of the benchmarks' text per hour of speech with the voice above at
# its default speed, measured with --list-chapters; refined by a first listing.
BYTES_PER_HOUR = 68000


def listed_seconds(book):
    """The book's spoken length as --list-chapters estimates it."""
    out = subprocess.run([CLI, "--list-chapters", "--json", "-v", VOICE, book],
                         check=True, capture_output=True, text=True).stdout
    listing = json.loads(out)
    chapters = listing[0]["chapters"] if isinstance(listing, list) else listing["chapters"]
    return sum(c.get("seconds", 0) for c in chapters)


def make_book(folder, hours):
    source = os.path.join(folder, f"book-{hours:g}h.md")
    size = int(hours * BYTES_PER_HOUR)
    for _ in range(2):
        with open(source, "w") as f:
            f.write(benchlib.book_markdown(size, chapter_bytes=60000))
        seconds = listed_seconds(source)
        size = int(size * hours * 3600 / max(seconds, 1))
    return source, seconds


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-print_format", "json", "-show_format",
                          "-show_chapters", path], check=True, capture_output=True,
                         text=True).stdout
    return json.loads(out)


def decoded_seconds(path):
    """Every frame decoded: the time of the last one, as ffmpeg reports it."""
    err = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-stats", "-i", path, "-f", "null",
                          "-"], check=True, capture_output=True, text=True).stderr
    stamp = err.rsplit("time=", 1)[1].split()[0]
    h, m, s = stamp.split(":")
    return int(h) * 3600 + int(m) * 60 + float(s)


def write(book, out):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    seconds, peak_kb, _ = benchlib.run([CLI, "--quiet", "--overwrite", "-v", VOICE, "-q", QUALITY,
                                        "-o", out, book])
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    return seconds, cpu, peak_kb / 1024


def check(kind, book, listed, folder):
    out = os.path.join(folder, "book." + kind)
    wall, cpu, peak = write(book, out)
    info = probe(out)
    reported = float(info["format"]["duration"])
    decoded = decoded_seconds(out)
    chapters = info.get("chapters", [])
    ends = float(chapters[-1]["end_time"]) if chapters else 0
    size = os.path.getsize(out)
    # FFmpeg reads no chapters from a WAV (none are written into one).
    marks = (f"{len(chapters)} chapters, the last ending {abs(ends - reported):.2f} s from the end"
             if chapters else "no chapters read back")
    print(f"{kind}: {reported / 3600:6.2f} h reported, {decoded / 3600:6.2f} h decoded "
          f"(differ by {abs(reported - decoded):.2f} s), listed {listed / 3600:.2f} h; "
          f"{size / 2**30:.2f} GiB; {marks}")
    print(f"{'':6}{wall:7.1f} s, CPU {cpu:7.1f} s, peak {peak:6.1f} MB")
    os.remove(out)
    return peak


def main():
    kinds = [k for k in ("mp3", "wav", "m4b", "opus") if k in sys.argv[1:]] or ["mp3", "wav"]
    if not os.environ.get("CLI"):
        benchlib.build("vocalith-cli", "lame_enc", "vocalith-espeak-helper", "vocalith_audiobook")
    work = os.environ.get("WORK") or tempfile.mkdtemp()
    try:
        long_book, long_listed = make_book(work, HOURS)
        short_book, short_listed = make_book(work, 1)
        print(f"{HOURS:g} hours of speech ({os.path.getsize(long_book) / 1e6:.2f} MB of text) "
              f"at {QUALITY}, on {os.cpu_count()} cores")
        for kind in kinds:
            peak_long = check(kind, long_book, long_listed, work)
            peak_short = check(kind, short_book, short_listed, work)
            print(f"{'':6}peak memory {peak_long:.1f} MB for {HOURS:g} h, "
                  f"{peak_short:.1f} MB for 1 h")
    finally:
        if not os.environ.get("WORK"):
            shutil.rmtree(work)


if __name__ == "__main__":
    main()
