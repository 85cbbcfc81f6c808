#!/usr/bin/env python3
"""Makes the two bundled drum samples: raw 8-bit unsigned PCM at 6992 Hz."""
import math
import random

RATE = 6992


def write(name, samples):
    with open(name, "wb") as f:
        f.write(bytes(max(0, min(255, round(128 + 127 * s))) for s in samples))


def kick(seconds=0.35):
    out, phase = [], 0.0
    for i in range(int(RATE * seconds)):
        t = i / RATE
        freq = 40 + 110 * math.exp(-t * 25)  # a falling thump
        phase += 2 * math.pi * freq / RATE
        out.append(math.sin(phase) * math.exp(-t * 9))
    return out


def snare(seconds=0.25):
    rng = random.Random(6992)
    out = []
    for i in range(int(RATE * seconds)):
        t = i / RATE
        body = math.sin(2 * math.pi * 190 * t) * math.exp(-t * 30)
        noise = rng.uniform(-1, 1) * math.exp(-t * 14)
        out.append(0.4 * body + 0.6 * noise)
    return out


if __name__ == "__main__":
    write("kick.raw", kick())
    write("snare.raw", snare())
