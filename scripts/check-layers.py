#!/usr/bin/env python3
"""Fails when a source file includes a header of a library that stands above its own, or beside it.

Order, lowest first: platform; diagnostics, json, archive; documents; model; library; legacy;
convert; app. A library may include its own headers and those of the levels below it.
"""
import pathlib
import re
import sys

LEVEL = {"platform": 0, "diagnostics": 1, "json": 2, "archive": 2, "documents": 3, "model": 4,
         "library": 5, "legacy": 6, "convert": 7, "app": 8}
root = pathlib.Path(__file__).resolve().parent.parent / "src"
bad = []
for path in sorted(root.rglob("*.[ch]pp")):
    own = path.relative_to(root).parts[0]
    for n, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        m = re.match(r'\s*#\s*include\s+"([a-z_]+)/', line)
        if m and m.group(1) != own and LEVEL.get(m.group(1), 99) >= LEVEL[own]:
            bad.append(f"{path.relative_to(root.parent)}:{n}: {own} includes {m.group(1)}")
print("\n".join(bad) or "layers: every include points down")
sys.exit(1 if bad else 0)
