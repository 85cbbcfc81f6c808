#!/usr/bin/env python3
"""Runs psgc where earlier fault hunts broke it, and checks the sound result.

    check_faults.py --psgc PATH [--memory] [--sanitized]

Each check prints PASS, FAIL (with the reason) or SKIP (with what this
machine cannot do); the exit status is 1 when any check failed. --memory
also checks peak memory, which only means something without sanitizers;
--sanitized says that psgc runs under them, which need /proc.

Covered: a system without /proc (through a mount namespace), audio
sources from FIFOs and devices within the 1 GiB bound, symbolic links in
sticky world-writable directories, /proc files as sources, running out of
file descriptors, and /dev/stdout as the output of -sfx.
"""
import argparse
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import threading

from run_env_tests import NOBODY, Env, check, files_in, read, report, write

EFFECTS = b"tick\n{\n{\nend\n}\n}\n"
TICK_SFX = bytes.fromhex("53 46 58 01 08 00 00 00 00 01 00 0F 00 00 00 00")


def namespace_runner():
    """A command prefix that runs psgc with an empty /proc, or None."""
    script = 'mount -t tmpfs none /proc && exec "$@"'
    for prefix in (["unshare", "-m"], ["unshare", "-r", "-m"]):
        if shutil.which("unshare") is None:
            return None
        probe = subprocess.run(prefix + ["sh", "-c", script, "sh", "test", "!", "-e", "/proc/self"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if probe.returncode == 0:
            return prefix + ["sh", "-c", script, "sh"]
    return None


# 1. Without /proc an unnamed file cannot be given a name: a named
# temporary stands in, for a new output and for one that exists.
def without_proc(env, d):
    runner = namespace_runner()
    if runner is None:
        report("SKIP", "outputs without /proc",
               "no mount namespace here (unshare -m and unshare -r -m both refused)")
        return
    if env.sanitized:
        report("SKIP", "outputs without /proc",
               "the sanitizers read their options and stop threads through /proc")
        return
    write(os.path.join(d, "fx.txt"), EFFECTS)
    for existing in (False, True):
        if existing:
            write(os.path.join(d, "out.sfx"), b"old")
        p = subprocess.run(runner + [env.psgc, "-q", "-sfx", "out.sfx", "fx.txt"], cwd=d,
                           capture_output=True, text=True)
        ok = p.returncode == 0 and read(os.path.join(d, "out.sfx")) == TICK_SFX and \
            files_in(d) == ["fx.txt", "out.equ", "out.sfx"]
        check(ok, "without /proc: " + ("existing" if existing else "new") + " output written",
              f"exit {p.returncode}, {p.stderr.strip()}, files {files_in(d)}")


def wav_head(data, tail):
    """An 8-bit mono WAV at 6992 Hz holding `data`, then the head of an
    unknown chunk of `tail` bytes, which the caller writes."""
    fmt = b"fmt " + bytes.fromhex("10000000 0100 0100 501B0000 501B0000 0100 0800")
    body = b"WAVE" + fmt + b"data" + len(data).to_bytes(4, "little") + data + b"junk" + tail.to_bytes(4, "little")
    return b"RIFF" + (len(body) + tail).to_bytes(4, "little") + body


def feed_fifos(paths, head, tail):
    """Writes `head` and `tail` zero bytes to each FIFO, a MiB at a time:
    psgc's peak memory counts this process's as it was when forked."""
    def feed(path):
        with open(path, "wb") as f:
            f.write(head)
            zeros = bytes(1 << 20)
            for _ in range(tail >> 20):
                f.write(zeros)
    threads = [threading.Thread(target=feed, args=(p,)) for p in paths]
    for t in threads:
        t.start()
    return threads


# 3. An audio file that is not a regular file is held in memory up to
# 1 GiB, and only while it is decoded.
def audio_streams(env, d):
    os.symlink("/dev/zero", os.path.join(d, "z.wav"))
    status, _, err, peak = env.run(["-q", "-pcm", "out.pcm", "z.wav"], d)
    ok = status == 1 and err == "ERROR- PCM Stream too large (max is 8388608)\n" and \
        (not env.memory or peak < (1024 + 64) << 10) and "out.pcm" not in files_in(d)
    check(ok, "/dev/zero as a WAV: refused within 1 GiB", f"exit {status}, peak {peak} KiB, {err.strip()}")
    # Three FIFOs of 48 MiB each (a short sound, then a long chunk that
    # libsndfile skips): one at a time is held, never all three.
    names = ["a.wav", "b.wav", "c.wav"]
    for name in names:
        os.mkfifo(os.path.join(d, name))
    sound = bytes(range(256)) * 4
    threads = feed_fifos([os.path.join(d, n) for n in names], wav_head(sound, 48 << 20), 48 << 20)
    status, _, err, peak = env.run(["-q", "-pcm", "out.pcm"] + names, d)
    for t in threads:
        t.join()
    ok = status == 0 and len(read(os.path.join(d, "out.pcm"))) == 4 + 3 * (8 + len(sound)) and \
        (not env.memory or peak < 100 << 10)
    check(ok, "three 48 MiB FIFO WAVs held one at a time", f"exit {status}, peak {peak} KiB, {err.strip()}")


# 7. In a sticky world-writable directory a link is followed only when its
# owner is the caller or the directory's owner.
def shared_directory_links(env, d):
    if os.geteuid() != 0:
        report("SKIP", "links in a sticky world-writable directory",
               "planting another user's link needs root")
        return
    write(os.path.join(d, "fx.txt"), EFFECTS)
    shared = os.path.join(d, "shared")
    os.mkdir(shared)
    os.chmod(shared, 0o1777)
    os.chmod(d, 0o755)
    cases = [(NOBODY, 0, False), (0, 0, True), (NOBODY, NOBODY, True)]
    for link_owner, dir_owner, followed in cases:
        os.chown(shared, dir_owner, dir_owner)
        link = os.path.join(shared, "out.sfx")
        os.symlink("../victim.sfx", link)
        os.lchown(link, link_owner, link_owner)
        status, _, err, _ = env.run(["-q", "-sfx", "shared/out.sfx", "fx.txt"], d)
        victim = read(os.path.join(d, "victim.sfx"))
        what = f"link of uid {link_owner} in a directory of uid {dir_owner}"
        if followed:
            check(status == 0 and victim == TICK_SFX, what + ": followed", f"exit {status}, {err.strip()}")
        else:
            want = ("ERROR- Can't write to destination file : shared/out.sfx (a symbolic link in a sticky "
                    "world-writable directory, owned by another user)\n")
            check(status == 1 and err == want and victim is None and os.path.islink(link),
                  what + ": refused", f"exit {status}, {err.strip()}")
        for name in (link, os.path.join(d, "victim.sfx"), os.path.join(shared, "out.equ")):
            if os.path.lexists(name):
                os.unlink(name)


# 8. Sources that state no size, descriptors running out, /dev/stdout.
def smaller_ones(env, d):
    with open("/proc/version", "rb") as f:
        version = f.read()
    status, _, err, _ = env.run(["-q", "-pcm", "out.pcm", "/proc/version"], d)
    packed = read(os.path.join(d, "out.pcm")) or b""
    check(status == 0 and len(packed) == 12 + len(version), "/proc/version packs its bytes",
          f"exit {status}, {len(packed)} bytes for {len(version)}, {err.strip()}")

    write(os.path.join(d, "s.mus"), b"MUS")
    import resource

    def few_descriptors():
        resource.setrlimit(resource.RLIMIT_NOFILE, (16, 16))
    status, _, err, _ = env.run(["-q", "-pak", "out.trk"] + ["s.mus"] * 40, d, preexec=few_descriptors)
    ok = status == 1 and err == "ERROR- Can't open source file : s.mus (Too many open files)\n"
    check(ok, "out of descriptors: the reason is given", f"exit {status}, {err.strip()}")

    write(os.path.join(d, "fx.txt"), EFFECTS)
    for name in ("/dev/stdout", "/dev/fd/1"):
        status, out, err, _ = env.run(["-q", "-sfx", name, "fx.txt"], d)
        ok = status == 1 and out == TICK_SFX.decode("latin-1") and \
            err == "ERROR- Unable to generate equate(s) file\n" and not os.path.lexists(name + ".equ")
        check(ok, f"{name} as the output: binary written, no {name}.equ", f"exit {status}, {err.strip()}")
        if os.path.lexists(name + ".equ") and not stat.S_ISCHR(os.lstat(name + ".equ").st_mode):
            os.unlink(name + ".equ")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--psgc", required=True)
    parser.add_argument("--memory", action="store_true")
    parser.add_argument("--sanitized", action="store_true")
    args = parser.parse_args()
    env = Env(os.path.abspath(args.psgc), args.memory)
    env.sanitized = args.sanitized
    for test in (without_proc, audio_streams, shared_directory_links, smaller_ones):
        with tempfile.TemporaryDirectory(prefix="psgc-faults-") as d:
            try:
                test(env, d)
            except Exception as e:  # a fault of psgc can break a check's own steps
                report("FAIL", test.__name__, repr(e))
    return 1 if "FAIL" in sys.modules["run_env_tests"].results else 0


if __name__ == "__main__":
    sys.exit(main())
