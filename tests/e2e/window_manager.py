#!/usr/bin/env python3
"""A very small window manager for a test X display.

A bare Xvfb has no window manager, so nothing hands the keyboard focus to new
windows and Alt+F4 is just a key press. This program does the two things a
desktop does that the end-to-end tests rely on:

- a top-level window that is mapped gets the input focus; when the focused one
  goes away, the focus returns to the most recent window still mapped;
- Alt+F4 asks the focused top-level window to close (WM_DELETE_WINDOW), as a
  person closing it from the desktop would.

It prints "ready" once its key grab is in place, then runs until killed.
Standard library only (ctypes over libX11).
"""

import ctypes
import ctypes.util
import sys

KEY_PRESS = 2
DESTROY_NOTIFY = 17
UNMAP_NOTIFY = 18
MAP_NOTIFY = 19
CLIENT_MESSAGE = 33
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
LOCK_MASK = 1 << 1
MOD1_MASK = 1 << 3
MOD2_MASK = 1 << 4  # NumLock on the usual keyboard maps
GRAB_MODE_ASYNC = 1
REVERT_TO_PARENT = 2
CURRENT_TIME = 0
XK_F4 = 0xFFC1

Window = ctypes.c_ulong
Atom = ctypes.c_ulong


class XAnyEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", Window)]


class XKeyEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", Window), ("root", Window), ("subwindow", Window),
                ("time", ctypes.c_ulong), ("x", ctypes.c_int), ("y", ctypes.c_int),
                ("x_root", ctypes.c_int), ("y_root", ctypes.c_int),
                ("state", ctypes.c_uint), ("keycode", ctypes.c_uint),
                ("same_screen", ctypes.c_int)]


class XStructureEvent(ctypes.Structure):
    """The common head of MapNotify, UnmapNotify and DestroyNotify."""
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("event", Window), ("window", Window),
                ("override_redirect", ctypes.c_int)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", Window), ("message_type", Atom), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("any", XAnyEvent), ("key", XKeyEvent),
                ("structure", XStructureEvent), ("client", XClientMessageEvent),
                ("pad", ctypes.c_long * 24)]


ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


def load_xlib():
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = Window
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XKeysymToKeycode.restype = ctypes.c_ubyte
    xlib.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, Window,
                              ctypes.c_int, ctypes.c_int, ctypes.c_int]
    xlib.XSelectInput.argtypes = [ctypes.c_void_p, Window, ctypes.c_long]
    xlib.XInternAtom.restype = Atom
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(XEvent)]
    xlib.XSetInputFocus.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_ulong]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XSetErrorHandler.argtypes = [ERROR_HANDLER]
    return xlib


def main():
    xlib = load_xlib()
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("window_manager: cannot open the display")
    # Windows vanish between an event and our answer to it; Xlib's default
    # handler would end the program on the first BadWindow.
    ignore_errors = ERROR_HANDLER(lambda _display, _error: 0)
    xlib.XSetErrorHandler(ignore_errors)

    root = xlib.XDefaultRootWindow(display)
    xlib.XSelectInput(display, root, SUBSTRUCTURE_NOTIFY_MASK)
    f4 = xlib.XKeysymToKeycode(display, XK_F4)
    for extra in (0, LOCK_MASK, MOD2_MASK, LOCK_MASK | MOD2_MASK):
        xlib.XGrabKey(display, f4, MOD1_MASK | extra, root, 1, GRAB_MODE_ASYNC, GRAB_MODE_ASYNC)
    wm_protocols = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
    wm_delete = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    xlib.XSync(display, 0)
    print("ready", flush=True)

    mapped = []  # top-level windows in the order they were mapped

    def focus_latest():
        if mapped:
            xlib.XSetInputFocus(display, mapped[-1], REVERT_TO_PARENT, CURRENT_TIME)

    event = XEvent()
    while True:
        xlib.XNextEvent(display, ctypes.byref(event))
        kind = event.type
        if kind == MAP_NOTIFY:
            window = event.structure.window
            if not event.structure.override_redirect:  # menus and tooltips keep out
                if window in mapped:
                    mapped.remove(window)
                mapped.append(window)
                focus_latest()
        elif kind in (UNMAP_NOTIFY, DESTROY_NOTIFY):
            window = event.structure.window
            if window in mapped:
                was_focused = window == mapped[-1]
                mapped.remove(window)
                if was_focused:
                    focus_latest()
        elif kind == KEY_PRESS and mapped:
            message = XEvent()
            message.client.type = CLIENT_MESSAGE
            message.client.window = mapped[-1]
            message.client.message_type = wm_protocols
            message.client.format = 32
            message.client.data[0] = wm_delete
            message.client.data[1] = CURRENT_TIME
            xlib.XSendEvent(display, mapped[-1], 0, 0, ctypes.byref(message))
        xlib.XFlush(display)


if __name__ == "__main__":
    main()
