#!/usr/bin/env python3
"""Runs the dump's round-trip property over every binary that a golden case
has psgc write: the case's inputs are laid out and its command run again,
and each output file it names that starts with a mark of the four formats
is checked (the expected bytes themselves are checked by the golden run).

    check_goldens.py PSGC CHECKER GOLDEN_DIR
"""
import concurrent.futures
import glob
import os
import re
import shlex
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden"))
import run_golden  # noqa: E402

MARKS = (b"SFX", b"MUS", b"TRK", b"PCM")
# The cases at the size limits write tens of megabytes of one repeated
# item; their bytes are held exactly by their own golden cases, and
# listing them would take most of the suite's time.
LARGEST_CHECKED = 1 << 20
# Cases at the size limits are not even run: they write nothing or more.
AT_THE_LIMITS = re.compile(r"(largest|too_large|size_limit|endless|longest_wait|ten_megabyte|bytes_past_limit)")


def binaries_of(case, psgc, work, keep):
    """Runs the case in `work` and moves the binaries it wrote into `keep`."""
    run, fsize, sections, _ = run_golden.parse_case(case)
    inputs = {s.name for s in sections if s.kind == "in"}
    outputs = [s.name for s in sections if s.kind == "out" and s.mode not in ("absent", "unchanged")
               and s.name not in inputs and s.name not in ("stdout", "stderr") and not s.name.startswith("exit ")]
    if not outputs or fsize is not None or "--dump" in run:
        return []
    run_golden.lay_out_inputs(sections, work)
    proc = subprocess.run(run_golden.expand_args(run, psgc), cwd=work, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, env=run_golden.environment(), timeout=120)
    if proc.returncode != 0:
        return []
    found = []
    for name in outputs:
        path = os.path.join(work, name)
        if not os.path.isfile(path):
            continue
        if os.path.getsize(path) > LARGEST_CHECKED:
            continue
        with open(path, "rb") as f:
            if f.read(3) not in MARKS:
                continue
        # Output names may be as long as a file system allows.
        kept = os.path.join(keep, f"{len(os.listdir(keep)):03d}-" +
                            os.path.splitext(os.path.basename(case))[0][:60] + "-" + os.path.basename(name)[:40])
        os.replace(path, kept)
        found.append(kept)
    return found


def main():
    psgc, checker, golden = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    with tempfile.TemporaryDirectory(prefix="psgc-roundtrip-") as keep:
        def binaries(case_and_index):
            index, case = case_and_index
            case_keep = os.path.join(keep, f"{index:03d}")
            os.mkdir(case_keep)
            with tempfile.TemporaryDirectory(prefix="psgc-roundtrip-case-") as work:
                return binaries_of(case, psgc, work, case_keep)

        cases = [c for c in sorted(glob.glob(os.path.join(golden, "**", "*.test"), recursive=True))
                 if not AT_THE_LIMITS.search(os.path.basename(c))]
        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
            files = [f for found in pool.map(binaries, enumerate(cases)) for f in found]
        if not files:
            sys.stdout.write("no binaries made by the golden cases\n")
            return 1
        proc = subprocess.run([checker] + files, capture_output=True, text=True)
        sys.stdout.write(proc.stdout.replace(keep + os.sep, "") + proc.stderr)
        sys.stdout.write(f"{len(files)} binaries checked\n")
        return proc.returncode


if __name__ == "__main__":
    sys.exit(main())
