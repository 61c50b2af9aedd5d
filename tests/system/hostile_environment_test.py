#!/usr/bin/python3
"""Starts the real game in hostile environments and plays it as a person would.

Each case runs the program as a child process on its own X server (Xvfb), presses its buttons
with real pointer events (XTest, through xdotool) and reads what it shows over the desktop's
accessibility bus (AT-SPI), the way assistive tools see it. The session comes from the shared
harness, tests/tools/xsession.py:

    PYTHONPATH=tests/tools /usr/bin/python3 tests/system/hostile_environment_test.py \
        --morvane build/ci/window/qt/morvane --harness build/ci/tests/qt/failing_control_harness
"""

import argparse
import struct
import subprocess
import sys
import time
import unittest

import xsession

ARGS = None
# One bus for the whole run: the AT-SPI client stays on the first it meets.
BUS = None
IDLE = xsession.RESTING_CAPTION
# The design's client area and controls, in pixels at the design's 96 dots per inch.
CLIENT = (199, 156)
LAYOUT = {
    "Command1": (0, 0, 201, 97),
    "Command2": (-8, 96, 209, 33),
    "Label1": (0, 128, 201, 33),
}
# The ten-second run, plus room for a loaded machine.
RUN_SECONDS = 10
TICK_WAIT = RUN_SECONDS + 8
wait_for = xsession.wait_for


def extents(node):
    box = node.get_extents(xsession.atspi().CoordType.SCREEN)
    return box.x, box.y, box.width, box.height


def screenshot(desktop, window_id):
    """The window's pixels, from xwd's dump, as rows of grey levels."""
    dump = subprocess.run(["xwd", "-silent", "-id", window_id], check=True, capture_output=True,
                          env=desktop.env).stdout
    header = struct.unpack(">25I", dump[:100])
    header_size, width, height = header[0], header[4], header[5]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    colours = header[19]
    if bits_per_pixel != 32 or byte_order != 0:
        raise AssertionError(f"unexpected screen format: {bits_per_pixel} bits, order {byte_order}")
    pixels = dump[header_size + 12 * colours:]
    rows = []
    for y in range(height):
        row = pixels[y * bytes_per_line:y * bytes_per_line + 4 * width]
        rows.append([(row[4 * x] + row[4 * x + 1] + row[4 * x + 2]) // 3 for x in range(width)])
    return rows


def painted(desktop, window_id, timeout=5.0):
    """The window's pixels once it has been painted: on Xvfb a window not yet painted is one flat
    colour, as a loaded machine may still show it just after it is mapped."""
    give_up = time.monotonic() + timeout
    while True:
        rows = screenshot(desktop, window_id)
        if len({level for row in rows for level in row}) > 2 or time.monotonic() > give_up:
            return rows
        time.sleep(0.05)


def ink(rows, left, top, width, height):
    """Bounding box and amount of dark text pixels in a region of the window."""
    xs, ys, amount = [], [], 0
    for y in range(max(top, 0), min(top + height, len(rows))):
        for x in range(max(left, 0), min(left + width, len(rows[0]))):
            if rows[y][x] < 80:
                xs.append(x)
                ys.append(y)
                amount += 1
    if not amount:
        return None
    return min(xs) - left, min(ys) - top, max(xs) - left + 1, max(ys) - top + 1, amount


class HostileEnvironment(unittest.TestCase):
    def setUp(self):
        self.desktop = xsession.Desktop(bus=BUS)
        self.addCleanup(self.desktop.close)

    def start(self, program=None, **environment):
        game = self.desktop.start_game([program or ARGS.morvane], environment)
        self.addCleanup(game.close)
        return game

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True,
                              text=True, env=self.desktop.env).stdout

    def click(self, game, node, times=1):
        x, y, width, height = extents(node)
        # The middle of the part of the control that lies inside the window.
        wx, wy, ww, wh = extents(game.window)
        left, right = max(x, wx), min(x + width, wx + ww)
        top, bottom = max(y, wy), min(y + height, wy + wh)
        self.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2)
        self.xdotool("click", "--repeat", times, "--delay", 40, 1)

    def press(self, game, control, times=1):
        self.click(game, game.controls[control], times)

    def answer_box(self, game):
        return game.answer_box(lambda ok: self.click(game, ok))

    def x_geometry(self, game):
        """The window's size on the X server, in device pixels."""
        window_id = self.xdotool("search", "--sync", "--onlyvisible", "--pid",
                                 game.process.pid).split()[0]
        info = subprocess.run(["xwininfo", "-id", window_id], check=True, capture_output=True,
                              text=True, env=self.desktop.env).stdout
        fields = dict(line.strip().split(": ", 1) for line in info.splitlines() if ": " in line)
        return (window_id, int(fields["Absolute upper-left X"]),
                int(fields["Absolute upper-left Y"]), int(fields["Width"]), int(fields["Height"]))

    def play_a_record_run(self, game, separator):
        """41 presses, the tick, then RESET: a rate of 4.1 beats the starting record of 4."""
        self.assertEqual(game.text("Command1"), IDLE)
        self.assertEqual(game.text("Label1"), "RECORD: 4")
        self.press(game, "Command1", 41)
        wait_for("the 41st press", lambda: game.text("Command1") == "41")
        wait_for("the tick", lambda: game.text("Counter") == "1", TICK_WAIT)
        self.press(game, "Command1", 3)
        time.sleep(0.3)
        self.assertEqual(game.text("Command1"), "41", "a press after the tick was counted")
        self.press(game, "Command2")
        wait_for("the rating box", game.boxes)
        # A screen reader's Press on RESET under the box is dropped, not a second evaluation.
        game.press("Command2")
        time.sleep(0.5)
        self.assertEqual(len(game.boxes()), 1, "a press under the box opened another")
        rate = f"4{separator}1"
        self.assertEqual(self.answer_box(game),
                         f"Wow! You clicked the button {rate} times in a second. Bravo!!!")
        self.assertEqual(self.answer_box(game), "NEW RECORD!")
        wait_for("the idle caption", lambda: game.text("Command1") == IDLE)
        self.assertEqual(game.text("Label1"), rate)
        self.assertEqual(game.text("Counter"), "0")

    def test_locale_that_does_not_exist_plays_with_a_full_stop(self):
        game = self.start(LANG="xx_XX.UTF-8", LC_ALL="xx_XX.UTF-8")
        self.play_a_record_run(game, ".")
        self.assertIsNone(game.process.poll(), "the game ended by itself")

    def test_comma_locale_writes_the_record_with_a_comma(self):
        game = self.start(LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8")
        self.play_a_record_run(game, ",")

    def test_double_scale_is_the_same_layout_twice_the_size(self):
        normal = self.start()
        normal_geometry = self.x_geometry(normal)
        normal_pixels = painted(self.desktop, normal_geometry[0])
        normal.close()
        large = self.start(QT_SCALE_FACTOR="2")
        large_geometry = self.x_geometry(large)
        self.assertEqual(normal_geometry[3:], CLIENT)
        self.assertEqual(large_geometry[3:], (2 * CLIENT[0], 2 * CLIENT[1]))

        # Qt reports positions in device-independent pixels: the layout must be the design's.
        origin = extents(large.window)
        for name, (left, top, width, height) in LAYOUT.items():
            x, y, w, h = extents(large.controls[name])
            self.assertEqual((x - origin[0], y - origin[1], w, h), (left, top, width, height),
                             name)

        # Texts whole: each control's text has the same shape, twice the size, and stays inside
        # the part of its control that is seen.
        large_pixels = painted(self.desktop, large_geometry[0])
        for name, (left, top, width, height) in LAYOUT.items():
            left, width = max(left, 0) + 3, min(left + width, CLIENT[0]) - max(left, 0) - 6
            height = min(top + height, CLIENT[1]) - top - 3
            top += 3
            small = ink(normal_pixels, left, top, width, height)
            big = ink(large_pixels, 2 * left, 2 * top, 2 * width, 2 * height)
            self.assertIsNotNone(small, f"{name} shows no text")
            self.assertIsNotNone(big, f"{name} shows no text at double scale")
            for edge in range(4):
                self.assertAlmostEqual(big[edge], 2 * small[edge], delta=4,
                                       msg=f"{name}: {big} against {small}")
            self.assertGreater(big[4], 2 * small[4], f"{name} lost ink: {big} against {small}")
            self.assertTrue(0 < big[0] and big[2] < 2 * width and 0 < big[1]
                            and big[3] < 2 * height, f"{name}'s text touches its edge: {big}")

    def test_failing_control_call_reports_and_ends_with_status_one(self):
        game = self.start(ARGS.harness)
        self.press(game, "Command1")
        wait_for("the count to become unreadable", lambda: game.text("Command1") == "1x")
        self.press(game, "Command1")
        self.assertEqual(self.answer_box(game), 'Type mismatch: "1x" is not a number')
        # Nothing after the error box: any further box would hold the game open until answered,
        # so ending at once with status 1 means none was shown.
        self.assertEqual(game.process.wait(5), 1)
        self.assertEqual(game.error_output(), "")


def main():
    global ARGS, BUS
    parser = argparse.ArgumentParser()
    parser.add_argument("--morvane", required=True)
    parser.add_argument("--harness", required=True)
    ARGS, rest = parser.parse_known_args()
    BUS = xsession.DBusSession()
    try:
        # The accessibility bus and registry must be up before the game asks for them.
        xsession.atspi()
        result = unittest.main(argv=[sys.argv[0], "-v", *rest], exit=False).result
    finally:
        BUS.stop()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
