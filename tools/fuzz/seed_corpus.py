#!/usr/bin/env python3
"""Seeds the fuzz corpora from the golden cases and the bundled examples.

fuzz_mus takes an instrument script and one to six channel scripts joined
by the separator line "@@"; fuzz_packs takes sources joined by "|";
fuzz_dump takes one binary: every binary a case expects psgc to write and
every binary a --dump case reads."""
import glob
import hashlib
import os
import re
import shlex
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "golden"))
import run_golden  # noqa: E402

MUS_SEPARATOR = b"@@\n"
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


def main():
    corpus = sys.argv[1]
    root = os.path.join(os.path.dirname(__file__), "..", "..")
    for case in glob.glob(os.path.join(root, "tests", "golden", "**", "*.test"), recursive=True):
        run, _, sections = run_golden.parse_case(case)
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
        if len(args) < 3:
            continue
        sources = [d for d in (data(a.split("*")[0]) for a in args[2:]) if d is not None]
        if not sources:
            continue
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
    for target in ("fuzz_sfx", "fuzz_mus", "fuzz_literals", "fuzz_packs", "fuzz_dump"):
        os.makedirs(os.path.join(corpus, target), exist_ok=True)


if __name__ == "__main__":
    main()
