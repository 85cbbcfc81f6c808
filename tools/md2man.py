#!/usr/bin/env python3
"""Writes a man page from one of psgc's Markdown documents, so that the
page and the document say the same things from one text.

    md2man.py DOC.md NAME SECTION "one-line description" > PAGE

It reads the plain Markdown that doc/*.md use: headings, paragraphs, "- "
lists, fenced blocks, pipe tables (through tbl), `code`, **bold** and
links. The document's first paragraph after its title becomes
DESCRIPTION; a paragraph starting "Contents:" is left out, and links keep
only their text. tests/doc/check_man_page.py checks that the committed
page is what this script writes (`make man` writes it again).
"""
import re
import sys


SPECIAL = {"\u00d7": "\\(mu", "\u00b7": "\\(md", "\u2014": "\\(em", "\u2013": "\\(en", "\u00b1": "\\(+-"}


def escape(text):
    """Plain text for troff: backslashes, and the few characters beyond
    ASCII that the documents use."""
    text = text.replace("\\", "\\e")
    for char, name in SPECIAL.items():
        text = text.replace(char, name)
    return text


def inline(text):
    def code(m):
        return "\\fB" + escape(m.group(1)).replace("-", "\\-") + "\\fR"
    parts = re.split(r"(`[^`]*`)", text)
    out = []
    for part in parts:
        if part.startswith("`") and part.endswith("`") and len(part) > 1:
            out.append(code(re.match(r"`(.*)`", part)))
            continue
        part = escape(part)
        part = re.sub(r"\[([^\]]+)\]\([^)]+\)", r"\1", part)
        part = re.sub(r"\*\*([^*]+)\*\*", r"\\fB\1\\fR", part)
        out.append(part)
    return "".join(out)


def text_lines(text):
    """A paragraph's text, one sentence-ish line each, none starting with
    a dot or quote."""
    words = inline(text)
    lines = re.split(r"(?<=[.;:]) (?=[A-Z\\`(])", words)
    return ["\\&" + l if l[:1] in (".", "'") else l for l in lines]


def table(rows):
    """A pipe table through tbl: short columns as they are, the long ones
    sharing what is left of a terminal's 80 columns as filled text."""
    cells = [[c.strip() for c in r.strip().strip("|").split("|")] for r in rows]
    header, body = cells[0], cells[2:]
    n = len(header)
    widths = [max(len(r[i]) for r in [header] + body) for i in range(n)]
    long = [w > 14 for w in widths]
    room = 66 - sum(w + 3 for w, l in zip(widths, long) if not l) - 3 * sum(long)
    share = max(room // max(sum(long), 1), 12)
    columns = " ".join(f"lw({share}n)" if l else "l" for l in long)
    head = " ".join(f"lbw({share}n)" if l else "lb" for l in long)
    out = [".TS", "allbox tab(@);", head, columns + "."]

    def cell(text, i):
        return "T{\n.na\n.nh\n" + inline(text) + "\nT}" if long[i] else inline(text)
    out.append("@".join(inline(h) for h in header))
    for row in body:
        out.append("@".join(cell(c, i) for i, c in enumerate(row)))
    out.append(".TE")
    return out


def convert(source, name, section, description):
    lines = source.split("\n")
    out = ["'\\\" t", f'.TH {name.upper()} {section} "December 2026" "psgc" "File Formats"',
           ".SH NAME", f"{name} \\- {description}"]
    i = 0
    # The title line is the page's NAME.
    while i < len(lines) and not lines[i].startswith("# "):
        i += 1
    i += 1
    first_section = True
    paragraph, items = [], None

    def flush():
        nonlocal paragraph, items
        if paragraph:
            out.append(".PP")
            out.extend(text_lines(" ".join(paragraph)))
            paragraph = []
        if items is not None:
            for item in items:
                out.append(".IP \\(bu 2")
                out.extend(text_lines(" ".join(item)))
            items = None

    while i < len(lines):
        line = lines[i]
        if first_section and line.strip() and not line.startswith("#"):
            out.append(".SH DESCRIPTION")
            first_section = False
        if line.startswith("```"):
            flush()
            block = []
            i += 1
            while not lines[i].startswith("```"):
                block.append(lines[i])
                i += 1
            out += [".PP", ".RS", ".EX"]
            out += ["\\&" + escape(b) if b[:1] in (".", "'") else escape(b) for b in block]
            out += [".EE", ".RE"]
        elif line.startswith("## "):
            flush()
            first_section = False
            out.append(".SH " + inline(line[3:]).upper())
        elif line.startswith("### "):
            flush()
            out.append(".SS " + inline(line[4:]))
        elif line.startswith("|"):
            flush()
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                rows.append(lines[i])
                i += 1
            out += table(rows)
            continue
        elif line.startswith("- "):
            if paragraph:
                flush()
            if items is None:
                items = []
            items.append([line[2:].strip()])
        elif line.startswith("  ") and items is not None and line.strip():
            items[-1].append(line.strip())
        elif not line.strip():
            flush()
        elif line.startswith("Contents:"):
            while i < len(lines) and lines[i].strip():
                i += 1
            continue
        else:
            if items is not None:
                flush()
            paragraph.append(line.strip())
        i += 1
    flush()
    return "\n".join(out) + "\n"


def main():
    doc, name, section, description = sys.argv[1:5]
    with open(doc, encoding="utf-8") as f:
        sys.stdout.write(convert(f.read(), name, section, description))


if __name__ == "__main__":
    main()
