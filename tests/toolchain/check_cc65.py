#!/usr/bin/env python3
"""Checks psgc's ca65 and C symbol files with the real cc65 toolchain.

    check_cc65.py PSGC

psgc writes symbol files for 255 sound effects, a track pack and a PCM
pack; a tiny PC-Engine program (cl65 -t pce) includes every C header and
every ca65 file twice and stores each symbol's value after a marker. The
check finds the markers in the built image and compares every value with
the effect's number or priority, or the song's or stream's index.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

C_MARK = b"PSGC-C-VALUES"
ASM_MARK = b"PSGC-ASM-VALUES"
# At the C limit: SFX_ and 59 characters. ca65 has no limit.
C_LONGEST = "c" * 59
ASM_LONG = "a" * 400


def effects_script(labels):
    lines = []
    for i, label in enumerate(labels):
        lines += [f"{label} {i * 7 % 256}", "{", "  {", "    end", "  }", "}"]
    return "\n".join(lines) + "\n"


def run(argv, cwd):
    proc = subprocess.run(argv, cwd=cwd, capture_output=True, text=True)
    if proc.returncode != 0:
        raise SystemExit(f"failed: {' '.join(argv)}\n{proc.stdout}{proc.stderr}")


def defined_names(path, pattern):
    with open(path, encoding="ascii", newline="") as f:
        text = f.read()
    if "\r" in text:
        raise SystemExit(f"{path}: CR in a line end")
    return re.findall(pattern, text, re.M)


def main():
    psgc = os.path.abspath(sys.argv[1])
    for tool in ("cl65", "ca65", "cc65", "ld65"):
        if shutil.which(tool) is None:
            raise SystemExit(f"{tool} not found: run tools/install-deps --test (Debian package cc65)")
    with tempfile.TemporaryDirectory(prefix="psgc-cc65-") as work:
        labels = [f"fx_{i}" for i in range(254)] + [C_LONGEST]
        with open(os.path.join(work, "fx.txt"), "w") as f:
            f.write(effects_script(labels))
        with open(os.path.join(work, "long.txt"), "w") as f:
            f.write(effects_script([ASM_LONG]))
        songs = ["title.mus", "level-1.mus", "boss fight.mus"]
        streams = ["kick.raw", "snare.raw"]
        os.makedirs(os.path.join(work, "music"))
        for name in songs:
            with open(os.path.join(work, "music", name), "wb") as f:
                f.write(b"\x00\x00")
        for name in streams:
            with open(os.path.join(work, name), "wb") as f:
                f.write(b"\x80" * 16)

        both = [psgc, "-q", "--symbols", "c", "--symbols", "ca65"]
        run(both + ["-sfx", "fx.sfx", "fx.txt"], work)
        run(both + ["-pak", "songs.trk"] + [f"music/{s}" for s in songs], work)
        run(both + ["-pcm", "drums.pcm"] + streams, work)
        run([psgc, "-q", "--symbols", "ca65", "-sfx", "long.sfx", "long.txt"], work)

        expected = {}
        for i, label in enumerate(labels):
            expected[f"SFX_{label}"] = i
            expected[f"PRI_{label}"] = i * 7 % 256
        for i, name in enumerate(songs):
            expected["SONG_" + re.sub(r"[^A-Za-z0-9_]", "_", name[:-4])] = i
        for i, name in enumerate(streams):
            expected["PCM_" + name[:-4]] = i
        asm_expected = dict(expected, **{f"SFX_{ASM_LONG}": 0, f"PRI_{ASM_LONG}": 0})

        # Each file defines exactly the expected names, no more.
        c_names = []
        for h in ("fx.h", "songs.h", "drums.h"):
            c_names += [n for n in defined_names(os.path.join(work, h), r"^#define (\w+) \d+$")]
        asm_names = []
        for inc in ("fx.inc", "songs.inc", "drums.inc", "long.inc"):
            names = defined_names(os.path.join(work, inc), r"^(\w+) = \d+$")
            asm_names += [n for n in names if not n.startswith("PSGC_")]  # the include guard
        if sorted(c_names) != sorted(expected):
            raise SystemExit("the C headers do not define exactly the expected symbols")
        if sorted(asm_names) != sorted(asm_expected):
            raise SystemExit("the ca65 files do not define exactly the expected symbols")

        c_order = sorted(expected)
        asm_order = sorted(asm_expected)
        with open(os.path.join(work, "main.c"), "w") as f:
            for h in ("fx.h", "songs.h", "drums.h"):
                f.write(f'#include "{h}"\n#include "{h}"\n')
            # cl65 -t pce cannot link a program whose BSS is empty.
            f.write("unsigned char touched;\n")
            # One object, so that the values follow the mark and its NUL.
            f.write("const struct {\n  unsigned char mark[%d];\n  unsigned int values[%d];\n} c_values = {\n"
                    % (len(C_MARK) + 1, len(c_order)))
            f.write(f'  "{C_MARK.decode()}",\n  {{\n')
            f.write("".join(f"    {name},\n" for name in c_order))
            f.write("  }\n};\n")
            f.write("extern const unsigned char asm_values[];\n")
            f.write("int main(void) {\n  touched = c_values.mark[0] + c_values.values[0] + asm_values[0];\n"
                    "  return touched;\n}\n")
        with open(os.path.join(work, "values.s"), "w") as f:
            for inc in ("fx.inc", "songs.inc", "drums.inc", "long.inc"):
                f.write(f'.include "{inc}"\n.include "{inc}"\n')
            f.write('.export _asm_values\n.segment "RODATA"\n_asm_values:\n')
            f.write(f'.byte "{ASM_MARK.decode()}"\n')
            f.write("".join(f".word {name}\n" for name in asm_order))
        run(["cl65", "-t", "pce", "-o", "prog.pce", "main.c", "values.s"], work)
        with open(os.path.join(work, "prog.pce"), "rb") as f:
            image = f.read()

        failures = []
        for mark, order, values, skip in ((C_MARK, c_order, expected, 1),
                                          (ASM_MARK, asm_order, asm_expected, 0)):
            at = image.find(mark)
            if at < 0:
                failures.append(f"{mark.decode()} not found in the image")
                continue
            at += len(mark) + skip
            for k, name in enumerate(order):
                got = image[at + 2 * k] | image[at + 2 * k + 1] << 8
                if got != values[name]:
                    failures.append(f"{mark.decode()}: {name[:40]} is {got}, expected {values[name]}")
        if failures:
            raise SystemExit("\n".join(failures))
        print(f"cc65 and ca65 read {len(c_order)} C and {len(asm_order)} ca65 symbols with their values")
    return 0


if __name__ == "__main__":
    sys.exit(main())
