#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints the text of every label in one window of a running program, one a
line, as the program publishes them to assistive technologies (AT-SPI).

    a11y_labels.py PID WINDOW-TITLE
    a11y_labels.py PID --press NAME

With --press, does what a screen reader's user does to the program's control or
menu entry of that name (its first action): a click where there is no pointer.
Exits 1 when the program or the window is not (yet) on the accessibility bus.
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def labels(node):
    if node.get_role() == Atspi.Role.LABEL:
        yield node.get_name()
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from labels(child)


def press(node, name):
    if node.get_name() == name and node.get_action_iface() is not None:
        return node.get_action_iface().do_action(0)
    return any(press(c, name) for c in map(node.get_child_at_index, range(node.get_child_count())) if c)


def main():
    pid, title = int(sys.argv[1]), sys.argv[2]
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
            if title == "--press":
                return 0 if press(app, sys.argv[3]) else 1
            for j in range(app.get_child_count()):
                window = app.get_child_at_index(j)
                if window is not None and window.get_name() == title:
                    print("\n".join(labels(window)))
                    return 0
        except GLib.Error:
            continue  # a program that went away meanwhile
    return 1


sys.exit(main())
