#!/usr/bin/env python3
"""Runs psgc in hostile environments and checks that it still does its job.

    run_env_tests.py --psgc PATH [--memory]

Each check prints PASS, FAIL (with the reason) or SKIP (with what this
machine cannot do); the exit status is 1 when any check failed. --memory
also checks peak memory, which only means something without sanitizers.

Covered: closed standard descriptors, signals ignored at start-up, long
output names, symbolic links, killed runs, long scripts read with bounded
memory, sources that are not regular files, and outputs in read-only
directories.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

NOBODY = 65534
results = []


def report(status, name, why=""):
    results.append(status)
    print(f"{status} {name}" + (f": {why}" if why else ""), flush=True)


def bank_pointer(offset):
    return bytes([offset & 0xFF, (offset >> 8) & 0x1F, (offset >> 13) & 0x1F, (offset >> 18) & 0xFF])


def track_pack(songs):
    data = b"TRK" + bytes([len(songs)])
    position = 4 + 4 * len(songs)
    for song in songs:
        data += bank_pointer(position)
        position += len(song)
    return data + b"".join(songs)


def pcm_pack(streams):
    data = b"PCM" + bytes([len(streams)])
    position = 4 + 8 * len(streams)
    for s in streams:
        data += b"X" + bank_pointer(position) + len(s).to_bytes(3, "little")
        position += len(s)
    convert = bytes(((b if b < 128 else b - 256) >> 3) & 0xFF for b in range(256))
    return data + b"".join(s.translate(convert) for s in streams)


SONG = bytes(range(48))


class Env:
    def __init__(self, psgc, memory):
        self.psgc, self.memory = psgc, memory

    def run(self, args, cwd, preexec=None, pass_fds=(), user=None):
        """Runs psgc to its end; returns (status, stdout, stderr, peak KiB)."""
        cmd = [self.psgc] + args
        if user is not None:
            cmd = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups"] + cmd
        p = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             preexec_fn=preexec, pass_fds=pass_fds)
        out, err = [], []
        readers = [threading.Thread(target=lambda s, b: b.append(s.read()), args=(s, b))
                   for s, b in ((p.stdout, out), (p.stderr, err))]
        for r in readers:
            r.start()
        _, status, usage = os.wait4(p.pid, 0)
        for r in readers:
            r.join()
        p.returncode = os.waitstatus_to_exitcode(status)
        return p.returncode, out[0].decode(errors="replace"), err[0].decode(errors="replace"), usage.ru_maxrss


def check(cond, name, why):
    report("PASS" if cond else "FAIL", name, "" if cond else why)


def files_in(d):
    return sorted(os.listdir(d))


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    """The file's bytes, or None when it does not exist."""
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def remove(path):
    if os.path.lexists(path):
        os.unlink(path)


# 1. Closed standard descriptors.
def closed_descriptors(env, d):
    write(os.path.join(d, "a.mus"), SONG)
    # A name of about 4000 bytes makes the progress text pass the 4096 bytes
    # that standard output buffers before its first write.
    name = "./" * 2040 + "out.trk"
    for fds in ((1,), (0, 1, 2)):
        def close():
            for fd in fds:
                os.close(fd)
        status, _, _, _ = env.run(["-pak", name, "a.mus"], d, preexec=close)
        ok = status == 0 and read(os.path.join(d, "out.trk")) == track_pack([SONG])
        check(ok, f"descriptors {fds} closed: output intact", f"exit {status}, output differs")
        remove(os.path.join(d, "out.trk"))


def start_blocked(env, d, args, preexec=None):
    """Starts psgc on a FIFO source and waits until it is reading it."""
    fifo = os.path.join(d, "fifo")
    if not os.path.exists(fifo):
        os.mkfifo(fifo)
    p = subprocess.Popen([env.psgc] + args + ["fifo"], cwd=d, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL, preexec_fn=preexec)
    writer = open(fifo, "wb")  # returns once psgc has opened the FIFO
    time.sleep(0.2)
    return p, writer


# 2. Signals ignored at start-up stay ignored. The run waits on a script
# that arrives through a FIFO, with its output already prepared.
def ignored_signals(env, d):
    for sig in (signal.SIGHUP, signal.SIGINT, signal.SIGQUIT, signal.SIGTERM):
        p, writer = start_blocked(env, d, ["-sfx", "out.sfx"], lambda: signal.signal(sig, signal.SIG_IGN))
        p.send_signal(sig)
        time.sleep(0.2)
        alive = p.poll() is None
        if alive:
            writer.write(b"; no sound effects\n")
        writer.close()
        status = p.wait()
        ok = alive and status == 0 and read(os.path.join(d, "out.sfx")) is not None
        check(ok, f"{sig.name} ignored at start-up stays ignored", f"alive {alive}, exit {status}")
        remove(os.path.join(d, "out.sfx"))
        remove(os.path.join(d, "out.equ"))
    # Not ignored, the signal ends the run, and nothing is left behind.
    write(os.path.join(d, "out.sfx"), b"old")
    p, writer = start_blocked(env, d, ["-sfx", "out.sfx"])
    p.send_signal(signal.SIGINT)
    status = p.wait()
    writer.close()
    ok = status == -signal.SIGINT and files_in(d) == ["fifo", "out.sfx"] and read(os.path.join(d, "out.sfx")) == b"old"
    check(ok, "SIGINT ends the run and leaves the old output", f"exit {status}, files {files_in(d)}")


# 3. Long output names.
def long_names(env, d):
    write(os.path.join(d, "a.mus"), SONG)
    for length in (244, 255):
        name = "o" * length
        status, _, err, _ = env.run(["-pak", name, "a.mus"], d)
        ok = status == 0 and read(os.path.join(d, name)) == track_pack([SONG])
        check(ok, f"output name of {length} bytes", f"exit {status}, {err.strip()}")
        remove(os.path.join(d, name))


# 4. Symbolic links are written through, and stay links.
def links(env, d):
    write(os.path.join(d, "a.mus"), SONG)
    os.mkdir(os.path.join(d, "sub"))
    cases = [("to an existing file", "sub/old.trk", True), ("dangling", "sub/new.trk", False)]
    for what, target, exists in cases:
        link = os.path.join(d, "out.trk")
        if exists:
            write(os.path.join(d, target), b"old")
        os.symlink(target, link)
        status, _, _, _ = env.run(["-pak", "out.trk", "a.mus"], d)
        ok = status == 0 and os.path.islink(link) and read(os.path.join(d, target)) == track_pack([SONG])
        check(ok, f"link {what}: target written, link kept", f"exit {status}, files {files_in(d)}")
        os.unlink(link)
    # A dangling chain in another directory: sub/link -> chain -> far.trk
    os.symlink("sub/link", os.path.join(d, "chain.trk"))
    os.symlink("far.trk", os.path.join(d, "sub", "link"))
    status, _, _, _ = env.run(["-pak", "chain.trk", "a.mus"], d)
    ok = status == 0 and os.path.islink(os.path.join(d, "chain.trk")) and \
        read(os.path.join(d, "sub", "far.trk")) == track_pack([SONG])
    check(ok, "dangling chain of links: last name created", f"exit {status}")


# 5. A killed run leaves nothing behind. The run waits on its script with
# its output already prepared.
def killed(env, d):
    out = os.path.join(d, "out.sfx")
    for existing in (False, True):
        if existing:
            write(out, b"old")
        before = files_in(d) + ([] if os.path.exists(os.path.join(d, "fifo")) else ["fifo"])
        p, writer = start_blocked(env, d, ["-sfx", "out.sfx"])
        p.kill()
        p.wait()
        writer.close()
        ok = files_in(d) == sorted(before) and read(out) == (b"old" if existing else None)
        check(ok, "SIGKILL leaves no file" + (" and the old output" if existing else ""),
              f"files {files_in(d)}")


def feed(fd, chunk, total):
    """Writes `total` bytes of repeated `chunk` to a pipe from a thread."""
    def run():
        with os.fdopen(fd, "wb") as f:
            left = total
            try:
                while left > 0:
                    piece = chunk[:left] if left < len(chunk) else chunk
                    f.write(piece)
                    left -= len(piece)
            except BrokenPipeError:
                pass
    t = threading.Thread(target=run)
    t.start()
    return t


# 6. A long script of comments compiles with memory that does not grow with it.
def long_script(env, d):
    r, w = os.pipe()
    t = feed(w, b"; a comment line of no consequence\n" * 2000, 96 << 20)
    status, _, err, peak = env.run(["-sfx", "out.sfx", f"/dev/fd/{r}"], d, pass_fds=(r,))
    os.close(r)
    t.join()
    ok = status == 0 and (not env.memory or peak < 64 << 10)
    check(ok, "96 MiB of comments from a pipe", f"exit {status}, peak {peak} KiB, {err.strip()}")


# 7. Sources that are not regular files are read to their end, within limits.
def stream_sources(env, d):
    sample = bytes(range(256)) * 4
    r, w = os.pipe()
    t = feed(w, sample, len(sample))
    status, _, err, _ = env.run(["-pcm", "out.pcm", f"/dev/fd/{r}"], d, pass_fds=(r,))
    os.close(r)
    t.join()
    ok = status == 0 and read(os.path.join(d, "out.pcm")) == pcm_pack([sample])
    check(ok, "PCM stream from a pipe", f"exit {status}, {err.strip()}")
    # An audio file from a FIFO: an 8-bit WAV at 6992 Hz packs as its data.
    fifo = os.path.join(d, "drum.wav")
    os.mkfifo(fifo)
    header = b"WAVEfmt " + (16).to_bytes(4, "little") + bytes.fromhex("0100 0100 501B0000 501B0000 0100 0800")
    wav = b"RIFF" + (len(header) + 8 + len(sample)).to_bytes(4, "little") + header + b"data" + \
        len(sample).to_bytes(4, "little") + sample
    t = threading.Thread(target=lambda: write(fifo, wav))
    t.start()
    status, _, err, _ = env.run(["-pcm", "out3.pcm", "drum.wav"], d)
    t.join()
    ok = status == 0 and read(os.path.join(d, "out3.pcm")) == pcm_pack([sample])
    check(ok, "audio file from a FIFO", f"exit {status}, {err.strip()}")
    status, _, err, _ = env.run(["-pcm", "out2.pcm", "/dev/zero"], d)
    ok = status == 1 and err == "ERROR- PCM Stream too large (max is 8388608)\n"
    check(ok and not os.path.exists(os.path.join(d, "out2.pcm")), "endless device as a PCM stream",
          f"exit {status}, {err.strip()}")
    write(os.path.join(d, "a.mus"), SONG)
    status, _, err, peak = env.run(["-pak", "out.trk", "a.mus", "/dev/urandom"], d)
    ok = status == 1 and err == "ERROR- Output too large (max is 67108863 bytes)\n" and \
        (not env.memory or peak < 100 << 10)
    check(ok and not os.path.exists(os.path.join(d, "out.trk")), "endless device as a song",
          f"exit {status}, peak {peak} KiB, {err.strip()}")
    status, _, err, _ = env.run(["-pak", "out.trk", "/dev/null", "a.mus"], d)
    ok = status == 0 and read(os.path.join(d, "out.trk")) == track_pack([b"", SONG])
    check(ok, "empty device as a song", f"exit {status}, {err.strip()}")


def unprivileged_user(env):
    """None when the current user is already bound by permissions, else the
    id to run as; False when no unprivileged run is possible."""
    if os.geteuid() != 0:
        return None
    if shutil.which("setpriv") is None:
        return False
    probe = subprocess.run(["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups",
                            env.psgc, "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return NOBODY if probe.returncode == 0 else False


# 8. A writable output in a read-only directory is written in place.
def read_only_directory(env, d):
    user = unprivileged_user(env)
    if user is False:
        report("SKIP", "output in a read-only directory",
               "running as root, and psgc cannot be run as an unprivileged user "
               "(no setpriv, or psgc out of reach of uid 65534)")
        return
    os.chmod(d, 0o755)
    ro = os.path.join(d, "ro")
    os.mkdir(ro)
    write(os.path.join(d, "a.mus"), SONG)
    os.chmod(os.path.join(d, "a.mus"), 0o644)
    write(os.path.join(ro, "out.trk"), b"old")
    os.chmod(os.path.join(ro, "out.trk"), 0o666)
    os.chmod(ro, 0o555)
    try:
        status, _, err, _ = env.run(["-pak", "ro/out.trk", "a.mus"], d, user=user)
        ok = status == 0 and read(os.path.join(ro, "out.trk")) == track_pack([SONG]) and files_in(ro) == ["out.trk"]
        check(ok, "output in a read-only directory written in place", f"exit {status}, {err.strip()}")
        write(os.path.join(ro, "out.trk"), b"old")
        status, _, err, _ = env.run(["-pak", "ro/out.trk", "a.mus", "missing.mus"], d, user=user)
        ok = status == 1 and read(os.path.join(ro, "out.trk")) == b"old"
        check(ok, "failed run keeps the old output in a read-only directory", f"exit {status}")
        status, _, err, _ = env.run(["-pak", "ro/new.trk", "a.mus"], d, user=user)
        ok = status == 1 and err == "ERROR- Can't write to destination file : ro/new.trk\n"
        check(ok, "new output in a read-only directory refused", f"exit {status}, {err.strip()}")
    finally:
        os.chmod(ro, 0o755)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--psgc", required=True)
    parser.add_argument("--memory", action="store_true")
    args = parser.parse_args()
    env = Env(os.path.abspath(args.psgc), args.memory)
    for test in (closed_descriptors, ignored_signals, long_names, links, killed, long_script,
                 stream_sources, read_only_directory):
        with tempfile.TemporaryDirectory(prefix="psgc-env-") as d:
            try:
                test(env, d)
            except Exception as e:  # a fault of psgc can break a check's own steps
                report("FAIL", test.__name__, repr(e))
    return 1 if "FAIL" in results else 0


if __name__ == "__main__":
    sys.exit(main())
