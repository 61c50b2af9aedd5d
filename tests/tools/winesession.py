"""Morvane.exe under Wine, beside the X session harness: a Wine prefix of its own on an X display
of its own, the game's window read from another process by tests/tools/win32/window_probe.cpp,
and a run timed in the X server's input time with the X input probe (tests/tools/xprobe.cpp).
"""

import os
import subprocess
import tempfile
import time

import xsession

TITLE = "Morvane"
COMMAND1, COMMAND2, COUNTER, LABEL1 = 101, 102, 103, 104


class Screen:
    """What window_probe read: the window, its controls by id, and any open box."""

    def __init__(self, lines):
        self.window = None
        self.controls = {}
        self.box = []
        self.buttons = []
        self.icons = 0
        for line in lines:
            kind, *fields = line.split("\t")
            if kind == "window":
                self.window = fields[4]
            elif kind == "control":
                self.controls[int(fields[0])] = {
                    "rect": tuple(int(value) for value in fields[1:5]),
                    "visible": fields[5] == "visible", "text": fields[6]}
            elif kind == "box":
                self.box.append(fields[0])
            elif kind == "button":
                self.buttons.append((tuple(int(value) for value in fields[0:4]), fields[4]))
            elif kind == "icon":
                self.icons += 1

    def text(self, control_id):
        return self.controls[control_id]["text"]


class ProbeError(RuntimeError):
    pass


class WineSession:
    """Wine programs on `display` in the prefix `prefix`, started through tests/tools/wine-run."""

    def __init__(self, wine_run, prefix, display):
        self.wine_run = wine_run
        # `env` is also what the X input probe is started with (xsession.Probe).
        self.env = dict(os.environ, DISPLAY=display, WINEPREFIX=prefix)

    def prepare(self):
        # The first use of the prefix makes it, which takes a while: not on any run's clock.
        subprocess.run([self.wine_run, "cmd", "/c", "exit"], env=self.env, check=True,
                       timeout=600, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def launch(self, program):
        return subprocess.Popen([self.wine_run, program], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def inspect(self, window_probe, *arguments, timeout_ms=60000):
        """The game's window as window_probe reads it now; ProbeError when it finds none."""
        # Into files, not pipes: Wine's own processes that a run starts keep a pipe open.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run([self.wine_run, window_probe, str(timeout_ms), *arguments],
                                  env=self.env, stdout=out, stderr=err, check=False, timeout=120)
            out.seek(0)
            err.seek(0)
            if done.returncode != 0:
                raise ProbeError(err.read().decode(errors="replace"))
            return Screen(out.read().decode("utf-8").replace("\r", "").splitlines())

    def stop(self, process):
        """Ends the program if it is still running, and the prefix's Wine session with it."""
        xsession.stop_process(process)
        subprocess.run([self.wine_run, "--kill"], env=self.env, check=False)

    def close(self, process, window_probe, timeout=15.0):
        """Closes the window as its close box does; returns the program's exit status."""
        try:
            if process.poll() is None:
                self.inspect(window_probe, "close")
                process.wait(timeout)
            return process.returncode
        except (ProbeError, subprocess.TimeoutExpired):
            return None
        finally:
            self.stop(process)


def window_area(screen, control_id, window):
    """A control's rectangle as xprobe takes it: "X,Y,W,H" in the X window's pixels. The X
    window is the client area alone, and Wine's screen coordinates are the X root's."""
    left, top, width, height = screen.controls[control_id]["rect"]
    return f"{left - window['x']},{top - window['y']},{width},{height}"


def settled_count(session, window_probe, quiet=2.0, timeout=30.0, least=0):
    """The count on the counting button once it is at least `least` and has stopped changing for
    `quiet` seconds, or as it is after `timeout` seconds. A probe that Wine fails to start now
    and then (on a loaded machine) is tried again; the game's own window going away is still an
    error, once the time is up."""
    give_up = time.monotonic() + timeout

    def count():
        while True:
            try:
                return xsession.count_of(session.inspect(window_probe).text(COMMAND1))
            except ProbeError:
                if time.monotonic() >= give_up:
                    raise
                time.sleep(0.1)

    last = count()
    since = time.monotonic()
    while time.monotonic() < give_up and (last < least or time.monotonic() - since < quiet):
        time.sleep(0.1)
        now = count()
        if now != last:
            last, since = now, time.monotonic()
    return last


WARM_UP_CLICKS = 200


def timed_run(session, game, window_probe, xprobe, busy, train=(9900, 10100), gap_ms=2):
    """Starts `game`, clicks its counting button once to start a run, then every `gap_ms` from
    train[0] to train[1] ms after that click, and closes it. Returns the X server's release
    times (the first is the run's start), how many clicks the probe sent, the count the window
    shows once settled, and the game's exit status."""
    process = session.launch(game)
    probe = xsession.Probe(xprobe, session)
    try:
        window = probe("wait", TITLE)
        screen = session.inspect(window_probe)
        button = window_area(screen, COMMAND1, window)
        label = window_area(screen, LABEL1, window)
        # Xvfb has no window manager: a click on the record label makes the window active, as
        # a desktop does when it opens. The label counts nothing.
        probe("--button", label, "burst", TITLE, 1, 0)
        # Wine turns each X event's time into its own clock's by an offset, and raises the offset
        # whenever an event would seem to come from the future of its coarse tick count (by up to
        # one 16 ms tick). Clicks on the label first let the offset settle, as a player's own
        # pointer does long before a run, so that the run's clicks keep the X server's spacing.
        probe("--button", label, "burst", TITLE, WARM_UP_CLICKS, 0)
        time.sleep(0.2)
        with xsession.busy_cpus(busy):
            sent = probe("--button", button, "--lead-in", label, "--gap", gap_ms, "deadline",
                         TITLE, *train, timeout=60)
            counted = settled_count(session, window_probe,
                                    least=xsession.clicks_inside(sent["server_release_ms"]))
    finally:
        status = session.close(process, window_probe)
    return {"releases": sent["server_release_ms"], "clicks": len(sent["sent_ms"]) + 1,
            "counted": counted, "status": status}
