#!/usr/bin/env python3
"""Speech benchmarks, in one run on the same text:
- our Write-to-WAV path (StartJob, worker, engine, runtime) against `flite -o`
  and `espeak-ng -w` for the same voices at their native formats, as ratios;
- time to first audio of Speak and the stop latency (through ALSA's file plugin
  in front of the tests' device that plays in real time);
- peak memory writing a 1 MB text."""

import os
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import benchlib as b

FLITE = [("kal", "Kal (flite)"), ("kal16", "Kal 16 kHz"), ("awb", "AWB"), ("rms", "RMS"),
         ("slt", "SLT")]
ESPEAK = [("en-us", "English (America)"), ("en", "English (Great Britain)"), ("de", "German")]


def main():
    # Sections to run: any of write, speak, memory (default: all three).
    sections = set(sys.argv[1:]) or {"write", "speak", "memory"}
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
            float(b.run([bench, "write", sapi, our_voice, text, ours])[2]) / 1000 for _ in range(3))
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


if __name__ == "__main__":
    main()
