"""End-to-end tests of the habits of keyboard and spreadsheet users: copy and
paste keys and column fitting in the grids, tooltips on cut cells, the
context-menu key, and zoom and scroll keys on a focused chart."""

import os
import time

from desktop import wait_for
from fendrel_app import CONTROLS
from picture import read_png
from test_fendrel import FendrelTestCase, table

# In the client area at the start-up size: the test grid's first value column
# and its rows, and the test chart.
GRID_VALUE_LEFT = 230
GRID_COLUMN_WIDTH = 64
GRID_FIRST_ROW_TOP = 36
ROW_HEIGHT = 18
CHART = (374, 16, 398, 191)  # left, top, width, height


class KeyboardTestCase(FendrelTestCase):
    def cell(self, row):
        """A point in the value cell of a sample's row of the test grid."""
        return (GRID_VALUE_LEFT + GRID_COLUMN_WIDTH // 2,
                self.app.menu_bar_height + GRID_FIRST_ROW_TOP + ROW_HEIGHT * row + ROW_HEIGHT // 2)

    def click_at(self, point, *keys):
        d = self.desktop
        for key in keys:
            d.xdotool("keydown", key)
        d.click(self.app.window, *point)
        for key in reversed(keys):
            d.xdotool("keyup", key)

    def copy_keys(self):
        """Ctrl+C in the focused grid; returns the clipboard text it leaves."""
        d = self.desktop
        self.app.sentinel_count += 1
        sentinel = b"clipboard before Ctrl+C %d" % self.app.sentinel_count
        d.set_clipboard(sentinel)
        d.key("ctrl+c")
        text = wait_for("Ctrl+C to fill the clipboard",
                        lambda: (lambda now: now if now not in (None, sentinel) else None)(
                            d.clipboard()))
        self.assertEqual(self.app.boxes(), [], "Ctrl+C showed a box")
        return text.decode()

    def region(self, left, top, width, height):
        """The RGB pixels of a rectangle of the client area, row by row."""
        window_width, _, rgb = self.desktop.pixels(self.app.window)
        top += self.app.menu_bar_height
        return [rgb[((top + y) * window_width + left) * 3:((top + y) * window_width + left +
                                                            width) * 3] for y in range(height)]

    def tooltip_after_hover(self, point, timeout):
        """Rests the pointer on a point and answers whether a tooltip shows."""
        d = self.desktop
        before = self.app.popups()
        # Tooltips come after the pointer moves onto a place and stays.
        d.xdotool("mousemove", "--sync", "--window", self.app.window, point[0], point[1] + 40)
        d.xdotool("mousemove", "--sync", "--window", self.app.window, *point)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.app.popups() - before:
                return True
            time.sleep(0.05)
        return False


class GridKeys(KeyboardTestCase):
    def test_copy_and_paste_keys_and_column_fitting(self):
        d = self.desktop
        # Ctrl+V in the test grid runs Paste Data.
        d.set_clipboard(b"0 1.5 1 -2.25 2 123456789012.5 3 0.125")
        self.click_at(self.cell(0))
        d.key("ctrl+v")
        box = self.app.box()
        self.assertFalse(self.app.has_stop_icon(box))
        self.app.dismiss(box)

        # Ctrl+A selects every cell, and Ctrl+C copies the whole grid in its
        # own texts, fixed row and column included.
        d.key("ctrl+a")
        rows = table(self.copy_keys())
        self.assertEqual(rows[0], ["Time", "Value"])
        self.assertEqual([row[0] for row in rows[1:]], ["0", "1", "2", "3"])
        self.assertEqual([rows[1][1], rows[2][1], rows[4][1]], ["1.500000", "-2.250000",
                                                                 "0.125000"])
        long_text = rows[3][1]

        # A range chosen with the mouse copies just those cells.
        self.click_at(self.cell(1))
        self.click_at(self.cell(2), "shift")
        self.assertEqual(self.copy_keys(), f"-2.250000\r\n{long_text}\r\n")

        # The long text is cut: resting on it shows it whole.
        self.assertTrue(self.tooltip_after_hover(self.cell(2), 10), "no tooltip on a cut cell")
        d.xdotool("mousemove", "--sync", "--window", self.app.window, *self.cell(6))

        # A double click on the column's right border fits it to that text.
        # Two pixels inside it: the grid's frame, and so the border, is a
        # pixel further left or right with the desktop's style.
        border = (GRID_VALUE_LEFT + GRID_COLUMN_WIDTH - 3,
                  self.app.menu_bar_height + GRID_FIRST_ROW_TOP - ROW_HEIGHT // 2)
        d.xdotool("mousemove", "--sync", "--window", self.app.window, *border)
        d.xdotool("click", "--repeat", "2", "--delay", "80", "1")
        text_left = GRID_VALUE_LEFT + GRID_COLUMN_WIDTH + 4
        row_top = GRID_FIRST_ROW_TOP + 2 * ROW_HEIGHT + 3

        def text_past_the_old_border():
            # Blank beyond the old border before; text (on the selection's
            # colour) once the column reaches past it.
            band = self.region(text_left, row_top, 40, ROW_HEIGHT - 6)
            return len({line[i:i + 3] for line in band for i in range(0, len(line), 3)}) > 2

        wait_for("the column to fit the long text", text_past_the_old_border)
        self.assertFalse(self.tooltip_after_hover(self.cell(2), 2),
                         "a tooltip on a cell that is no longer cut")

    def test_shift_f10_opens_the_context_menu_of_the_focused_grid(self):
        self.click_at(self.cell(0))
        before = self.app.popups()
        self.desktop.key("shift+F10")
        menu = self.app.wait_popup("the grid's context menu", before)
        self.desktop.key("Escape")
        self.app.wait_popups_closed("the context menu to close", menu)


class ChartKeys(KeyboardTestCase):
    def chart(self):
        return self.region(*CHART)

    def wait_chart(self, what, probe):
        return wait_for(what, lambda: (lambda shot: shot if probe(shot) else None)(self.chart()))

    def test_focused_chart_zooms_scrolls_and_restores_by_keys(self):
        d = self.desktop
        self.click_at(self.cell(0))
        plain = self.wait_chart("the chart to settle", lambda shot: True)
        # Tab goes from the test grid to the test chart, which shows a dotted
        # frame just inside its edge and nothing else new.
        d.key("Tab")
        focused = self.wait_chart("the focus frame", lambda shot: shot != plain)
        _, _, width, height = CHART
        changed = {(x, y) for y in range(height) for x in range(width)
                   if focused[y][3 * x:3 * x + 3] != plain[y][3 * x:3 * x + 3]}
        ring = {(x, y) for (x, y) in changed if x in (2, width - 3) or y in (2, height - 3)}
        self.assertEqual(changed, ring, "the focus frame changed more than its ring")
        self.assertGreater(len(ring), width)

        # Home with nothing to restore only paints the chart again; that
        # picture is the one the keys below must come back to.
        d.key("Home")
        previous = None

        def settled(shot):
            nonlocal previous
            same = shot == previous
            previous = shot
            return same

        focused = self.wait_chart("the chart to settle", settled)
        for keys in (["plus"], ["minus", "minus"], ["Right"], ["Up"], ["Left", "Down"]):
            d.key(*keys)
            self.wait_chart(f"{keys} to move the plot", lambda shot: shot != focused)
            d.key("Home")
            self.wait_chart(f"Home after {keys} to restore the plot",
                            lambda shot: shot == focused)

        # Shift+F10 opens the chart's menu; its Copy puts a picture without
        # the focus frame on the clipboard.
        before = self.app.popups()
        d.key("shift+F10")
        menu = self.app.wait_popup("the chart's context menu", before)
        d.key("Down", "Return")
        self.app.wait_popups_closed("the context menu to close", menu)
        box = self.app.box()
        png = d.clipboard("image/png")
        self.app.dismiss(box)
        rgb = read_png(png).rgb
        picture_width = width - 1
        ring_row = rgb[2 * picture_width * 3:3 * picture_width * 3]
        colours = {ring_row[i:i + 3] for i in range(3 * 3, (picture_width - 3) * 3, 3)}
        self.assertEqual(len(colours), 1, "the copied picture holds the focus frame")


class LevelEditCue(KeyboardTestCase):
    def test_focused_level_edit_shows_a_cue(self):
        x, y = CONTROLS["Edit1"]
        self.click_at(self.cell(0))
        unfocused = self.region(x - 20, y - 6, 40, 12)
        self.app.click("Edit1")
        wait_for("a focus cue on the level edit",
                 lambda: self.region(x - 20, y - 6, 40, 12) != unfocused)


class EvaluateKeys(KeyboardTestCase):
    def test_ctrl_e_ctrl_c_and_escape_in_the_evaluation(self):
        d = self.desktop
        # At start the level spin's edit has the focus: Ctrl+E reaches the
        # window past it.
        d.key("ctrl+e")
        dialog = wait_for("the Evaluate forecast dialog",
                          lambda: d.windows("^Evaluate forecast"))[0]
        wait_for("the dialog to get the focus", lambda: d.focused_window() == dialog)

        # The levels table has the focus; Ctrl+C copies it whole once the
        # evaluation is done: the header and levels 0 to 5 of 100 samples.
        def whole_table():
            lines = self.copy_keys().split("\r\n")
            return lines if len(lines) == 8 else None
        lines = wait_for("Ctrl+C to copy every level", whole_table)
        self.assertEqual(lines[0].split("\t"),
                         ["Level", "Horizon", "Origins", "MAE", "RMSE", "MAPE", "MASE",
                          "Naive MAE", "Naive RMSE", "Relative MAE", "Seasonal naive MAE",
                          "Drift MAE", "Mean MAE", "Best simple", "Relative to best",
                          "p-value"])
        self.assertEqual(lines[1].split("\t")[:3], ["0", "1", "20"])
        self.assertRegex(lines[1].split("\t")[3], r"^\d+\.\d{8}$")
        self.assertEqual(lines[6], "5\t32\t0" + "\t" * 13)
        self.assertEqual(lines[7], "")
        d.settled_screenshot(dialog, os.path.join(self.folder, "evaluate.png"))

        d.key("Escape")
        wait_for("the dialog to close", lambda: dialog not in d.all_windows())
        self.app.wait_focus()
        self.assertEqual(self.app.boxes(), [])
