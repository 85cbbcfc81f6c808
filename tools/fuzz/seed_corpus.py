#!/usr/bin/env python3
"""Seeds the fuzz corpora from the golden cases and the bundled examples.

fuzz_mus takes an instrument script and one to six channel scripts joined
by the separator line "@@"; fuzz_packs takes sources joined by "|";
fuzz_audio takes one audio file: the golden cases' audio sources and, with
--audio-seeds PROGRAM, the small files that PROGRAM writes.

    seed_corpus.py CORPUS [--audio-seeds PROGRAM]"""
import glob
import hashlib
import os
import re
import shlex
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "golden"))
import run_golden  # noqa: E402

MUS_SEPARATOR = b"@@\n"
AUDIO_EXTENSIONS = (".wav", ".wave", ".aif", ".aiff", ".aifc", ".flac", ".ogg", ".oga", ".opus")
BIG = 1 << 20


def builds_big_output(sections):
    """Cases that lay out megabytes make slow seeds under the sanitizers."""
    for s in sections:
        if s.kind == "out" and (s.mode.startswith("prefix ") or s.mode.startswith("size ")):
            if int(s.mode.split()[1]) > BIG:
                return True
        if s.kind == "out" and s.name == "stderr" and any("Output too large" in l for l in s.lines):
            return True
        if s.kind == "out" and s.name == "stdout":
            for line in s.lines:
                size = re.search(r" is : (\d+) bytes", line)
                if size and int(size.group(1)) > BIG:
                    return True
    return False


def save(corpus, target, data):
    if len(data) > 65536:  # long inputs slow every mutation down
        return
    path = os.path.join(corpus, target)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, hashlib.sha1(data).hexdigest()), "wb") as f:
        f.write(data)


def is_audio(name):
    return name.lower().endswith(AUDIO_EXTENSIONS)


def save_audio_seeds(corpus, program):
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([program, tmp], check=True)
        for name in sorted(os.listdir(tmp)):
            save(corpus, "fuzz_audio", open(os.path.join(tmp, name), "rb").read())


def main():
    corpus = sys.argv[1]
    if len(sys.argv) == 4 and sys.argv[2] == "--audio-seeds":
        save_audio_seeds(corpus, sys.argv[3])
    root = os.path.join(os.path.dirname(__file__), "..", "..")
    for case in glob.glob(os.path.join(root, "tests", "golden", "**", "*.test"), recursive=True):
        run, _, sections = run_golden.parse_case(case)
        if builds_big_output(sections):
            continue
        files = {s.name: s for s in sections if s.kind == "in" and s.mode != "dir"}
        def data(name):
            sec = files.get(name)
            if sec is None or sec.mode.startswith("fill ") and int(sec.mode.split()[1]) > 65536:
                return None
            return run_golden.input_bytes(sec)
        args = shlex.split(run)[1:]
        while args and args[0] not in ("-sfx", "-mus", "-pak", "-pcm"):
            args.pop(0)  # leading options
        if len(args) < 3:
            continue
        sources = [d for d in (data(a.split("*")[0]) for a in args[2:]) if d is not None]
        if not sources:
            continue
        for a in args[2:]:
            if is_audio(a) and data(a) is not None:
                save(corpus, "fuzz_audio", data(a))
        if args[0] == "-sfx":
            save(corpus, "fuzz_sfx", sources[0])
        elif args[0] == "-mus":
            save(corpus, "fuzz_mus", MUS_SEPARATOR.join(sources))
        else:
            save(corpus, "fuzz_packs", b"|".join(sources))
        if args[0] in ("-sfx", "-mus"):
            for s in sources:
                save(corpus, "fuzz_literals", s)
    for path in glob.glob(os.path.join(root, "examples", "sfx", "*.txt")):
        save(corpus, "fuzz_sfx", open(path, "rb").read())
    for song in glob.glob(os.path.join(root, "examples", "music", "song*")):
        scripts = [os.path.join(root, "examples", "music", "instruments.txt")]
        scripts += sorted(glob.glob(os.path.join(song, "ch*.txt")))
        save(corpus, "fuzz_mus", MUS_SEPARATOR.join(open(p, "rb").read() for p in scripts))
    for target in ("fuzz_sfx", "fuzz_mus", "fuzz_literals", "fuzz_packs", "fuzz_audio"):
        os.makedirs(os.path.join(corpus, target), exist_ok=True)


if __name__ == "__main__":
    main()
