#!/usr/bin/env python3
"""Compiles every bundled example as `make demo` does, with -Wall -Werror:
the examples are what users copy, so none may print a warning.

    check_examples.py PSGC EXAMPLES_DIR
"""
import glob
import os
import subprocess
import sys
import tempfile


def main():
    psgc, examples = sys.argv[1], sys.argv[2]
    instruments = os.path.join(examples, "music", "instruments.txt")
    with tempfile.TemporaryDirectory(prefix="psgc-examples-") as out:
        runs = [["-pcm", os.path.join(out, "drums.pcm")] +
                sorted(glob.glob(os.path.join(examples, "pcm", "*.raw")))]
        for script in sorted(glob.glob(os.path.join(examples, "sfx", "*.txt"))):
            runs.append(["-sfx", os.path.join(out, os.path.basename(script) + ".sfx"), script])
        songs = []
        for song in sorted(glob.glob(os.path.join(examples, "music", "song*"))):
            songs.append(os.path.join(out, os.path.basename(song) + ".mus"))
            runs.append(["-mus", songs[-1], instruments] +
                        sorted(glob.glob(os.path.join(song, "ch*.txt"))))
        runs.append(["-pak", os.path.join(out, "songs.trk")] + songs)
        failures = []
        for args in runs:
            proc = subprocess.run([psgc, "-q", "-Wall", "-Werror"] + args, capture_output=True)
            if proc.returncode != 0 or proc.stderr:
                failures.append(" ".join(args) + "\n" + proc.stderr.decode("utf-8", "replace"))
    sys.stdout.write("".join(failures) or f"{len(runs)} example runs without a warning\n")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
