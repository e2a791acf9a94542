#!/usr/bin/env python3
"""Checks that the includes of src/ point down the layers and form no circle between folders.

Every project header is included by its path under src/ (<host/forms/Form.h>). A folder may
include only the folders below it in LAYERS; the server knows nothing of the desktop, the
host nothing of the module. Prints each upward include and each circle, and exits 1 if any.
Usage: scripts/check-layers.py [src-dir]
"""
import os
import re
import sys

HOST = ["core", "forms", "controls", "dbcontrols", "remote", "database", "library", "search",
        "baseforms"]
# Each folder, with the folders it may include (besides itself).
LAYERS = {"dataset": set(), "server": {"dataset"}}
for i, room in enumerate(HOST):
    LAYERS["host/" + room] = {"dataset"} | {"host/" + r for r in HOST[:i]}
LAYERS["est25000"] = {"dataset"} | {"host/" + r for r in HOST}
LAYERS["suite"] = LAYERS["est25000"] | {"server"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def room_of(path):
    """The folder of LAYERS a path under src/ belongs to, or None."""
    parts = path.split("/")
    if parts[0] == "host" and len(parts) > 2:
        return "host/" + parts[1]
    return parts[0] if parts[0] in LAYERS else None


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    src = os.path.normpath(src)
    faults = []
    edges = {}
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.relpath(os.path.join(folder, name), src)
            here = room_of(path)
            if here is None:
                faults.append(f"{path}: fora de qualquer camada conhecida")
                continue
            with open(os.path.join(src, path), encoding="utf-8") as f:
                text = f.read()
            for quote, target in INCLUDE.findall(text):
                if quote == '"':
                    faults.append(f'{path}: inclusão "{target}" sem a pasta (use <pasta/{target}>)')
                    continue
                there = room_of(target) if os.path.exists(os.path.join(src, target)) else None
                if there is None or there == here:
                    continue
                edges.setdefault(here, set()).add(there)
                if there not in LAYERS[here]:
                    faults.append(f"{path}: inclui {target}, de uma camada acima ou alheia ({there})")
    faults += [f"círculo entre pastas: {' -> '.join(c)}" for c in circles(edges)]
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} problema(s) nas inclusões")
        return 1
    print(f"inclusões em ordem: {sum(len(v) for v in edges.values())} ligações entre pastas")
    return 0


def circles(edges):
    """One circle through each folder that is on one, found by depth-first search."""
    found, state, stack = [], {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                found.append(stack[stack.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = "done"

    for node in sorted(edges):
        if node not in state:
            visit(node)
    return found


if __name__ == "__main__":
    sys.exit(main())
