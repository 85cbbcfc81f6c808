#!/usr/bin/env python3
r"""Checks the GCC-style diagnostics against what editors and terminals do.

    check_diagnostics.py PSGC GOLDEN_DIR

1. Every GCC-style line of standard error in the golden cases is read by
   the pattern of VS Code's $gcc problem matcher and by the gcc entry of
   vim's default 'errorformat' (%f:%l:%c:%m), each finding the file, line,
   column and severity that the line states; the quoted source lines and
   the caret lines are read by neither, and a fault without a place gives
   neither a line number.
2. Colour: under a pseudo-terminal the GCC-style format is coloured unless
   TERM is dumb or NO_COLOR is set; the classic format never is unless
   asked; --color=always and --color=never win everywhere.
"""
import os
import pty
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden"))
import run_golden  # noqa: E402

# VS Code, problemMatcher "$gcc".
VSCODE_GCC = re.compile(r"^(.*?):(\d+):(\d*)?:?\s+(?:fatal\s+)?(warning|error):\s+(.*)$")
# vim: %f is a run of 'isfname' characters (Unix default "@,48-57,/,.,-,_,+,,,#,$,%,~,="),
# %l and %c numbers, %m the rest. The gcc entry and the two looser ones after it.
VIM_FNAME = r"[A-Za-z0-9\x80-\xff/.\-_+,#$%~=]+"
VIM_GCC = re.compile(r"^(%s):(\d+):(\d+):(.*)$" % VIM_FNAME)
VIM_LOOSER = [re.compile(r"^(%s)\((\d+)\):(.*)$" % VIM_FNAME), re.compile(r"^(%s):(\d+):(.*)$" % VIM_FNAME)]
# What psgc states: FILE:LINE:COL, FILE or psgc, then the severity.
STATED = re.compile(r"^(?P<file>[^ ]+?)(?::(?P<line>\d+):(?P<col>\d+))?: (?P<sev>error|warning|note): (?P<msg>.+)$")
QUOTE = re.compile(r"^ +(\d+)? \| ")


def gcc_lines(golden_dir):
    """(case, line) for every standard error line of a GCC-style case."""
    for root, _, files in os.walk(golden_dir):
        for name in sorted(files):
            if not name.endswith(".test"):
                continue
            case = os.path.join(root, name)
            run, _, sections, env = run_golden.parse_case(case)
            chosen = "--diagnostics=gcc" in run or ("--diagnostics=" not in run
                                                     and env.get("PSGC_DIAGNOSTICS") == "gcc")
            if not chosen:
                continue
            for sec in sections:
                if sec.kind == "out" and sec.name == "stderr":
                    for line in sec.lines:
                        yield os.path.relpath(case, golden_dir), line


def check_editor_patterns(golden_dir):
    failures, located = [], 0
    for case, line in gcc_lines(golden_dir):
        where = f"{case}: {line!r}"
        if QUOTE.match(line):
            if VSCODE_GCC.match(line) or VIM_GCC.match(line) or any(p.match(line) for p in VIM_LOOSER):
                failures.append(f"{where}: a quoted line reads as a diagnostic")
            continue
        stated = STATED.match(line)
        if stated is None:
            failures.append(f"{where}: not a GCC-style line")
            continue
        vscode, vim = VSCODE_GCC.match(line), VIM_GCC.match(line)
        if stated["line"] is None:
            # No place: no editor may take a line number from it.
            if vscode or vim or any(p.match(line) for p in VIM_LOOSER):
                failures.append(f"{where}: a fault without a place reads as located")
            continue
        located += 1
        want = (stated["file"], stated["line"], stated["col"])
        if vim is None or (vim[1], vim[2], vim[3]) != want:
            failures.append(f"{where}: vim reads {vim and vim.groups()}")
        if stated["sev"] == "note":
            continue  # the $gcc matcher takes errors and warnings only
        if vscode is None or (vscode[1], vscode[2], vscode[3], vscode[4]) != want + (stated["sev"],):
            failures.append(f"{where}: VS Code reads {vscode and vscode.groups()}")
        elif vscode[5] != stated["msg"]:
            failures.append(f"{where}: VS Code reads the message {vscode[5]!r}")
    if located < 20:
        failures.append(f"only {located} located lines found in {golden_dir}")
    return failures, located


def run_on_terminal(argv, cwd, env):
    """Standard error of a run whose standard error is a pseudo-terminal."""
    master, slave = pty.openpty()
    proc = subprocess.Popen(argv, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=slave)
    os.close(slave)
    out = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:  # the terminal's other side has closed
            break
        if not chunk:
            break
        out += chunk
    os.close(master)
    proc.wait(timeout=60)
    return out


def check_colour(psgc):
    failures = []
    red = b"\x1b[01;31m"
    with tempfile.TemporaryDirectory(prefix="psgc-colour-") as work:
        with open(os.path.join(work, "fx.txt"), "w") as f:
            f.write("jump 300\n")
        base = {"PATH": "/usr/bin:/bin", "LC_ALL": "C", "TERM": "xterm"}
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
            if name in os.environ:
                base[name] = os.environ[name]
        gcc = [psgc, "--diagnostics=gcc", "-sfx", "out.sfx", "fx.txt"]
        classic = [psgc, "-sfx", "out.sfx", "fx.txt"]
        cases = [
            ("gcc on a terminal", gcc, {}, True, True),
            ("gcc, TERM=dumb", gcc, {"TERM": "dumb"}, True, False),
            ("gcc, TERM unset", gcc, {"TERM": None}, True, False),
            ("gcc, NO_COLOR set", gcc, {"NO_COLOR": "1"}, True, False),
            ("gcc, --color=never", gcc[:1] + ["--color=never"] + gcc[1:], {}, True, False),
            ("gcc, --color=auto", gcc[:1] + ["--color=auto"] + gcc[1:], {}, True, True),
            ("gcc on a pipe", gcc, {}, False, False),
            ("gcc on a pipe, --color=always", gcc[:1] + ["--color=always"] + gcc[1:], {}, False, True),
            ("classic on a terminal", classic, {}, True, False),
            ("classic, --color=auto", classic[:1] + ["--color=auto"] + classic[1:], {}, True, True),
            ("classic, --color=always, NO_COLOR", classic[:1] + ["--color=always"] + classic[1:],
             {"NO_COLOR": "1"}, False, True),
        ]
        for what, argv, changes, terminal, coloured in cases:
            env = dict(base)
            for key, value in changes.items():
                if value is None:
                    env.pop(key, None)
                else:
                    env[key] = value
            if terminal:
                err = run_on_terminal(argv, work, env)
            else:
                err = subprocess.run(argv, cwd=work, env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE, timeout=60).stderr
            if (red in err) != coloured:
                failures.append(f"{what}: {'no ' if coloured else ''}colour in {err!r}")
            if b"\x1b" in err and not coloured:
                failures.append(f"{what}: escape sequences in {err!r}")
        # The classic text is unchanged on a terminal, byte for byte.
        err = run_on_terminal(classic, work, base)
        if err.replace(b"\r\n", b"\n") != b"ERROR- Priority out of range in : fx.txt,1\n":
            failures.append(f"classic on a terminal: {err!r}")
    return failures, len(cases)


def main():
    psgc, golden_dir = sys.argv[1], sys.argv[2]
    failures, located = check_editor_patterns(golden_dir)
    print(f"editor patterns: {located} located lines checked")
    colour_failures, runs = check_colour(os.path.abspath(psgc))
    print(f"colour: {runs} runs checked")
    failures += colour_failures
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
