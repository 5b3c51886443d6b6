"""End-to-end test of the window on a dark desktop: the desktop's colour
scheme reaches the program through Qt's platform theme, as on a Plasma session
set to a dark scheme. The window takes the desktop's colours and the charts
keep their own light ones."""

import os

from desktop import wait_for
from fendrel_app import DESIGN_WIDTH
from test_fendrel import ARTIFACTS, FendrelTestCase

# A dark colour scheme in the form the desktop keeps it. Its style is not
# installed here, so Qt falls back to Fusion, as on a desktop without it.
DARK_SCHEME = """\
[Colors:Button]
BackgroundNormal=49,54,59
ForegroundNormal=239,240,241

[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal=252,252,252

[Colors:Tooltip]
BackgroundNormal=49,54,59
ForegroundNormal=239,240,241

[Colors:View]
BackgroundNormal=35,38,41
BackgroundAlternate=49,54,59
ForegroundNormal=239,240,241
ForegroundInactive=189,195,199

[Colors:Window]
BackgroundNormal=49,54,59
ForegroundNormal=239,240,241
ForegroundInactive=189,195,199

[KDE]
widgetStyle=Breeze
"""

CHART_FACE = (239, 239, 239)  # the charts' own button face
TEST_CHART = (374, 16, 398, 191)  # left, top, width, height in the client area


class DarkDesktop(FendrelTestCase):
    ratio = 1
    shot_name = "startup-dark.png"

    def before_start(self):
        config = os.path.join(self.folder, "config")
        os.makedirs(config)
        with open(os.path.join(config, "kdeglobals"), "w") as scheme:
            scheme.write(DARK_SCHEME)
        self.app_env = {"XDG_CURRENT_DESKTOP": "KDE", "KDE_SESSION_VERSION": "5",
                        "XDG_CONFIG_HOME": config, "QT_SCALE_FACTOR": str(self.ratio)}

    def test_window_is_dark_and_charts_stay_light(self):
        d = self.desktop
        r = self.ratio
        d.settled_screenshot(self.app.window, os.path.join(ARTIFACTS, self.shot_name))
        width, height, rgb = d.pixels(self.app.window)
        self.assertEqual(width, r * DESIGN_WIDTH)
        menu = self.app.menu_bar_height

        def pixel(x, y):
            at = ((menu + r * y) * width + r * x) * 3
            return tuple(rgb[at:at + 3])

        # Below the "Do forecast" button, GroupBox1 shows the window colour.
        self.assertLess(sum(pixel(80, 440)), 3 * 80, "the window is not dark")
        left, top, chart_width, chart_height = TEST_CHART
        self.assertEqual(pixel(left + 8, top + 8), CHART_FACE)
        # The title, blue on the light face, still reads.
        blue = sum(1 for x in range(left + chart_width // 2 - 40, left + chart_width // 2 + 40)
                   for y in range(top + 3, top + 18)
                   if (lambda p: p[2] > 150 and p[0] < 100 and p[1] < 100)(pixel(x, y)))
        self.assertGreater(blue, 15, "no title in the test chart")
        wait_for("the window to stay open", self.app.running)


class DarkHighDensityDesktop(DarkDesktop):
    ratio = 2
    screen = "2048x1280x24"
    shot_name = "startup-dark-ratio2.png"
