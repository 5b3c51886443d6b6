"""End-to-end test of what a screen reader meets in the window: the program
on a desktop with a D-Bus session bus and the AT-SPI bus of its own, its
accessibility tree read through AT-SPI: the controls' names, the grids'
headers, the charts' descriptions, and the Tab order of the layout."""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from desktop import HERE, TIMEOUT, read_line, wait_for
from test_fendrel import FendrelTestCase

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
TREE_HELPER = os.path.join(HERE, "atspi_tree.py")

# The controls a user reaches with Tab, in the layout's order, as (role,
# name); after the last, Tab comes back to the first. Of the two method radio
# buttons Tab stops at the checked one, and "Use window average" is enabled
# only with the nearest-neighbour method.
TAB_ORDER = [("text", "Level"), ("check box", "Random sample"), ("push button", "Sample generate"),
             ("radio button", "Moving average"), ("push button", "Do forecast"),
             ("text", "Window Size"), ("table", "Test data"), ("chart", "Test data"),
             ("table", "Wavelet data"), ("chart", "Wavelet data (haars)")]
KNN_TAB_ORDER = [*TAB_ORDER[:3], *TAB_ORDER[4:6], ("radio button", "K-Nearest-Neighbor"),
                 ("check box", "Use window average"), *TAB_ORDER[6:]]

# Every control, by the name its caption or label gives it.
NAMED = [*KNN_TAB_ORDER, ("radio button", "Moving average"), ("push button", "Increase"),
         ("push button", "Decrease"), ("panel", "Parameters"), ("panel", "Forecast")]
CONTROL_ROLES = {"push button", "text", "check box", "radio button", "table", "chart",
                 "spin button"}
NUMBER = r"-?\d+(?:[.,]\d+)?(?:e[-+]?\d+)?"


def walk(entry):
    yield entry
    for child in entry["children"]:
        yield from walk(child)


def render(entry, depth=0):
    """The tree as indented text, one object a line."""
    flags = [s for s in ("focusable", "focused") if s in entry["states"]]
    flags += [f"not {s}" for s in ("showing", "enabled") if s not in entry["states"]]
    line = "  " * depth + f'{entry["role"]} "{entry["name"]}"'
    if entry["description"]:
        line += f' description "{entry["description"]}"'
    if flags:
        line += " [" + ", ".join(flags) + "]"
    if "child_count" in entry:
        line += f' ({entry["child_count"]} children)'
    lines = [line]
    table = entry.get("table")
    if table:
        pad = "  " * (depth + 1)
        lines.append(f'{pad}table of {table["rows"]} rows and {table["columns"]} columns')
        lines.append(f'{pad}column descriptions {table["column_descriptions"]}')
        lines.append(f'{pad}row descriptions {table["row_descriptions"]}')
        lines.append(f'{pad}column headers {table["column_headers"]}')
        lines.append(f'{pad}first child {table["first_child"]}')
        for cells in table["cells"]:
            lines.append(f"{pad}cells {cells}")
    for child in entry["children"]:
        lines.extend(render(child, depth + 1))
    return lines


class AccessibilityTree(FendrelTestCase):
    def session_env(self):
        d = self.desktop
        # Private sockets in a short path of their own: a socket's path must be
        # short, and the buses must not be anybody else's.
        self.runtime = tempfile.mkdtemp(prefix="fendrel-a11y-")
        os.chmod(self.runtime, 0o700)
        self.addCleanup(shutil.rmtree, self.runtime, True)
        env = dict(d.env, XDG_RUNTIME_DIR=self.runtime)
        bus = d.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=env,
                      stdout=subprocess.PIPE, log_name="dbus.log")
        env["DBUS_SESSION_BUS_ADDRESS"] = read_line(bus.stdout, "the session bus address")
        d.spawn([BUS_LAUNCHER, "--launch-immediately"], env=env, log_name="at-spi.log")
        wait_for("the AT-SPI bus", lambda: self._a11y_bus_ready(env))
        self.bus_env = env
        return {"XDG_RUNTIME_DIR": self.runtime,
                "DBUS_SESSION_BUS_ADDRESS": env["DBUS_SESSION_BUS_ADDRESS"],
                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1"}

    def _a11y_bus_ready(self, env):
        result = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                                 "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                                env=env, capture_output=True, timeout=TIMEOUT)
        return result.returncode == 0 and b"unix:" in result.stdout

    def ask(self, *args):
        """The helper's answer about the program: its tree, or its focus."""
        result = subprocess.run([sys.executable, TREE_HELPER, str(self.app.process.pid), *args],
                                env=self.bus_env, capture_output=True, timeout=TIMEOUT)
        if result.returncode != 0:
            raise AssertionError(f"reading the tree failed: {result.stderr.decode().strip()}")
        return json.loads(result.stdout)

    def tree(self):
        """The tree once the main window is in it."""

        def window_in_tree():
            tree = self.ask()
            return tree if tree and any(e["role"] == "frame" and e["name"].startswith("Fendrel")
                                        for e in walk(tree)) else None

        return wait_for("the window in the accessibility tree", window_in_tree)

    def find(self, tree, role, name):
        found = [e for e in walk(tree) if e["role"] == role and e["name"] == name]
        self.assertTrue(found, f'no {role} named "{name}" in the tree')
        return found[0]

    def wait_focus(self, expected):
        return wait_for(f"the focus on the {expected[0]} {expected[1]!r}",
                        lambda: (lambda f: f and (f["role"], f["name"]) == expected)(
                            self.ask("--focused")))

    def tab_through(self, order, start=0):
        """Tab from the control at order[start] once round to it again."""
        for expected in [*order[start + 1:], *order[:start + 1]]:
            self.desktop.key("Tab")
            try:
                self.wait_focus(expected)
            except AssertionError as failure:
                raise AssertionError(f"{failure}; the focus is on {self.ask('--focused')}") from None

    def test_names_headers_descriptions_and_tab_order(self):
        tree = self.tree()
        with open(os.path.join(self.folder, "tree.txt"), "w", encoding="utf-8") as dump:
            dump.write("\n".join(render(tree)) + "\n")

        for role, name in NAMED:
            self.find(tree, role, name)
        for role, name in [("push button", "Increase"), ("push button", "Decrease")]:
            self.assertEqual(sum(1 for e in walk(tree) if (e["role"], e["name"]) == (role, name)),
                             2, f"one {name} arrow per spin")
        unnamed = [e["role"] for e in walk(tree) if e["role"] in CONTROL_ROLES and not e["name"]]
        self.assertEqual(unnamed, [], "controls without a name")
        shown = {e["name"] for e in walk(tree)}
        self.assertNotIn("Plot", shown, "the hidden Plot button is exposed")
        self.assertNotIn("Wave", shown, "the hidden Wave button is exposed")

        # The grids answer as tables: the header row and index column are
        # their headers, the cells the grid's texts.
        grid = self.find(tree, "table", "Test data")["table"]
        self.assertEqual((grid["rows"], grid["columns"]), (100, 1))
        self.assertEqual(grid["column_descriptions"], ["Value"])
        self.assertEqual(grid["row_descriptions"], ["0", "1", "2", "3"])
        self.assertEqual(grid["column_headers"], [["table column header", "Value"]])
        self.assertEqual(grid["first_child"], ["table column header", "Time"])
        self.assertEqual(grid["cells"][1][0][0], "table cell")
        self.assertRegex(grid["cells"][1][0][1], r"^-?\d[.,]\d{6}$")
        waves = self.find(tree, "table", "Wavelet data")["table"]
        self.assertEqual(waves["column_descriptions"], ["Wave 0"])

        # The charts describe what they show.
        test_chart = self.find(tree, "chart", "Test data")
        self.assertRegex(test_chart["description"],
                         rf"^Test data: 100 points, values {NUMBER} to {NUMBER}$")
        wave_chart = self.find(tree, "chart", "Wavelet data (haars)")
        self.assertRegex(wave_chart["description"], r"^Wavelet data \(haars\), Level 0: 100 points")

        # Tab walks the layout's order and comes round again; the arrow keys
        # choose the other method, whose radio button and check box Tab then
        # stops at.
        self.wait_focus(TAB_ORDER[0])
        self.tab_through(TAB_ORDER)
        self.desktop.key("Up")  # the level spin's edit steps to level 1
        wait_for("the wavelet chart to describe level 1", lambda: re.match(
            rf"^Wavelet data \(haars\), Level 1: 2 bands of 50 points, values {NUMBER} to "
            rf"{NUMBER}$", self.find(self.ask(), "chart", "Wavelet data (haars)")["description"]))
        self.desktop.key("Tab", "Tab", "Tab")
        self.wait_focus(("radio button", "Moving average"))
        self.desktop.key("Down")
        knn = KNN_TAB_ORDER.index(("radio button", "K-Nearest-Neighbor"))
        self.wait_focus(KNN_TAB_ORDER[knn])
        wait_for("the nearest-neighbour check box to be enabled", lambda: "enabled" in self.find(
            self.ask(), "check box", "Use window average")["states"])
        self.tab_through(KNN_TAB_ORDER, knn)
