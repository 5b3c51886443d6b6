"""End-to-end test of the charts on a screen of high pixel density: Qt scales
the window by two, and the charts must be drawn with the screen's pixels, not
as a picture of half the size blown up."""

import os

from desktop import wait_for
from test_fendrel import ARTIFACTS, FendrelTestCase

RATIO = 2
CHART = (374, 16, 398, 191)  # the test chart in the client area: left, top, width, height


class HighDensityScreen(FendrelTestCase):
    app_env = {"QT_SCALE_FACTOR": str(RATIO)}
    screen = "2048x1280x24"

    def test_chart_text_is_finer_than_a_blown_up_frame(self):
        d = self.desktop
        shot = d.settled_screenshot(self.app.window, os.path.join(ARTIFACTS, "startup-ratio2.png"))
        self.assertTrue(os.path.getsize(shot) > 0)
        width, height, rgb = d.pixels(self.app.window)
        menu = self.app.menu_bar_height
        left, top, chart_width, chart_height = (RATIO * v for v in CHART)
        top += menu

        def pixel(x, y):
            at = (y * width + x) * 3
            return rgb[at:at + 3]

        # A frame drawn at half the resolution and doubled is made of 2 x 2
        # blocks of one colour each; text drawn with the screen's own pixels
        # has strokes one pixel wide. Look at the chart's title.
        mixed = 0
        for y in range(top, top + chart_height // 6, RATIO):
            for x in range(left, left + chart_width - 1, RATIO):
                block = {pixel(x, y), pixel(x + 1, y), pixel(x, y + 1), pixel(x + 1, y + 1)}
                mixed += len(block) > 1
        self.assertGreater(mixed, 20, "the chart looks like a doubled picture")

        # The chart fills its whole area: its bevel is at the very edges.
        self.assertNotEqual(pixel(left + chart_width - 1, top + chart_height // 2),
                            pixel(left + chart_width - 3, top + chart_height // 2))
        wait_for("the window to stay open", self.app.running)
