"""End-to-end test of the Import dialog, answered with real keys: a text of
three columns, as pandas writes it with its index, opens through the dialog."""

import os

from desktop import wait_for
from test_fendrel import FendrelTestCase, table

PANDAS_WITH_INDEX = (b",YEAR,SUNACTIVITY\n0,1700.0,5.0\n1,1701.0,11.0\n2,1702.0,16.0\n"
                     b"3,1703.0,23.0\n")


class ImportDialog(FendrelTestCase):
    def open_into_import_dialog(self, path):
        d = self.desktop
        self.app.choose_file("ctrl+o", path, "Open", focus_back=False)
        dialog = wait_for("the Import dialog", lambda: d.windows("^Import$"))[0]
        wait_for("the Import dialog to have the focus", lambda: d.focused_window() == dialog)
        return dialog

    def close_with(self, dialog, key):
        d = self.desktop
        d.key(key)
        wait_for("the Import dialog to close", lambda: dialog not in d.all_windows())
        self.app.wait_focus()

    def test_return_reads_the_proposed_column_and_escape_changes_nothing(self):
        path = os.path.join(self.files, "sunspots.csv")
        with open(path, "wb") as text:
            text.write(PANDAS_WITH_INDEX)
        before = self.app.copy_data("sgTest")

        dialog = self.open_into_import_dialog(path)
        self.desktop.screenshot(dialog, os.path.join(self.folder, "import.png"))
        self.close_with(dialog, "Escape")
        self.assertEqual(self.app.boxes(), [])
        self.assertEqual(self.app.copy_data("sgTest"), before)

        dialog = self.open_into_import_dialog(path)
        self.close_with(dialog, "Return")
        self.assertEqual(self.app.boxes(), [])
        rows = table(self.app.copy_data("sgTest"))
        self.assertEqual(rows, [["0", "5.00000000"], ["1", "11.00000000"], ["2", "16.00000000"],
                                ["3", "23.00000000"]])
