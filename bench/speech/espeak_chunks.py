#!/usr/bin/env python3
"""Does a Write with espeak-ng pay for synthesising chunks of the text in
helper processes? espeak-ng keeps global state, so parallel synthesis means
one process per chunk. This times, in one run on the same text,
`espeak-ng -w` on the whole text against as many `espeak-ng -w` processes as
there are cores, each on a consecutive share of the paragraphs, started
together and their WAVs joined (the joining is not timed: the lower bound of
what a helper-process design could reach). CPU time is given beside wall time
so that the parallelism shows even on a loaded machine."""

import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import benchlib as b


def run_together(cmds):
    """Starts the commands at once; (wall s, CPU s of all of them)."""
    start = time.perf_counter()
    procs = [subprocess.Popen(c, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
             for c in cmds]
    cpu = 0.0
    for p in procs:
        _, status, ru = os.wait4(p.pid, 0)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit("espeak-ng failed")
        cpu += ru.ru_utime + ru.ru_stime
    return time.perf_counter() - start, cpu


def main():
    size = int(sys.argv[1]) if len(sys.argv) > 1 else 20 * 1024
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    cores = len(os.sched_getaffinity(0))
    tmp = tempfile.mkdtemp(prefix="vocalith-espeak-")
    text = b.english_text(size)
    whole = os.path.join(tmp, "whole.txt")
    with open(whole, "w") as f:
        f.write(text)
    paragraphs = text.split("\n\n")
    share = (len(paragraphs) + cores - 1) // cores
    parts = []
    for i in range(cores):
        path = os.path.join(tmp, f"part{i}.txt")
        with open(path, "w") as f:
            f.write("\n\n".join(paragraphs[i * share:(i + 1) * share]) + "\n")
        parts.append(path)
    one = [["espeak-ng", "-f", whole, "-w", os.path.join(tmp, "whole.wav")]]
    many = [["espeak-ng", "-f", p, "-w", p + ".wav"] for p in parts]
    results = {"one process": [], f"{cores} processes": []}
    print(f"espeak-ng -w, {len(text)} bytes of English, {cores} cores, median of {runs} rounds;"
          f" load average before: {os.getloadavg()[0]:.2f}")
    for _ in range(runs):
        results["one process"].append(run_together(one))
        results[f"{cores} processes"].append(run_together(many))
    base = statistics.median(r[0] for r in results["one process"])
    for name, rs in results.items():
        wall = statistics.median(r[0] for r in rs)
        cpu = statistics.median(r[1] for r in rs)
        print(f"{name:14} wall {wall:7.3f} s  CPU {cpu:7.3f} s  ratio {wall / base:5.2f}")
    print(f"load average after: {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
