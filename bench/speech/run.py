#!/usr/bin/env python3
"""Speech benchmarks, in one run on the same text:
- our Write-to-WAV path (StartJob, worker, engine, runtime) against `flite -o`
  and `espeak-ng -w` for the same voices at their native formats, as ratios;
- time to first audio of Speak and the stop latency (through ALSA's file plugin
  in front of the tests' device that plays in real time);
- peak memory writing a 1 MB text;
- flite: Write to WAV with the SAPI 4 runtime synthesising on one thread, on
  every core, and on every core under `taskset` to one core, against
  `flite -o`, on 20 KB of English for each natural voice (flite-1mb: 1 MB
  with SLT), with CPU time beside wall time and the machine's load;
- espeak: the same for the SAPI 5 runtime (in the program, in helper processes
  on every core, under `taskset` to one core) against `espeak-ng -w`, on 20 KB
  and 1 MB of English, with the peak memory of the program and of its largest
  helper."""

import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import benchlib as b

FLITE = [("kal", "Kal (flite)"), ("kal16", "Kal 16 kHz"), ("awb", "AWB"), ("rms", "RMS"),
         ("slt", "SLT")]
FLITE_NATURAL = [("slt", "SLT"), ("awb", "AWB"), ("rms", "RMS")]
ESPEAK = [("en-us", "English (America)"), ("en", "English (Great Britain)"), ("de", "German")]


def main():
    # Sections to run: any of write, speak, memory, flite, flite-1mb, espeak,
    # espeak-short (default: the first four).
    sections = set(sys.argv[1:]) or {"write", "speak", "memory", "flite"}
    b.build("speech_bench", "vocalith_paced_pcm")
    bench = os.path.join(b.BIN, "speech_bench")
    names = b.run([bench, "list"])[2]
    tmp = tempfile.mkdtemp(prefix="vocalith-bench-")
    text = os.path.join(tmp, "text.txt")
    with open(text, "w") as f:
        f.write(b.english_text(20 * 1024))
    ours, theirs = os.path.join(tmp, "ours.wav"), os.path.join(tmp, "theirs.wav")

    if "write" in sections:
        write(bench, names, text, ours, theirs)
    if "speak" in sections:
        speak(bench, names, text, tmp)
    if "memory" in sections:
        memory(bench, names, ours, tmp)
    if "flite" in sections:
        flite(bench, names, text, ours, theirs, FLITE_NATURAL + [("kal16", "Kal 16 kHz")], 3)
    if "flite-1mb" in sections:
        big = os.path.join(tmp, "big.txt")
        with open(big, "w") as f:
            f.write(b.english_text(1024 * 1024))
        # At one core each of these runs takes some thirteen minutes.
        flite(bench, names, big, ours, theirs, [("slt", "SLT")], 1,
              ["flite -o", "ours, all cores"])
    if "espeak" in sections:
        big = os.path.join(tmp, "big.txt")
        with open(big, "w") as f:
            f.write(b.english_text(1024 * 1024))
        espeak(bench, text, ours, theirs, 5)
        espeak(bench, big, ours, theirs, 3)
    if "espeak-short" in sections:
        # Where helpers start to pay: texts around the runtime's threshold
        # (6000 characters; below it the synthesis stays in the program).
        for size in (4 * 1024, 8 * 1024):
            short = os.path.join(tmp, f"short{size}.txt")
            with open(short, "w") as f:
                f.write(b.english_text(size))
            espeak(bench, short, ours, theirs, 7, ["espeak-ng -w", "ours, 1 process",
                                                   "ours, all cores"])


def write(bench, names, text, ours, theirs):
    print(f"Write to WAV, {os.path.getsize(text)} bytes of English, median of 3 runs")
    print(f"{'voice':28} {'ours s':>8} {'tool s':>8} {'ratio':>6}")
    for tool_voice, our_voice in FLITE + ESPEAK:
        if our_voice not in names:
            continue
        sapi = "sapi4" if (tool_voice, our_voice) in FLITE else "sapi5"
        # Ours: from StartJob to the end of the job, as the driver reports it;
        # the program's start-up (probing every voice) is not part of writing.
        ours_s = statistics.median(
            float(b.run([bench, "write", sapi, our_voice, text, ours])[2].split()[0]) / 1000
            for _ in range(3))
        if sapi == "sapi4":
            tool = ["flite", "-voice", tool_voice, "-f", text, "-o", theirs]
        else:
            tool = ["espeak-ng", "-v", tool_voice, "-f", text, "-w", theirs]
        tool_s = b.median_time(tool)
        print(f"{our_voice + ', ' + sapi.upper():28} {ours_s:8.2f} {tool_s:8.2f} {ours_s / tool_s:6.2f}")



def speak(bench, names, text, tmp):
    print("\nSpeak on a device that plays in real time: first audio and stop latency (ms),"
          " median of 5 runs")
    alsa = {"ALSA_CONFIG_PATH": b.PACED_ALSA_CONF}
    for sapi, voice in [("sapi4", "Kal (flite)"), ("sapi4", "SLT"), ("sapi5", "English (America)")]:
        if voice not in names:
            continue
        capture = os.path.join(tmp, "capture.raw")
        env = {**alsa, "VOCALITH_ALSA_CAPTURE": capture}
        firsts, stops = [], []
        for _ in range(5):
            out = b.run([bench, "speak", sapi, voice, text, capture], env)[2].split()
            firsts.append(float(out[0]))
            stops.append(float(out[1]))
        print(f"{voice + ', ' + sapi.upper():28} first audio {statistics.median(firsts):7.1f}"
              f"   stop {statistics.median(stops):7.1f}")


def memory(bench, names, ours, tmp):
    big = os.path.join(tmp, "big.txt")
    with open(big, "w") as f:
        f.write(b.english_text(1024 * 1024))
    small = os.path.join(tmp, "small.txt")
    with open(small, "w") as f:
        f.write(b.english_text(2 * 1024))
    print("\nPeak memory writing a WAV (resident kB)")
    for sapi, voice in [("sapi4", "Kal (flite)"), ("sapi5", "English (America)")]:
        if voice not in names:
            continue
        rss_small = b.run([bench, "write", sapi, voice, small, ours])[1]
        rss_big = b.run([bench, "write", sapi, voice, big, ours])[1]
        print(f"{voice + ', ' + sapi.upper():28} 2 kB text {rss_small:8d}   1 MB text {rss_big:8d}")


def usage(cmd, env=None):
    """One run: (wall s, CPU s (user + system, with the children it reaped),
    peak resident kB, stdout)."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            env={**os.environ, **(env or {})})
    out = proc.stdout.read()
    _, status, ru = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {' '.join(cmd)}")
    return time.perf_counter() - start, ru.ru_utime + ru.ru_stime, ru.ru_maxrss, out.decode()


def flite(bench, names, text, ours, theirs, voices, runs, only=None):
    """Whole-process wall and CPU time (ours includes its start-up, which probes
    every voice), medians over rounds that run each contender once in turn, so
    that they share the machine's load."""
    cores = len(os.sched_getaffinity(0))
    print(f"\nWrite to WAV with flite, {os.path.getsize(text)} bytes of English, {cores} cores,"
          f" median of {runs} round(s); load average before: {os.getloadavg()[0]:.2f}")
    print(f"{'voice':12} {'contender':22} {'wall s':>8} {'CPU s':>8} {'CPU/wall':>8}"
          f" {'peak MB':>8} {'ratio':>6}")
    for tool_voice, our_voice in voices:
        if our_voice not in names:
            continue
        contenders = [
            ("flite -o", ["flite", "-voice", tool_voice, "-f", text, "-o", theirs]),
            ("ours, 1 thread", [bench, "write", "sapi4", our_voice, text, ours, "1"]),
            ("ours, all cores", [bench, "write", "sapi4", our_voice, text, ours]),
            ("ours, taskset 1 core", ["taskset", "-c", "0", bench, "write", "sapi4", our_voice,
                                      text, ours]),
        ]
        contenders = [c for c in contenders if not only or c[0] in only]
        results = {name: [] for name, _ in contenders}
        for _ in range(runs):
            for name, cmd in contenders:
                results[name].append(usage(cmd)[:3])
        tool_wall = statistics.median(r[0] for r in results["flite -o"])
        for name, _ in contenders:
            wall = statistics.median(r[0] for r in results[name])
            cpu = statistics.median(r[1] for r in results[name])
            peak = max(r[2] for r in results[name]) / 1024
            print(f"{our_voice:12} {name:22} {wall:8.2f} {cpu:8.2f} {cpu / wall:8.2f}"
                  f" {peak:8.1f} {wall / tool_wall:6.2f}")
    print(f"load average after: {os.getloadavg()[0]:.2f}")


def espeak(bench, text, ours, theirs, runs, only=None):
    """As flite(), for English (America): the helpers' CPU time counts in ours
    (they are reaped), their peak memory is the largest one's."""
    cores = len(os.sched_getaffinity(0))
    print(f"\nWrite to WAV with espeak-ng, {os.path.getsize(text)} bytes of English, {cores} cores,"
          f" median of {runs} round(s); load average before: {os.getloadavg()[0]:.2f}")
    print(f"{'contender':22} {'wall s':>8} {'CPU s':>8} {'CPU/wall':>8} {'peak MB':>8}"
          f" {'helper MB':>9} {'ratio':>6}")
    write = [bench, "write", "sapi5", "English (America)", text, ours]
    contenders = [
        ("espeak-ng -w", ["espeak-ng", "-v", "en-us", "-f", text, "-w", theirs], {}),
        ("ours, 1 process", write, {"VOCALITH_SYNTHESIS_PROCESSES": "1"}),
        ("ours, all cores", write, {}),
        ("ours, taskset 1 core", ["taskset", "-c", "0", *write], {}),
    ]
    contenders = [c for c in contenders if not only or c[0] in only]
    results = {name: [] for name, _, _ in contenders}
    for _ in range(runs):
        for name, cmd, env in contenders:
            results[name].append(usage(cmd, env))
    tool_wall = statistics.median(r[0] for r in results["espeak-ng -w"])
    for name, _, _ in contenders:
        rs = results[name]
        wall = statistics.median(r[0] for r in rs)
        cpu = statistics.median(r[1] for r in rs)
        peak = max(r[2] for r in rs) / 1024
        helper = max(int(r[3].split()[1]) if r[3].strip() else 0 for r in rs) / 1024
        print(f"{name:22} {wall:8.2f} {cpu:8.2f} {cpu / wall:8.2f} {peak:8.1f} {helper:9.1f}"
              f" {wall / tool_wall:6.2f}")
    print(f"load average after: {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
