#!/usr/bin/python3
"""Morvane.html in a real browser: headless Chromium, driven over the DevTools protocol with input
the browser stamps as a user's, and read back from its accessibility tree as a screen reader
would. Each case starts a browser of its own.

    page_test.py --page build/web/Morvane.html play|clock|late|keys|german|scale|audit
    page_test.py --page build/web/Morvane.html --screenshots docs/images
"""

import argparse
import base64
import functools
import multiprocessing
import os
import sys
import time
from contextlib import contextmanager
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import cdp  # noqa: E402

RUN_MS = 10000
# The run timer's interval: the run's length and the grace the game leaves presses on their way.
TICK_MS = RUN_MS + 500
COMMAND1, COMMAND2, COUNTER = (f"#morvane-control-{row}" for row in range(3))
OK = "dialog button"
# Every click the page sees, with the time the browser stamped it and the time it reached the page,
# and any refusal of the page's content security policy; recorded before the page's own script
# runs.
RECORDER = """
window.clicks = [];
window.violations = [];
addEventListener('click', function (e) {
  clicks.push([e.target.id, e.timeStamp, performance.now()]);
}, true);
addEventListener('securitypolicyviolation', function (e) { violations.push(e.violatedDirective); });
"""
KEYS = {
    "Space": {"key": " ", "code": "Space", "windowsVirtualKeyCode": 32, "text": " "},
    "Return": {"key": "Enter", "code": "Enter", "windowsVirtualKeyCode": 13, "text": "\r"},
    "Escape": {"key": "Escape", "code": "Escape", "windowsVirtualKeyCode": 27},
    "Tab": {"key": "Tab", "code": "Tab", "windowsVirtualKeyCode": 9},
    **{name: {"key": name, "code": name, "windowsVirtualKeyCode": code}
       for name, code in (("ArrowLeft", 37), ("ArrowUp", 38), ("ArrowRight", 39),
                          ("ArrowDown", 40))},
}


class Page:
    def __init__(self, browser, path):
        self.browser = browser
        self.path = Path(path).resolve()
        self.url = self.path.as_uri()
        browser.open_page()
        browser.send("Page.addScriptToEvaluateOnNewDocument", {"source": RECORDER})
        self.reload()

    def reload(self):
        self.browser.navigate(self.url)
        self.wait_for(lambda: self.text(COMMAND1) is not None, "the page to show its window")
        self.origin_ms = self.js("performance.timeOrigin")

    def js(self, expression):
        return self.browser.evaluate(expression)

    def text(self, selector):
        return self.js(f"(document.querySelector('{selector}') || {{}}).textContent")

    def wait_for(self, condition, what, timeout=15):
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out waiting for {what}")
            time.sleep(0.02)

    @functools.cache
    def centre(self, selector):
        return self.js(f"(function () {{ var r = document.querySelector('{selector}')"
                       ".getBoundingClientRect(); return [r.left + r.width / 2, "
                       "r.top + r.height / 2]; })()")

    def click(self, selector, stamp_s=None, wait=True):
        """A left click, pressed and released at `stamp_s` (seconds since the epoch; now).
        Without `wait`, it is sent as a device would, whether the browser has taken the last one
        or not."""
        x, y = self.centre(selector)
        stamp_s = time.time() if stamp_s is None else stamp_s
        for kind in ("mousePressed", "mouseReleased"):
            event = {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1,
                     "timestamp": stamp_s}
            if wait:
                self.browser.send("Input.dispatchMouseEvent", event)
            else:
                self.browser.post("Input.dispatchMouseEvent", event)

    def tap(self, selector):
        """A finger's tap, put down and lifted at once."""
        x, y = self.centre(selector)
        self.browser.send("Emulation.setTouchEmulationEnabled", {"enabled": True})
        for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
            self.browser.send("Input.dispatchTouchEvent",
                              {"type": kind, "touchPoints": points, "timestamp": time.time()})

    def key(self, name, shift=False):
        stamp_s = time.time()
        event = dict(KEYS[name], modifiers=8 if shift else 0)
        self.browser.send("Input.dispatchKeyEvent", dict(event, type="keyDown", timestamp=stamp_s))
        event.pop("text", None)
        self.browser.send("Input.dispatchKeyEvent", dict(event, type="keyUp", timestamp=stamp_s))

    def hold(self, name, repeats=5):
        """A key held down: the keyboard repeats its keydown, each marked as a repeat, until the
        key comes up."""
        event = dict(KEYS[name])
        for repeat in [False] + [True] * repeats:
            self.browser.send("Input.dispatchKeyEvent",
                              dict(event, type="keyDown", autoRepeat=repeat, timestamp=time.time()))
        event.pop("text", None)
        self.browser.send("Input.dispatchKeyEvent",
                          dict(event, type="keyUp", timestamp=time.time()))

    def focused(self):
        return "#" + self.js("document.activeElement.id")

    def epoch_s(self, page_ms):
        """The protocol's timestamp for a moment of the page's clock."""
        return (self.origin_ms + page_ms) / 1000.0

    def arrivals(self, selector):
        """(stamp, when the page had it) of each click on `selector`, in ms of the page's clock."""
        return [(stamp, at) for target, stamp, at in self.js("clicks") if "#" + target == selector]

    def stamps(self, selector):
        return [stamp for stamp, _ in self.arrivals(selector)]

    def ax_nodes(self, ignored=False):
        return [node for node in self.browser.send("Accessibility.getFullAXTree")["nodes"]
                if ignored or not node.get("ignored")]

    def box(self):
        """The open box as the accessibility tree has it: its role, title, texts and buttons."""
        nodes = self.ax_nodes(ignored=True)
        by_id = {node["nodeId"]: node for node in nodes}
        dialogs = [node for node in nodes
                   if node.get("role", {}).get("value") in ("dialog", "alertdialog")]
        if not dialogs:
            return None
        if len(dialogs) > 1:
            raise AssertionError(f"{len(dialogs)} boxes open at once")
        texts, buttons = [], []
        pending = list(dialogs[0].get("childIds", []))
        while pending:
            node = by_id.get(pending.pop(0))
            if node is None:
                continue
            pending.extend(node.get("childIds", []))
            if node.get("ignored"):
                continue
            role = node.get("role", {}).get("value")
            name = node.get("name", {}).get("value", "")
            if role == "StaticText":
                texts.append(name)
            elif role == "button":
                buttons.append(name)
        return {"role": dialogs[0]["role"]["value"], "title": dialogs[0]["name"]["value"],
                "description": dialogs[0].get("description", {}).get("value"), "texts": texts,
                "buttons": buttons}

    def ax_has_text(self, text):
        return any(node.get("name", {}).get("value") == text for node in self.ax_nodes())

    def wait_box(self):
        self.wait_for(lambda: self.box() is not None, "a box")
        return self.box()

    def run_out(self, start_ms):
        """Waits until the page has had its run's end: the marker says the time is up."""
        wait_s = (start_ms + TICK_MS) / 1000.0 - self.js("performance.now()") / 1000.0
        time.sleep(max(0.0, wait_s))
        self.wait_for(lambda: self.text(COUNTER) == "1", "the run's end")


class Checks:
    def __init__(self):
        self.failures = []

    def equal(self, what, actual, expected):
        if actual != expected:
            self.failures.append(f"{what}: {actual!r}, expected {expected!r}")

    def true(self, what, condition):
        if not condition:
            self.failures.append(what)


def expect_box(checks, page, texts, role="dialog"):
    """The open box shows `texts` under its title, and a screen reader reads them as its
    description when it opens."""
    box = page.wait_box()
    checks.equal("the box", box, {"role": role, "title": "Morvane", "description": " ".join(texts),
                                  "texts": ["Morvane", *texts, "OK"], "buttons": ["OK"]})


def play_41(page):
    page.click(COMMAND1)
    for _ in range(40):
        page.click(COMMAND1)
    return page.stamps(COMMAND1)[0]


def case_play(page, checks):
    """A whole played run: 41 clicks, the run's end, RESET, the rating and the record; a press
    and a tick under the box change nothing; nothing is fetched, kept or refused."""
    checks.equal("the title", page.js("document.title"), "Morvane")
    checks.true("the window shows its buttons and label",
                all(page.ax_has_text(text) for text in ("NUMBER OF CLICKS", "RESET", "RECORD: 4")))
    start = play_41(page)
    checks.equal("the count", page.text(COMMAND1), "41")
    page.run_out(start)
    page.click(COMMAND2)
    expect_box(checks, page, ["Wow! You clicked the button 4.1 times in a second. Bravo!!!"])
    # Under the box: the page's buttons take no press, however it comes, and the run timer's
    # next tick (a run's length after the first) comes and goes.
    page.click(COMMAND1)
    page.js(f"document.querySelector('{COMMAND1}').click()")
    time.sleep(max(0.0, (start + 2 * TICK_MS + 300 - page.js("performance.now()")) / 1000))
    checks.equal("the count after a press and a tick under the box", page.text(COMMAND1), "41")
    checks.equal("the marker after a tick under the box", page.text(COUNTER), "1")
    page.click(OK)
    expect_box(checks, page, ["NEW RECORD!"])
    page.key("Space")
    page.wait_for(lambda: page.text(COMMAND1) == "NUMBER OF CLICKS", "the game after the boxes")
    checks.equal("the boxes after OK", page.box(), None)
    checks.true("the record label shows 4.1", page.ax_has_text("4.1"))
    checks.equal("the marker after the run", page.text(COUNTER), "0")
    # The WebAssembly is read from the page's own data: URL, which goes nowhere.
    requests = [event["params"]["request"]["url"] for event in page.browser.events
                if event.get("method") == "Network.requestWillBeSent"
                and not event["params"]["request"]["url"].startswith("data:")]
    checks.equal("the requests the page made", requests, [page.url])
    checks.equal("refusals of the content security policy", page.js("violations"), [])
    checks.equal("cookies", page.browser.send("Network.getAllCookies")["cookies"], [])


def busy_cpus():
    def spin():
        while True:
            pass
    workers = [multiprocessing.Process(target=spin, daemon=True)
               for _ in range(2 * (os.cpu_count() or 1))]
    for worker in workers:
        worker.start()
    return workers


@contextmanager
def machine(busy):
    workers = busy_cpus() if busy else []
    try:
        yield
    finally:
        for worker in workers:
            worker.terminate()
            worker.join()


def clock_train(page, busy):
    """One click, then a click every 2 ms from 9.9 s to 10.1 s after it, each stamped when it is
    sent, with every CPU busy or not. Returns each click's stamp and arrival (page ms) and the
    count the page shows after the run's end."""
    with machine(busy):
        page.click(COMMAND1)
        start = page.stamps(COMMAND1)[0]
        time.sleep(max(0.0, page.epoch_s(start + RUN_MS - 100) - time.time()))
        due = time.time()
        until = page.epoch_s(start + RUN_MS + 100)
        while due < until:
            page.click(COMMAND1, time.time(), wait=False)
            due += 0.002
            time.sleep(max(0.0, due - time.time()))
        # Every click handed to the page before the stamps it saw are read.
        page.browser.settle()
        page.run_out(start)
    return page.arrivals(COMMAND1), int(page.text(COMMAND1))


def case_clock(page, checks):
    """The clock train, quiet and then busy: the count is the clicks stamped inside the run, of
    those that reached the page before the run's tick. A press stamped in time that a loaded
    machine hands over later than the tick's grace is the game's to drop."""
    for busy in (False, True):
        if busy:
            page.reload()
        clicks, counted = clock_train(page, busy)
        (start, first_at), later = clicks[0], clicks[1:]
        inside = [at for stamp, at in later if stamp - start < RUN_MS]
        # The tick comes no sooner than its interval after the first click reached the page, and
        # a click that reached it first is handled first; one within a few ms of that may go
        # either way.
        surely = 1 + sum(at < first_at + TICK_MS for at in inside)
        maybe = 1 + sum(at < first_at + TICK_MS + 50 for at in inside)
        label = "busy" if busy else "quiet"
        print(f"{label}: {len(clicks)} clicks, {len(inside) + 1} stamped inside the run, "
              f"{surely} of them there before the tick, {counted} counted, the last "
              f"{later[-1][0] - start:.1f} ms after the first")
        checks.true(f"{label}: clicks on both sides of the end", 0 < len(inside) < len(later))
        checks.true(f"{label}: the count {counted} is the clicks stamped inside and there before "
                    f"the tick ({surely} to {maybe})", surely <= counted <= maybe)


def case_late(page, checks):
    """Presses stamped just before and just after the end, handed to the page 100 ms after it,
    count by their stamps: the one before counts, the one after ends the run."""
    page.click(COMMAND1)
    start = page.stamps(COMMAND1)[0]
    time.sleep(max(0.0, page.epoch_s(start + RUN_MS + 100) - time.time()))
    page.click(COMMAND1, page.epoch_s(start + RUN_MS - 5))
    checks.equal("a press stamped before the end, late", page.text(COMMAND1), "2")
    page.click(COMMAND1, page.epoch_s(start + RUN_MS + 5))
    checks.equal("a press stamped after the end", page.text(COMMAND1), "2")
    checks.equal("the marker once a press is past the end", page.text(COUNTER), "1")
    offsets = [stamp - start for stamp in page.stamps(COMMAND1)[1:]]
    checks.true(f"the stamps fell either side of the end: {offsets}",
                offsets[0] < RUN_MS <= offsets[1])


def case_keys(page, checks):
    """Tab and Shift+Tab move between the buttons; arrows move as the design says and press
    nothing; Space and Return press the focused one, once however long they are held, and a touch
    tap presses as a click. Then: a control gone from the page is a failure box with an error
    look, after which nothing counts; and where a site's policy refuses the page its scripts or
    WebAssembly, or the browser has no WebAssembly or JavaScript, the page says so."""
    page.key("Tab")
    checks.equal("Tab from the page", page.focused(), COMMAND1)
    page.key("Tab")
    checks.equal("Tab", page.focused(), COMMAND2)
    page.key("Tab", shift=True)
    checks.equal("Shift+Tab", page.focused(), COMMAND1)
    for arrow, to in (("ArrowRight", COMMAND2), ("ArrowDown", COMMAND1), ("ArrowLeft", COMMAND2),
                      ("ArrowUp", COMMAND1)):
        page.key(arrow)
        checks.equal(arrow, page.focused(), to)
    checks.equal("the caption after the arrows", page.text(COMMAND1), "NUMBER OF CLICKS")
    page.hold("Space")
    page.hold("Return")
    checks.equal("the count after a held Space and a held Return", page.text(COMMAND1), "2")
    page.key("Tab")
    page.key("Space")
    checks.equal("Space on RESET", page.text(COMMAND1), "3")
    page.tap(COMMAND1)
    page.wait_for(lambda: page.text(COMMAND1) != "3", "a tap to press", timeout=5)
    checks.equal("a touch tap", page.text(COMMAND1), "4")

    page.js(f"document.querySelector('{COUNTER}').remove()")
    page.click(COMMAND1)
    expect_box(checks, page, ["Error", "A control of the page is gone."], role="alertdialog")
    page.key("Return")
    page.wait_for(lambda: page.box() is None, "the error box to close")
    page.click(COMMAND2)
    checks.equal("a press after the failure", page.text(COMMAND1), "4")
    checks.true("the page says why it stopped",
                page.ax_has_text("Morvane stopped after an error: A control of the page is gone. "
                                 "Reload the page to play again."))

    for policy, sentence in CSP_REFUSALS:
        serve(page, policy)
        checks.true(f"under '{policy}' the page says why",
                    page.js("document.body.innerText").count("Morvane cannot run here") == 1
                    and sentence in page.js("document.body.innerText"))

    page.browser.send("Page.addScriptToEvaluateOnNewDocument", {"source": "delete WebAssembly;"})
    page.browser.navigate(page.url)
    no_webassembly = ("Morvane needs WebAssembly, which this browser does not have or has "
                      "turned off.")
    page.wait_for(lambda: page.ax_has_text(no_webassembly), "the page to say it needs WebAssembly")
    page.browser.send("Emulation.setScriptExecutionDisabled", {"value": True})
    page.browser.navigate(page.url)
    shown = page.js("document.body.innerText")
    checks.true(f"without JavaScript the page says so, and no more: {shown!r}",
                "JavaScript turned off" in shown and "cannot run here" not in shown)


# A site's Content-Security-Policy that refuses the page what it needs, and what the page says.
CSP_REFUSALS = [
    ("default-src 'self'", "this site's Content-Security-Policy blocks the page's own scripts."),
    ("script-src 'unsafe-inline'; style-src 'unsafe-inline'",
     "this site's Content-Security-Policy does not allow compiling WebAssembly "
     "('wasm-unsafe-eval')."),
]


def serve(page, policy):
    """Opens the page as a web server would send it, with `policy` as its Content-Security-Policy
    header. The browser asks the test for it, so no request leaves the browser."""
    url = "http://127.0.0.1:9/Morvane.html"
    browser = page.browser
    browser.send("Fetch.enable", {"patterns": [{"urlPattern": url}]})
    browser.events.clear()
    browser.post("Page.navigate", {"url": url})
    request = browser.wait_event("Fetch.requestPaused")["params"]["requestId"]
    body = page.path.read_bytes()
    browser.send("Fetch.fulfillRequest", {
        "requestId": request, "responseCode": 200, "body": base64.b64encode(body).decode(),
        "responseHeaders": [{"name": "Content-Type", "value": "text/html; charset=utf-8"},
                            {"name": "Content-Security-Policy", "value": policy}]})
    browser.wait_event("Page.loadEventFired")
    browser.send("Fetch.disable")
    # The refusal of WebAssembly comes once the page's script has run.
    time.sleep(0.2)


def case_german(page, checks):
    """In German the record is written 4,1; Escape and Return close the boxes as OK does."""
    checks.equal("the page's language", page.js("navigator.language"), "de-DE")
    start = play_41(page)
    page.run_out(start)
    page.click(COMMAND2)
    expect_box(checks, page, ["Wow! You clicked the button 4,1 times in a second. Bravo!!!"])
    page.key("Escape")
    expect_box(checks, page, ["NEW RECORD!"])
    page.key("Return")
    page.wait_for(lambda: page.text(COMMAND1) == "NUMBER OF CLICKS", "the game after the boxes")
    checks.equal("the boxes after OK", page.box(), None)
    checks.true("the record label shows 4,1", page.ax_has_text("4,1"))


# The page as a small frame, a page zoomed to 400% (1366×768 at 4×), a phone, a laptop and a
# desktop show it: width, height, device pixel ratio, whether a phone, and the least scale the
# window must have. The first shows the window at its design size, which the others are
# measured against.
VIEWPORTS = [(220, 160, 1, False, 1.0), (341, 192, 4, False, 1.0), (390, 844, 3, True, 1.5),
             (1366, 768, 1, False, 2.0), (1920, 1080, 1, False, 2.0)]
MARGIN = 16
# The window, its title bar and its controls, each as [left, top, width, height, font size], and
# the viewport's and the document's sizes.
MEASURE = """(function () {
  function box(element) {
    var r = element.getBoundingClientRect();
    return [r.left, r.top, r.width, r.height, parseFloat(getComputedStyle(element).fontSize)];
  }
  var frame = document.querySelector('.window');
  return {window: box(frame), transform: getComputedStyle(frame).transform,
          parts: [frame.querySelector('.title')].concat(
            Array.from(document.querySelectorAll('[id^=morvane-control-]:not([hidden])'))).map(box),
          viewport: [innerWidth, innerHeight],
          document: [document.documentElement.scrollWidth, document.documentElement.scrollHeight]};
})()"""


def show_at(page, width, height, ratio, phone):
    """Sets the viewport, waits for the window to be laid out for it and returns its measures."""
    page.browser.send("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": height, "deviceScaleFactor": ratio,
                       "mobile": phone})
    # The resize comes before the next frame, and the window follows it there.
    page.browser.evaluate("new Promise(function (done) { requestAnimationFrame(function () { "
                          "requestAnimationFrame(done); }); })", await_promise=True)
    return page.js(MEASURE)


def picture(page, directory):
    """The page down to the end of its text, as the README shows it: docs/images/web.png at the
    viewport's size and 2x/web.png at twice it."""
    bottom = page.js("document.querySelector('.about').getBoundingClientRect().bottom")
    width = page.js("innerWidth")
    for scale, name in ((1, "web.png"), (2, "2x/web.png")):
        shot = page.browser.send("Page.captureScreenshot", {
            "clip": {"x": 0, "y": 0, "width": width, "height": bottom + MARGIN,
                     "scale": scale / page.js("devicePixelRatio")}})
        target = Path(directory) / name
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(base64.b64decode(shot["data"]))
        print(f"wrote {target}")


def case_scale(page, checks, directory=None):
    """The window fills the room the page gives it, as large as half the viewport's height and
    its width less the margins allow, and never below its design size; the title bar, the
    controls and their fonts scale together, laid out anew and not stretched. A window larger
    than the viewport starts at its top left, where the page can scroll from. The boxes scale
    with it and keep off the viewport's edges."""
    design = None
    for width, height, ratio, phone, least in VIEWPORTS:
        shown = show_at(page, width, height, ratio, phone)
        if directory and phone:
            picture(page, directory)
        where = f"at {width}×{height}"
        left, top, frame_width, frame_height, _ = shown["window"]
        if design is None:
            design = shown
        # A phone zooms a page out that is wider than its screen.
        checks.equal(f"{where} the viewport", shown["viewport"], [width, height])
        scale = frame_width / design["window"][2]
        checks.true(f"{where} the window is at {scale:.2f}×, at least {least}×", scale >= least)
        checks.equal(f"{where} the window's transform", shown["transform"], "none")
        checks.true(f"{where} the window starts inside the page: {shown['window']}",
                    left >= 0 and top >= 0)
        checks.true(f"{where} the page scrolls to the whole window: {shown['document']}",
                    shown["document"][0] >= left + frame_width
                    and shown["document"][1] >= top + frame_height)
        if scale > 1:
            checks.true(f"{where} the window fits the room: {shown['window']}",
                        frame_width <= width - 2 * MARGIN and frame_height <= height / 2 + 1
                        and left + frame_width <= width and top + frame_height <= height)
        for part, (actual, expected) in enumerate(zip(shown["parts"], design["parts"])):
            checks.true(f"{where} part {part} at {scale:.2f}×: {actual}, designed {expected}",
                        all(abs(a - e * scale) <= max(1, scale)
                            for a, e in zip(actual[2:], expected[2:])))
    # A box over the window, at the smallest size and at a phone's: the error box, which RESET
    # brings at once by writing to the counting button gone from the page.
    page.js(f"document.querySelector('{COMMAND1}').remove()")
    page.click(COMMAND2)
    page.wait_box()
    design_font = None
    for width, height, ratio, phone, _ in (VIEWPORTS[0], VIEWPORTS[2]):
        shown = show_at(page, width, height, ratio, phone)
        scale = shown["window"][2] / design["window"][2]
        left, top, box_width, box_height, font = page.js(
            "(function () { var box = document.querySelector('dialog'), "
            "r = box.getBoundingClientRect(); return [r.left, r.top, r.width, r.height, "
            "parseFloat(getComputedStyle(box).fontSize)]; })()")
        design_font = design_font or font
        where = f"at {width}×{height}"
        checks.true(f"{where} the box keeps off the edges: {[left, top, box_width, box_height]}",
                    left >= MARGIN - 1 and top >= MARGIN - 1
                    and left + box_width <= width - MARGIN + 1
                    and top + box_height <= height - MARGIN + 1)
        checks.true(f"{where} the box's text is at the window's {scale:.2f}×: {font}px",
                    abs(font - design_font * scale) <= 1)


def screenshots(page, directory):
    """The scale test, writing the README's pictures of the page from its phone's view."""
    checks = Checks()
    case_scale(page, checks, directory)
    return checks


AXE = HERE / "node_modules" / "axe-core" / "axe.min.js"
AXE_RUN = ("axe.run().then(function (result) { return result.violations.map(function (v) { "
           "return v.id + ': ' + v.nodes.map(function (n) { return n.target.join(' '); })"
           ".join(', '); }); })")


def audit(page, checks, state):
    """axe-core's default rules, best practices included, in light and in dark."""
    page.js(AXE.read_text(encoding="utf-8"))
    for scheme in ("light", "dark"):
        page.browser.send("Emulation.setEmulatedMedia",
                          {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
        checks.equal(f"axe's findings {state}, {scheme}",
                     page.browser.evaluate(AXE_RUN, await_promise=True), [])
    page.browser.send("Emulation.setEmulatedMedia", {"features": []})


def case_audit(page, checks):
    """axe-core finds nothing at rest, during a run and with a box open, in light and in dark;
    in dark the page and the window are dark."""
    backgrounds = []
    for scheme in ("light", "dark"):
        page.browser.send("Emulation.setEmulatedMedia",
                          {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
        backgrounds.append(page.js("[document.body, document.querySelector('.window')].map("
                                   "function (e) { return getComputedStyle(e).backgroundColor; })"))
    checks.true(f"dark has a page and a window of its own: {backgrounds}",
                all(light != dark for light, dark in zip(*backgrounds)))
    audit(page, checks, "at rest")
    page.click(COMMAND1)
    start = page.stamps(COMMAND1)[0]
    audit(page, checks, "during a run")
    page.run_out(start)
    page.click(COMMAND2)
    page.wait_box()
    audit(page, checks, "with a box open")


CASES = {"play": case_play, "clock": case_clock, "late": case_late, "keys": case_keys,
         "german": case_german, "scale": case_scale, "audit": case_audit}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--page", required=True)
    parser.add_argument("--chromium", default=cdp.CHROMIUM)
    parser.add_argument("--screenshots", metavar="DIR",
                        help="run the scale test, writing the README's pictures of the page "
                             "into DIR")
    parser.add_argument("case", choices=CASES, nargs="?")
    options = parser.parse_args()
    if options.screenshots:
        with cdp.Browser(chromium=options.chromium) as browser:
            checks = screenshots(Page(browser, options.page), options.screenshots)
    elif options.case is None:
        parser.error("name a case, or --screenshots")
    else:
        # Headless Chromium takes the page's language from the one it asks servers for.
        flags = ["--accept-lang=de-DE"] if options.case == "german" else []
        checks = Checks()
        with cdp.Browser(flags, options.chromium) as browser:
            CASES[options.case](Page(browser, options.page), checks)
    for failure in checks.failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    if not checks.failures:
        print(f"PASS: {options.case or 'screenshots'}")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
