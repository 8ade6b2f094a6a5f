#!/usr/bin/env python3
"""Fails when a source folder includes a header from a folder above its own.

The folders form layers, bottom to top; each may include only from itself and
the folders below it. Every problem is named as file:line and the include.
"""
import os
import re
import sys

LAYERS = ["lib", "base", "payload", "components", "config", "sequence", "ui", "app", "packager"]
# Quoted or angle-bracket includes alike: either finds a project folder.
INCLUDE = re.compile(r'^\s*#\s*include\s*["<]([^">/]+)/')


def problems(root):
    for rank, folder in enumerate(LAYERS):
        allowed = LAYERS[: rank + 1]
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp", ".inl", ".rc")):
                    continue
                path = os.path.join(directory, name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if match and match.group(1) in LAYERS and match.group(1) not in allowed:
                            yield "%s:%d: %s includes %s, above it; %s/ may use only %s" % (
                                os.path.relpath(path, root), number, folder, line.strip(), folder,
                                ", ".join(layer + "/" for layer in allowed))


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    found = list(problems(root))
    for problem in found:
        print(problem, file=sys.stderr)
    if found:
        print("Layer check: %d include(s) against the layer order %s" % (len(found), " < ".join(LAYERS)),
              file=sys.stderr)
        return 1
    print("Layer check: every folder includes only itself and the folders below it")
    return 0


if __name__ == "__main__":
    sys.exit(main())
