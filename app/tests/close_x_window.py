#!/usr/bin/env python3
"""Waits for a top-level X window with the given name and asks it to close
(WM_DELETE_WINDOW), as a window manager's close button does.

usage: close_x_window.py NAME [TIMEOUT_S]
Exit status: 0 asked, 2 no X library or display, 3 no such window in time.
"""
import ctypes
import ctypes.util
import sys
import time


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def main():
    name = sys.argv[1].encode()
    timeout = float(sys.argv[2]) if len(sys.argv) > 2 else 20.0
    path = ctypes.util.find_library("X11")
    if not path:
        return 2
    x = ctypes.CDLL(path)
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                             ctypes.POINTER(ctypes.c_ulong),
                             ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                             ctypes.POINTER(ctypes.c_uint)]
    x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.POINTER(XEvent)]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x.XOpenDisplay(None)
    if not display:
        return 2
    # A window may go away between listing and asking it for its name (the
    # program's toolkit makes short-lived windows while it starts). Xlib's
    # own handler would end this process on that error; it is ignored.
    handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
    ignore = handler_type(lambda _display, _event: 0)
    x.XSetErrorHandler.restype = ctypes.c_void_p
    x.XSetErrorHandler.argtypes = [handler_type]
    x.XSetErrorHandler(ignore)

    def find(window):
        title = ctypes.c_char_p()
        if x.XFetchName(display, window, ctypes.byref(title)) and title.value == name:
            return window
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not x.XQueryTree(display, window, ctypes.byref(root), ctypes.byref(parent),
                            ctypes.byref(children), ctypes.byref(count)):
            return None
        for i in range(count.value):
            found = find(children[i])
            if found:
                return found
        return None

    end = time.monotonic() + timeout
    window = None
    while window is None and time.monotonic() < end:
        window = find(x.XDefaultRootWindow(display))
        if window is None:
            time.sleep(0.05)
    if window is None:
        x.XCloseDisplay(display)
        return 3
    event = XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x.XFlush(display)
    x.XCloseDisplay(display)
    return 0


if __name__ == "__main__":
    sys.exit(main())
