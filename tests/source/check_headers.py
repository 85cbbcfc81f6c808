#!/usr/bin/env python3
"""Each header declares exactly its own file's functions: every function a
header of src/ declares (at namespace scope, without a body) is defined in
the .cpp of the same name beside it.

    check_headers.py SRC_DIR
"""
import pathlib
import re
import sys

# A declaration at the start of a line: a return type, the name, "(", and
# after the parameters a ";" with no body.
DECLARATION = re.compile(r"^(?!return\b|using\b|typedef\b|#)[A-Za-z_][\w:<>,*& ]*?[\s*&]([A-Za-z_]\w*)\s*\(")


def statements(text):
    """Top-level statements of a header, each joined onto one line, with
    comments, preprocessor lines and namespace braces left out; a body
    reads as "{}"."""
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r"^#[^\n]*", "", text, flags=re.M)
    text = re.sub(r"\bnamespace\s*[\w:]*\s*\{", "", text)
    depth = 0
    current = ""
    for c in text:
        if c == "}" and depth == 0:
            continue  # closes a namespace
        if c == "{":
            depth += 1
            current += c if depth == 1 else ""
        elif c == "}":
            depth -= 1
            if depth == 0:
                current += c
        elif depth == 0:
            current += c
        if depth == 0 and c in ";}":
            yield " ".join(current.split())
            current = ""


def declared_functions(header):
    names = []
    for statement in statements(header.read_text(encoding="utf-8")):
        if not statement.endswith(";") or statement.startswith(("inline ", "template", "constexpr ")):
            continue
        if "{" in statement:  # a body, or a struct, enum or class
            continue
        match = DECLARATION.match(statement)
        if match and not statement.startswith(("struct ", "class ", "enum ")):
            names.append(match.group(1))
    return names


def main():
    src = pathlib.Path(sys.argv[1])
    faults = []
    for header in sorted(src.rglob("*.h")):
        source = header.with_suffix(".cpp")
        body = source.read_text(encoding="utf-8") if source.exists() else ""
        for name in declared_functions(header):
            if not re.search(r"^[A-Za-z_].*\b" + re.escape(name) + r"\s*\(", body, flags=re.M):
                where = source.name if source.exists() else "no .cpp beside it"
                faults.append(f"{header.relative_to(src.parent)}: {name} is not defined in {where}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
