#!/usr/bin/env python3
"""Checks symbol files against the faults a game's build would meet.

    check_symbol_faults.py PSGC

- Two files of one run that are one file through a link (or a hard link)
  are refused before anything is written.
- Symbol files of one base name in two directories, or whose names differ
  only in what a guard cannot spell, are included together by a real cc65
  and ca65 build: each keeps its own include guard.
- Hostile output names (a newline, "/*") stay inside the comment of every
  format: ca65 and cc65 read the files without an error or a warning, and
  the equates file of -sfx refuses such a name before writing anything.
"""
import os
import shutil
import subprocess
import sys
import tempfile

EFFECTS = "tick\n{\n{\nend\n}\n}\n"
EVIL = 'x\n.include "evil.i"\n;'
failures = []


def run(psgc, args, cwd):
    return subprocess.run([psgc] + args, cwd=cwd, capture_output=True, text=True)


def expect(cond, what):
    if not cond:
        failures.append(what)


def tool(argv, cwd, what):
    p = subprocess.run(argv, cwd=cwd, capture_output=True, text=True)
    expect(p.returncode == 0 and "arning" not in p.stdout + p.stderr,
           f"{what}: {' '.join(argv)}: exit {p.returncode}\n{p.stdout}{p.stderr}")


def one_file_through_links(psgc, d):
    with open(os.path.join(d, "s1.mus"), "wb") as f:
        f.write(b"MUS")
    share = "ERROR- Two symbol files would share the name : songs.inc\n"
    cases = [
        ("a link to a file not made yet", "symlink", "s.h", ["c=s.h", "ca65=songs.inc"], share),
        ("a hard link", "link", "s.h", ["c=s.h", "ca65=songs.inc"], share),
        ("a link to the output", "symlink", "songs.trk", ["ca65=songs.inc"],
         "ERROR- Symbol file would replace the output : songs.inc\n"),
    ]
    for what, kind, target, symbols, want in cases:
        if kind == "link":
            open(os.path.join(d, target), "w").close()
            os.link(os.path.join(d, target), os.path.join(d, "songs.inc"))
        else:
            os.symlink(target, os.path.join(d, "songs.inc"))
        before = sorted(os.listdir(d))
        args = [a for s in symbols for a in ("--symbols", s)] + ["-pak", "songs.trk", "s1.mus"]
        p = run(psgc, args, d)
        expect(p.returncode == 1 and p.stderr == want and sorted(os.listdir(d)) == before,
               f"{what}: exit {p.returncode}, {p.stderr!r}, files {sorted(os.listdir(d))}")
        for name in ("songs.inc", target):
            if os.path.lexists(os.path.join(d, name)):
                os.unlink(os.path.join(d, name))


def guards_together(psgc, d):
    # Pairs of symbol files that the old guards (the base name) confused.
    long = "l" * 58
    pairs = [("sfx/level1", "music/level1"), ("a-b", "a_b"), (long + "_one", long + "_two")]
    os.makedirs(os.path.join(d, "sfx"))
    os.makedirs(os.path.join(d, "music"))
    symbols = []
    for k, (first, second) in enumerate(pairs):
        for base, song in ((first, f"first{k}"), (second, f"second{k}")):
            with open(os.path.join(d, song + ".mus"), "wb") as f:
                f.write(b"MUS")
            p = run(psgc, ["-q", "--symbols", f"c={base}.h", "--symbols", f"ca65={base}.inc",
                           "-pak", base + ".trk", song + ".mus"], d)
            expect(p.returncode == 0, f"symbols for {base}: {p.stderr}")
            symbols.append((base, "SONG_" + song))
    with open(os.path.join(d, "main.c"), "w") as f:
        for base, _ in symbols:
            f.write(f'#include "{base}.h"\n#include "{base}.h"\n')
        f.write("unsigned char touched;\nconst unsigned char songs[] = {\n")
        f.write("".join(f"  {name},\n" for _, name in symbols) + "};\n")
        f.write("int main(void) {\n  touched = songs[0];\n  return touched;\n}\n")
    with open(os.path.join(d, "songs.s"), "w") as f:
        for base, _ in symbols:
            f.write(f'.include "{base}.inc"\n.include "{base}.inc"\n')
        f.write('.segment "RODATA"\n' + "".join(f".byte {name}\n" for _, name in symbols))
    tool(["cl65", "-t", "pce", "-o", "prog.pce", "main.c", "songs.s"], d,
         "headers of one base name included together")


def hostile_names(psgc, d):
    with open(os.path.join(d, "fx.txt"), "w") as f:
        f.write(EFFECTS)
    with open(os.path.join(d, "s.mus"), "wb") as f:
        f.write(b"MUS")
    # The equates file must name the output as given: refused, nothing written.
    before = sorted(os.listdir(d))
    want = ("ERROR- Can't write to destination file : x\\n.include \"evil.i\"\\n;.sfx "
            "(a control character in the name)\n")
    for extra in ([], ["--symbols", "wla", "--symbols", "c"]):
        p = run(psgc, extra + ["-sfx", EVIL + ".sfx", "fx.txt"], d)
        expect(p.returncode == 1 and p.stderr == want and sorted(os.listdir(d)) == before,
               f"-sfx {extra} with a newline in the output name: exit {p.returncode}, {p.stderr!r}")
    # Every other file keeps the name inside its comment.
    formats = [("wla", "w.equ"), ("pceas", "p.inc"), ("ca65", "c.inc"), ("c", "c.h")]
    args = [a for fmt, name in formats for a in ("--symbols", f"{fmt}={name}")]
    p = run(psgc, ["-q"] + args + ["-pak", EVIL + ".trk", "s.mus"], d)
    expect(p.returncode == 0, f"-pak with a newline in the output name: {p.stderr}")
    for fmt, name in formats:
        with open(os.path.join(d, name)) as f:
            lines = f.read().split("\n")
        expect(not any(".include" in line and not line.startswith((";", "/*")) for line in lines),
               f"{fmt}: a line of the output name escaped its comment: {lines[:3]}")
    # A "/*" in a path is no comment inside the C header's comment.
    os.makedirs(os.path.join(d, "d", "*"))
    p = run(psgc, ["-q", "--symbols", "c=star.h", "-pak", "d/*/songs.trk", "s.mus"], d)
    expect(p.returncode == 0, f"-pak d/*/songs.trk: {p.stderr}")
    with open(os.path.join(d, "main.c"), "w") as f:
        f.write('#include "c.h"\n#include "star.h"\nunsigned char touched;\n'
                "int main(void) {\n  touched = SONG_s;\n  return touched;\n}\n")
    with open(os.path.join(d, "songs.s"), "w") as f:
        f.write('.include "c.inc"\n.segment "RODATA"\n.byte SONG_s\n')
    tool(["cl65", "-t", "pce", "-o", "prog.pce", "main.c", "songs.s"], d, "hostile names in comments")


def main():
    psgc = os.path.abspath(sys.argv[1])
    for name in ("cl65", "ca65", "cc65", "ld65"):
        if shutil.which(name) is None:
            raise SystemExit(f"{name} not found: run tools/install-deps --test (Debian package cc65)")
    for check in (one_file_through_links, guards_together, hostile_names):
        with tempfile.TemporaryDirectory(prefix="psgc-symfaults-") as d:
            check(psgc, d)
    if failures:
        print("\n".join(failures))
        return 1
    print("links refused, guards apart, hostile names kept in their comments")
    return 0


if __name__ == "__main__":
    sys.exit(main())
