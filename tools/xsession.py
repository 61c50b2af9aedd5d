"""A private desktop for driving the real game: an Xvfb display, a D-Bus session with the
accessibility bus on it, the programs under test, the X input probe, and reading a button's
text back the way a screen reader does, over AT-SPI.

Runs on Debian's own Python (/usr/bin/python3), where the AT-SPI bindings (python3-gi,
gir1.2-atspi-2.0) are installed.
"""

import json
import os
import shutil
import signal
import subprocess
import tempfile
import time

# Qt exposes its widgets to AT-SPI only when a screen reader asks, or when told to always.
ACCESSIBLE = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}


class XServer:
    """Xvfb on the first free display number, which it reports itself through -displayfd."""

    def __init__(self, width=1024, height=768):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             # A black root, so a window not painted yet is one flat colour; no TCP, no reset
             # when the last program leaves.
             "-br", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as reader:
            number = reader.readline().strip()
        if not number:
            self.process.kill()
            self.process.wait()
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"

    def stop(self):
        stop_process(self.process)


class DBusSession:
    """A session bus of our own; the accessibility bus is started on it when first asked for.

    The accessibility bus listens on a socket under XDG_RUNTIME_DIR (or ~/.cache when that is
    unset), one path for every session of the user: a second session started meanwhile, say a
    test running beside this one, would take the path over and the program under test would
    join the wrong bus. So each session gets a runtime directory of its own."""

    def __init__(self):
        self.runtime_dir = tempfile.mkdtemp(prefix="morvane-session-")
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime_dir)
        self.process = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=env,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.process.stdout.readline().strip()
        if not self.address:
            self.stop()
            raise RuntimeError("dbus-daemon did not start")

    def stop(self):
        stop_process(self.process)
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


def stop_process(process, timeout=5.0):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Desktop:
    """The display, the buses and the environment every program here is started with."""

    def __init__(self):
        self.x = XServer()
        try:
            self.bus = DBusSession()
        except Exception:
            self.x.stop()
            raise
        self.env = dict(os.environ)
        for name in ("QT_QPA_PLATFORM", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "WAYLAND_DISPLAY",
                     "AT_SPI_BUS_ADDRESS"):
            self.env.pop(name, None)
        self.env.update({"DISPLAY": self.x.display, "QT_QPA_PLATFORM": "xcb",
                         "DBUS_SESSION_BUS_ADDRESS": self.bus.address,
                         "XDG_RUNTIME_DIR": self.bus.runtime_dir})
        # The AT-SPI client library reads these when it is first imported.
        os.environ["DISPLAY"] = self.x.display
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.bus.address
        os.environ["XDG_RUNTIME_DIR"] = self.bus.runtime_dir
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        self._atspi = None

    def close(self):
        self.bus.stop()
        self.x.stop()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def launch(self, command, extra_env=None):
        env = dict(self.env)
        env.update(extra_env or {})
        return subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def atspi(self):
        """The AT-SPI client, which also brings the accessibility bus up before any program
        asks for it, so the program finds it at start."""
        if self._atspi is None:
            import gi
            gi.require_version("Atspi", "2.0")
            from gi.repository import Atspi
            Atspi.init()
            Atspi.get_desktop(0).get_child_count()
            self._atspi = Atspi
        return self._atspi

    def counting_button(self, application, timeout=20.0):
        """The accessible push button of `application` whose name is a count (or the game's
        resting caption), once the program has registered with the accessibility bus."""
        atspi = self.atspi()
        from gi.repository import GLib
        give_up = time.monotonic() + timeout
        seen = set()
        while time.monotonic() < give_up:
            # The list of programs is kept up to date by bus signals, which arrive only while
            # the client's main loop runs.
            while GLib.MainContext.default().iteration(False):
                pass
            desktop = atspi.get_desktop(0)
            desktop.clear_cache()
            for index in range(desktop.get_child_count()):
                try:
                    app = desktop.get_child_at_index(index)
                    name = app.get_name() if app is not None else None
                    seen.add(name)
                    button = find_push_button(app) if name == application else None
                except GLib.Error:
                    continue  # a program that has just gone away
                if button is not None:
                    return button
            time.sleep(0.1)
        raise RuntimeError(f"{application} did not show a counting button over AT-SPI "
                           f"(programs seen there: {sorted(map(str, seen))})")

    def read_count(self, button):
        """The count the button's accessible name shows now, read afresh from the program."""
        button.clear_cache()
        return count_of(button.get_name())

    def settled_count(self, button, quiet=1.0, timeout=15.0):
        """The count once it has stopped changing for `quiet` seconds."""
        give_up = time.monotonic() + timeout
        last = self.read_count(button)
        since = time.monotonic()
        while time.monotonic() < give_up:
            time.sleep(0.05)
            now = self.read_count(button)
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                break
        return last


RESTING_CAPTION = "NUMBER OF CLICKS"


def count_of(name):
    if name == RESTING_CAPTION:
        return 0
    return int(name)


def find_push_button(accessible, depth=0):
    if accessible is None or depth > 8:
        return None
    role = accessible.get_role_name()
    if role == "push button":
        try:
            count_of(accessible.get_name())
            return accessible
        except ValueError:
            pass
    for index in range(accessible.get_child_count()):
        found = find_push_button(accessible.get_child_at_index(index), depth + 1)
        if found is not None:
            return found
    return None


class Probe:
    """The X input probe (bench/xprobe.cpp), one command per call."""

    def __init__(self, executable, desktop):
        self.executable = executable
        self.desktop = desktop

    def __call__(self, *arguments, timeout=120):
        result = subprocess.run([self.executable, *map(str, arguments)], env=self.desktop.env,
                                capture_output=True, text=True, timeout=timeout)
        if result.returncode != 0:
            raise RuntimeError(f"xprobe {' '.join(map(str, arguments))}: {result.stderr.strip()}")
        return json.loads(result.stdout)


def close_program(probe, title, process, timeout=10.0):
    """Closes the window as its close button would, and returns the program's exit status."""
    if process.poll() is None:
        probe("close", title)
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.send_signal(signal.SIGKILL)
            process.wait()
    return process.returncode
