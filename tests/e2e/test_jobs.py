"""End-to-end test of long commands on a big series: the window goes on
answering the window manager's ping while they run, and Escape stops a long
one at once, leaving everything as it was.

E2E_JOB_SAMPLES sets the series' size (default 2,097,152, which keeps the
run short; the program's advertised 16,777,216 works too and takes minutes).
The figures go to jobs.txt in the test's artifact folder.
"""

import math
import os
import time

from desktop import TIMEOUT, WaitTimeout
from ping import Pinger
from test_fendrel import FendrelTestCase

SAMPLES = int(os.environ.get("E2E_JOB_SAMPLES", str(1 << 21)))
PING_LIMIT = 0.25
CANCEL_LIMIT = 0.5
LEVELS = 10

# Client-area rectangles (left, top, right, bottom) below the menu bar.
KNN = (16, 208, 120, 225)  # the "K-Nearest-Neighbor" radio button
DATA_VIEWS = (170, 0, 775, 486)  # both grids and both charts
STATUS_WIDTH, STATUS_HEIGHT = 330, 20  # where the job's progress and Cancel show


class Frame:
    """One capture of a window: RGB bytes, three per pixel."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def crop(self, left, top, right, bottom):
        stride = 3 * self.width
        return b"".join(self.rgb[y * stride + 3 * left:y * stride + 3 * right]
                        for y in range(top, bottom))


def write_series(path, count):
    step = 2 * math.pi / 1000
    with open(path, "w", newline="") as sample_file:
        sample_file.writelines(f"{i}.00000000,{math.sin(i * step) + 0.25 * math.sin(i * 0.37):.8f}\r\n"
                               for i in range(count))


class JobTestCase(FendrelTestCase):
    """What is seen of jobs from outside the program."""

    def frame(self):
        width, height, rgb = self.desktop.pixels(self.app.window)
        return Frame(width, height, rgb)

    def client(self, frame, rect):
        left, top, right, bottom = rect
        top += self.app.menu_bar_height
        bottom += self.app.menu_bar_height
        return frame.crop(left, top, min(right, frame.width), bottom)

    def status(self, frame):
        return frame.crop(frame.width - STATUS_WIDTH, frame.height - STATUS_HEIGHT, frame.width,
                          frame.height)

    def wait_idle(self, what, timeout=None):
        """Waits until the window takes commands again: a right click on the
        test chart opens its context menu (while a job runs the window takes
        no click), which Escape closes again. Returns the time the window was
        seen idle."""
        d = self.desktop
        deadline = time.monotonic() + (timeout or 30 * TIMEOUT)
        while time.monotonic() < deadline:
            before = self.app.popups()
            self.app.click("chTest", button=3)
            menu = None
            probe_end = time.monotonic() + 0.3
            while menu is None and time.monotonic() < probe_end:
                menu = self.app.popups() - before or None
            if menu:
                seen = time.monotonic()
                d.key("Escape")
                self.app.wait_popups_closed("the context menu to close", menu)
                return seen
        raise WaitTimeout(f"timed out waiting for the window to be idle after {what}")

    def click_client(self, rect):
        left, top, right, bottom = rect
        self.desktop.click(self.app.window, left + 8, (top + bottom) // 2 + self.app.menu_bar_height)


class Jobs(JobTestCase):
    def before_start(self):
        self.big = os.path.join(self.files, "big.qls")
        write_series(self.big, SAMPLES)

    def measure(self, what, start, done=None):
        """Pings the window while a command runs: from start() until the
        window is idle again (and done() holds, when given). Keeps the longest
        wait for an answer."""
        pinger = Pinger(self.desktop.display, self.app.window).start()
        try:
            pinger.wait_answers(3)
            pinger.reset()
            began = time.monotonic()
            start()
            if done is not None:
                deadline = time.monotonic() + 30 * TIMEOUT
                while not done():
                    if time.monotonic() > deadline:
                        raise WaitTimeout(f"timed out waiting for {what} to end")
                    time.sleep(0.05)
            else:
                self.wait_idle(what)
            ended = time.monotonic()
            # The window's thread is back in its event loop.
            pinger.wait_answers(3)
            longest = pinger.longest()
        finally:
            pinger.stop()
        self.figures.append((what, ended - began, longest))
        return longest

    def write_figures(self):
        with open(os.path.join(self.folder, "jobs.txt"), "w") as report:
            report.write(f"{SAMPLES} samples; longest wait for a ping answer, by command\n")
            for what, took, longest in self.figures:
                report.write(f"{what:45s} {took:8.2f} s  longest ping wait {longest * 1000:7.0f} ms\n")
            for what, value in self.cancels:
                report.write(f"{what:45s} cancel to idle {value * 1000:7.0f} ms\n")

    # --- the commands ----------------------------------------------------------

    def test_window_answers_during_long_commands_and_escape_cancels(self):
        self.figures, self.cancels = [], []
        self.addCleanup(self.write_figures)
        d, app = self.desktop, self.app
        idle_status = self.status(self.frame())

        before = self.client(self.frame(), DATA_VIEWS)
        self.measure("Open", lambda: app.choose_file("ctrl+o", self.big, "Open", focus_back=False))
        self.assertTrue(self.client(self.frame(), DATA_VIEWS) != before, "the file did not open")

        for level in range(1, LEVELS + 1):
            before = self.client(self.frame(), DATA_VIEWS)
            self.measure(f"Level step to {level}", lambda: self.press_level_keys("Up"))
            self.assertTrue(self.client(self.frame(), DATA_VIEWS) != before,
                            f"the bands of level {level} are not shown")

        # Moving average, every level.
        def evaluate():
            d.key("alt+o")
            d.key("Return")

        dialog = []

        def evaluated():
            if not dialog:
                found = d.windows("^Evaluate forecast$")
                if not found:
                    return False
                dialog.append(found[0])
                dialog.append(self.cancel_corner(dialog[0]))
                return False
            return self.cancel_corner(dialog[0]) != dialog[1]

        self.measure("Forecast > Evaluate (moving average)", evaluate, evaluated)
        d.key("Escape")  # closes the dialog
        self.wait_closed(dialog[0])

        self.click_client(KNN)
        self.measure(f"Do forecast (nearest neighbour) at level {LEVELS}",
                     lambda: app.click("Button2"))

        saved = os.path.join(self.files, "saved.qls")

        def saving():
            app.choose_file("ctrl+s", saved, "Save As", focus_back=False)

        self.measure("Save", saving)
        with open(saved, "rb") as written:
            self.assertEqual(written.read().count(b"\r\n"), SAMPLES)

        def copy():
            app.open_context_menu("sgTest")
            app.edit_menu("Copy Data")

        self.measure("Copy Data", copy, lambda: app.boxes())
        app.dismiss(app.box())

        # Back to level 0, then the long forecast, stopped with Escape.
        for level in range(LEVELS - 1, -1, -1):
            self.measure(f"Level step to {level}", lambda: self.press_level_keys("Down"))
        before = self.frame()
        app.click("Button2")
        pinger = Pinger(d.display, app.window).start()
        try:
            started = time.monotonic()
            shown = None
            while time.monotonic() - started < 2.0 or shown is None:
                if self.status(self.frame()) != idle_status and shown is None:
                    shown = time.monotonic() - started
                if time.monotonic() - started > TIMEOUT:
                    break
            self.figures.append(("Do forecast (nearest neighbour) at level 0, 2 s",
                                 time.monotonic() - started, pinger.longest()))
            self.assertIsNotNone(shown, "no progress shows while the forecast runs")
            self.assertGreaterEqual(shown, 0.4, "the progress showed before half a second")
            d.key("Escape")
            asked = time.monotonic()
            while self.status(self.frame()) != idle_status:
                if time.monotonic() - asked > TIMEOUT:
                    raise WaitTimeout("the progress still shows after Escape")
            self.cancels.append(("Escape during the forecast at level 0", time.monotonic() - asked))
            self.wait_idle("Escape")
        finally:
            pinger.stop()
        after = self.frame()
        self.assertTrue(self.client(after, DATA_VIEWS) == self.client(before, DATA_VIEWS),
                        "the cancelled forecast changed what the window shows")

        self.write_figures()
        for what, _, longest in self.figures:
            self.assertLessEqual(longest, PING_LIMIT, f"no answer to a ping for {longest:.2f} s during {what}")
        for what, value in self.cancels:
            self.assertLessEqual(value, CANCEL_LIMIT, f"{what} took {value:.2f} s")

    def cancel_corner(self, dialog):
        """The bottom right corner of the evaluation dialog above its Close
        button, where the Cancel button shows while the evaluation runs."""
        width, height, rgb = self.desktop.pixels(dialog)
        return Frame(width, height, rgb).crop(width - 60, height - 80, width - 12, height - 40)

    def wait_closed(self, window):
        deadline = time.monotonic() + TIMEOUT
        while window in self.desktop.all_windows():
            if time.monotonic() > deadline:
                raise WaitTimeout("the dialog did not close")
            time.sleep(0.05)
        self.app.wait_focus()


class EndDuringJob(JobTestCase):
    """A long forecast runs; the program must end within a second when its
    window is closed or it is told to end."""
    app_args = ["quarter.qls"]

    def before_start(self):
        # Over the size that runs at once; the forecast at level 0 runs for
        # minutes.
        write_series(os.path.join(self.files, "quarter.qls"), 1 << 18)

    def start_long_forecast(self):
        # Opened from the command line: once the window takes clicks again.
        self.wait_idle("the start-up open")
        idle_status = self.status(self.frame())
        self.click_client(KNN)
        self.app.click("Button2")
        started = time.monotonic()
        while self.status(self.frame()) == idle_status:
            if time.monotonic() - started > TIMEOUT:
                raise WaitTimeout("no progress shows during the forecast")

    def ended_within(self, seconds):
        asked = time.monotonic()
        try:
            self.app.process.wait(5)
        except Exception:
            self.fail("the program did not end within 5 s")
        took = time.monotonic() - asked
        self.assertLessEqual(took, seconds, f"the program took {took:.2f} s to end")

    def test_alt_f4_during_a_job(self):
        self.start_long_forecast()
        self.desktop.key("alt+F4")
        self.ended_within(1.0)

    def test_sigterm_during_a_job(self):
        self.start_long_forecast()
        self.app.process.terminate()
        self.ended_within(1.0)
