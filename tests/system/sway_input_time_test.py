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
import socket
import struct
import sys
import time
import unittest

import xsession

ARGS = None
CLOCK = 1 << 32  # the compositor's milliseconds wrap here
RUN_MS = 10000
HANDOVER_MS = 200  # how long after the run's end the train is handed over
IN_TIME = range(RUN_MS - 200, RUN_MS, 2)
LATE = range(RUN_MS, RUN_MS + 10, 2)  # at the end and past it: none of these counts
BTN_LEFT = 0x110  # linux/input-event-codes.h


def pack(*words):
    return struct.pack(f"={len(words)}I", *(word % CLOCK for word in words))


def string(text):
    data = text.encode() + b"\0"
    return pack(len(data)) + data + bytes(-len(data) % 4)


class VirtualPointer:
    """A pointer of wlroots' virtual pointer protocol, in the Wayland wire format over the
    compositor's socket: each message is its object, its length and opcode, and 32-bit words.
    wlroots hands each request's time on to the clients unchanged, except 0, which sway takes as
    "now" and replaces with its own clock."""

    def __init__(self, path):
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.connect(path)
        self.last_id = 1  # the display
        self.received = b""
        self.globals = {}
        self.registry = self.new_id()
        self.send(self.message(1, 1, pack(self.registry)))  # wl_display.get_registry
        self.roundtrip()
        manager = self.new_id()
        name = self.globals["zwlr_virtual_pointer_manager_v1"]
        self.send(self.message(self.registry, 0, pack(name),  # wl_registry.bind
                               string("zwlr_virtual_pointer_manager_v1"), pack(1, manager)))
        self.pointer = self.new_id()
        # create_virtual_pointer, on the default seat
        self.send(self.message(manager, 0, pack(0, self.pointer)))
        self.roundtrip()

    def new_id(self):
        self.last_id += 1
        return self.last_id

    @staticmethod
    def message(target, opcode, *arguments):
        body = b"".join(arguments)
        return pack(target, (8 + len(body)) << 16 | opcode) + body

    def send(self, *messages):
        self.socket.sendall(b"".join(messages))

    def roundtrip(self):
        """Waits until the compositor has handled every request sent so far, noting the globals
        it announces and failing on a protocol error."""
        callback = self.new_id()
        self.send(self.message(1, 0, pack(callback)))  # wl_display.sync
        while True:
            while len(self.received) < 8 or len(self.received) < self._size():
                data = self.socket.recv(4096)
                if not data:
                    raise RuntimeError("the compositor closed the connection")
                self.received += data
            target, word = struct.unpack_from("=2I", self.received)
            body = self.received[8:self._size()]
            self.received = self.received[self._size():]
            if (target, word & 0xFFFF) == (1, 0):
                raise RuntimeError(f"protocol error: {body!r}")
            if (target, word & 0xFFFF) == (self.registry, 0):
                name, length = struct.unpack_from("=2I", body)
                interface = body[8:8 + length - 1].decode()
                self.globals[interface] = name
            if (target, word & 0xFFFF) == (callback, 0):
                return

    def _size(self):
        return struct.unpack_from("=I", self.received, 4)[0] >> 16

    def click(self, place, stamps, layout):
        """Moves to `place` (x, y in the layout of size `layout`), then clicks there once for
        each stamp, pressed and released at that time, all handed over at once."""
        if 0 in (stamp % CLOCK for stamp in stamps):
            raise ValueError("sway stamps a time of 0 with its own clock")
        messages = [self.message(self.pointer, 1, pack(stamps[0], *place, *layout)),  # absolute
                    self.message(self.pointer, 4)]  # frame
        for stamp in stamps:
            for state in (1, 0):
                messages += [self.message(self.pointer, 2, pack(stamp, BTN_LEFT, state)),
                             self.message(self.pointer, 4)]
        self.send(*messages)
        self.roundtrip()

    def close(self):
        self.socket.close()


def find(node, pid):
    if node.get("pid") == pid:
        return node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        found = find(child, pid)
        if found:
            return found
    return None


class SwayInputTime(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desktop = xsession.Desktop(compositor=xsession.Sway)
        cls.addClassCleanup(cls.desktop.close)
        # Made before the game starts, so the game meets a seat that has a pointer.
        cls.pointer = VirtualPointer(cls.desktop.screen.socket)
        cls.addClassCleanup(cls.pointer.close)

    def play(self, start):
        """Plays a run started by a click stamped `start` and returns the count it ends with."""
        game = self.desktop.start_game([ARGS.morvane])
        self.addCleanup(game.close)
        sway = self.desktop.screen
        # Qt calls the window showing before sway has mapped it.
        window = xsession.wait_for("sway to map the window",
                                   lambda: find(sway.tree(), game.process.pid))
        # The big button's centre: where sway put the window, and where the game says the button
        # is in it.
        button = game.controls["Command1"].get_extents(xsession.atspi().CoordType.WINDOW)
        place = (window["rect"]["x"] + window["window_rect"]["x"] + button.x + button.width // 2,
                 window["rect"]["y"] + window["window_rect"]["y"] + button.y + button.height // 2)
        layout = sway.tree()["rect"]
        layout = (layout["width"], layout["height"])

        # Read before the click is sent: the game starts the run no sooner, however long a busy
        # machine keeps this process from seeing the click go.
        started = time.monotonic()
        self.pointer.click(place, [start], layout)
        xsession.wait_for("the first click to count", lambda: game.text("Command1") == "1")
        time.sleep(max(0.0, started + (RUN_MS + HANDOVER_MS) / 1000 - time.monotonic()))
        self.pointer.click(place, [start + offset for offset in [*IN_TIME, *LATE]], layout)
        handed_over = time.monotonic() - started
        xsession.wait_for("the run to end", lambda: game.text("Counter") == "1", 5.0)
        counted = int(game.text("Command1"))
        print(f"start stamped {start}: the train handed over {handed_over:.3f} s after the first "
              f"click; {counted} counted", file=sys.stderr)
        return counted

    def test_presses_count_by_their_stamps_however_late_they_come(self):
        # A reading of the compositor's own clock, kept clear of its wrap and of 0.
        start = 1 + int(time.monotonic() * 1000) % (CLOCK - 2 * RUN_MS)
        self.assertEqual(self.play(start), 1 + len(IN_TIME))

    def test_a_run_across_the_clocks_wrap(self):
        self.assertEqual(self.play(CLOCK - RUN_MS // 2), 1 + len(IN_TIME))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--morvane", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
