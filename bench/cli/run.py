#!/usr/bin/env python3
"""vocalith-cli, whole process against whole process, in one run on the same
texts: writing WAV against espeak-ng -w and flite -o for the same voices,
--mp3 128 against the engine's command piped into lame -b 128, a batch of 8
documents with -j 2 against -j 1, and the peak memory of the largest text.
Medians of RUNS runs; the sizes of the small and the large text in bytes.

    bench/cli/run.py              (RUNS=3 SMALL=20000 LARGE=1000000; CLI=path/to/vocalith-cli
                                   measures that build instead of building build-bench)
"""

import os
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import benchlib  # noqa: E402

RUNS = int(os.environ.get("RUNS", "3"))
SIZES = [int(os.environ.get("SMALL", "20000")), int(os.environ.get("LARGE", "1000000"))]
CLI = os.environ.get("CLI") or os.path.join(benchlib.BIN, "vocalith-cli")
# The same voice on both sides: the engine's own name and the window's.
ESPEAK = ("en-us", "English (America), SAPI5")
FLITE = ("kal16", "Kal 16 kHz (flite), SAPI4")


def median(cmd, env=None):
    times, peaks = [], []
    for _ in range(RUNS):
        seconds, peak_kb, _ = benchlib.run(cmd, env)
        times.append(seconds)
        peaks.append(peak_kb)
    return statistics.median(times), max(peaks)


def shell(command):
    return ["sh", "-c", command]


def report(label, ours, theirs, goal):
    print(f"{label:<44} {ours:8.2f} s {theirs:8.2f} s  ratio {ours / theirs:5.2f}  ({goal})")


def main():
    if not os.environ.get("CLI"):
        benchlib.build("vocalith-cli", "lame_enc")
    work = tempfile.mkdtemp()
    print(f"median of {RUNS} runs; vocalith-cli against the engines' own tools")
    for size in SIZES:
        size_name = f"{size / 1000:g} KB"
        text = os.path.join(work, "text.txt")
        with open(text, "w") as f:
            f.write(benchlib.english_text(size))
        out = lambda name: os.path.join(work, name)  # noqa: E731
        ours, peak = median([CLI, "--quiet", "--overwrite", "-v", ESPEAK[1], "-o", out("a.wav"), text])
        theirs, _ = median(["espeak-ng", "-v", ESPEAK[0], "-w", out("b.wav"), "-f", text])
        report(f"{size_name}: -o x.wav vs espeak-ng -w", ours, theirs, "goal within 5%")
        print(f"{'':<44} peak memory of vocalith-cli: {peak / 1024:.1f} MB (goal < 64 MB)")
        ours, _ = median([CLI, "--quiet", "--overwrite", "-v", FLITE[1], "-o", out("a.wav"), text])
        theirs, _ = median(["flite", "-voice", FLITE[0], "-f", text, "-o", out("b.wav")])
        report(f"{size_name}: -o x.wav vs flite -o", ours, theirs, "goal within 5%")
        ours, _ = median([CLI, "--quiet", "--overwrite", "-v", ESPEAK[1], "--mp3", "128",
                          "-o", out("a.mp3"), text])
        theirs, _ = median(shell(f"espeak-ng -v {ESPEAK[0]} -f {text} --stdout | "
                                 f"lame --quiet -b 128 - {out('b.mp3')}"))
        report(f"{size_name}: --mp3 128 vs espeak-ng | lame -b 128", ours, theirs, "goal <= 1")

    batch = os.path.join(work, "batch")
    os.makedirs(batch)
    documents = []
    for i in range(8):
        documents.append(os.path.join(batch, f"doc{i}.txt"))
        with open(documents[-1], "w") as f:
            f.write(benchlib.english_text(SIZES[0]))
    for jobs in ("1", "2"):
        os.makedirs(os.path.join(work, "out" + jobs), exist_ok=True)
    one, _ = median([CLI, "--quiet", "--overwrite", "-v", ESPEAK[1], "-j", "1", "-o",
                     os.path.join(work, "out1"), *documents])
    two, _ = median([CLI, "--quiet", "--overwrite", "-v", ESPEAK[1], "-j", "2", "-o",
                     os.path.join(work, "out2"), *documents])
    print(f"{'8 documents: -j 2 vs -j 1':<44} {two:8.2f} s {one:8.2f} s  speed-up {one / two:5.2f}"
          f"  (goal ~2 on {os.cpu_count()} cores)")


if __name__ == "__main__":
    main()
