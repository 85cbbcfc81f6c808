#!/usr/bin/env python3
"""Checks the man pages: groff renders psgc(1) and psgc-scripts(5)
without a warning, every option that `psgc --help` lists in its options
section appears in psgc(1), and psgc-scripts(5) is what tools/md2man.py
makes of doc/scripts.md (run it again after changing that file).

    check_man_page.py PSGC SOURCE_DIR
"""
import os
import re
import subprocess
import sys


SCRIPTS_PAGE = ["psgc-scripts", "5", "psgc's sound-effect, instrument and music script languages"]


def render(page):
    """The page as text, and what groff said about it."""
    proc = subprocess.run(["groff", "-t", "-man", "-Tutf8", "-ww", page],
                          capture_output=True, env={"LC_ALL": "C.UTF-8", "PATH": "/usr/bin:/bin"})
    said = proc.stderr.decode("utf-8", "replace")
    if proc.returncode != 0 and not said:
        said = f"groff exited with {proc.returncode}\n"
    return proc.stdout, said


def main():
    psgc, source = sys.argv[1], sys.argv[2]
    page = os.path.join(source, "doc", "psgc.1")
    scripts_page = os.path.join(source, "doc", "psgc-scripts.5")
    failures = []
    for p in (page, scripts_page):
        _, said = render(p)
        if said:
            failures.append(f"groff warns about {os.path.basename(p)}:\n{said}")
    made = subprocess.run([sys.executable, os.path.join(source, "tools", "md2man.py"),
                           os.path.join(source, "doc", "scripts.md")] + SCRIPTS_PAGE,
                          capture_output=True, check=True).stdout
    with open(scripts_page, "rb") as f:
        if f.read() != made:
            failures.append("doc/psgc-scripts.5 is not what tools/md2man.py makes of doc/scripts.md\n")
    rendered, _ = render(page)
    # groff's overstrikes and hyphens back to plain text.
    text = re.sub(r".\x08", "", rendered.decode("utf-8", "replace")).replace("\u2010", "-")
    text = text.replace("\u2212", "-")
    helptext = subprocess.run([psgc, "--help"], capture_output=True, check=True).stdout.decode()
    options_part = helptext[helptext.index("Options of psgc's own"):]
    listed = set()
    for line in options_part.splitlines()[1:]:
        if line.startswith("  -"):
            for word in line.split("  ")[1].split(", "):
                listed.add(word.split()[0].split("=")[0].split("[")[0])
    if not listed:
        failures.append("no options found in psgc --help\n")
    for option in sorted(listed):
        if not re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", text):
            failures.append(f"{option}: listed by --help, missing from the man page\n")
    sys.stdout.write("".join(failures) or f"both man pages render cleanly; psgc(1) lists {sorted(listed)}\n")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
