#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""What a test asks of GNOME Shell over the session bus.

    gnome_shell.py leave-overview   the shell starts in the overview: leave it
    gnome_shell.py screenshot FILE  the whole screen, as the shell draws it

On Wayland the shell answers its screenshot calls only to a caller that owns one
of the names it trusts; the screenshot tool's own is one of them.
"""
import sys
import time

from gi.repository import Gio, GLib

SHELL = "org.gnome.Shell"


def bus():
    return Gio.bus_get_sync(Gio.BusType.SESSION, None)


def overview(connection, active=None):
    """Sets the overview shown or not (active given), and tells whether it is."""
    if active is not None:
        connection.call_sync(SHELL, "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set",
                             GLib.Variant("(ssv)", (SHELL, "OverviewActive", GLib.Variant("b", active))),
                             None, Gio.DBusCallFlags.NONE, 5000, None)
    reply = connection.call_sync(SHELL, "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Get",
                                 GLib.Variant("(ss)", (SHELL, "OverviewActive")),
                                 GLib.VariantType("(v)"), Gio.DBusCallFlags.NONE, 5000, None)
    return reply.unpack()[0]


def leave_overview(connection):
    # The shell takes its name before its objects are there, and opens the
    # overview once its start-up animation is over: wait for that, then leave it.
    deadline = time.monotonic() + 30
    shown = False
    while time.monotonic() < deadline:
        try:
            if not shown:
                shown = overview(connection)
            elif not overview(connection, False):
                time.sleep(0.5)
                if not overview(connection):
                    return 0
        except GLib.Error:
            pass
        time.sleep(0.1)
    print("the overview stays up" if shown else "the overview never came", file=sys.stderr)
    return 1


def screenshot(connection, path):
    connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "RequestName", GLib.Variant("(su)", ("org.gnome.Screenshot", 4)),
                         None, Gio.DBusCallFlags.NONE, 5000, None)
    result = connection.call_sync(SHELL, "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot",
                                  "Screenshot", GLib.Variant("(bbs)", (False, False, path)),
                                  GLib.VariantType("(bs)"), Gio.DBusCallFlags.NONE, 10000, None)
    return 0 if result.unpack()[0] else 1


def main():
    connection = bus()
    if sys.argv[1:2] == ["leave-overview"]:
        return leave_overview(connection)
    if sys.argv[1:2] == ["screenshot"] and len(sys.argv) == 3:
        return screenshot(connection, sys.argv[2])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
