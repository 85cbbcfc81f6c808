#!/usr/bin/env python3
"""Audio sources are converted a block at a time: a 10-minute stereo WAV
packs in at most 16 MiB more memory than a 1-second one, with the right
length. The files are sparse (silence), so they cost no disk and little
time; their rate, twice 6992 Hz, keeps the resampler busy but cheap.

    audio_memory.py MEASURE PSGC WORK_DIR [--memory]

MEASURE is the benchmark's launcher (tools/bench/measure.cpp): a process
forked from Python would count the interpreter's memory as its own.

Peak memory is checked only with --memory (not under the sanitizers,
whose shadow memory would swamp it).
"""
import os
import struct
import subprocess
import sys

RATE = 13984
LIMIT = 16 * 2**20


def sparse_wav(path, seconds, channels=2):
    """A 16-bit WAV whose data is a hole in the file: silence."""
    data = RATE * seconds * channels * 2
    fmt = struct.pack("<HHIIHH", 1, channels, RATE, RATE * channels * 2, channels * 2, 16)
    header = (b"RIFF" + struct.pack("<I", 36 + data) + b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt +
              b"data" + struct.pack("<I", data))
    with open(path, "wb") as f:
        f.write(header)
        f.truncate(len(header) + data)


def run(measure, psgc, work, name, seconds):
    """Packs `seconds` of audio; returns (failure or None, peak resident bytes)."""
    wav = os.path.join(work, name)
    sparse_wav(wav, seconds)
    out = os.path.join(work, name + ".pcm")
    proc = subprocess.run([measure, psgc, "-q", "-pcm", out, wav], capture_output=True, text=True)
    _, peak_kib, code = proc.stdout.split()[-3:]
    code, stderr = int(code), proc.stderr
    os.unlink(wav)
    size = os.path.getsize(out) if os.path.exists(out) else -1
    want = 4 + 8 + seconds * 6992
    if code != 0 or size != want:
        return f"{name}: exit {code}, {size} bytes (want {want})\n{stderr}", 0
    return None, int(peak_kib) * 1024


def main():
    measure, psgc, work = sys.argv[1:4]
    check_memory = "--memory" in sys.argv[4:]
    os.makedirs(work, exist_ok=True)
    failures = []
    peaks = {}
    for name, seconds in (("small.wav", 1), ("long.wav", 600)):
        failure, peak = run(measure, psgc, work, name, seconds)
        if failure:
            failures.append(failure)
        peaks[name] = peak
    if not failures and check_memory and peaks["long.wav"] > peaks["small.wav"] + LIMIT:
        failures.append(f"10 minutes took {peaks['long.wav'] / 2**20:.1f} MiB, 1 second "
                        f"{peaks['small.wav'] / 2**20:.1f} MiB: more than 16 MiB apart")
    for f in failures:
        print("FAIL", f)
    if not failures:
        print(f"ok   10 minutes of stereo audio in {peaks['long.wav'] / 2**20:.1f} MiB "
              f"(1 second: {peaks['small.wav'] / 2**20:.1f} MiB)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
