"""Clicks on sway with the times the caller chooses, through wlroots' virtual pointer protocol:
a small client of the Wayland wire format, and a run of the game played with it, its clicks
handed over late. For the Wayland input-time test and the benchmarks.
"""

import socket
import struct
import time

import xsession

CLOCK = 1 << 32  # the compositor's milliseconds wrap here
BTN_LEFT = 0x110  # linux/input-event-codes.h


def pack(*words):
    return struct.pack(f"={len(words)}I", *(word % CLOCK for word in words))


def string(text):
    data = text.encode() + b"\0"
    return pack(len(data)) + data + bytes(-len(data) % 4)


def clear_start(span_ms):
    """A reading of the compositor's own clock (the monotonic one, in milliseconds), kept clear
    of its wrap and of 0 for `span_ms` after it."""
    return 1 + int(time.monotonic() * 1000) % (CLOCK - 2 * span_ms)


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

    def click(self, aim, stamps):
        """Moves to `aim` (a place x, y and the size of the layout it is in), then clicks there
        once for each stamp, pressed and released at that time, all handed over at once."""
        if 0 in (stamp % CLOCK for stamp in stamps):
            raise ValueError("sway stamps a time of 0 with its own clock")
        place, layout = aim
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


def aim_at_counting_button(sway, game):
    """Where to click the game's big button on `sway`: its centre, from where sway put the
    window and where the game says the button is in it, with the layout's size."""
    # Qt calls the window showing before sway has mapped it.
    window = xsession.wait_for("sway to map the window",
                               lambda: find(sway.tree(), game.process.pid))
    button = game.controls["Command1"].get_extents(xsession.atspi().CoordType.WINDOW)
    place = (window["rect"]["x"] + window["window_rect"]["x"] + button.x + button.width // 2,
             window["rect"]["y"] + window["window_rect"]["y"] + button.y + button.height // 2)
    layout = sway.tree()["rect"]
    return place, (layout["width"], layout["height"])


def late_run(pointer, game, aim, start, offsets, run_ms, handover_ms):
    """Plays one run: a click stamped `start` starts it; then clicks stamped `start` plus each of
    `offsets` (milliseconds) are handed over together `handover_ms` after the run's end. Returns
    the count the run ends with and when the train was handed over, in seconds after the first
    click was sent."""
    # Read before the click is sent: the game starts the run no sooner, however long a busy
    # machine keeps this process from seeing the click go.
    started = time.monotonic()
    pointer.click(aim, [start])
    xsession.wait_for("the first click to count", lambda: game.text("Command1") == "1")
    time.sleep(max(0.0, started + (run_ms + handover_ms) / 1000 - time.monotonic()))
    pointer.click(aim, [start + offset for offset in offsets])
    handed_over = time.monotonic() - started
    # The hidden marker changes when the run's tick comes; a click stamped past the end brings it.
    xsession.wait_for("the run to end", lambda: game.text("Counter") == "1", 5.0)
    return int(game.text("Command1")), handed_over
