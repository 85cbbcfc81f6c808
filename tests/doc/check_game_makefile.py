#!/usr/bin/env python3
"""Runs the README's Makefile for a small game on the bundled examples:
the sound effects, two songs, the track pack and the PCM pack are built
by GNU make with their C symbol files, and game.o is compiled by cc65's
cl65 against those headers, so the Makefile the README shows works as
written. Skipped (exit 0 with a line saying why) without make 4.3 or cl65.

    check_game_makefile.py PSGC SOURCE_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

GAME_C = """#include "sounds.h"
#include "songs.h"
#include "drums.h"
unsigned char song = SONG_level_1;
unsigned char effect = SFX_jump;
unsigned char priority = PRI_jump;
"""


def makefile_of(readme):
    text = open(readme, encoding="utf-8").read()
    match = re.search(r"## A Makefile for a small game.*?```make\n(.*?)```", text, re.S)
    if not match:
        sys.exit("FAIL: the README has no make block under 'A Makefile for a small game'")
    return match.group(1)


def lay_out_game(src, d):
    ex = os.path.join(src, "examples")
    shutil.copy(os.path.join(ex, "sfx", "effects.txt"), os.path.join(d, "sounds.txt"))
    os.makedirs(os.path.join(d, "music"))
    shutil.copy(os.path.join(ex, "music", "instruments.txt"), os.path.join(d, "music"))
    for song, name in (("song1", "title"), ("song2", "level-1")):
        shutil.copytree(os.path.join(ex, "music", song), os.path.join(d, "music", name))
    os.makedirs(os.path.join(d, "sounds"))
    for wav in ("kick.wav", "snare.wav"):
        shutil.copy(os.path.join(ex, "pcm", wav), os.path.join(d, "sounds"))
    with open(os.path.join(d, "game.c"), "w") as f:
        f.write(GAME_C)


def main():
    psgc, src = os.path.abspath(sys.argv[1]), sys.argv[2]
    if not shutil.which("make") or not shutil.which("cl65"):
        print("SKIP: the game Makefile needs make and cl65")
        return 0
    version = subprocess.run(["make", "--version"], capture_output=True, text=True).stdout
    found = re.search(r"GNU Make (\d+)\.(\d+)", version)
    if not found or (int(found.group(1)), int(found.group(2))) < (4, 3):
        print("SKIP: the game Makefile's grouped targets need GNU make 4.3")
        return 0
    with tempfile.TemporaryDirectory() as d:
        lay_out_game(src, d)
        with open(os.path.join(d, "Makefile"), "w") as f:
            f.write(makefile_of(os.path.join(src, "README.md")))
        run = subprocess.run(["make", "-s", f"PSGC={psgc} -q -Wall", "all", "game.o"], cwd=d,
                             capture_output=True, text=True)
        if run.returncode != 0 or run.stderr:
            print(f"FAIL: make exited {run.returncode}\n{run.stdout}{run.stderr}")
            return 1
        wanted = ["sounds.sfx", "sounds.h", "music/title.mus", "music/level-1.mus", "songs.trk",
                  "songs.h", "drums.pcm", "drums.h", "game.o"]
        missing = [name for name in wanted if not os.path.isfile(os.path.join(d, name))]
        if missing:
            print(f"FAIL: make did not build {', '.join(missing)}")
            return 1
        again = subprocess.run(["make", "-q", f"PSGC={psgc} -q -Wall", "all", "game.o"], cwd=d)
        if again.returncode != 0:
            print("FAIL: a second make would rebuild what the first built")
            return 1
    print("PASS: the README's game Makefile builds every target and game.o")
    return 0


if __name__ == "__main__":
    sys.exit(main())
