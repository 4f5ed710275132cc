#!/usr/bin/env python3
"""Reading books: vocalith-cli --list-chapters (the whole process: start-up,
reading the document, finding its chapters) against the tools people use to
get a book's text, in one run on the same files: pandoc -t plain for EPUB,
DOCX, ODT, FB2 and HTML, pdftotext for PDF. The book is the benchmarks'
English text, TEXT bytes of it (1 MB by default) in chapters of about 25 KB,
written by pandoc (and by a script for the PDF). Medians of RUNS runs, peak
memory of each, and reading's share of the time the book takes to speak
(espeak-ng -w on the whole text, measured once).

    bench/documents/run.py        (RUNS=3 TEXT=1000000; CLI=path/to/vocalith-cli)
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import benchlib  # noqa: E402

RUNS = int(os.environ.get("RUNS", "3"))
TEXT = int(os.environ.get("TEXT", "1000000"))
CLI = os.environ.get("CLI") or os.path.join(benchlib.BIN, "vocalith-cli")
HERE = os.path.dirname(os.path.abspath(__file__))


def measure(cmd):
    times, peaks = [], []
    for _ in range(RUNS):
        seconds, peak_kb, _ = benchlib.run(cmd)
        times.append(seconds)
        peaks.append(peak_kb)
    return statistics.median(times), max(peaks) / 1024


def main():
    if not os.environ.get("CLI"):
        benchlib.build("vocalith-cli", "lame_enc")
    work = tempfile.mkdtemp()
    source = os.path.join(work, "book.md")
    with open(source, "w") as f:
        f.write(benchlib.book_markdown(TEXT))
    books = {}
    for kind in ["epub", "docx", "odt", "fb2", "html"]:
        books[kind] = os.path.join(work, "book." + kind)
        subprocess.run(["pandoc", "-s", source, "-o", books[kind]], check=True)
    books["pdf"] = os.path.join(work, "book.pdf")
    subprocess.run([sys.executable, os.path.join(HERE, "make_pdf_book.py"), source, books["pdf"]],
                   check=True)

    plain = os.path.join(work, "book.txt")
    with open(plain, "w") as f:
        f.write(benchlib.english_text(TEXT))
    speech = os.path.join(work, "b.wav")
    speak, _, _ = benchlib.run(["espeak-ng", "-v", "en-us", "-w", speech, "-f", plain])
    os.remove(speech)  # some 19 hours of speech: gigabytes
    print(f"{TEXT / 1e6:g} MB of text; espeak-ng -w speaks it in {speak:.1f} s; "
          f"median of {RUNS} runs")
    print(f"{'format':<6} {'ours':>8} {'MB':>6} {'theirs':>8} {'MB':>6}  ratio  share of speaking")
    for kind, path in books.items():
        ours, our_mb = measure([CLI, "--list-chapters", path])
        tool = ["pdftotext", path, "-"] if kind == "pdf" else ["pandoc", "-t", "plain", path]
        theirs, their_mb = measure(tool)
        print(f"{kind:<6} {ours:7.2f}s {our_mb:6.1f} {theirs:7.2f}s {their_mb:6.1f}  "
              f"{ours / theirs:5.2f}  {100 * ours / speak:5.1f}%  ({tool[0]})")
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
