"""Shared helpers of the benchmark scripts: building the drivers, timing
commands (median of several runs), peak memory of a child process, and a long
English text to speak."""

import os
import statistics
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(TOP, "build-bench")
BIN = os.path.join(BUILD, "bin")

PARAGRAPHS = [
    "The harbour was quiet in the early morning, and the fishing boats rocked gently "
    "against the wooden piers while the gulls argued over scraps on the sea wall.",
    "Mary had lived in the town for thirty years, long enough to remember when the "
    "lighthouse still had a keeper and the ferry left twice a day for the islands.",
    "Every Tuesday she walked to the library, returned the books she had finished, "
    "and chose three more, always one history, one novel and one book about birds.",
    "The librarian, a patient man with round glasses, kept a list of the titles she "
    "liked and sometimes set aside a new arrival before anyone else could borrow it.",
    "On the way home she stopped at the bakery, where the smell of fresh bread drifted "
    "into the street and the owner's daughter counted the change twice, just to be sure.",
    "In the afternoon the wind turned, clouds gathered over the hills, and the first "
    "heavy drops of rain began to darken the stones of the narrow lane behind the church.",
]


# The tests' paced ALSA device (it plays in real time, as a sound card does),
# for measuring when audio reaches the device.
PACED_ALSA_CONF = os.path.join(BUILD, "tests", "platform", "audio", "alsa-paced.conf")


def build(*targets):
    subprocess.run(["cmake", "-S", TOP, "-B", BUILD, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DVOCALITH_TESTS=ON",
                    "-DVOCALITH_BENCH=ON"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["ninja", "-C", BUILD, "-j2", *targets], check=True,
                   stdout=subprocess.DEVNULL)


def english_text(min_bytes):
    """Numbered paragraphs until the text is at least min_bytes long."""
    out, n = [], 0
    while sum(len(p) + 2 for p in out) < min_bytes:
        out.append(f"Part {n + 1}. " + PARAGRAPHS[n % len(PARAGRAPHS)])
        n += 1
    return "\n\n".join(out) + "\n"


def book_markdown(min_bytes, chapter_bytes=25000):
    """english_text(min_bytes) as a Markdown book: a title and level-1 chapters
    of about chapter_bytes each (pandoc makes EPUB, DOCX... of it)."""
    paragraphs = english_text(min_bytes).split("\n\n")
    out, size, chapter = ["% A Town by the Sea\n% Bench Author\n"], 0, 0
    for paragraph in paragraphs:
        if size == 0:
            chapter += 1
            out.append(f"# Chapter {chapter}: The Harbour Again\n")
        out.append(paragraph.strip() + "\n")
        size += len(paragraph)
        if size >= chapter_bytes:
            size = 0
    return "\n".join(out)


def run(cmd, env=None):
    """Runs a command; gives (seconds, peak resident kB, stdout)."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            env={**os.environ, **(env or {})})
    out = proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {' '.join(cmd)}")
    return elapsed, usage.ru_maxrss, out.decode()


def median_time(cmd, runs=3, env=None):
    return statistics.median(run(cmd, env)[0] for _ in range(runs))
