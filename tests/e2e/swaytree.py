#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""sway's window tree (swaymsg -t get_tree on stdin): `focused` prints the app id
of the focused window; `window PID TITLE` the id and rectangle ("ID X Y W H") of
that program's visible window of that title."""
import json
import sys


def nodes(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from nodes(child)


tree = list(nodes(json.load(sys.stdin)))
if sys.argv[1] == "focused":
    print(next((n.get("app_id") or "" for n in tree if n.get("focused")), ""))
else:
    for n in tree:
        if n.get("pid") == int(sys.argv[2]) and n.get("name") == sys.argv[3] and n.get("visible"):
            r = n["rect"]
            print(n["id"], r["x"], r["y"], r["width"], r["height"])
            break
