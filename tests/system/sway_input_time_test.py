#!/usr/bin/python3
"""A run is ten seconds of the compositor's input time, however late the presses reach the game.
Wayland compositors stamp input with the kernel's time of the event, and one busy for a frame or
two hands presses made in time over after the run's end. Here the real game is on Debian's sway,
headless, and is clicked through wlroots' virtual pointer protocol, whose requests carry times
the test chooses: a click starts the run, and a train of clicks stamped every 2 ms up to and past
its end is handed over well after that end. The count a screen reader reads back must be the
clicks stamped before the first one's time plus 10000 ms, across the 32-bit clock's wrap too.

    PYTHONPATH=tests/tools /usr/bin/python3 tests/system/sway_input_time_test.py \\
        --morvane build/ci/window/qt/morvane
"""

import argparse
import sys
import unittest

import virtual_pointer
import xsession

ARGS = None
RUN_MS = 10000
HANDOVER_MS = 200  # how long after the run's end the train is handed over
IN_TIME = range(RUN_MS - 200, RUN_MS, 2)
LATE = range(RUN_MS, RUN_MS + 10, 2)  # at the end and past it: none of these counts


class SwayInputTime(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desktop = xsession.Desktop(compositor=xsession.Sway)
        cls.addClassCleanup(cls.desktop.close)
        # Made before the game starts, so the game meets a seat that has a pointer.
        cls.pointer = virtual_pointer.VirtualPointer(cls.desktop.screen.socket)
        cls.addClassCleanup(cls.pointer.close)

    def play(self, start):
        """Plays a run started by a click stamped `start` and returns the count it ends with."""
        game = self.desktop.start_game([ARGS.morvane])
        self.addCleanup(game.close)
        aim = virtual_pointer.aim_at_counting_button(self.desktop.screen, game)
        counted, handed_over = virtual_pointer.late_run(
            self.pointer, game, aim, start, [*IN_TIME, *LATE], RUN_MS, HANDOVER_MS)
        print(f"start stamped {start}: the train handed over {handed_over:.3f} s after the first "
              f"click; {counted} counted", file=sys.stderr)
        return counted

    def test_presses_count_by_their_stamps_however_late_they_come(self):
        self.assertEqual(self.play(virtual_pointer.clear_start(RUN_MS)), 1 + len(IN_TIME))

    def test_a_run_across_the_clocks_wrap(self):
        self.assertEqual(self.play(virtual_pointer.CLOCK - RUN_MS // 2), 1 + len(IN_TIME))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--morvane", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
