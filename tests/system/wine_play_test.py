#!/usr/bin/python3
"""Plays one whole run of the real Morvane.exe under Wine, as a Windows player would: on an X
server of its own, pressed with real X input (XTest, through xdotool), every text read back from
outside the process by a small Windows program that walks the window and its boxes.

    python3 tests/system/wine_play_test.py --game build/windows-x64/window/win32/Morvane.exe \
        --probe build/windows-x64/tests/tools/window_probe.exe --wine-run tests/tools/wine-run

With --needs-32-bit SCRIPT (the 32-bit program) it first runs SCRIPT, and when that says the
machine cannot run 32-bit programs, prints why and exits 77, which ctest reports as skipped.

41 presses, the ten seconds, a press that no longer counts, RESET: the band-3 box with 4.1,
"NEW RECORD!", the record label 4.1, and the window back at its start; then it closes with
status 0. Uses a Wine prefix of its own (WINEPREFIX with "-play" added), so no other test's
windows or Wine session can get in the way.
"""

import argparse
import os
import subprocess
import sys
import time
import unittest

import xsession
from winesession import COMMAND1, COMMAND2, COUNTER, LABEL1, ProbeError, WineSession

ARGS = None
PRESSES = 41
RUN_SECONDS = 10.0


class WinePlay(unittest.TestCase):
    def setUp(self):
        self.server = xsession.XServer()
        self.addCleanup(self.server.stop)
        self.session = WineSession(ARGS.wine_run, os.environ["WINEPREFIX"] + "-play",
                                   self.server.display)
        self.env = self.session.env
        self.session.prepare()
        self.game = self.session.launch(ARGS.game)
        self.addCleanup(self.session.stop, self.game)

    def inspect(self, *arguments, timeout_ms=60000):
        try:
            return self.session.inspect(ARGS.probe, *arguments, timeout_ms=timeout_ms)
        except ProbeError as error:
            self.fail(str(error))

    def wait_for(self, condition, what, timeout=10.0):
        deadline = time.monotonic() + timeout
        while True:
            screen = self.inspect()
            if condition(screen):
                return screen
            if time.monotonic() > deadline:
                self.fail(f"{what} never came; last seen {vars(screen)}")
            time.sleep(0.1)

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.env, check=True)

    def click(self, rect, times=1, delay_ms=30):
        """Presses the middle of the part of `rect` that is on screen."""
        left, top, width, height = rect
        right = left + width
        left = max(left, 0)
        x, y = (left + right) // 2, top + height // 2
        self.xdotool("mousemove", "--sync", str(x), str(y))
        self.xdotool("click", "--repeat", str(times), "--delay", str(delay_ms), "1")

    def answer_box(self, expected):
        screen = self.wait_for(lambda s: s.box, f"the box saying {expected!r}")
        self.assertEqual(screen.box, [expected])
        self.assertEqual([label for _, label in screen.buttons], ["OK"])
        self.assertEqual(screen.icons, 0)
        self.click(screen.buttons[0][0])
        self.wait_for(lambda s: expected not in s.box, f"the box {expected!r} to close")

    def test_a_whole_run_of_41_presses_sets_a_new_record(self):
        start = self.inspect()
        self.assertEqual(start.window, "Morvane")
        self.assertEqual(start.text(COMMAND1), "NUMBER OF CLICKS")
        self.assertEqual(start.text(COMMAND2), "RESET")
        self.assertEqual(start.text(LABEL1), "RECORD: 4")
        self.assertFalse(start.controls[COUNTER]["visible"])

        self.click(start.controls[COMMAND1]["rect"], PRESSES)
        counted = self.wait_for(lambda s: s.text(COMMAND1) == str(PRESSES), f"a count of {PRESSES}")

        # Once the run's tick has come (the hidden marker shows it) a press no longer counts.
        self.wait_for(lambda s: s.text(COUNTER) == "1", "the run's tick", RUN_SECONDS + 8)
        self.click(counted.controls[COMMAND1]["rect"])
        time.sleep(0.5)
        self.assertEqual(self.inspect().text(COMMAND1), str(PRESSES))

        self.click(counted.controls[COMMAND2]["rect"])
        self.answer_box("Wow! You clicked the button 4.1 times in a second. Bravo!!!")
        self.answer_box("NEW RECORD!")
        end = self.wait_for(lambda s: s.text(COMMAND1) == "NUMBER OF CLICKS", "the window's reset")
        self.assertEqual(end.text(LABEL1), "4.1")
        self.assertEqual(end.text(COUNTER), "0")

        self.inspect("close")
        self.assertEqual(self.game.wait(timeout=15), 0)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--needs-32-bit", metavar="SCRIPT")
    ARGS, rest = parser.parse_known_args()
    if ARGS.needs_32_bit:
        probe = subprocess.run(["bash", ARGS.needs_32_bit], capture_output=True, text=True,
                               check=False)
        if probe.returncode != 0:
            print(f"skipped: {probe.stderr.strip()}, so Wine's 32-bit half cannot play the game")
            sys.exit(77)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
