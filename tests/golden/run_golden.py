#!/usr/bin/env python3
r"""Runs golden command-line cases of psgc and compares every result.

    run_golden.py --psgc PATH [--with-option OPT] CASE.test [CASE.test ...]

Cases run side by side in one process; each is reported by name as PASS or
FAIL (with a diff), and the exit status is 1 when any failed.

A case file holds, in order:
  # free comment lines, then the command:
  # RUN: psgc -pak out.trk a.mus b.mus      (NAME*N repeats an argument N times)
  # FSIZE: 100                              (optional: file size limit, SIGXFSZ ignored)
  #--- a.mus (hex)                          input files: text, (hex), (dir),
  ...                                       (fill N XX): N bytes XX,
                                            (ramp N): bytes 0, 1, 2, ... (mod 256),
                                            (escaped): lines joined with no line
                                              ends, \n \r \0 \\ \xHH expanded,
                                            (repeat N): the text N times, {i}
                                              replaced by 0..N-1,
                                            (symlink TARGET), (hardlink TARGET)
                                            Several sections with one name are
                                            joined into one file, in order.
  #>>> stdout                               expected standard output (default: empty)
  #>>> stderr                               expected standard error (default: empty)
  #>>> exit 1                               expected exit status (default: 0)
  #>>> out.trk (hex)                        expected file: text, (hex), (absent),
                                            (unchanged), (size N), (sha256 X),
                                            (prefix N: hex first bytes, N bytes in all)
--with-option puts OPT before the command's first argument and leaves out
the "WARNING- " lines of standard error (expected and actual): with -Wall
every case must still match, as a warning changes nothing else.

Every file left in the case's directory must be an input or an expected file,
so a stray temporary or unexpected output fails the case. Inputs that are not
named as expected files must be unchanged.
"""
import argparse
import concurrent.futures
import difflib
import hashlib
import os
import shlex
import subprocess
import sys
import tempfile


def parse_hex(lines):
    return bytes(int(tok, 16) for line in lines for tok in line.split())


class Section:
    def __init__(self, kind, name, mode):
        self.kind, self.name, self.mode, self.lines = kind, name, mode, []

    def text(self):
        return "".join(line + "\n" for line in self.lines)


def parse_case(path):
    run, fsize, comments, sections = None, None, [], []
    current = None
    with open(path, encoding="utf-8", newline="\n") as f:
        raw = f.read()
    lines = raw.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for line in lines:
        if line.startswith("#--- ") or line.startswith("#>>> "):
            kind = "in" if line.startswith("#---") else "out"
            head = line[5:].strip()
            mode = ""
            if head.endswith(")") and " (" in head:
                head, mode = head[: head.rindex(" (")], head[head.rindex(" (") + 2 : -1]
            current = Section(kind, head, mode)
            sections.append(current)
        elif current is not None:
            current.lines.append(line)
        elif line.startswith("# RUN:"):
            run = line[len("# RUN:"):].strip()
        elif line.startswith("# FSIZE:"):
            fsize = int(line[len("# FSIZE:"):].strip())
        else:
            comments.append(line)
    if run is None:
        raise SystemExit(f"{path}: no '# RUN:' line")
    return run, fsize, sections


def input_bytes(sec):
    if sec.mode == "hex":
        return parse_hex(sec.lines)
    if sec.mode.startswith("fill "):
        _, count, value = sec.mode.split()
        return bytes([int(value, 16)]) * int(count)
    if sec.mode.startswith("ramp "):
        return bytes(i & 0xFF for i in range(int(sec.mode.split()[1])))
    if sec.mode == "escaped":
        return unescape("".join(sec.lines))
    if sec.mode.startswith("repeat "):
        text = sec.text()
        return "".join(text.replace("{i}", str(i))
                       for i in range(int(sec.mode.split()[1]))).encode("utf-8")
    if sec.mode == "":
        return sec.text().encode("utf-8")
    raise SystemExit(f"unknown input mode: {sec.mode}")


def unescape(text):
    out, i = bytearray(), 0
    simple = {"n": 10, "r": 13, "0": 0, "\\": 92}
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text) and text[i + 1] in simple:
            out.append(simple[text[i + 1]])
            i += 2
        elif c == "\\" and text[i + 1:i + 2] == "x":
            out.append(int(text[i + 2:i + 4], 16))
            i += 4
        else:
            out += c.encode("utf-8")
            i += 1
    return bytes(out)


def expand_args(run, psgc):
    args = []
    for word in shlex.split(run):
        if "*" in word and word.rsplit("*", 1)[1].isdigit():
            name, count = word.rsplit("*", 1)
            args.extend([name] * int(count))
        else:
            args.append(word)
    if not args or args[0] != "psgc":
        raise SystemExit("the command must start with psgc")
    return [psgc] + args[1:]


def show_diff(what, want, got, failures):
    if want == got:
        return
    try:
        w, g = want.decode("utf-8"), got.decode("utf-8")
        diff = "".join(difflib.unified_diff(w.splitlines(True), g.splitlines(True),
                                            "expected " + what, "actual " + what))
        failures.append(diff or f"{what}: differs (line ends?)\n")
    except UnicodeDecodeError:
        failures.append(f"{what}: expected {want[:64].hex(' ')}..., got {got[:64].hex(' ')}...\n")


def hexdump(data):
    return "\n".join(data[i:i + 16].hex(" ").upper() for i in range(0, len(data), 16))


def environment():
    env = {"LC_ALL": "C", "PATH": "/usr/bin:/bin"}
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if name in os.environ:
            env[name] = os.environ[name]
    return env


def lay_out_inputs(sections, work):
    """Writes a case's input files into `work`. Returns the bytes of each
    file by name, and the names of the symbolic links."""
    inputs = {}
    named_links = set()
    for sec in sections:
        if sec.kind != "in":
            continue
        target = os.path.join(work, sec.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if sec.mode == "dir":
            os.makedirs(target, exist_ok=True)
            continue
        if sec.mode.startswith("symlink "):
            os.symlink(sec.mode.split()[1], target)
            named_links.add(sec.name)
            continue
        if sec.mode.startswith("hardlink "):
            os.link(os.path.join(work, sec.mode.split()[1]), target)
            inputs[sec.name] = inputs[sec.mode.split()[1]]
            continue
        data = input_bytes(sec)
        with open(target, "ab" if sec.name in inputs else "wb") as f:
            f.write(data)
        inputs[sec.name] = inputs.get(sec.name, b"") + data
    return inputs, named_links


def run_case(psgc, case, option=None):
    """Returns the list of failures of one case (empty when it passed)."""
    run, fsize, sections = parse_case(case)
    failures = []
    with tempfile.TemporaryDirectory(prefix="psgc-golden-") as work:
        inputs, named_links = lay_out_inputs(sections, work)

        argv = expand_args(run, os.path.abspath(psgc))
        if option is not None:
            argv.insert(1, option)
        if fsize is not None:
            # A file size limit, with SIGXFSZ ignored so that writes fail
            # instead; set in the child by a shell, as threads rule out a
            # preexec hook.
            argv = ["/bin/sh", "-c", 'trap "" XFSZ; exec prlimit --fsize=$0:$0 -- "$@"',
                    str(fsize)] + argv
        proc = subprocess.run(argv, cwd=work, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              env=environment(), timeout=120)
        expected = {"stdout": b"", "stderr": b""}
        want_exit = 0
        named = set()
        for sec in sections:
            if sec.kind != "out":
                continue
            if sec.name == "stdout" or sec.name == "stderr":
                expected[sec.name] = sec.text().encode("utf-8")
                continue
            if sec.name.startswith("exit "):
                want_exit = int(sec.name.split()[1])
                continue
            named.add(sec.name)
            path = os.path.join(work, sec.name)
            if sec.mode == "absent":
                if os.path.lexists(path):
                    failures.append(f"{sec.name}: exists but should not\n")
                continue
            if not os.path.isfile(path):
                failures.append(f"{sec.name}: missing\n")
                continue
            with open(path, "rb") as f:
                got = f.read()
            if sec.mode == "unchanged":
                want = inputs.get(sec.name)
            elif sec.mode.startswith("size "):
                if len(got) != int(sec.mode.split()[1]):
                    failures.append(f"{sec.name}: size {len(got)}, expected {sec.mode.split()[1]}\n")
                continue
            elif sec.mode.startswith("sha256 "):
                digest = hashlib.sha256(got).hexdigest()
                if digest != sec.mode.split()[1]:
                    failures.append(f"{sec.name}: sha256 {digest}\n")
                continue
            elif sec.mode.startswith("prefix "):
                head = parse_hex(sec.lines)
                if got[:len(head)] != head or len(got) != int(sec.mode.split()[1]):
                    failures.append(f"{sec.name}: expected {len(head)} leading bytes\n{hexdump(head)}\n"
                                    f"and {sec.mode.split()[1]} bytes, got {len(got)}:\n"
                                    f"{hexdump(got[:len(head)])}\n")
                continue
            elif sec.mode == "hex":
                want = parse_hex(sec.lines)
            else:
                want = sec.text().encode("utf-8")
            if want != got:
                if sec.mode == "hex":
                    failures.append(f"{sec.name}: bytes differ\nexpected:\n{hexdump(want)}\n"
                                    f"actual:\n{hexdump(got)}\n")
                else:
                    show_diff(sec.name, want, got, failures)
        show_diff("stdout", expected["stdout"], proc.stdout, failures)
        stderr, want_stderr = proc.stderr, expected["stderr"]
        if option is not None:
            # Both sides without their warnings: a case may expect one
            # that is on by default.
            def without_warnings(text):
                return b"".join(line for line in text.splitlines(True) if not line.startswith(b"WARNING- "))
            stderr, want_stderr = without_warnings(stderr), without_warnings(want_stderr)
        show_diff("stderr", want_stderr, stderr, failures)
        if proc.returncode != want_exit:
            failures.append(f"exit status {proc.returncode}, expected {want_exit}\n")
        for root, dirs, files in os.walk(work):
            for name in files + [d for d in dirs if os.path.islink(os.path.join(root, d))]:
                rel = os.path.relpath(os.path.join(root, name), work)
                if rel in named or rel in named_links:
                    continue
                if rel not in inputs:
                    failures.append(f"{rel}: unexpected file left behind\n")
                else:
                    with open(os.path.join(work, rel), "rb") as f:
                        if f.read() != inputs[rel]:
                            failures.append(f"{rel}: input changed\n")
    return failures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--psgc", required=True)
    ap.add_argument("--with-option")
    ap.add_argument("cases", nargs="+")
    opts = ap.parse_args()
    # The cases wait on psgc, not on this interpreter: threads keep both
    # cores busy.
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        results = list(pool.map(lambda case: (case, run_case(opts.psgc, case, opts.with_option)),
                                opts.cases))
    failed = 0
    for case, failures in results:
        name = os.path.splitext(os.path.relpath(case, os.path.dirname(os.path.abspath(__file__))))[0]
        if failures:
            failed += 1
            sys.stdout.write(f"FAIL {name}\n" + "".join(failures))
        else:
            sys.stdout.write(f"PASS {name}\n")
    sys.stdout.write(f"{len(results) - failed} of {len(results)} cases passed\n")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
