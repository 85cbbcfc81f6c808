#!/usr/bin/env python3
"""Scripts are read in bounded chunks: a script of 96 MiB of comments, fed
through a pipe, compiles in well under 64 MiB of memory, with the same
bytes and line numbers as a short one.

    script_memory.py PSGC WORK_DIR [--memory]

Peak memory is checked only with --memory (not under the sanitizers,
whose shadow memory would swamp it).
"""
import os
import subprocess
import sys
import tempfile

COMMENT_BYTES = 96 * 2**20
MEMORY_LIMIT = 64 * 2**20
# Comment lines of several shapes: a plain one, one with CR LF, and one of
# 600 characters, which is read as two lines (511 and 89 characters), each
# a comment.
LINES = [b"; " + b"c" * 198 + b"\n", b"  ; crlf " + b"r" * 150 + b"\r\n",
         b";" + b"x" * 510 + b";" + b"y" * 88 + b"\n"]
BLOCK = b"".join(LINES)
BLOCK_LINES = 4


def run(psgc, args, tail):
    """Runs psgc with the comments and then `tail` on standard input;
    returns (exit status, stdout, stderr, peak resident bytes, lines fed)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.Popen([psgc] + args, stdin=subprocess.PIPE, stdout=out, stderr=err)
        chunk = BLOCK * (2**20 // len(BLOCK))
        sent = lines = 0
        try:
            while sent < COMMENT_BYTES:
                proc.stdin.write(chunk)
                sent += len(chunk)
                lines += BLOCK_LINES * (2**20 // len(BLOCK))
            proc.stdin.write(tail)
            proc.stdin.close()
        except BrokenPipeError:
            pass
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return proc.returncode, out.read().decode(), err.read().decode(), usage.ru_maxrss * 1024, lines


def main():
    psgc, work = sys.argv[1], sys.argv[2]
    check_memory = "--memory" in sys.argv[3:]
    os.makedirs(work, exist_ok=True)
    failures = []

    out = os.path.join(work, "comments.sfx")
    code, stdout, stderr, peak, _ = run(psgc, ["-sfx", out, "/dev/stdin"], b"blip 5\n{\n{\nwait 3\nend\n}\n}\n")
    want_out = ("SFX Mode...\nA total of 1 SFX were found\nThe current SFX binary is : 18 bytes\n"
                f"Saving SFX binary to : {out}\nSaving SFX equates to : {out[:-4]}.equ\n")
    if (code, stdout, stderr) != (0, want_out, ""):
        failures.append(f"-sfx: exit {code}\n{stdout}{stderr}")
    elif open(out, "rb").read() != bytes.fromhex("53465801 08000000 05 01 00 0F000000 01 03 00"):
        failures.append("-sfx: wrong bytes " + open(out, "rb").read().hex())
    if check_memory and peak > MEMORY_LIMIT:
        failures.append(f"-sfx: peak memory {peak / 2**20:.1f} MiB for 96 MiB of comments")

    inst = os.path.join(work, "inst.txt")
    with open(inst, "w") as f:
        f.write("lead\n{\n}\n")
    # The line numbers count every piece read before the error.
    code, stdout, stderr, peak, lines = run(
        psgc, ["-mus", os.path.join(work, "song.mus"), inst, "/dev/stdin"], b"song\n{\nusing lead\nwait x\n")
    want_err = ("ERROR- Unable to parse numeric : x\n"
                f"ERROR- Invalid command syntax in : /dev/stdin,{lines + 4}\n"
                f"ERROR- Unexpected end of music block in : /dev/stdin,{lines + 4}\n")
    if (code, stdout, stderr) != (1, "MUS Mode...\n", want_err):
        failures.append(f"-mus: exit {code}\n{stdout}{stderr}\nwanted:\n{want_err}")
    if check_memory and peak > MEMORY_LIMIT:
        failures.append(f"-mus: peak memory {peak / 2**20:.1f} MiB for 96 MiB of comments")

    for f in failures:
        print("FAIL:", f)
    if not failures:
        print("96 MiB of comments through a pipe: bytes, line numbers and memory as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
