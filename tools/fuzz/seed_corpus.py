#!/usr/bin/env python3
"""Seeds the fuzz corpora from the golden cases and the bundled examples.

fuzz_mus takes an instrument script and one to six channel scripts joined
by the separator line "@@"; fuzz_packs takes an output byte and source
records (see tests/fuzz/fuzz_packs.cpp): small golden sources become memory
files, and a few seeds reach each kind of source and each limit;
fuzz_dump takes one binary: every binary a case expects psgc to write and
every binary a --dump case reads; fuzz_audio takes one audio file: the
golden cases' audio sources and, with --audio-seeds PROGRAM, the small
files that PROGRAM writes.

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


# Source records of fuzz_packs: a kind, plus a parameter times 8.
PACK_SEEDS = [
    b"\0\x01\x03abc\x00\x02\x80\xff",                  # a pipe and a memory file
    b"\0" + bytes([2 | 1 << 3]),                          # a PCM stream of exactly 8 MiB
    b"\0" + bytes([2 | 2 << 3]),                          # one byte more
    b"\0" + bytes([2 | 3 << 3]),                          # the largest song
    b"\0" + bytes([2 | 4 << 3]),                          # one byte more
    b"\0\x03",                                            # /dev/zero
    b"\x01\x04\x05",                                      # /dev/null, a short file
    b"\x02\x00\x01\x41",                                  # /dev/full
    b"\0\x00\x00" + bytes([6 | 31 << 3]),                 # 257 empty sources
    b"\0" + b"\x00\x00" * 7 + bytes([6 | 30 << 3]),        # 255 sources
    b"\0" + b"\x00\x00" * 8 + bytes([6 | 30 << 3]),        # 256 sources
    b"\0" + bytes([7 | 1 << 3]) + b"\x80" + bytes([7]) + b"\x7f",  # crossing 0x2000
]


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
        run, _, sections, _ = run_golden.parse_case(case)
        if builds_big_output(sections):
            continue
        for s in sections:
            if s.mode == "hex" and (s.kind == "out" or "--dump" in run):
                binary = run_golden.parse_hex(s.lines)
                if binary[:3] in (b"SFX", b"MUS", b"TRK", b"PCM"):
                    save(corpus, "fuzz_dump", binary)
        if "--dump" in run:
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
        elif all(len(src) < 256 for src in sources):
            save(corpus, "fuzz_packs", b"\0" + b"".join(bytes([0, len(src)]) + src for src in sources))
        if args[0] in ("-sfx", "-mus"):
            for s in sources:
                save(corpus, "fuzz_literals", s)
    for path in glob.glob(os.path.join(root, "examples", "sfx", "*.txt")):
        save(corpus, "fuzz_sfx", open(path, "rb").read())
    for song in glob.glob(os.path.join(root, "examples", "music", "song*")):
        scripts = [os.path.join(root, "examples", "music", "instruments.txt")]
        scripts += sorted(glob.glob(os.path.join(song, "ch*.txt")))
        save(corpus, "fuzz_mus", MUS_SEPARATOR.join(open(p, "rb").read() for p in scripts))
    for seed in PACK_SEEDS:
        save(corpus, "fuzz_packs", seed)
    for target in ("fuzz_sfx", "fuzz_mus", "fuzz_literals", "fuzz_packs", "fuzz_dump", "fuzz_audio"):
        os.makedirs(os.path.join(corpus, target), exist_ok=True)


if __name__ == "__main__":
    main()
