#!/usr/bin/env python3
"""Makes the bundled drum samples, as an audio editor would export them:
kick.wav (22050 Hz, 16-bit, mono) and snare.wav (22050 Hz, 16-bit, stereo)
for psgc to decode and resample, and hat.raw, raw 8-bit unsigned PCM at the
console's 6992 Hz, which is packed as it is."""
import math
import random
import struct
import wave

CONSOLE_RATE = 6992
EDITOR_RATE = 22050


def write_wav(name, channels):
    """channels: one list of samples in -1 .. 1 per channel."""
    with wave.open(name, "wb") as f:
        f.setnchannels(len(channels))
        f.setsampwidth(2)
        f.setframerate(EDITOR_RATE)
        frames = bytearray()
        for frame in zip(*channels):
            for s in frame:
                frames += struct.pack("<h", max(-32768, min(32767, round(32767 * s))))
        f.writeframes(bytes(frames))


def write_raw(name, samples):
    with open(name, "wb") as f:
        f.write(bytes(max(0, min(255, round(128 + 127 * s))) for s in samples))


def kick(seconds=0.35, rate=EDITOR_RATE):
    out, phase = [], 0.0
    for i in range(int(rate * seconds)):
        t = i / rate
        freq = 40 + 110 * math.exp(-t * 25)  # a falling thump
        phase += 2 * math.pi * freq / rate
        out.append(0.9 * math.sin(phase) * math.exp(-t * 9))
    return out


def snare(seconds=0.25, rate=EDITOR_RATE):
    """The drum body sits left of centre, the rattle of the wires right."""
    rng = random.Random(6992)
    left, right = [], []
    for i in range(int(rate * seconds)):
        t = i / rate
        body = math.sin(2 * math.pi * 190 * t) * math.exp(-t * 30)
        noise = rng.uniform(-1, 1) * math.exp(-t * 14)
        left.append(0.6 * body + 0.3 * noise)
        right.append(0.2 * body + 0.7 * noise)
    return [left, right]


def hat(seconds=0.08, rate=CONSOLE_RATE):
    rng = random.Random(22050)
    return [0.5 * rng.uniform(-1, 1) * math.exp(-i / rate * 40) for i in range(int(rate * seconds))]


if __name__ == "__main__":
    write_wav("kick.wav", [kick()])
    write_wav("snare.wav", snare())
    write_raw("hat.raw", hat())
