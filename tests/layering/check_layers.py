#!/usr/bin/env python3
"""Checks every #include "..." between the program's top-level folders against
the table of allowed uses, so the layers stay as the README draws them.

    check_layers.py ROOT        exit 1 and list each include that breaks the table
    check_layers.py --self-test plant a back edge in a scratch tree; exit 0 when caught
"""
import pathlib
import re
import sys
import tempfile

# Folder: the folders its sources may include from (besides its own).
ALLOWED = {
    "app": {"settings", "controls", "dialog", "engine", "config", "res", "platform"},
    "settings": {"controls", "dialog", "config", "res", "platform"},
    "engine": {"config", "platform"},
    "controls": {"dialog", "platform"},
    "dialog": {"platform"},
    "config": {"platform"},
    "res": {"platform"},
    "platform": set(),
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def back_edges(root):
    edges = []
    for folder, allowed in ALLOWED.items():
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match or "/" not in match.group(1):
                    continue
                target = match.group(1).split("/", 1)[0]
                if target != folder and target not in allowed:
                    edges.append(f"{path.relative_to(root)}:{number}: {folder} -> {target} "
                                 f'("{match.group(1)}")')
    return edges


def self_test():
    with tempfile.TemporaryDirectory() as scratch:
        root = pathlib.Path(scratch)
        for name, text in {
            "platform/paths.h": "#pragma once\n",
            "config/Settings.h": '#include "platform/paths.h"\n',
            "engine/Cycle.cpp": '#include "config/Settings.h"\n#include "engine/Cycle.h"\n',
            "engine/maillib/Mail.cpp": '#include "settings/Page.h"\n',
            "settings/Page.h": '#include "config/Settings.h"\n',
        }.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text)
        edges = back_edges(root)
        expected = ['engine/maillib/Mail.cpp:1: engine -> settings ("settings/Page.h")']
        if edges != expected:
            print("self-test: expected", expected, "got", edges)
            return 1
    print("self-test: the planted back edge was caught, the allowed ones passed")
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2:
        print(__doc__)
        return 2
    edges = back_edges(pathlib.Path(argv[1]))
    for edge in edges:
        print(edge)
    print(f"{len(edges)} include(s) against the layers" if edges else "layers: no back edge")
    return 1 if edges else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
