#!/usr/bin/env python3
"""psgc loads libsndfile and libsoxr only when a run meets an audio
source: the program does not link them, a run without audio files never
opens them, and a library that cannot be loaded fails the audio source with
the loader's reason, exit status 1 and no output.

    check_audio_loading.py PSGC WATCH_DLOPEN_LIBRARY EXAMPLES_DIR

WATCH_DLOPEN_LIBRARY is preloaded: it logs each dlopen() and hides the
libraries named in PSGC_TEST_HIDE_LIBRARIES."""
import os
import subprocess
import sys
import tempfile

SNDFILE = "libsndfile.so.1"
SOXR = "libsoxr.so.0"

failures = 0


def check(ok, what, detail=""):
    global failures
    if ok:
        print(f"ok   {what}")
    else:
        failures += 1
        print(f"FAIL {what}: {detail}")


def run(psgc, shim, work, args, hide=()):
    log = os.path.join(os.path.dirname(work), "dlopen.log")
    if os.path.exists(log):
        os.unlink(log)
    env = dict(os.environ)
    env["LD_PRELOAD"] = shim
    env["PSGC_TEST_DLOPEN_LOG"] = log
    env["PSGC_TEST_HIDE_LIBRARIES"] = ":".join(hide)
    # Under AddressSanitizer the preloaded library comes before its runtime.
    env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"
    proc = subprocess.run([psgc] + args, cwd=work, env=env, capture_output=True, text=True)
    opened = open(log).read().split() if os.path.exists(log) else []
    return proc, opened


def main():
    psgc, shim, examples = (os.path.abspath(a) for a in sys.argv[1:4])
    pcm = os.path.join(examples, "pcm")
    music = os.path.join(examples, "music")
    wav = os.path.join(pcm, "kick.wav")  # 22050 Hz: decoded and resampled
    raw = os.path.join(pcm, "hat.raw")

    ldd = subprocess.run(["ldd", psgc], capture_output=True, text=True).stdout
    check(SNDFILE not in ldd and SOXR not in ldd, "psgc is not linked with the audio libraries", ldd)

    with tempfile.TemporaryDirectory() as top:
        work = os.path.join(top, "work")  # only psgc's output goes here
        os.mkdir(work)
        # First the run that must load them: it shows the watcher works.
        proc, opened = run(psgc, shim, work, ["-pcm", "out.pcm", raw, wav])
        check(proc.returncode == 0 and opened == [SNDFILE, SOXR],
              "-pcm of an audio file loads both libraries once", f"exit {proc.returncode}, opened {opened}")
        os.unlink(os.path.join(work, "out.pcm"))

        songs = sorted(os.path.join(music, "song1", f) for f in os.listdir(os.path.join(music, "song1")))
        for what, args in [("-mus", ["-mus", "out.mus", os.path.join(music, "instruments.txt")] + songs),
                           ("-pcm of a raw sample", ["-pcm", "out.pcm", raw])]:
            proc, opened = run(psgc, shim, work, args)
            check(proc.returncode == 0 and opened == [], f"{what} loads no library",
                  f"exit {proc.returncode}, opened {opened}, {proc.stderr}")
            os.unlink(os.path.join(work, args[1]))

        for hidden in (SNDFILE, SOXR):
            proc, _ = run(psgc, shim, work, ["-pcm", "out.pcm", raw, wav], hide=[hidden])
            expected = (f"ERROR- Can't decode audio file : {wav} (/nonexistent/{hidden}: "
                        "cannot open shared object file: No such file or directory)\n")
            check(proc.returncode == 1 and expected in proc.stderr and os.listdir(work) == [],
                  f"without {hidden} the audio source fails, nothing written",
                  f"exit {proc.returncode}, stderr {proc.stderr!r}, files {os.listdir(work)}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
