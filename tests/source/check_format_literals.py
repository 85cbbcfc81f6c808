#!/usr/bin/env python3
"""Every byte fact of the binary formats lives in src/format: no code
outside it writes a mark, the PCM rate, the PSG clock, the output limit or
a header size as a literal of its own. Comments and the message texts
(common/messages.h, a contract of their own) may name them.

    check_format_literals.py SRC_DIR
"""
import pathlib
import re
import sys

LITERALS = [
    (re.compile(r'"(SFX|MUS|TRK|PCM|NONE)"'), "a mark"),
    (re.compile(r"'[A-Z]',\s*'[A-Z]',\s*'[A-Z]'"), "a mark"),
    (re.compile(r"\b6992\b"), "the PCM rate"),
    (re.compile(r"\b3579545\b"), "the PSG clock"),
    (re.compile(r"\b67108863\b|\b1\s*<<\s*26\b"), "the output size limit"),
    (re.compile(r"\b8388608\b"), "the PCM stream limit"),
    (re.compile(r"\b[48]\s*\+\s*[48]\s*\*"), "a header size"),
    (re.compile(r"\bkMusHeaderSize\s*=\s*\d"), "the MUS header size"),
]


def code_of(line):
    """The line without its // comment (psgc's code has no // in strings
    that these patterns could match)."""
    return line.split("//", 1)[0]


def main():
    src = pathlib.Path(sys.argv[1])
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        relative = path.relative_to(src).as_posix()
        if relative.startswith("format/") or relative == "common/messages.h":
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            for pattern, what in LITERALS:
                if pattern.search(code_of(line)):
                    faults.append(f"src/{relative}:{number}: {what} outside src/format: {line.strip()}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
