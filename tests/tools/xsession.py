"""A private desktop for driving the real game: a runtime folder and D-Bus session of its own
with the accessibility bus on it, a display (an Xvfb X server, or a Wayland compositor: Debian's
weston or sway), the programs under test, the X input probe, and reading what the game shows
back the way a screen reader does, over AT-SPI.

Runs on Debian's own Python (/usr/bin/python3), where the AT-SPI bindings (python3-gi,
gir1.2-atspi-2.0) are installed.
"""

import contextlib
import glob
import json
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import warnings

# Qt exposes its widgets to AT-SPI only when a screen reader asks, or when told to always.
ACCESSIBLE = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}
RESTING_CAPTION = "NUMBER OF CLICKS"
# Where the caller's own displays and accessibility bus are: a session here uses its own.
DISPLAY_VARIABLES = ("DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS")


def wait_for(what, probe, timeout=30.0):
    """Polls probe until it returns something true, and returns that; raises AssertionError
    naming `what` when `timeout` seconds pass first."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.02)


def file_text(file):
    """What a child has written so far to `file`, a file it shares with this process. Read at
    an offset, since the child writes at the file's one shared offset, which a seek here would
    move back over what it wrote."""
    data = os.pread(file.fileno(), os.fstat(file.fileno()).st_size, 0)
    return data.decode(errors="replace")


def stop_process(process, timeout=5.0):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


@contextlib.contextmanager
def busy_cpus(busy=True):
    """Keeps every CPU busy twice over for the length of the block, as a loaded machine is."""
    spinners = [subprocess.Popen([sys.executable, "-c", "while True: pass"])
                for _ in range((os.cpu_count() or 1) * 2 if busy else 0)]
    try:
        yield
    finally:
        for spinner in spinners:
            spinner.kill()
            spinner.wait()


def input_time_offsets(releases):
    """The X server's release times (32-bit milliseconds, wrapping) after the first, as
    milliseconds after it."""
    start = releases[0]
    return [((release - start + (1 << 31)) & 0xFFFFFFFF) - (1 << 31) for release in releases[1:]]


def clicks_inside(releases, run_ms=10000):
    """How many clicks the X server released before the first one's release plus `run_ms`, the
    first among them."""
    return 1 + sum(offset < run_ms for offset in input_time_offsets(releases))


def judge_run(label, releases, clicks, counted, status, run_ms=10000, late_allowance_ms=0):
    """Prints a timed run and returns what went wrong in it: the count must be the clicks whose
    X server release came before the first one's plus `run_ms`, and may take those released up
    to `late_allowance_ms` after that too."""
    offsets = input_time_offsets(releases)
    truth = clicks_inside(releases, run_ms)
    most = clicks_inside(releases, run_ms + late_allowance_ms)
    print(f"{label}: {len(releases)} releases from {min(offsets)} to {max(offsets)} ms of server "
          f"time after the first; {truth} inside the run, {counted} counted; the game exited "
          f"with {status}", flush=True)
    failures = []
    if len(releases) != clicks:
        failures.append(f"{label}: the server saw {len(releases)} releases for {clicks} clicks")
    if not truth <= counted <= most:
        failures.append(f"{label}: {counted} counted for {truth} clicks inside the run")
    if status != 0:
        failures.append(f"{label}: the game exited with status {status}")
    return failures


def accepts(path):
    """True once a program listens on the Unix socket at `path`."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
        try:
            probe.connect(path)
        except OSError:
            return False
    return True


def await_start(compositor, name, ready, timeout):
    """Polls ready() until the compositor has started. If it ends first, or `timeout` seconds
    pass, stops it and raises with what it logged."""
    deadline = time.monotonic() + timeout
    while not ready():
        if compositor.process.poll() is not None or time.monotonic() > deadline:
            # Read once it has ended (all it wrote is in) and before stop() closes the log.
            stop_process(compositor.process)
            output = compositor.output()
            compositor.stop()
            raise RuntimeError(f"{name} did not start:\n{output}")
        time.sleep(0.02)


class XServer:
    """Xvfb on the first free display number, which it reports itself through -displayfd."""

    def __init__(self, width=1024, height=768):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             # The design's 96 dots per inch.
             "-dpi", "96",
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
        # What a program needs to find this display, and nothing that points elsewhere.
        self.env = {"DISPLAY": self.display, "QT_QPA_PLATFORM": "xcb"}

    def stop(self):
        stop_process(self.process)


class Weston:
    """Debian's Wayland reference compositor on its headless backend: a Wayland session with no
    screen to draw on and no input devices, whose socket lives in the session's runtime folder.
    Its log holds every protocol message its clients sent or were sent, each written whole by
    the compositor's one thread (its "proto" scope)."""

    SOCKET = "morvane-wayland"  # one compositor to a runtime folder, so one name will do

    def __init__(self, bus, width=1024, height=768, timeout=20.0):
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", f"--socket={self.SOCKET}",
             f"--width={width}", f"--height={height}",
             # No weston.ini of the user's, and no screen blanking in the middle of a test.
             "--no-config", "--idle-time=0", "--logger-scopes=log,proto"],
            env=bus.env, stdout=subprocess.DEVNULL, stderr=self.log)
        path = os.path.join(bus.runtime_dir, self.SOCKET)
        await_start(self, "weston", lambda: accepts(path), timeout)
        # Qt would take an X display as readily, so none is given: the game is on Wayland or
        # does not start.
        self.env = {"WAYLAND_DISPLAY": self.SOCKET, "QT_QPA_PLATFORM": "wayland"}

    def output(self):
        return file_text(self.log)

    def stop(self):
        stop_process(self.process)
        self.log.close()


class Sway:
    """Debian's sway, a wlroots compositor, on wlroots' headless backend with no input devices
    but the virtual ones its clients make. sway will not run as root, so as root it runs as
    nobody, in a runtime folder that user owns; programs find its socket by absolute path."""

    CONFIG = "\n".join([
        "xwayland disable",
        # The window's content is its whole container, wherever sway puts it.
        "default_border none",
        "default_floating_border none",
        ""])

    def __init__(self, bus, timeout=20.0):
        self.runtime_dir = tempfile.mkdtemp(prefix="morvane-sway-")
        config = os.path.join(self.runtime_dir, "config")
        with open(config, "w", encoding="utf-8") as file:
            file.write(self.CONFIG)
        command = ["sway", "--config", config]
        if os.geteuid() == 0:
            user = pwd.getpwnam("nobody")
            os.chown(self.runtime_dir, user.pw_uid, user.pw_gid)
            os.chmod(config, 0o644)
            command = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                       "--clear-groups", *command]
        env = dict(bus.env, XDG_RUNTIME_DIR=self.runtime_dir, WLR_BACKENDS="headless",
                   WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1")
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=self.log)
        # sway takes the first free display name, and makes its IPC socket once it is ready.
        await_start(self, "sway", lambda: self._socket("sway-ipc.*.sock")
                    and self._socket("wayland-[0-9]"), timeout)
        self.socket = self._socket("wayland-[0-9]")
        self.ipc = self._socket("sway-ipc.*.sock")
        self.env = {"WAYLAND_DISPLAY": self.socket, "QT_QPA_PLATFORM": "wayland"}

    def _socket(self, pattern):
        found = glob.glob(os.path.join(self.runtime_dir, pattern))
        return found[0] if len(found) == 1 and accepts(found[0]) else None

    def tree(self):
        """sway's layout: outputs, workspaces and windows with their places (swaymsg's JSON)."""
        return json.loads(subprocess.run(
            ["swaymsg", "--socket", self.ipc, "--raw", "--type", "get_tree"],
            check=True, capture_output=True, text=True).stdout)

    def output(self):
        return file_text(self.log)

    def stop(self):
        stop_process(self.process)
        self.log.close()
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


class DBusSession:
    """A session bus of our own; the accessibility bus is started on it when first asked for.

    The accessibility bus listens on a socket under XDG_RUNTIME_DIR (or ~/.cache when that is
    unset), one path for every session of the user: a second session started meanwhile, say a
    test running beside this one, would take the path over and the program under test would
    join the wrong bus. So each session gets a runtime directory of its own (mode 0700, as a
    login gives).

    Neither the bus nor this process sees a display: the accessibility bus, once started, would
    write its address onto the root window of any X display it saw, the user's own included,
    and the AT-SPI client here would look there before asking the bus. Programs under test find
    it through the bus, whichever display they are on."""

    def __init__(self):
        self.runtime_dir = tempfile.mkdtemp(prefix="morvane-session-")
        self.env = {name: value for name, value in os.environ.items()
                    if name not in DISPLAY_VARIABLES}
        self.env["XDG_RUNTIME_DIR"] = self.runtime_dir
        self.process = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=self.env,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.process.stdout.readline().strip()
        if not self.address:
            self.stop()
            raise RuntimeError("dbus-daemon did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.address
        # The AT-SPI client library reads these when it is first imported.
        for name in DISPLAY_VARIABLES:
            os.environ.pop(name, None)
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.address
        os.environ["XDG_RUNTIME_DIR"] = self.runtime_dir

    def stop(self):
        stop_process(self.process)
        self.process.stdout.close()
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


_ATSPI = None


def atspi():
    """The AT-SPI client, which also brings the accessibility bus up before any program asks
    for it, so the program finds it at start. One to a process, on the first session's bus."""
    global _ATSPI
    if _ATSPI is None:
        import gi
        gi.require_version("Atspi", "2.0")
        with warnings.catch_warnings():
            # PyGObject's importer predates Python 3.11's import protocol, and says so.
            warnings.simplefilter("ignore", ImportWarning)
            from gi.repository import Atspi
        Atspi.init()
        Atspi.get_desktop(0).get_child_count()
        _ATSPI = Atspi
    return _ATSPI


class Desktop:
    """The display, the buses and the environment every program here is started with.

    A display of its own always (an X server, or the `compositor` class given: Weston, Sway);
    the bus too, unless one is given: a process's AT-SPI client stays on the bus it first met,
    so a test that wants a fresh display for each case shares one bus among them."""

    def __init__(self, bus=None, compositor=None):
        self.own_bus = bus is None
        self.bus = DBusSession() if bus is None else bus
        try:
            self.screen = compositor(self.bus) if compositor else XServer()
        except Exception:
            if self.own_bus:
                self.bus.stop()
            raise
        # What a fresh login gives a program: Debian's default locale, C.UTF-8, and no locale
        # or Qt settings of whoever runs the tests; a test sets those it means to. (Without
        # a UTF-8 locale Qt 6.8 says on stderr that it chose one.)
        self.env = {name: value for name, value in self.bus.env.items()
                    if not name.startswith(("LC_", "QT_")) and name not in ("LANG", "LANGUAGE")}
        self.env["LANG"] = "C.UTF-8"
        self.env.update(self.screen.env)

    def close(self):
        self.screen.stop()
        if self.own_bus:
            self.bus.stop()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def launch(self, command, extra_env=None, stderr=subprocess.DEVNULL):
        env = dict(self.env)
        env.update(extra_env or {})
        return subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=stderr)

    def start_game(self, command, extra_env=None, timeout=30.0):
        """Starts a program of the game's window with accessibility on, and returns it as a
        screen reader meets it once its window shows."""
        atspi()
        env = dict(ACCESSIBLE)
        env.update(extra_env or {})
        errors = tempfile.TemporaryFile()
        try:
            return Game(self.launch(command, env, stderr=errors), errors, timeout)
        except BaseException:
            errors.close()
            raise

    def atspi(self):
        return atspi()

    def counting_button(self, application, timeout=20.0):
        """The accessible push button of `application` whose name is a count (or the game's
        resting caption), once the program has registered with the accessibility bus."""
        client = atspi()
        from gi.repository import GLib
        give_up = time.monotonic() + timeout
        seen = set()
        while time.monotonic() < give_up:
            # The list of programs is kept up to date by bus signals, which arrive only while
            # the client's main loop runs.
            while GLib.MainContext.default().iteration(False):
                pass
            desktop = client.get_desktop(0)
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

    def settled_count(self, button, quiet=1.0, timeout=15.0, least=0):
        """The count once it is at least `least` and has stopped changing for `quiet` seconds,
        or as it is after `timeout` seconds: a loaded machine may pause the game for longer
        than `quiet` while presses still wait for it."""
        give_up = time.monotonic() + timeout
        last = self.read_count(button)
        since = time.monotonic()
        while time.monotonic() < give_up:
            time.sleep(0.05)
            now = self.read_count(button)
            if now != last:
                last, since = now, time.monotonic()
            elif last >= least and time.monotonic() - since >= quiet:
                break
        return last


class Game:
    """A running program of the game's window, as the accessibility bus shows it: found by its
    process, its window, the window's controls by their names in the design, and its boxes."""

    def __init__(self, process, errors, timeout=30.0):
        self.process = process
        self.errors = errors
        role = atspi().Role
        self.app = wait_for("the game on the accessibility bus", self._find_app, timeout)
        # Qt shows a plain top-level widget as a filler.
        self.window = wait_for("the game window",
                               lambda: next(iter(children(self.app, role.FILLER)), None))
        wait_for("the window to show", lambda: showing(self.window))
        buttons = children(self.window, role.PUSH_BUTTON)
        labels = children(self.window, role.LABEL)
        # The window's controls come in their design order: the buttons, the marker, the record.
        self.controls = {"Command1": buttons[0], "Command2": buttons[1], "Counter": labels[0],
                         "Label1": labels[1]}

    def _find_app(self):
        desktop = atspi().get_desktop(0)
        for index in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(index)
            if app is not None and app.get_process_id() == self.process.pid:
                return app
        return None

    def text(self, control):
        node = self.controls[control]
        node.clear_cache()
        return node.get_name()

    def press(self, control):
        """Presses a button through its accessible action, as a screen reader does; needs no
        input device, so it works on any display."""
        press(self.controls[control])

    def boxes(self):
        """The message boxes open now, as (box, texts) pairs."""
        role = atspi().Role
        found = []
        self.app.clear_cache()
        for window in children(self.app):
            if window.get_role() not in (role.DIALOG, role.ALERT) or not showing(window):
                continue
            texts = [node.get_name() for node in descendants(window)
                     if node.get_role() == role.LABEL and node.get_name()]
            found.append((window, texts))
        return found

    def answer_box(self, press_button=None):
        """Waits for one message box, checks it has only OK, presses that (through its
        accessible action unless `press_button` is given), waits for the box to close and
        returns its text."""
        box, texts = wait_for("a message box", lambda: next(iter(self.boxes()), None))
        buttons = [node for node in descendants(box)
                   if node.get_role() == atspi().Role.PUSH_BUTTON]
        names = [button.get_name() for button in buttons]
        if len(buttons) != 1 or names[0].replace("&", "") != "OK":
            raise AssertionError(f"the box has buttons {names}")
        (press_button or press)(buttons[0])
        wait_for("the box to close", lambda: not showing(box))
        return "\n".join(texts)

    def error_output(self):
        return file_text(self.errors)

    def close(self):
        stop_process(self.process, timeout=10.0)
        self.errors.close()


def children(node, role=None):
    found = []
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None and (role is None or child.get_role() == role):
            found.append(child)
    return found


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def showing(node):
    try:
        node.clear_cache()
        return node.get_state_set().contains(atspi().StateType.SHOWING)
    except Exception:  # a closed box may already be gone from the bus
        return False


def press(node):
    """Runs a control's "Press" action. Qt answers at once and clicks a tenth of a second
    later, as if animated, and presses arriving meanwhile make one click: wait for each press
    to show before the next."""
    for index in range(node.get_n_actions()):
        with warnings.catch_warnings():
            # Deprecated for a call by name that Debian 12's bindings do not have.
            warnings.simplefilter("ignore", DeprecationWarning)
            name = node.get_action_name(index)
        if name == "Press":
            node.do_action(index)
            return
    raise AssertionError(f"{node.get_name()!r} has no Press action")


def count_of(name):
    if name == RESTING_CAPTION:
        return 0
    return int(name)


def find_push_button(accessible, depth=0):
    if accessible is None or depth > 8:
        return None
    # By role, not by its name: AT-SPI 2.56 (Debian 13) calls it "button", 2.46 "push button".
    if accessible.get_role() == atspi().Role.PUSH_BUTTON:
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
    """The X input probe (tests/tools/xprobe.cpp), one command per call."""

    def __init__(self, executable, desktop):
        self.executable = executable
        self.desktop = desktop

    def __call__(self, *arguments, timeout=120):
        result = subprocess.run([self.executable, *map(str, arguments)], env=self.desktop.env,
                                capture_output=True, text=True, timeout=timeout)
        if result.returncode != 0:
            raise RuntimeError(f"xprobe {' '.join(map(str, arguments))}: {result.stderr.strip()}")
        return json.loads(result.stdout)


def report(failures, success):
    """Prints each failure, or `success` when there is none, and returns the exit status."""
    for failure in failures:
        print(f"FAIL: {failure}")
    if not failures:
        print(f"PASS: {success}")
    return 1 if failures else 0


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
