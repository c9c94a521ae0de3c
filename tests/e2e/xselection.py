#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Prints the window that owns an X selection (WM_S0, _NET_SYSTEM_TRAY_S0, ...).

Exit status 0 when the selection has an owner, 1 when it has none, 2 when the
display cannot be opened. xprop cannot tell selection owners, so ask Xlib.
"""

import ctypes
import ctypes.util
import sys


def main():
    name = sys.argv[1].encode()
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetSelectionOwner.restype = ctypes.c_ulong
    xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        return 2
    try:
        owner = xlib.XGetSelectionOwner(display, xlib.XInternAtom(display, name, 0))
    finally:
        xlib.XCloseDisplay(display)
    if owner:
        print("0x%x" % owner)
        return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
