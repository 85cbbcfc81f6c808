#!/usr/bin/env python3
"""Checks that a listing that does not reach standard output fails the run.

    check_listing_writes.py PSGC

--dump (and --help, --version) write what the user asked for to standard
output. When that write fails, on a full disk (/dev/full) or into a pipe
whose reader has gone with SIGPIPE ignored, the run ends with status 1 and
one error line with the system's reason, as for any other output.
"""
import os
import signal
import subprocess
import sys
import tempfile

SFX = bytes.fromhex("53 46 58 01 08 00 00 00 00 01 00 0F 00 00 00 00")


def main():
    psgc = os.path.abspath(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory(prefix="psgc-listing-") as d:
        with open(os.path.join(d, "fx.sfx"), "wb") as f:
            f.write(SFX)
        # Many files give a listing far larger than any buffer.
        dump = [psgc, "--dump"] + ["fx.sfx"] * 400
        full = "ERROR- Couldn't write to standard output (No space left on device)\n"
        for argv in (dump, [psgc, "--help"], [psgc, "--version"]):
            with open("/dev/full", "wb") as out:
                p = subprocess.run(argv, cwd=d, stdout=out, stderr=subprocess.PIPE, text=True)
            if p.returncode != 1 or p.stderr != full:
                failures.append(f"{argv[1]} > /dev/full: exit {p.returncode}, {p.stderr!r}")

        # The reader closes its end at once; SIGPIPE is ignored, so each
        # write fails with EPIPE instead of ending the run.
        p = subprocess.Popen(dump, cwd=d, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
        p.stdout.close()
        err = p.stderr.read().decode()
        status = p.wait()
        if status != 1 or err != "ERROR- Couldn't write to standard output (Broken pipe)\n":
            failures.append(f"--dump into a closed pipe: exit {status}, {err!r}")

        # The listing itself is still whole when standard output takes it.
        p = subprocess.run([psgc, "--dump", "fx.sfx"], cwd=d, capture_output=True)
        if p.returncode != 0 or not p.stdout.startswith(b"== fx.sfx: SFX") or p.stderr:
            failures.append(f"--dump to a pipe: exit {p.returncode}, {p.stderr!r}")
    if failures:
        print("\n".join(failures))
        return 1
    print("a listing that standard output does not take fails the run, with one line")
    return 0


if __name__ == "__main__":
    sys.exit(main())
