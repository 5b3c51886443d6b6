"""A private X desktop for one test: Xvfb, a minimal window manager, and the
command-line tools (xdotool, xclip, xwininfo, import) that drive it.

Nothing here sleeps for a fixed time: every wait polls for the condition it
needs with a bounded timeout and fails with a message naming what it waited for.
"""

import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = "1280x1024x24"
TIMEOUT = float(os.environ.get("E2E_TIMEOUT", "20"))
POLL = 0.05


class WaitTimeout(AssertionError):
    pass


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it returns something truthy and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise WaitTimeout(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(POLL)


def read_line(stream, what, timeout=TIMEOUT):
    """Reads one line from a child's pipe without blocking past the timeout."""
    os.set_blocking(stream.fileno(), False)
    data = b""
    deadline = time.monotonic() + timeout
    while b"\n" not in data:
        chunk = stream.read()
        if chunk:
            data += chunk
            continue
        if chunk == b"":
            raise AssertionError(f"{what}: the program ended first")
        if time.monotonic() > deadline:
            raise WaitTimeout(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(POLL)
    return data.split(b"\n", 1)[0].decode()


class Desktop:
    """An Xvfb display of its own with a window manager, torn down by stop()."""

    def __init__(self, log_dir, screen=None):
        self.log_dir = log_dir
        self.screen = screen or SCREEN
        self.children = []
        self.display = None
        self.env = None
        self.root = None

    def start(self):
        # Xvfb picks a free display number itself and reports it through a
        # pipe, so parallel suites and other X servers never collide.
        read_end, write_end = os.pipe()
        xvfb_log = open(os.path.join(self.log_dir, "xvfb.log"), "wb")
        try:
            xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen, "-nolisten", "tcp",
                 "-noreset"],
                pass_fds=[write_end], stdout=xvfb_log, stderr=subprocess.STDOUT)
        finally:
            os.close(write_end)
            xvfb_log.close()
        self.children.append(xvfb)
        with os.fdopen(read_end, "rb") as reader:
            number = read_line(reader, "Xvfb to report its display number")
        self.display = ":" + number.strip()
        self.env = self._clean_env()
        self.env["DISPLAY"] = self.display
        root_info = self.run("xwininfo", "-root").stdout.decode()
        self.root = int(re.search(r"Window id: (0x[0-9a-f]+)", root_info).group(1), 16)

        wm = self.spawn([sys.executable, os.path.join(HERE, "window_manager.py")],
                        stdout=subprocess.PIPE, log_name="window_manager.log")
        if read_line(wm.stdout, "the window manager to start") != "ready":
            raise AssertionError("the window manager did not start")
        return self

    @staticmethod
    def _clean_env():
        env = dict(os.environ)
        # ctest runs the suite with the offscreen platform; these tests need a
        # real X connection and Qt's plain widget dialogs.
        for name in ("QT_QPA_PLATFORM", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE",
                     "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS"):
            env.pop(name, None)
        env["NO_AT_BRIDGE"] = "1"
        return env

    def spawn(self, argv, env=None, stdout=None, log_name=None, stdin=None):
        log = open(os.path.join(self.log_dir, log_name), "ab") if log_name else subprocess.DEVNULL
        try:
            child = subprocess.Popen(argv, env=env or self.env, stdin=stdin,
                                     stdout=stdout if stdout is not None else log,
                                     stderr=log if log_name else subprocess.DEVNULL)
        finally:
            if log_name:
                log.close()
        self.children.append(child)
        return child

    def stop(self):
        for child in reversed(self.children):
            if child.poll() is None:
                child.terminate()
                try:
                    child.wait(5)
                except subprocess.TimeoutExpired:
                    child.kill()
                    child.wait()
            for stream in (child.stdin, child.stdout):
                if stream:
                    stream.close()
        self.children.clear()

    # --- tools -------------------------------------------------------------

    def run(self, *argv, input=None, check=True):
        result = subprocess.run(argv, env=self.env, input=input, capture_output=True,
                                timeout=TIMEOUT)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(argv)} failed: {result.stderr.decode().strip()}")
        return result

    def xdotool(self, *args):
        return self.run("xdotool", *map(str, args)).stdout.decode()

    def windows(self, name):
        """Ids of the viewable top-level windows whose title matches the
        pattern (a program's inner windows share its title)."""
        result = self.run("xdotool", "search", "--maxdepth", "1", "--onlyvisible", "--name", name,
                          check=False)
        return [int(w) for w in result.stdout.split()]

    def all_windows(self):
        """Every viewable top-level window: main windows, dialogs, menus."""
        return set(self.windows("")) - {self.root}

    def focused_window(self):
        result = self.run("xdotool", "getwindowfocus", "-f", check=False)
        return int(result.stdout) if result.returncode == 0 and result.stdout.strip() else None

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        text = self.run("xwininfo", "-id", str(window)).stdout.decode()
        value = lambda label: int(re.search(label + r":\s+(-?\d+)", text).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                value("Height"))

    def override_redirect(self, window):
        """True for windows that bypass the window manager: menus, popup
        lists, tooltips."""
        text = self.run("xwininfo", "-id", str(window), check=False).stdout.decode()
        return "Override Redirect State: yes" in text

    def innermost_window(self, window, x, y):
        """(id, x, y, width, height) of the innermost window below a window
        that holds the point (x, y) of that window."""
        text = self.run("xwininfo", "-tree", "-id", str(window)).stdout.decode()
        left, top, width, height = self.geometry(window)
        best = (window, left, top, width, height)
        for match in re.finditer(r"^\s+(0x[0-9a-f]+) .*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+"
                                 r"\+(-?\d+)\+(-?\d+)\s*$", text, re.M):
            child = int(match.group(1), 16)
            w, h, cx, cy = (int(match.group(i)) for i in (2, 3, 4, 5))
            inside = cx <= left + x < cx + w and cy <= top + y < cy + h
            if inside and w * h <= best[3] * best[4]:
                best = (child, cx, cy, w, h)
        return best

    def screenshot(self, window, path):
        self.run("import", "-window", str(window), path)
        return path

    def settled_screenshot(self, window, path):
        """A screenshot taken once two captures in a row agree, so that the
        window has finished painting."""
        previous = None

        def capture():
            nonlocal previous
            picture = self.run("import", "-window", str(window), "png:-").stdout
            settled = picture == previous
            previous = picture
            return settled

        wait_for("the window to finish painting", capture)
        with open(path, "wb") as file:
            file.write(previous)
        return path

    def pixels(self, window):
        """The window's picture as (width, height, RGB bytes)."""
        _, _, width, height = self.geometry(window)
        rgb = self.run("import", "-window", str(window), "-depth", "8", "rgb:-").stdout
        return width, height, rgb

    def key(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def type_text(self, text):
        self.xdotool("type", "--delay", "15", "--", text)

    def click(self, window, x, y, button=1):
        self.xdotool("mousemove", "--sync", "--window", window, x, y)
        self.xdotool("click", button)

    # --- clipboard ---------------------------------------------------------

    def clipboard(self, target=None):
        """The clipboard's contents in the given format, or None when there
        are none in that format."""
        argv = ["xclip", "-selection", "clipboard", "-o"]
        if target:
            argv += ["-t", target]
        result = self.run(*argv, check=False)
        return result.stdout if result.returncode == 0 else None

    def clipboard_targets(self):
        data = self.clipboard("TARGETS")
        return set(data.decode().split()) if data else set()

    def set_clipboard(self, data):
        """Puts text on the clipboard the way another program does: xclip owns
        the selection and serves it until someone else takes it over."""
        owner = self.spawn(["xclip", "-selection", "clipboard", "-quiet", "-i"],
                           stdin=subprocess.PIPE, log_name="xclip.log")
        owner.stdin.write(data)
        owner.stdin.close()
        wait_for("xclip to own the clipboard", lambda: self.clipboard() == data)
        return owner
