#!/usr/bin/env python3
"""Checks the man page: groff renders it without a warning, and every
option that `psgc --help` lists in its options section appears in it.

    check_man_page.py PSGC MANPAGE
"""
import re
import subprocess
import sys


def main():
    psgc, page = sys.argv[1], sys.argv[2]
    render = subprocess.run(["groff", "-man", "-Tutf8", "-ww", page],
                            capture_output=True, env={"LC_ALL": "C.UTF-8", "PATH": "/usr/bin:/bin"})
    failures = []
    if render.returncode != 0 or render.stderr:
        failures.append("groff warns:\n" + render.stderr.decode("utf-8", "replace"))
    # groff's overstrikes and hyphens back to plain text.
    text = re.sub(r".\x08", "", render.stdout.decode("utf-8", "replace")).replace("\u2010", "-")
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
    sys.stdout.write("".join(failures) or f"man page renders cleanly and lists {sorted(listed)}\n")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
