"""Headless Chromium driven over the DevTools protocol through --remote-debugging-pipe: the
browser reads commands on its fd 3 and writes replies and events on its fd 4, each message one
JSON text ended by a NUL byte."""

import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

CHROMIUM = "/usr/bin/chromium"
# Without the background-networking flags Chromium opens connections of its own.
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-default-apps", "--mute-audio", "--hide-scrollbars"]


class ProtocolError(RuntimeError):
    pass


class Browser:
    def __init__(self, extra_flags=(), chromium=CHROMIUM):
        self._profile = tempfile.mkdtemp(prefix="morvane-chromium-")
        to_browser, self._out = os.pipe()
        self._in, from_browser = os.pipe()

        # The child's fds 3 and 4, moved out of the way first in case a pipe already is one.
        def wire():
            reading = fcntl.fcntl(to_browser, fcntl.F_DUPFD, 10)
            writing = fcntl.fcntl(from_browser, fcntl.F_DUPFD, 10)
            os.dup2(reading, 3)
            os.dup2(writing, 4)
        self._process = subprocess.Popen(
            [chromium, *FLAGS, f"--user-data-dir={self._profile}", "--remote-debugging-pipe",
             *extra_flags, "about:blank"],
            preexec_fn=wire, pass_fds=(3, 4),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self._buffer = b""
        self._next_id = 0
        self._unanswered = set()
        self.events = []
        self.session = None

    def post(self, method, params=None, session=True):
        """Sends a command without waiting for its reply, which comes among the events."""
        self._next_id += 1
        self._unanswered.add(self._next_id)
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self._out, json.dumps(message).encode() + b"\0")

    def send(self, method, params=None, session=True, timeout=30):
        self.post(method, params, session)
        deadline = time.monotonic() + timeout
        while True:
            reply = self._receive(deadline)
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise ProtocolError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self.events.append(reply)

    def settle(self, timeout=30):
        """Waits for the replies to every command posted so far: an input event's comes once the
        page has had the event."""
        deadline = time.monotonic() + timeout
        while self._unanswered:
            self.events.append(self._receive(deadline))

    def _receive(self, deadline):
        while b"\0" not in self._buffer:
            if not select.select([self._in], [], [], max(0.0, deadline - time.monotonic()))[0]:
                raise TimeoutError("Chromium did not answer")
            chunk = os.read(self._in, 1 << 16)
            if not chunk:
                raise ProtocolError("Chromium closed its pipe")
            self._buffer += chunk
        text, self._buffer = self._buffer.split(b"\0", 1)
        message = json.loads(text)
        self._unanswered.discard(message.get("id"))
        return message

    def wait_event(self, method, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            for index, event in enumerate(self.events):
                if event.get("method") == method:
                    return self.events.pop(index)
            self.events.append(self._receive(deadline))

    def open_page(self):
        """Attaches to the blank page the browser opened with, and turns on what the tests read."""
        if self.session:
            return
        targets = self.send("Target.getTargets", session=False)["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.send("Target.attachToTarget",
                                 {"targetId": page["targetId"], "flatten": True},
                                 session=False)["sessionId"]
        for domain in ("Page", "Runtime", "Network"):
            self.send(f"{domain}.enable")

    def navigate(self, url):
        self.events.clear()
        self.send("Page.navigate", {"url": url})
        self.wait_event("Page.loadEventFired")

    def evaluate(self, expression, await_promise=False):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": await_promise})
        if "exceptionDetails" in result:
            raise ProtocolError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def close(self):
        try:
            self.send("Browser.close", session=False, timeout=5)
        except (ProtocolError, TimeoutError, OSError):
            pass
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        os.close(self._out)
        os.close(self._in)
        shutil.rmtree(self._profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
