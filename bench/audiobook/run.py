#!/usr/bin/env python3
"""Writing an audiobook: vocalith-cli book.epub -o book.m4b (.mp3, .opus) with
espeak-ng's en-us voice at the default quality (22 kHz 16-bit mono), pieces
made on every core, against the engine's and encoders' own tools with the same
encoder and settings, in one run on the same book:

- the shell way: espeak-ng -w book.wav, then ffmpeg -c:a aac -b:a 64k
  -aac_coder fast / lame -q 2 -b 64 / ffmpeg -c:a libopus -b:a 32k -ar 48000;
  the sum of both steps (goal: ours at most 0.55 of it);
- the pipe: espeak-ng --stdout | the same encoder, timed whole (goal 0.6);
- CPU time, user + sys of the whole process tree (ours and its children)
  against the two tools' of the shell way together (goal 1.1);
- peak memory: ru_maxrss of wait4, which is the largest single process of the
  tree (the parent or one child), not their sum; that is what the goal means
  (under 150 MB);
- resuming: ours is interrupted with SIGINT (to its process group, as Ctrl+C
  does) once about 90% of the pieces are in book.m4b.parts/, then run again
  with the same command; that second run's share of a full one (goal 15%).
  The number of pieces comes from a first whole run with --keep-parts.

The book is the benchmarks' English text, TEXT bytes of it (1 MB by default) in
chapters of about 25 KB, made into an EPUB by pandoc; the tools get the same
text as plain text. Medians of RUNS runs, on this machine's cores.

    bench/audiobook/run.py [m4b] [mp3] [opus] [time] [resume]
        (RUNS=3 TEXT=1000000; CLI=path/to/vocalith-cli measures that build
         instead of building build-bench; no format: all three; neither time
         nor resume: both, e.g. `run.py mp3 resume`)
"""

import os
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import benchlib  # noqa: E402

RUNS = int(os.environ.get("RUNS", "3"))
TEXT = int(os.environ.get("TEXT", "1000000"))
CLI = os.environ.get("CLI") or os.path.join(benchlib.BIN, "vocalith-cli")
VOICE = ("en-us", "English (America), SAPI5")  # the engine's name and ours
# Each format's encoder, as our pieces use it: input and output are filled in.
ENCODERS = {
    "m4b": lambda wav, out: ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", wav,
                             "-c:a", "aac", "-b:a", "64k", "-aac_coder", "fast", out + ".m4a"],
    # Our MP3 pieces use LAME's quality 2 at 64 kbit/s.
    "mp3": lambda wav, out: ["lame", "--quiet", "-q", "2", "-b", "64", wav, out + ".mp3"],
    # Ours resamples to 48 kHz for Opus; ffmpeg would otherwise pick 24 kHz.
    "opus": lambda wav, out: ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", wav,
                              "-c:a", "libopus", "-b:a", "32k", "-ar", "48000", out + ".opus"],
}
RESUME_AT = 0.9


def timed(cmd):
    """benchlib.run, with the CPU time (user + sys) of the whole tree."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    seconds, peak_kb, _ = benchlib.run(cmd)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    return seconds, cpu, peak_kb


def medians(samples):
    """(wall, cpu, peak) runs: median wall and CPU, largest peak in MB."""
    return (statistics.median(s[0] for s in samples), statistics.median(s[1] for s in samples),
            max(s[2] for s in samples) / 1024)


def ours_cmd(epub, out, *extra):
    return [CLI, "--quiet", "--overwrite", *extra, "-v", VOICE[1], "-o", out, epub]


def pieces(folder, kind):
    """Finished pieces: written under a .partial- name, renamed when whole."""
    try:
        names = os.listdir(folder)
    except FileNotFoundError:
        return 0
    return sum(1 for n in names if n.endswith("." + kind) and ".partial-" not in n)


def compare(kind, epub, plain, work):
    out = os.path.join(work, "ours." + kind)
    ours = medians([timed(ours_cmd(epub, out)) for _ in range(RUNS)])
    os.remove(out)
    wav, theirs = os.path.join(work, "book.wav"), os.path.join(work, "theirs")
    shell = []
    for _ in range(RUNS):
        speak = timed(["espeak-ng", "-v", VOICE[0], "-w", wav, "-f", plain])
        encode = timed(ENCODERS[kind](wav, theirs))
        os.remove(wav)  # hours of speech: gigabytes at 1 MB of text
        shell.append((speak[0] + encode[0], speak[1] + encode[1], max(speak[2], encode[2])))
    shell = medians(shell)
    encoder = " ".join(ENCODERS[kind]("-", theirs))
    piped = medians([timed(["sh", "-c", f"espeak-ng -v {VOICE[0]} --stdout -f {plain} | {encoder}"])
                     for _ in range(RUNS)])
    for name in os.listdir(work):
        if name.startswith("theirs."):
            os.remove(os.path.join(work, name))
    tool = ENCODERS[kind]("", "")[0]
    print(f"{kind}: ours {ours[0]:7.2f} s   espeak-ng -w + {tool} {shell[0]:7.2f} s   "
          f"espeak-ng | {tool} {piped[0]:7.2f} s")
    print(f"{'':6}ratio {ours[0] / shell[0]:5.2f} to the shell way (goal <= 0.55), "
          f"{ours[0] / piped[0]:5.2f} to the pipe (goal <= 0.6)")
    print(f"{'':6}CPU {ours[1]:7.2f} s vs the tools' {shell[1]:7.2f} s: "
          f"{ours[1] / shell[1]:5.2f} (goal <= 1.1); pipe {piped[1]:7.2f} s")
    print(f"{'':6}peak memory {ours[2]:6.1f} MB, largest process of the tree "
          f"(goal < 150 MB); tools' {shell[2]:6.1f} MB")
    return ours[0]


def resume(kind, epub, work, full):
    out = os.path.join(work, "ours." + kind)
    parts = out + ".parts"
    # A whole run that keeps its pieces tells how many the plan makes.
    kept, _, _ = timed(ours_cmd(epub, out, "--keep-parts"))
    total = pieces(parts, kind)
    shutil.rmtree(parts)
    os.remove(out)
    full = full or kept
    shares, done = [], []
    for _ in range(RUNS):
        # Its own process group, so SIGINT reaches it and its children as Ctrl+C would.
        proc = subprocess.Popen(ours_cmd(epub, out), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)
        while proc.poll() is None and pieces(parts, kind) < int(RESUME_AT * total):
            time.sleep(0.02)
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGINT)
        proc.wait()
        done.append(pieces(parts, kind))
        again, _, _ = timed(ours_cmd(epub, out))
        shares.append(again / full)
        os.remove(out)
    print(f"{kind}: resumed with {statistics.median(done):g} of {total} pieces made: "
          f"{100 * statistics.median(shares):5.1f}% of a full run ({full:.2f} s) (goal <= 15%)")
    if max(done) == total:
        # Pieces finish together on every core: a small book may have none left.
        print(f"{'':6}(a run had made every piece before SIGINT: a larger TEXT measures this)")


def main():
    words = set(sys.argv[1:])
    kinds = [k for k in ENCODERS if k in words] or list(ENCODERS)
    parts = {"time", "resume"} & words or {"time", "resume"}
    if not os.environ.get("CLI"):
        benchlib.build("vocalith-cli", "lame_enc", "vocalith-espeak-helper")
    work = tempfile.mkdtemp()
    try:
        source, epub = os.path.join(work, "book.md"), os.path.join(work, "book.epub")
        with open(source, "w") as f:
            f.write(benchlib.book_markdown(TEXT))
        subprocess.run(["pandoc", "-s", source, "-o", epub], check=True)
        plain = os.path.join(work, "book.txt")
        with open(plain, "w") as f:
            f.write(benchlib.english_text(TEXT))
        print(f"{TEXT / 1e6:g} MB of text; median of {RUNS} runs on {os.cpu_count()} cores")
        for kind in kinds:
            full = compare(kind, epub, plain, work) if "time" in parts else None
            if "resume" in parts:
                resume(kind, epub, work, full)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
