#!/usr/bin/env python3
"""Drops files on a window as a file manager does, through the X drag and
drop protocol (XDND): enter, position, drop, then serve the file list
(text/uri-list) that the target asks for, until the target reports that it
has finished.

Usage: xdnd_drop.py WINDOW X Y URI...   (X and Y on the screen)
Exits 0 when the target accepted and finished the drop. Standard library
only (ctypes over libX11).
"""

import ctypes
import select
import sys
import time

from window_manager import Atom, Window, XEvent, load_xlib

SELECTION_REQUEST = 30
CLIENT_MESSAGE = 33
PROP_MODE_REPLACE = 0
CURRENT_TIME = 0
XDND_VERSION = 5
TIMEOUT = 10.0


class XSelectionRequestEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("owner", Window), ("requestor", Window), ("selection", Atom),
                ("target", Atom), ("property", Atom), ("time", ctypes.c_ulong)]


class XSelectionEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("requestor", Window), ("selection", Atom), ("target", Atom),
                ("property", Atom), ("time", ctypes.c_ulong)]


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    target, x, y = (int(v, 0) for v in sys.argv[1:4])
    uris = "".join(uri + "\r\n" for uri in sys.argv[4:]).encode()

    xlib = load_xlib()
    xlib.XCreateSimpleWindow.restype = Window
    xlib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int,
                                         ctypes.c_uint, ctypes.c_uint, ctypes.c_uint,
                                         ctypes.c_ulong, ctypes.c_ulong]
    xlib.XSetSelectionOwner.argtypes = [ctypes.c_void_p, Atom, Window, ctypes.c_ulong]
    xlib.XChangeProperty.argtypes = [ctypes.c_void_p, Window, Atom, Atom, ctypes.c_int,
                                     ctypes.c_int, ctypes.c_char_p, ctypes.c_int]
    xlib.XPending.argtypes = [ctypes.c_void_p]
    xlib.XConnectionNumber.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("xdnd_drop: cannot open the display")
    atom = lambda name: xlib.XInternAtom(display, name.encode(), 0)
    uri_list = atom("text/uri-list")
    selection = atom("XdndSelection")
    source = xlib.XCreateSimpleWindow(display, xlib.XDefaultRootWindow(display), 0, 0, 1, 1, 0,
                                      0, 0)
    xlib.XSetSelectionOwner(display, selection, source, CURRENT_TIME)

    def send(kind, *data):
        event = XEvent()
        event.client.type = CLIENT_MESSAGE
        event.client.window = target
        event.client.message_type = atom(kind)
        event.client.format = 32
        for i, value in enumerate(data):
            event.client.data[i] = value
        xlib.XSendEvent(display, target, 0, 0, ctypes.byref(event))
        xlib.XFlush(display)

    def serve(request):
        """Hands the file list to the target that asks for it."""
        answer = XSelectionEvent(type=31, send_event=1, requestor=request.requestor,
                                 selection=request.selection, target=request.target,
                                 property=request.property, time=request.time)
        if request.target == uri_list:
            xlib.XChangeProperty(display, request.requestor, request.property, uri_list, 8,
                                 PROP_MODE_REPLACE, uris, len(uris))
        else:
            answer.property = 0
        xlib.XSendEvent(display, request.requestor, 0, 0,
                        ctypes.cast(ctypes.byref(answer), ctypes.POINTER(XEvent)))
        xlib.XFlush(display)

    def wait_message(kind):
        """Serves requests until the target sends the message; returns its data."""
        deadline = time.monotonic() + TIMEOUT
        event = XEvent()
        while time.monotonic() < deadline:
            if not xlib.XPending(display):
                select.select([xlib.XConnectionNumber(display)], [], [], 0.05)
                continue
            xlib.XNextEvent(display, ctypes.byref(event))
            if event.type == SELECTION_REQUEST:
                serve(ctypes.cast(ctypes.byref(event),
                                  ctypes.POINTER(XSelectionRequestEvent)).contents)
            elif event.type == CLIENT_MESSAGE and event.client.message_type == atom(kind):
                return list(event.client.data)
        sys.exit(f"xdnd_drop: no {kind} from the target")

    send("XdndEnter", source, XDND_VERSION << 24, uri_list, 0, 0)
    send("XdndPosition", source, 0, (x << 16) | y, CURRENT_TIME, atom("XdndActionCopy"))
    if not wait_message("XdndStatus")[1] & 1:
        send("XdndLeave", source)
        sys.exit("xdnd_drop: the target refused the files")
    send("XdndDrop", source, 0, CURRENT_TIME)
    if not wait_message("XdndFinished")[1] & 1:
        sys.exit("xdnd_drop: the target did not take the drop")


if __name__ == "__main__":
    main()
