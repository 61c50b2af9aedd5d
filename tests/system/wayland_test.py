#!/usr/bin/python3
"""Plays the real game on a real Wayland compositor: Debian's weston on its headless backend, in
a session of its own from the shared harness (tests/tools/xsession.py). No X display is given,
so the game is on Wayland or does not start. Wayland has no way for one client to send input to
another, so the game is played as a screen reader plays it, through its buttons' accessible
"Press" actions, and read back over AT-SPI; what the game asked the compositor for is read from
the compositor's protocol log.

    PYTHONPATH=tests/tools /usr/bin/python3 tests/system/wayland_test.py \\
        --morvane build/ci/window/qt/morvane --app-id example.morvane.Morvane
"""

import argparse
import re
import sys
import time
import unittest

import xsession

ARGS = None
IDLE = xsession.RESTING_CAPTION
CLIENT = (199, 156)  # the design's client area, in pixels
RUN_SECONDS = 10.0
# What Qt 6.8 logs when the accessibility reader asks about an object that has just gone, such as
# a box's button after the box closed: a note about the reader, not the game.
STALE_ACCESSIBLE = "qt.accessibility.atspi: Could not find accessible on path: "
# A request in the compositor's protocol log, whole to its line's end: weston 10 writes
# "[time][proto] client 0x... rq interface@id.request(arguments)", later ones the client's PID too.
REQUEST = re.compile(r"^\[[^\]\n]*\]\[proto\] client (0x[0-9a-f]+) (?:\(PID \d+\) )?"
                     r"rq (\w+@\d+)\.(\w+)\((.*)\)\n", re.MULTILINE)


def toplevels(protocol_log):
    """The windows in the order they were made, each with the first argument list its client
    sent for each request about it, from the compositor's protocol log."""
    made = []
    live = {}
    for client, target, request, arguments in REQUEST.findall(protocol_log):
        created = re.fullmatch(r"new id (xdg_toplevel@\d+)", arguments)
        if target.startswith("xdg_surface@") and request == "get_toplevel" and created:
            live[client, created[1]] = {"object": created[1]}
            made.append(live[client, created[1]])
        elif (client, target) in live:
            live[client, target].setdefault(request, arguments)
            if request == "destroy":
                del live[client, target]
    return made


class Wayland(unittest.TestCase):
    def setUp(self):
        self.desktop = xsession.Desktop(compositor=xsession.Weston)
        self.addCleanup(self.desktop.close)
        self.game = self.desktop.start_game([ARGS.morvane])
        self.addCleanup(self.game.close)

    def press_and_see(self, control, shown):
        """Presses a button, then waits for it to say `shown`. Returns when the press was
        asked for and when it was first seen done."""
        asked = time.monotonic()
        self.game.press(control)
        xsession.wait_for(f"{control} to show {shown!r}",
                          lambda: self.game.text(control) == shown, 5.0)
        return asked, time.monotonic()

    def wait_for_tick(self, last_unchanged):
        """Reads the marker until the tick shows. Returns when it was last read unchanged (or
        `last_unchanged`, if it never was) and when it was first read changed."""
        deadline = time.monotonic() + RUN_SECONDS + 8
        while time.monotonic() < deadline:
            asked = time.monotonic()
            if self.game.text("Counter") == "1":
                return last_unchanged, time.monotonic()
            last_unchanged = asked
            time.sleep(0.005)
        self.fail("the tick never came")

    def test_a_record_run_played_over_the_accessibility_bus(self):
        with open(f"/proc/{self.game.process.pid}/maps", encoding="utf-8") as maps:
            libraries = maps.read()
        self.assertIn("/platforms/libqwayland-", libraries)
        self.assertNotIn("/platforms/libqxcb", libraries)

        game = self.game
        self.assertEqual(game.text("Command1"), IDLE)
        self.assertEqual(game.text("Label1"), "RECORD: 4")
        pressed, first_seen = self.press_and_see("Command1", "1")
        for count in range(2, 42):
            self.press_and_see("Command1", str(count))
        not_yet, ticked = self.wait_for_tick(first_seen)
        # The run starts after the first press is asked for and before its count shows; the
        # tick after the marker was last read unchanged and before it was read changed.
        shortest, longest = not_yet - first_seen, ticked - pressed
        print(f"the tick came {shortest:.3f} to {longest:.3f} s after the first press",
              file=sys.stderr)
        # The tick waits past the end for presses still on their way; it is never early.
        self.assertGreaterEqual(longest, RUN_SECONDS, "the tick came early")

        for _ in range(3):
            game.press("Command1")
            time.sleep(0.15)  # Qt takes presses within a tenth of a second as one
        self.assertEqual(game.text("Command1"), "41", "a press after the tick was counted")

        game.press("Command2")
        self.assertEqual(game.answer_box(),
                         "Wow! You clicked the button 4.1 times in a second. Bravo!!!")
        self.assertEqual(game.answer_box(), "NEW RECORD!")
        xsession.wait_for("the idle caption", lambda: game.text("Command1") == IDLE)
        self.assertEqual(game.text("Label1"), "4.1")
        self.assertEqual(game.text("Counter"), "0")

        # What the compositor was told: one fixed-size window, titled and named for its
        # desktop entry (where the desktop finds its icon), and each box tied to it. Each box is
        # gone from the log once the compositor has had all it said.
        def window_and_boxes():
            made = toplevels(self.desktop.screen.output())
            return made if len(made) >= 3 and all("destroy" in box for box in made[1:]) else None

        window, *boxes = xsession.wait_for("the compositor to see the window and both boxes",
                                           window_and_boxes, 10.0)
        self.assertEqual(window.get("set_title"), '"Morvane"')
        self.assertEqual(window.get("set_app_id"), f'"{ARGS.app_id}"')
        size = f"{CLIENT[0]}, {CLIENT[1]}"
        self.assertEqual((window.get("set_min_size"), window.get("set_max_size")), (size, size))
        self.assertEqual(len(boxes), 2)
        for box in boxes:
            self.assertEqual(box.get("set_parent"), window["object"])
            self.assertEqual(box.get("set_title"), '"Morvane"')

        # Anything the game wrote is a complaint from Qt; read once it has ended, so that each
        # line is whole.
        self.assertIsNone(game.process.poll(), "the game ended by itself")
        xsession.stop_process(game.process)
        self.assertEqual([line for line in game.error_output().splitlines()
                          if not line.startswith(STALE_ACCESSIBLE)], [])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--morvane", required=True)
    parser.add_argument("--app-id", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
