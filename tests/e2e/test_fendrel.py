"""End-to-end tests: the built program on an X display of its own, used with
real key presses, mouse clicks, file dialogs and the shared clipboard.

Run through run_e2e.sh, which passes the program and the artifact folder in
FENDREL_BINARY and E2E_ARTIFACTS.
"""

import csv
import math
import os
import shutil
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree

from desktop import Desktop, wait_for
from fendrel_app import CHART_MENU, DESIGN_WIDTH, FILE_MENU, Fendrel
from picture import png_size, read_png

BINARY = os.environ.get("FENDREL_BINARY", "")
ARTIFACTS = os.environ.get("E2E_ARTIFACTS", "e2e-artifacts")
SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 1024


def table(text):
    """Splits a clipboard text into rows of TAB-separated fields, insisting on
    CR LF after every row, the last one included."""
    assert text.endswith("\r\n"), f"text does not end with CR LF: {text[-20:]!r}"
    rows = text[:-2].split("\r\n")
    for row in rows:
        assert "\r" not in row and "\n" not in row, f"stray line break in {row!r}"
    return [row.split("\t") for row in rows]


def numbers(rows, column):
    return [float(row[column].replace(",", ".")) for row in rows]


def sine_frequency(values):
    """The whole frequency f in 1..50 with values[i] = sin(i * f) to the 8
    decimals written, or None."""
    for f in range(1, 51):
        if all(abs(v - math.sin(i * f)) <= 6e-9 for i, v in enumerate(values)):
            return f
    return None


def assert_chart_text(test, shown, chart):
    """Text in the chart's fonts, black or blue beside the red series and grey
    lines: the title, the left axis title and the foot or the bottom axis
    title."""
    width, height = shown.width, shown.height
    texts = {"title": (width // 2 - 40, 3, width // 2 + 40, 18),
             "left axis title": (2, height // 4, 26, height * 3 // 4),
             "bottom text": (width // 2 - 30, height - 22, width // 2 + 30, height - 2)}
    for what, box in texts.items():
        dark = shown.count(*box, lambda rgb: rgb[0] < 140 and rgb[1] < 140)
        test.assertGreater(dark, 15, f"no text in the {what} of the picture of {chart}")


class FendrelTestCase(unittest.TestCase):
    app_env = {}
    screen = None  # the desktop's usual screen
    app_args = []

    def setUp(self):
        if not BINARY or not os.access(BINARY, os.X_OK):
            self.fail(f"no program to test: FENDREL_BINARY={BINARY!r}")
        self.folder = os.path.join(os.path.abspath(ARTIFACTS), self.id().split(".", 1)[1])
        shutil.rmtree(self.folder, ignore_errors=True)
        self.files = os.path.join(self.folder, "files")
        os.makedirs(self.files)
        self.before_start()
        self.desktop = Desktop(self.folder, self.screen)
        self.addCleanup(self.desktop.stop)
        self.desktop.start()
        env = {**self.app_env, **self.session_env()}
        self.app = Fendrel(self.desktop, BINARY, self.files, env, self.app_args).start()
        self.addCleanup(self.close_window)

    def before_start(self):
        """Prepares the files the program finds when it starts."""

    def session_env(self):
        """Starts what the program needs of the desktop besides the display;
        returns the variables that lead the program to it."""
        return {}

    def close_window(self):
        if not self.app.running():
            return
        self.desktop.screenshot(self.app.window, os.path.join(self.folder, "end.png"))
        if self.app.boxes() or self.app.popups():
            return  # a failed test left a box or menu open; stop() ends the program
        self.assertEqual(self.app.alt_f4(), 0)

    def paste_into(self, grid, text):
        self.desktop.set_clipboard(text)
        self.app.open_context_menu(grid)
        self.app.edit_menu("Paste Data")
        box = self.app.box()
        self.assertFalse(self.app.has_stop_icon(box))
        self.app.dismiss(box)

    def band_table(self):
        return table(self.app.copy_data("sgWave"))

    def press_level_keys(self, *keys):
        # A right click moves the keyboard focus to a grid; give it back to
        # the level edit, whose Up and Down keys step the spin.
        self.app.click("Edit1")
        self.desktop.key(*keys)

    def wait_file(self, path, ready):
        """Polls a file the program writes until ready(contents) holds."""

        def contents():
            if not os.path.exists(path):
                return None
            with open(path, "rb") as written:
                data = written.read()
            return data if ready(data) else None

        return wait_for(f"{path} to be written", contents)


class StartUp(FendrelTestCase):
    def test_window_and_test_data(self):
        x, y, width, height = self.desktop.geometry(self.app.window)
        self.assertEqual(width, DESIGN_WIDTH)
        self.assertTrue(10 < self.app.menu_bar_height < 40, self.app.menu_bar_height)
        self.assertLessEqual(abs(x - (SCREEN_WIDTH - width) // 2), 1, "not centred")
        self.assertLessEqual(abs(y - (SCREEN_HEIGHT - height) // 2), 1, "not centred")
        shot = self.desktop.settled_screenshot(self.app.window,
                                               os.path.join(ARTIFACTS, "startup.png"))
        with open(shot, "rb") as picture:
            self.assertEqual(png_size(picture.read(32)), (width, height))

        rows = table(self.app.copy_data("sgTest"))
        self.assertEqual(len(rows), 100)
        self.assertEqual([row[0] for row in rows], [str(i) for i in range(100)])
        for row in rows:
            # Values below 0.1 keep more decimals when 8 would lose their digits.
            self.assertRegex(row[1], r"^-?\d\.\d{8,}$")
        self.assertIsNotNone(sine_frequency(numbers(rows, 1)), "not a sampled sine")


class Analysis(FendrelTestCase):
    def test_level_spin_keys_move_the_band_table(self):
        test_rows = table(self.app.copy_data("sgTest"))
        samples = numbers(test_rows, 1)

        self.press_level_keys("Up", "Up")
        bands = self.band_table()
        self.assertEqual((len(bands), len(bands[0])), (25, 5))  # 4 bands of 25
        self.assertAlmostEqual(numbers(bands, 1)[0], sum(samples[:4]) / 4, delta=2e-8)

        # Up to level 5, then one more press at the top changes nothing.
        self.press_level_keys("Up", "Up", "Up", "Up")
        bands = self.band_table()
        self.assertEqual((len(bands), len(bands[0])), (3, 33))  # 32 bands of 3

        # Splitting bands of the odd length 25 dropped their last samples;
        # back at level 0, 96 of the 100 samples return.
        self.press_level_keys(*["Down"] * 5)
        bands = self.band_table()
        self.assertEqual((len(bands), len(bands[0])), (96, 2))
        for rebuilt, original in zip(numbers(bands, 1), samples):
            self.assertAlmostEqual(rebuilt, original, delta=2e-8)

    def test_forecast_adds_a_row_to_every_band(self):
        self.press_level_keys("Up")
        before = self.band_table()
        self.assertEqual((len(before), len(before[0])), (50, 3))

        self.app.click("Button2")
        after = self.band_table()
        self.assertEqual(len(after), 51)
        self.assertEqual(after[:50], before)
        self.assertEqual(after[50][0], "50")

        # Back at level 0 both forecasts are in the rebuilt, longer series;
        # the test series itself keeps its 100 samples.
        self.press_level_keys("Down")
        self.assertEqual(len(self.band_table()), 102)
        self.assertEqual(len(table(self.app.copy_data("sgTest"))), 100)

    def test_alt_f4_closes_without_a_question(self):
        self.app.click("Button2")  # leaves changes nobody saved
        self.desktop.key("alt+F4")
        ended = wait_for("the program to end or to ask something",
                         lambda: not self.app.running() or self.app.boxes())
        self.assertIs(ended, True, "a box appeared instead of the window closing")
        self.assertEqual(self.app.wait_exit(), 0)


class Files(FendrelTestCase):
    def test_save_and_open_through_the_dialogs(self):
        self.app.choose_file("ctrl+s", os.path.join(self.files, "series"), "Save As")
        saved = self.wait_file(os.path.join(self.files, "series.qls"),
                               lambda data: data.count(b"\r\n") == 100)
        self.assertNotIn(b"\n", saved.replace(b"\r\n", b""))
        lines = saved.decode().split("\r\n")[:-1]
        self.assertEqual([line.split(",")[0] for line in lines],
                         [f"{i}.00000000" for i in range(100)])
        self.assertIsNotNone(sine_frequency([float(line.split(",")[1]) for line in lines]))

        seven = os.path.join(self.files, "seven.qls")
        with open(seven, "wb") as sample_file:
            sample_file.write(b"0,1.5\r\n1,-2.25\r\n2,3\r\n3,4\r\n4,abc\r\n5,0.125\r\n6,7")
        self.app.choose_file("ctrl+o", seven, "Open")
        self.assertEqual(self.app.copy_data("sgTest"),
                         "0\t1.50000000\r\n1\t-2.25000000\r\n2\t3.00000000\r\n3\t4.00000000\r\n"
                         "4\t0.00000000\r\n5\t0.12500000\r\n6\t7.00000000\r\n")
        # Seven samples allow levels 0 and 1 only: two bands at most.
        self.press_level_keys("Up", "Up", "Up")
        self.assertEqual(len(self.band_table()[0]), 3)

    def test_unreadable_file_shows_the_error_box(self):
        before = self.app.copy_data("sgTest")
        self.app.choose_file("ctrl+o", os.path.join(self.files, "missing.qls"), "Open")
        box = self.app.box()
        self.assertTrue(self.app.has_stop_icon(box), "the error box has no stop icon")
        self.desktop.screenshot(box, os.path.join(self.folder, "error-box.png"))
        self.app.dismiss(box)
        self.assertEqual(self.app.copy_data("sgTest"), before)


class CommandLine(FendrelTestCase):
    # Relative to the folder the program starts in, as a desktop may pass it.
    app_args = ["three.qls"]

    def before_start(self):
        with open(os.path.join(self.files, "three.qls"), "wb") as sample_file:
            sample_file.write(b"0,0.5\r\n1,-2\r\n2,3.25\r\n")

    def test_file_named_on_the_command_line_opens_after_start_up(self):
        self.assertEqual(self.app.copy_data("sgTest"),
                         "0\t0.50000000\r\n1\t-2.00000000\r\n2\t3.25000000\r\n")


class CommandLineDashes(FendrelTestCase):
    # After "--" a name that starts with a dash is a file; before it, never.
    app_args = ["--", "-odd-name.qls"]

    def before_start(self):
        with open(os.path.join(self.files, "-odd-name.qls"), "wb") as sample_file:
            sample_file.write(b"0,4\r\n1,5\r\n")

    def test_a_file_named_after_two_dashes_opens_and_an_option_is_never_a_file(self):
        self.assertEqual(self.app.copy_data("sgTest"), "0\t4.00000000\r\n1\t5.00000000\r\n")
        refused = subprocess.run([BINARY, "-odd-name.qls"], cwd=self.files, env=self.desktop.env,
                                 capture_output=True, timeout=30)
        self.assertEqual(refused.returncode, 2)
        self.assertIn(b"unknown option '-odd-name.qls'", refused.stderr)


class CommandLineUnreadable(FendrelTestCase):
    app_args = ["missing.qls"]

    def test_unreadable_file_shows_the_box_that_open_shows(self):
        box = self.app.box()
        self.desktop.screenshot(box, os.path.join(self.folder, "error-box.png"))
        shown = self.desktop.pixels(box)
        self.app.dismiss(box)
        self.assertEqual(len(table(self.app.copy_data("sgTest"))), 100)

        # The same file through File > Open: the same box, pixel for pixel.
        self.app.choose_file("ctrl+o", os.path.join(self.files, "missing.qls"), "Open")
        box = self.app.box()
        self.assertTrue(self.app.has_stop_icon(box), "the error box has no stop icon")
        self.assertEqual(self.desktop.pixels(box), shown)
        self.app.dismiss(box)


class Drop(FendrelTestCase):
    def test_file_dropped_on_a_chart_opens(self):
        path = os.path.join(self.files, "dropped.qls")
        with open(path, "wb") as sample_file:
            sample_file.write(b"0,4\r\n1,5\r\n")
        left, top, _, _ = self.desktop.geometry(self.app.window)
        x, y = self.app.point("chTest")
        self.desktop.run(sys.executable, os.path.join(os.path.dirname(__file__), "xdnd_drop.py"),
                         str(self.app.window), str(left + x), str(top + y), "file://" + path)
        self.assertEqual(self.app.copy_data("sgTest"), "0\t4.00000000\r\n1\t5.00000000\r\n")


class Clipboard(FendrelTestCase):
    def test_paste_then_copy_gives_the_text_back(self):
        pasted = b"0\t0.5\r\n1\t-2\r\n2\t3.25\r\n"
        self.paste_into("sgTest", pasted)
        self.assertEqual(self.desktop.clipboard(), pasted, "paste changed the clipboard")
        expected = "0\t0.50000000\r\n1\t-2.00000000\r\n2\t3.25000000\r\n"
        self.assertEqual(self.app.copy_data("sgTest"), expected)

        # The wavelet grid refuses a paste and nothing changes.
        self.paste_into("sgWave", b"0 9 1 9")
        self.assertEqual(self.app.copy_data("sgTest"), expected)


class ControlSizes(FendrelTestCase):
    # Every widget a native window, so that the X server can tell the size of
    # each control.
    app_env = {"QT_USE_NATIVE_WINDOWS": "1"}

    def test_charts_have_their_designed_sizes(self):
        designed = {"chTest": (398, 191), "chWave": (398, 256)}
        self.assertEqual({name: self.app.control_size(name) for name in designed}, designed)

    def copy_chart(self, chart):
        d = self.desktop
        d.set_clipboard(b"clipboard before the chart")
        self.app.open_context_menu(chart)
        self.app.edit_menu("Copy Chart")
        box = self.app.box()
        # The picture is on the clipboard before the confirmation shows.
        self.assertIn("image/svg+xml", d.clipboard_targets())
        svg = d.clipboard("image/svg+xml")
        self.app.dismiss(box)
        return svg

    def assert_picture_of(self, chart):
        """The picture on the clipboard is the chart's client size less one
        pixel each way, and another program draws it with its text."""
        width, height = self.app.control_size(chart)
        width, height = width - 1, height - 1
        svg = self.copy_chart(chart)
        root = ElementTree.fromstring(svg)
        self.assertTrue(root.tag.endswith("svg"), root.tag)
        self.assertEqual([float(v) for v in root.get("viewBox").split()], [0, 0, width, height])
        self.assertEqual((root.get("width"), root.get("height")), (f"{width}px", f"{height}px"))
        png = subprocess.run(["rsvg-convert"], input=svg, capture_output=True, check=True,
                             timeout=60).stdout
        for suffix, data in (("svg", svg), ("png", png)):
            with open(os.path.join(self.folder, f"{chart}-{width}x{height}.{suffix}"), "wb") as file:
                file.write(data)
        shown = read_png(png)
        self.assertEqual((shown.width, shown.height), (width, height))
        assert_chart_text(self, shown, chart)

    def test_copy_chart_gives_an_svg_of_the_chart_size(self):
        self.assert_picture_of("chWave")
        self.assert_picture_of("chTest")

        # The docked wavelet chart grows with the window; its picture follows.
        _, _, width, height = self.desktop.geometry(self.app.window)
        self.desktop.xdotool("windowsize", "--sync", self.app.window, width + 100, height + 50)
        wait_for("the wavelet chart to grow",
                 lambda: self.app.control_size("chWave")[0] == 498)
        self.assert_picture_of("chWave")


class Exports(FendrelTestCase):
    # Another tool reads the exports: Python's csv module and float() for the
    # band table, librsvg and poppler for the pictures.
    app_env = {"LANG": "de_DE.UTF-8", "LC_ALL": None, "LC_NUMERIC": None, "LANGUAGE": None}

    def test_wave_data_after_forecast_reads_back_in_full_precision(self):
        # Values of all 17 digits, which the sample file reads exactly as
        # float() does; the forecast is the mean of the last ten, summed from
        # the last one back.
        values = [math.sin(i * 0.37) * 1000 / 3 for i in range(100)]
        path = os.path.join(self.files, "digits.qls")
        with open(path, "wb") as sample_file:
            sample_file.write("".join(f'"{i}","{v!r}"\r\n'.replace(".", ",")
                                      for i, v in enumerate(values)).encode())
        self.app.choose_file("ctrl+o", path, "Open")
        self.app.click("Button2")
        total = 0.0
        for v in reversed(values[-10:]):
            total = v + total
        expected = values + [total / 10]

        name = os.path.join(self.files, "wave")
        keys = ["alt+f", *["Down"] * FILE_MENU.index("Export Wave Data..."), "Return"]
        self.app.choose_file(keys, name, "Export Wave Data")
        data = self.wait_file(name + ".csv", lambda data: data.count(b"\r\n") == 102)
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "a line end other than CR LF")
        with open(name + ".csv", newline="") as exported:
            rows = list(csv.reader(exported))
        self.assertEqual(rows[0], ["Time", "Wave 0"])
        self.assertEqual([row[0] for row in rows[1:]], [str(i) for i in range(101)])
        read = [float(row[1]) for row in rows[1:]]
        self.assertEqual([v.hex() for v in read], [v.hex() for v in expected])

        # The grid holds the same values: its copy has them to 8 decimals.
        for copied, value in zip(numbers(self.band_table(), 1), read):
            self.assertAlmostEqual(copied, value, delta=5.1e-9)

    def export_picture(self, keys, name):
        self.app.choose_file(keys, os.path.join(self.files, name), "Export Picture")

    def test_chart_pictures_as_svg_pdf_and_png(self):
        width, height = 397, 255  # the wavelet chart less one pixel each way
        to_chart_menu = ["Down"] * (CHART_MENU.index("Export Picture...") + 1) + ["Return"]

        def from_chart_menu(chart, name):
            before = self.app.popups()
            self.app.click(chart, button=3)
            self.app.wait_popup(f"the context menu of {chart}", before)
            self.export_picture(to_chart_menu, name)

        from_chart_menu("chWave", "wave.svg")
        svg = self.wait_file(os.path.join(self.files, "wave.svg"),
                             lambda data: data.rstrip().endswith(b"</svg>"))
        root = ElementTree.fromstring(svg)
        self.assertEqual([float(v) for v in root.get("viewBox").split()], [0, 0, width, height])
        drawn = os.path.join(self.folder, "wave-svg.png")
        self.desktop.run("rsvg-convert", "-o", drawn, os.path.join(self.files, "wave.svg"))
        with open(drawn, "rb") as picture:
            shown = read_png(picture.read())
        self.assertEqual((shown.width, shown.height), (width, height))
        assert_chart_text(self, shown, "chWave")

        # The PDF page is the picture's size in whole points, drawn at the
        # screen's 96 pixels per inch.
        from_chart_menu("chWave", "wave.pdf")
        self.wait_file(os.path.join(self.files, "wave.pdf"),
                       lambda data: data.rstrip().endswith(b"%%EOF"))
        drawn = os.path.join(self.folder, "wave-pdf")
        self.desktop.run("pdftoppm", "-r", "96", "-png", "-singlefile",
                         os.path.join(self.files, "wave.pdf"), drawn)
        with open(drawn + ".png", "rb") as picture:
            shown = read_png(picture.read())
        self.assertLessEqual(abs(shown.width - width), 1, shown.width)
        self.assertLessEqual(abs(shown.height - height), 1, shown.height)
        assert_chart_text(self, shown, "chWave")

        # The File menu's item takes the chart that Copy Chart would; PNG has
        # the chart's own pixels, the whole control.
        self.app.open_context_menu("chTest")
        self.export_picture(["alt+f", *["Down"] * FILE_MENU.index("Export Picture..."),
                             "Return"], "test.png")
        png = self.wait_file(os.path.join(self.files, "test.png"),
                             lambda data: data.endswith(b"IEND\xaeB`\x82"))
        shown = read_png(png)
        self.assertEqual((shown.width, shown.height), (398, 191))
        assert_chart_text(self, shown, "chTest")

        # A folder that does not exist: the error box, and nothing written.
        from_chart_menu("chTest", os.path.join("missing", "test.png"))
        box = self.app.box()
        self.assertTrue(self.app.has_stop_icon(box), "the error box has no stop icon")
        self.app.dismiss(box)
        self.assertEqual(sorted(os.listdir(self.files)),
                         ["test.png", "wave.pdf", "wave.svg"])


class GermanLocale(FendrelTestCase):
    # The locale's name alone decides the decimal separator; it need not be
    # installed on the machine.
    app_env = {"LANG": "de_DE.UTF-8", "LC_ALL": None, "LC_NUMERIC": None, "LANGUAGE": None}

    def test_decimal_comma_in_pasted_text_and_sample_files(self):
        self.paste_into("sgTest", b"0;1,5\n1;-2,25\n")
        self.assertEqual(self.app.copy_data("sgTest"), "0\t1,50000000\r\n1\t-2,25000000\r\n")

        path = os.path.join(self.files, "komma")
        self.app.choose_file("ctrl+s", path, "Save As")
        expected = b'"0,00000000","1,50000000"\r\n"1,00000000","-2,25000000"\r\n'
        self.assertEqual(self.wait_file(path + ".qls", lambda data: len(data) >= len(expected)),
                         expected)

        quoted = os.path.join(self.files, "quoted.qls")
        with open(quoted, "wb") as sample_file:
            sample_file.write(b'"0,00000000","0,25000000"\r\n"1,00000000","7,75000000"\r\n')
        self.app.choose_file("ctrl+o", quoted, "Open")
        self.assertEqual(self.app.copy_data("sgTest"), "0\t0,25000000\r\n1\t7,75000000\r\n")


if __name__ == "__main__":
    unittest.main()
