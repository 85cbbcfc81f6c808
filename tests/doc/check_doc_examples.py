#!/usr/bin/env python3
"""Runs the examples of the README and doc/*.md, so that the documents
cannot drift from the program.

    check_doc_examples.py PSGC SOURCE_DIR

Each document runs in a directory of its own that holds the bundled
examples (as examples/). In document order:
- a fenced block whose first line is a comment naming a script
  (`; ch0.txt` or `; ch0.txt: what it is`) is written to that file;
- a `console` block is a session: each `$ ` line is run (psgc or cat
  only, its words split and globbed as a shell would), and its standard
  output and error, as a terminal shows them, must be the lines that
  follow it (blanks at line ends aside); the exit status must be 1 when they hold an
  "ERROR- " line and 0 otherwise.
A psgc command line in any other fenced block fails the check: it would
not be run. doc/scripts.md's noise-note table is checked against the
periods psgc writes.
"""
import glob
import os
import re
import shlex
import subprocess
import sys
import tempfile

SCRIPT_NAME = re.compile(r"^; ([A-Za-z0-9_.-]+\.txt)\b")
NOTE_NAMES = ["c.", "cs", "d.", "ds", "e.", "f.", "fs", "g.", "gs", "a.", "as", "b."]


def fenced_blocks(text):
    """(info string, lines, line number of the opening fence) per block."""
    blocks, lines, info, start = [], None, "", 0
    for number, line in enumerate(text.split("\n"), 1):
        if line.startswith("```"):
            if lines is None:
                lines, info, start = [], line[3:].strip(), number
            else:
                blocks.append((info, lines, start))
                lines = None
        elif lines is not None:
            lines.append(line)
    return blocks


def session(lines):
    """The commands of a console block, each with its expected lines."""
    runs = []
    for line in lines:
        if line.startswith("$ "):
            runs.append((line[2:], []))
        elif runs:
            runs[-1][1].append(line)
    return runs


def run_document(path, psgc, examples):
    failures = []
    name = os.path.relpath(path)
    with open(path, encoding="utf-8") as f:
        blocks = fenced_blocks(f.read())
    with tempfile.TemporaryDirectory(prefix="psgc-doc-") as work:
        os.symlink(examples, os.path.join(work, "examples"))
        checked = 0
        for info, lines, start in blocks:
            where = f"{name}:{start}"
            match = SCRIPT_NAME.match(lines[0]) if lines else None
            if match and info == "":
                with open(os.path.join(work, match.group(1)), "w", encoding="utf-8") as f:
                    f.write("\n".join(lines) + "\n")
                continue
            if info != "console":
                if any(re.match(r"(\$ )?psgc ", l) for l in lines):
                    failures.append(f"{where}: a psgc command outside a console block is not checked")
                continue
            for command, expected in session(lines):
                argv = []
                for word in shlex.split(command):  # the shell's globbing, sorted
                    found = sorted(glob.glob(word, root_dir=work)) if any(c in word for c in "*?[") else []
                    argv += found or [word]
                if argv[0] not in ("psgc", "cat"):
                    failures.append(f"{where}: only psgc and cat run here: {command}")
                    continue
                if argv[0] == "psgc":
                    argv[0] = psgc
                proc = subprocess.run(argv, cwd=work, stdout=subprocess.PIPE,
                                      stderr=subprocess.STDOUT, env=dict(os.environ, LC_ALL="C"))
                got = [l.rstrip() for l in proc.stdout.decode("utf-8", "replace").split("\n")]
                want = [l.rstrip() for l in expected]
                while got and got[-1] == "":
                    got.pop()
                while want and want[-1] == "":
                    want.pop()
                status = 1 if any(l.startswith("ERROR- ") for l in want) else 0
                checked += 1
                if got != want or proc.returncode != status:
                    failures.append(f"{where}: $ {command}\n  exit {proc.returncode}, expected {status}\n"
                                    + "".join(f"  got : {l}\n" for l in got)
                                    + "".join(f"  want: {l}\n" for l in want))
    return checked, failures


def check_noise_table(path, psgc):
    """The table's periods are the ones psgc gives the notes at tuning 32."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    part = text[text.index("## Noise notes"):]
    rows = re.findall(r"^\| (\d+) \|((?: \d+ \|){12})$", part, re.M)
    if not rows:
        return ["doc/scripts.md: no noise-note table found"]
    notes, shown = [], []
    for octave, cells in rows:
        for name, cell in zip(NOTE_NAMES, cells.split("|")):
            notes.append(f"{name}{octave}")
            shown.append(int(cell))
    with tempfile.TemporaryDirectory(prefix="psgc-noise-") as work:
        def write(file, text):
            with open(os.path.join(work, file), "w") as f:
                f.write(text)
        write("inst.txt", "hiss\n  noise\n  tuning 32\n{\n  end\n}\n")
        write("none.txt", "")
        write("ch4.txt", "all 1\n{\n  using hiss\n" + "".join(f"  {n} 1\n" for n in notes) + "  end\n}\n")
        subprocess.run([psgc, "-q", "-mus", "n.mus", "inst.txt"] + ["none.txt"] * 4 + ["ch4.txt"],
                       cwd=work, check=True)
        listing = subprocess.run([psgc, "--dump", "n.mus"], cwd=work, check=True,
                                 capture_output=True, text=True).stdout
    got = [int(p) for p in re.findall(r"note 0 (\d+) 1", listing)]
    if got != shown:
        return [f"doc/scripts.md: noise table {shown}\n  psgc gives {got}"]
    return []


def main():
    psgc, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    documents = [os.path.join(source, "README.md")] + sorted(glob.glob(os.path.join(source, "doc", "*.md")))
    failures, checked = [], 0
    for path in documents:
        count, found = run_document(path, psgc, os.path.join(source, "examples"))
        checked += count
        failures += found
    failures += check_noise_table(os.path.join(source, "doc", "scripts.md"), psgc)
    for f in failures:
        print("FAIL " + f)
    if not failures:
        print(f"{checked} commands of {len(documents)} documents give the output shown")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
