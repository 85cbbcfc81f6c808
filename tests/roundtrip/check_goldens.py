#!/usr/bin/env python3
"""Runs the dump's round-trip property over every binary that a golden case
expects psgc to write in full (an output section in hex that starts with a
mark of the four formats).

    check_goldens.py CHECKER GOLDEN_DIR
"""
import glob
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden"))
import run_golden  # noqa: E402

MARKS = (b"SFX", b"MUS", b"TRK", b"PCM")


def main():
    checker, golden = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="psgc-roundtrip-") as work:
        files = []
        for case in sorted(glob.glob(os.path.join(golden, "**", "*.test"), recursive=True)):
            _, _, sections = run_golden.parse_case(case)
            for sec in sections:
                if sec.kind != "out" or sec.mode != "hex":
                    continue
                data = run_golden.parse_hex(sec.lines)
                if data[:3] not in MARKS:
                    continue
                # Output names may be as long as a file system allows.
                name = (f"{len(files):03d}-" + os.path.relpath(case, golden).replace(os.sep, "_")[:80] +
                        "-" + os.path.basename(sec.name)[:40])
                path = os.path.join(work, name)
                with open(path, "wb") as f:
                    f.write(data)
                files.append(path)
        if not files:
            sys.stdout.write("no binaries found in the golden cases\n")
            return 1
        proc = subprocess.run([checker] + files, capture_output=True, text=True)
        sys.stdout.write(proc.stdout.replace(work + os.sep, "") + proc.stderr)
        sys.stdout.write(f"{len(files)} binaries checked\n")
        return proc.returncode


if __name__ == "__main__":
    sys.exit(main())
