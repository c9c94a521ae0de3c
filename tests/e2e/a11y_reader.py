#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Listens on the accessibility bus as a screen reader does, and prints what it hears.

  a11y_reader.py [--showing-only]

Registers for object:state-changed:showing (the event on which Orca presents a
notification), and, as Orca does, for the changes of names and descriptions that
keep what it reads up to date. Prints, one line each, tab-separated:

  ready                          registered: programs started from now on send the event
  app  NAME                      an application has joined the desktop
  showing  DETAIL1  ROLE  NAME  DESCRIPTION  STATES  TEXTS...
                                 one event; TEXTS are the names and texts of the
                                 source and of every object below it, read when the
                                 event arrives, as a reader reads them

Tabs, line ends and backslashes inside a field are written as \\t, \\n, \\r, \\\\.
"""

import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def field(text):
    text = text or ""
    return (text.replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\n", "\\n").replace("\r", "\\r"))


def say(*fields):
    print("\t".join(field(f) for f in fields), flush=True)


def texts(obj, out):
    out.append(obj.get_name())
    if "Text" in obj.get_interfaces():
        out.append(Atspi.Text.get_text(obj, 0, Atspi.Text.get_character_count(obj)))
    for i in range(obj.get_child_count()):
        child = obj.get_child_at_index(i)
        if child is not None:
            texts(child, out)
    return out


def states(obj):
    names = [s.value_nick for s in obj.get_state_set().get_states()]
    return ",".join(sorted(names))


def on_showing(event):
    src = event.source
    try:
        say("showing", str(event.detail1), src.get_role_name(), src.get_name(),
            src.get_description(), states(src), *texts(src, []))
    except GLib.Error as error:  # the object went away before it could be read
        say("showing", str(event.detail1), "unreadable", error.message)


known_apps = set()


def look_for_apps():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None:
            continue
        key = (app.get_process_id(), app.get_name())
        if key not in known_apps:
            known_apps.add(key)
            say("app", app.get_name())
    return True


def main():
    # As Orca does: a reader keeps what it has read (names, descriptions) and
    # reads it again when the program reports a change. With --showing-only it
    # keeps it and hears of no change: the program must not rely on either.
    if sys.argv[1:] != ["--showing-only"]:
        keep_fresh = Atspi.EventListener.new(lambda event: None)
        keep_fresh.register("object:property-change:accessible-name")
        keep_fresh.register("object:property-change:accessible-description")
    listener = Atspi.EventListener.new(on_showing)
    # Returns once the registry has the listener: a program that starts after
    # this asks the registry what to send and learns of it.
    listener.register("object:state-changed:showing")
    say("ready")
    GLib.timeout_add(50, look_for_apps)
    Atspi.event_main()


if __name__ == "__main__":
    sys.exit(main())
