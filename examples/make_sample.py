#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds sample.xml, the project the start command opens, from the shared corpus.

One chapter per story; the chapter holds the opening lines, its paragraphs (outline
nodes) the rest in sections of about eight lines. Run from the repository root:
    examples/make_sample.py tests/data/corpus > examples/sample.xml
"""
import sys
from xml.sax.saxutils import escape, quoteattr

KANJI_NUMBERS = "一二三四五六七八九十"
STORIES = [("rashomon.txt", "羅生門"), ("kumo_no_ito.txt", "蜘蛛の糸"), ("hashire_merosu.txt", "走れメロス")]


def node(name, title, text, children=""):
    return (f"<{name} title={quoteattr(title)} textout=\"yes\" type=\"Basic\">"
            f"<text>{escape(text)}</text>{children}</{name}>")


def main(corpus):
    out = ['<?xml version="1.0" encoding="UTF-8"?><project title="短編集（青空文庫より）">']
    for file, title in STORIES:
        with open(f"{corpus}/{file}", encoding="utf-8") as f:
            lines = [line.rstrip("\n") for line in f if line.strip()]
        opening, rest = lines[:3], lines[3:]
        sections = [rest[i:i + 8] for i in range(0, len(rest), 8)]
        children = "".join(node("paragraph", KANJI_NUMBERS[i] if i < 10 else str(i + 1), "\n".join(s))
                            for i, s in enumerate(sections))
        out.append(node("chapter", title, "\n".join(opening), children))
    out.append("</project>\n")
    sys.stdout.write("".join(out))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/data/corpus")
