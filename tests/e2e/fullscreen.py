#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Asks the window manager to make a window full-screen, as a program's own
"full screen" does (a _NET_WM_STATE request to the root window).

    fullscreen.py WINDOW-ID

Exit status 2 when the display cannot be opened. Debian 13's xdotool predates
its windowstate command.
"""

import ctypes
import ctypes.util
import sys


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("message", ClientMessage), ("pad", ctypes.c_long * 24)]


def main():
    window = int(sys.argv[1], 0)
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(Event)]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        return 2
    event = Event()
    event.message.type = 33  # ClientMessage
    event.message.window = window
    event.message.message_type = xlib.XInternAtom(display, b"_NET_WM_STATE", 0)
    event.message.format = 32
    event.message.data[0] = 1  # add
    event.message.data[1] = xlib.XInternAtom(display, b"_NET_WM_STATE_FULLSCREEN", 0)
    event.message.data[3] = 1  # from an application
    # SubstructureRedirectMask | SubstructureNotifyMask
    xlib.XSendEvent(display, xlib.XDefaultRootWindow(display), 0, (1 << 20) | (1 << 19),
                    ctypes.byref(event))
    xlib.XCloseDisplay(display)
    return 0


if __name__ == "__main__":
    sys.exit(main())
