"""Asks a window whether it still answers, the way a window manager does:
the EWMH _NET_WM_PING client message, sent every 20 ms to the window; the
client answers by sending it back to the root window. The longest wait for an
answer is what a desktop weighs before it marks a window "not responding".

Standard library only (ctypes over libX11), with a display connection of its
own on a thread of its own.
"""

import ctypes
import select
import threading
import time

from window_manager import CLIENT_MESSAGE, SUBSTRUCTURE_NOTIFY_MASK, XEvent, load_xlib

INTERVAL = 0.02
STRUCTURE_NOTIFY_MASK = 1 << 17


class Pinger:
    """Pings a window from start() until stop(); longest() is the longest
    wait for an answer so far, a ping still unanswered counting until now."""

    def __init__(self, display_name, window):
        self.display_name = display_name.encode()
        self.window = window
        self.lock = threading.Lock()
        self.sent = {}  # timestamp -> monotonic time sent, while unanswered
        self.waits = []
        self.running = False
        self.thread = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        self.running = True
        ready = threading.Event()
        self.thread = threading.Thread(target=self._run, args=(ready,), daemon=True)
        self.thread.start()
        if not ready.wait(5):
            raise AssertionError("the ping helper could not open the display")
        return self

    def stop(self):
        self.running = False
        if self.thread:
            self.thread.join(5)
        return self.longest()

    def longest(self):
        now = time.monotonic()
        with self.lock:
            pending = [now - t for t in self.sent.values()]
            return max(self.waits + pending, default=0.0)

    def answered(self):
        with self.lock:
            return len(self.waits)

    def reset(self):
        """Forgets the waits so far (pings in flight go on counting)."""
        with self.lock:
            self.waits = []

    def wait_answers(self, count, timeout=30):
        """Waits until `count` more pings have been answered: the window's
        thread has come back to its event loop since."""
        target = self.answered() + count
        deadline = time.monotonic() + timeout
        while self.answered() < target:
            if time.monotonic() > deadline:
                raise AssertionError(f"the window answered no ping for {timeout} s")
            time.sleep(INTERVAL)

    def _run(self, ready):
        xlib = load_xlib()
        xlib.XConnectionNumber.argtypes = [ctypes.c_void_p]
        xlib.XPending.argtypes = [ctypes.c_void_p]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = xlib.XOpenDisplay(self.display_name)
        if not display:
            return
        root = xlib.XDefaultRootWindow(display)
        # The answer goes to the root window, for whoever selects structure
        # (Qt) or substructure (others) notification there; the window
        # manager's own selection takes nothing from this one.
        xlib.XSelectInput(display, root, STRUCTURE_NOTIFY_MASK | SUBSTRUCTURE_NOTIFY_MASK)
        protocols = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
        ping = xlib.XInternAtom(display, b"_NET_WM_PING", 0)
        xlib.XSync(display, 0)
        fd = xlib.XConnectionNumber(display)
        ready.set()
        stamp = 1
        next_ping = time.monotonic()
        event = XEvent()
        try:
            while self.running:
                now = time.monotonic()
                if now >= next_ping:
                    message = XEvent()
                    message.client.type = CLIENT_MESSAGE
                    message.client.window = self.window
                    message.client.message_type = protocols
                    message.client.format = 32
                    message.client.data[0] = ping
                    message.client.data[1] = stamp
                    message.client.data[2] = self.window
                    with self.lock:
                        self.sent[stamp] = now
                    xlib.XSendEvent(display, self.window, 0, 0, ctypes.byref(message))
                    xlib.XFlush(display)
                    stamp += 1
                    next_ping += INTERVAL
                while xlib.XPending(display):
                    xlib.XNextEvent(display, ctypes.byref(event))
                    if (event.type == CLIENT_MESSAGE and event.client.message_type == protocols
                            and event.client.data[0] == ping):
                        answered = time.monotonic()
                        with self.lock:
                            sent = self.sent.pop(event.client.data[1], None)
                            if sent is not None:
                                self.waits.append(answered - sent)
                select.select([fd], [], [], max(0.0, next_ping - time.monotonic()))
        finally:
            xlib.XCloseDisplay(display)
