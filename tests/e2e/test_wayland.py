"""End-to-end test of start-up under Wayland: a headless Weston compositor of
the test's own, the program on its Wayland platform with a sample file named
on the command line. Input, the clipboard and the dialogs are driven under X,
where they can be; here the program must come up quietly, stay up and end
cleanly when the session asks it to."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from desktop import wait_for
from test_fendrel import ARTIFACTS

BINARY = os.environ.get("FENDREL_BINARY", "")
STAY_UP = 3.0


class WaylandSession(unittest.TestCase):
    def setUp(self):
        self.runtime = tempfile.mkdtemp(prefix="fendrel-wayland-")
        os.chmod(self.runtime, 0o700)
        self.env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.env.update(XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY="fendrel-wayland",
                        QT_QPA_PLATFORM="wayland")
        self.env.pop("QT_LOGGING_RULES", None)
        log = open(os.path.join(ARTIFACTS, "weston.log"), "wb")
        try:
            # Weston refuses to run as root unless told the session is its own.
            self.weston = subprocess.Popen(
                ["weston", "--backend=headless-backend.so", "--socket=fendrel-wayland",
                 "--idle-time=0", "--shell=desktop-shell.so"],
                env=self.env, stdout=log, stderr=subprocess.STDOUT)
        finally:
            log.close()
        self.addCleanup(self._stop, self.weston)
        socket = os.path.join(self.runtime, "fendrel-wayland")
        wait_for("the Weston socket", lambda: os.path.exists(socket) or self.weston.poll() is not None)
        self.assertIsNone(self.weston.poll(), "weston ended at start-up")

    def _stop(self, process):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(self.runtime, ignore_errors=True)

    def test_starts_with_a_file_stays_up_quietly_and_ends_on_sigterm(self):
        sample = os.path.join(self.runtime, "seven.qls")
        with open(sample, "wb") as f:
            f.write(b"".join(b"%d,%d.5\r\n" % (i, i * i) for i in range(7)))
        program = subprocess.Popen([BINARY, sample], env=self.env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        deadline = time.monotonic() + STAY_UP
        while time.monotonic() < deadline and program.poll() is None:
            time.sleep(0.05)
        self.assertIsNone(program.poll(), "the program ended by itself under Wayland")
        program.send_signal(signal.SIGTERM)
        out, err = program.communicate(timeout=20)
        with open(os.path.join(ARTIFACTS, "fendrel-wayland.log"), "wb") as f:
            f.write(out + err)
        self.assertEqual(program.returncode, 0, "SIGTERM did not end the program cleanly")
        self.assertEqual(err.decode(errors="replace").strip(), "", "the program printed warnings")


if __name__ == "__main__":
    unittest.main()
