"""Drives the real Fendrel window on a test desktop as a person would: mouse
clicks on its controls, key presses, the menus, its dialogs and boxes."""

import subprocess

from desktop import TIMEOUT, WaitTimeout, wait_for

MAIN_TITLE = r"^Fendrel \(Haars method\)$"
BOX_TITLE = "^Fendrel$"
DESIGN_WIDTH = 775
DESIGN_CLIENT_HEIGHT = 486  # between the menu bar and the status bar

# Points inside the controls, relative to the top-left corner of the client
# area below the menu bar, for the window at its start-up size.
CONTROLS = {
    "Edit1": (112, 26),  # the level spin's edit
    "Button1": (80, 108),  # "Sample generate"
    "Button2": (72, 272),  # "Do forecast"
    "sgTest": (264, 116),
    "chTest": (574, 111),
    "sgWave": (264, 327),
    "chWave": (574, 355),
}

# Menu items in the order the keyboard reaches them (separators skipped).
FILE_MENU = ["Open", "Save", "Export Wave Data...", "Export Picture...", "Exit"]
EDIT_MENU = ["Copy Data", "Copy Chart", "Copy Wave Data", "Paste Data"]
CHART_MENU = ["Copy", "Export Picture..."]


class Fendrel:
    def __init__(self, desktop, binary, workdir, env=None, args=()):
        self.desktop = desktop
        self.argv = [binary, *args]
        self.workdir = workdir
        self.env = dict(desktop.env)
        for name, value in (env or {}).items():  # None removes a variable
            if value is None:
                self.env.pop(name, None)
            else:
                self.env[name] = value
        self.process = None
        self.window = None
        self.menu_bar_height = None
        self.sentinel_count = 0

    def start(self):
        d = self.desktop
        log = open(d.log_dir + "/fendrel.log", "ab")
        try:
            self.process = subprocess.Popen(self.argv, env=self.env, cwd=self.workdir,
                                            stdout=log, stderr=subprocess.STDOUT)
        finally:
            log.close()
        d.children.append(self.process)
        self.window = wait_for("the main window",
                               lambda: self._alive() and d.windows(MAIN_TITLE))[0]
        self.wait_focus()
        self.menu_bar_height = wait_for("the window's client area", self._measure_menu_bar)
        return self

    def _measure_menu_bar(self):
        """The menu bar's height: the client area, of its designed height, ends
        above the status bar, at the bottom edge of the data panel's bevel. A
        column near the right edge meets no status text and no size grip."""
        ratio = round(float(self.env.get("QT_SCALE_FACTOR", "1")))
        width, height, rgb = self.desktop.pixels(self.window)
        if len(rgb) < width * height * 3:
            return None
        x = width - 24 * ratio
        def pixel(y):
            at = (y * width + x) * 3
            return rgb[at:at + 3]

        face = pixel(height - 1)
        for y in range(height - 2, height // 2, -1):
            if pixel(y) != face:
                menu = y + 1 - ratio * DESIGN_CLIENT_HEIGHT
                return menu if 10 * ratio < menu < 40 * ratio else None
        return None

    def _alive(self):
        if self.process.poll() is not None:
            raise AssertionError(f"fendrel ended with exit code {self.process.returncode}")
        return True

    def running(self):
        return self.process is not None and self.process.poll() is None

    def point(self, control):
        x, y = CONTROLS[control]
        return x, y + self.menu_bar_height

    def click(self, control, button=1):
        x, y = self.point(control)
        self.desktop.click(self.window, x, y, button)

    def control_size(self, control):
        """The size of a control as the X server sees it. Needs the program
        started with QT_USE_NATIVE_WINDOWS=1, so that every widget is a window
        of its own; the control is the innermost window under its point, so
        this serves for controls without children of their own (charts)."""
        x, y = self.point(control)
        return self.desktop.innermost_window(self.window, x, y)[3:]

    def popups(self):
        """The viewable menus, lists and tips: windows that bypass the window
        manager."""
        d = self.desktop
        return {w for w in d.all_windows() - {self.window} if d.override_redirect(w)}

    def wait_popup(self, what, before):
        """Waits for a popup that was not open before; returns it."""
        return wait_for(what, lambda: self.popups() - before)

    def wait_popups_closed(self, what, popups):
        wait_for(what, lambda: not popups & self.popups())

    def open_context_menu(self, control):
        """Right-clicks a control and closes its context menu again, which
        makes that control the target of the Edit menu's commands."""
        before = self.popups()
        self.click(control, button=3)
        menu = self.wait_popup(f"the context menu of {control}", before)
        self.desktop.key("Escape")
        self.wait_popups_closed(f"the context menu of {control} to close", menu)

    def edit_menu(self, item):
        before = self.popups()
        self.desktop.key("alt+e")
        menu = self.wait_popup("the Edit menu", before)
        self.desktop.key(*(["Down"] * EDIT_MENU.index(item)), "Return")
        self.wait_popups_closed("the Edit menu to close", menu)

    def box(self):
        """Waits for a message or error box and returns its window."""
        return wait_for("a box titled Fendrel", self.boxes)[0]

    def boxes(self):
        d = self.desktop
        return [w for w in d.windows(BOX_TITLE) if w != self.window and not d.override_redirect(w)]

    def dismiss(self, box):
        self.desktop.key("Return")
        wait_for("the box to close", lambda: box not in self.desktop.all_windows())
        self.wait_focus()

    def wait_focus(self):
        """Waits until the main window or a box has the keyboard focus, so
        that the next keys reach the program and its shortcuts work."""
        wait_for("the window to get the focus back",
                 lambda: self.desktop.focused_window() in [self.window, *self.boxes()])

    def has_stop_icon(self, box):
        """The error box carries the red stop icon; message boxes have none."""
        width, height, rgb = self.desktop.pixels(box)
        red = sum(1 for i in range(0, width * height * 3, 3)
                  if rgb[i] > 180 and rgb[i + 1] < 90 and rgb[i + 2] < 90)
        return red > 40

    def choose_file(self, keys, path, title, focus_back=True):
        """Opens a file dialog with its shortcut, or a list of keys, and types
        a name into it; unless told otherwise, waits for the window to have
        the focus again."""
        d = self.desktop
        before = self.popups()
        d.key(*([keys] if isinstance(keys, str) else keys))
        dialog = wait_for(f"the {title} dialog", lambda: d.windows(f"^{title}$"))[0]
        wait_for(f"the {title} dialog to have the focus", lambda: d.focused_window() == dialog)
        d.type_text(path)
        d.key("Return")
        try:
            wait_for(f"the {title} dialog to close", lambda: dialog not in d.all_windows(), 5)
        except WaitTimeout:
            # The name completer may have taken the first Return.
            d.key("Return")
            wait_for(f"the {title} dialog to close", lambda: dialog not in d.all_windows())
        # The completer's list can outlive the dialog for a moment; a click
        # while it shows would only close it.
        wait_for("the file dialog's lists to close", lambda: self.popups() <= before)
        if focus_back:
            self.wait_focus()

    def copy_data(self, grid):
        """Copy Data on a grid; returns the clipboard text it leaves there
        once its confirmation is dismissed."""
        d = self.desktop
        self.sentinel_count += 1
        sentinel = b"clipboard before copy %d" % self.sentinel_count
        d.set_clipboard(sentinel)
        self.open_context_menu(grid)
        self.edit_menu("Copy Data")
        self.dismiss(self.box())
        return wait_for("the copied text on the clipboard",
                        lambda: _changed(d.clipboard(), sentinel)).decode()

    def alt_f4(self):
        """Closes the window from the keyboard; returns the exit code."""
        self.desktop.key("alt+F4")
        return self.wait_exit()

    def wait_exit(self, timeout=TIMEOUT):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise WaitTimeout("timed out waiting for fendrel to end") from None


def _changed(now, before):
    return now if now is not None and now != before else None
