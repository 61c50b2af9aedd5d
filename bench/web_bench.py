#!/usr/bin/python3
"""Measures Morvane.html beside a bare page with one button, in the same headless Chromium, and
writes the figures into the "The web page" section of docs/performance.md.

    web_bench.py --page build/web/Morvane.html --output docs/performance.md
"""

import argparse
import datetime
import gzip
import html
import json
import math
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "web"))
import cdp  # noqa: E402
import page_test  # noqa: E402

SECTION = "## The web page"
STARTUP_RUNS = 20
TRACED_RUNS = 5
# Unthrottled, and the CPU slowed four times as a phone's would be (DevTools' own emulation).
CPU_SLOWDOWNS = (1, 4)
LATENCY_PRESSES = 200
LATENCY_GAP_S = 0.03
LOST_PRESSES = 1000
# The bare page: one button of the counting button's size and font, that counts its clicks.
BARE = """<!doctype html><html><head><meta charset="utf-8"><title>Bare</title></head><body>
<button id="morvane-control-0"
 style="width:201px;height:97px;font:18px 'Liberation Sans'">0</button>
<script>
var count = 0;
document.getElementById('morvane-control-0').addEventListener('click', function () {
  this.textContent = ++count;
});
</script></body></html>
"""
# The page without the game: Morvane.html with the WebAssembly and emscripten's script taken out
# and a plain counting button put in the window's place, so that what the page's own heading, text,
# styles and notices cost shows apart from what the game costs.
GAME_SCRIPTS = "<script>Module."
NO_GAME = ("<script>document.getElementById('morvane-place').insertAdjacentHTML('beforeend', "
           "'<button id=\"morvane-control-0\">NUMBER OF CLICKS</button>');</script>\n")
# The page with the game inside but never run: Morvane.html with the window the game made put in as
# HTML where the game would put it, and the game's scripts left as text, so that what carrying the
# game costs shows apart from what running it costs.
ROOM = '<div class="room" id="morvane-room"></div>'
INERT = '<script type="text/plain">'
# When a page is ready to play: the first task after its counting button is in the document,
# which for Morvane.html is the one after the WebAssembly has made the window and loaded the game.
READY = """
new MutationObserver(function (changes, observer) {
  if (document.getElementById('morvane-control-0')) {
    observer.disconnect();
    setTimeout(function () { window.morvaneReady = performance.now(); }, 0);
  }
}).observe(document, {childList: true, subtree: true});
"""
# The renderer's tasks, from the trace DevTools' performance panel records.
TRACE_CATEGORIES = "toplevel,devtools.timeline,disabled-by-default-devtools.timeline"
TASKS = ("RunTask", "ThreadControllerImpl::RunTask")
# From a click's stamp to the frame that shows what it changed: the first task after that
# frame's paint. Listened for last, after the page's own handler.
PAINTED = """
window.latencies = [];
addEventListener('click', function (e) {
  var stamp = e.timeStamp;
  requestAnimationFrame(function () {
    setTimeout(function () { latencies.push(performance.now() - stamp); }, 0);
  });
});
"""


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[max(0, math.ceil(fraction * len(ordered)) - 1)]


def start_up(browser, url):
    """Navigates afresh; returns when the page painted first and when it was ready to play, in
    ms from navigation."""
    browser.navigate(url)
    expression = ("[(performance.getEntriesByName('first-contentful-paint')[0] || {}).startTime,"
                  " window.morvaneReady]")
    deadline = time.monotonic() + 30
    while None in (times := browser.evaluate(expression)):
        if time.monotonic() > deadline:
            raise RuntimeError(f"{url} never painted and got ready")
        time.sleep(0.01)
    return tuple(times)


def longest_task(browser, url):
    """The longest task of the page's renderer from navigation to ready to play, in ms. The tab
    is blank first, so that no other page's unloading is in it."""
    browser.navigate("about:blank")
    browser.send("Tracing.start", {"categories": TRACE_CATEGORIES,
                                   "transferMode": "ReportEvents"}, session=False)
    start_up(browser, url)
    browser.send("Tracing.end", session=False)
    browser.wait_event("Tracing.tracingComplete", timeout=60)
    trace = [entry for event in browser.events if event.get("method") == "Tracing.dataCollected"
             for entry in event["params"]["value"]]
    browser.events.clear()
    # The main thread of the renderer that loaded the page.
    page_processes = {entry["pid"] for entry in trace if url in json.dumps(entry.get("args"))}
    main_threads = {(entry["pid"], entry["tid"]) for entry in trace
                    if entry.get("ph") == "M" and entry.get("name") == "thread_name"
                    and entry["args"].get("name") == "CrRendererMain"
                    and entry["pid"] in page_processes}
    return max(entry.get("dur", 0) for entry in trace
               if entry.get("name") in TASKS and (entry["pid"], entry["tid"]) in main_threads
               ) / 1000


def start_ups(urls, slowdown):
    """Medians of first paint, ready to play and the longest task, for each page at one CPU
    slowdown."""
    with cdp.Browser() as browser:
        browser.open_page()
        browser.send("Page.addScriptToEvaluateOnNewDocument", {"source": READY})
        browser.send("Emulation.setCPUThrottlingRate", {"rate": slowdown})
        runs = {name: [] for name in urls}
        for run in range(STARTUP_RUNS + 1):
            for name, url in urls.items():  # alternating, so a busy moment falls on both
                times = start_up(browser, url)
                if run > 0:
                    runs[name].append(times)
        figures = {name: tuple(statistics.median(column) for column in zip(*times))
                   for name, times in runs.items()}
        longest = {name: statistics.median(longest_task(browser, url) for _ in range(TRACED_RUNS))
                   for name, url in urls.items()}
    return {name: (*figures[name], longest[name]) for name in urls}


def latency(browser, path):
    browser.open_page()
    browser.send("Page.addScriptToEvaluateOnNewDocument", {"source": PAINTED})
    page = page_test.Page(browser, path)
    for _ in range(LATENCY_PRESSES):
        page.click(page_test.COMMAND1)
        time.sleep(LATENCY_GAP_S)
    page.wait_for(lambda: len(page.js("latencies")) == LATENCY_PRESSES, "every press painted")
    return page.js("latencies")


def lost(browser, path):
    page = page_test.Page(browser, path)
    started = time.time()
    due = started
    for _ in range(LOST_PRESSES):
        page.click(page_test.COMMAND1, time.time(), wait=False)
        due += 0.001
        time.sleep(max(0.0, due - time.time()))
    took = time.time() - started
    browser.settle()
    return LOST_PRESSES - int(page.text(page_test.COMMAND1)), took


def run_end(browser, path, busy):
    page = page_test.Page(browser, path)
    clicks, counted = page_test.clock_train(page, busy)
    start = clicks[0][0]
    ordered = sorted(stamp - start for stamp, _ in clicks[1:])
    # The first click is the run's own; then `counted - 1` of the train were counted.
    last_in, first_out = ordered[counted - 2], ordered[counted - 1]
    return last_in, first_out, last_in < page_test.RUN_MS <= first_out


def game_scripts(page):
    """Where the game's scripts lie in the page's text: from the first through the end of the
    body."""
    if GAME_SCRIPTS not in page:
        sys.exit(f"the page has no {GAME_SCRIPTS!r}: is it one_file.py's?")
    return page.index(GAME_SCRIPTS), page.rindex("</body>")


def without_game(page):
    """The page's text with the game's scripts replaced by NO_GAME."""
    start, end = game_scripts(page)
    return page[:start] + NO_GAME + page[end:]


def game_never_run(page_path):
    """The page's text with the window as the game makes it in the benchmark's browser (its
    place's content and the lengths the layout sets on the page) and the game's scripts as text."""
    with cdp.Browser() as browser:
        place, lengths = page_test.Page(browser, page_path).js(
            "[document.getElementById('morvane-place').innerHTML, "
            "document.documentElement.style.cssText]")
    page = Path(page_path).read_text(encoding="utf-8")
    if page.count(ROOM) != 1:
        sys.exit(f"the page has no {ROOM!r} to put the window beside")
    start, end = game_scripts(page)
    page = page[:start] + page[start:end].replace("<script>", INERT) + page[end:]
    page = page.replace(ROOM, place).replace("<html", f'<html style="{html.escape(lengths)}"', 1)
    return page


def measure(page_path, bare_path, no_game_path, never_run_path):
    figures = {}
    data = Path(page_path).read_bytes()
    figures["size"] = (len(data), len(gzip.compress(data, 9)))
    urls = {"game": Path(page_path).resolve().as_uri(), "bare": bare_path.as_uri(),
            "no game": no_game_path.as_uri(), "never run": never_run_path.as_uri()}
    figures["start"] = {slowdown: start_ups(urls, slowdown) for slowdown in CPU_SLOWDOWNS}
    for name, path in (("game", page_path), ("bare", bare_path)):
        with cdp.Browser() as browser:
            figures.setdefault("latency", {})[name] = latency(browser, path)
        with cdp.Browser() as browser:
            figures.setdefault("lost", {})[name] = lost(browser, path)
    for busy in (False, True):
        with cdp.Browser() as browser:
            figures.setdefault("end", []).append((busy, run_end(browser, page_path, busy)))
    return figures


def verdict(met):
    return "met" if met else "**missed**"


def section(figures, took_s, chromium, emscripten):
    size, packed = figures["size"]
    p99 = percentile(figures["latency"]["game"], 0.99)
    bare_p99 = percentile(figures["latency"]["bare"], 0.99)
    lost_game, took_game = figures["lost"]["game"]
    lost_bare, took_bare = figures["lost"]["bare"]
    lines = [SECTION, "",
             "Written by `python3 bench/web_bench.py --page build/web/Morvane.html` (the `web` "
             "preset's page) after the rest; do not edit by hand.", "",
             f"- Date: {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC "
             f"(took {took_s:.0f} s); commit {commit()}",
             f"- Chromium {chromium}, headless, one tab; emscripten {emscripten}", "",
             "| figure | Morvane.html | bare page | ratio | target | |",
             "| --- | --- | --- | --- | --- | --- |",
             f"| size | {size / 1024:.1f} KiB ({packed / 1024:.1f} KiB gzipped) | | | "
             f"≤ 100 KiB gzipped | {verdict(packed <= 100 * 1024)} |"]
    for slowdown, pages in figures["start"].items():
        cpu = "unthrottled" if slowdown == 1 else f"CPU {slowdown}× slower"
        (paint, ready, longest), (bare_paint, bare_ready, bare_longest) = \
            pages["game"], pages["bare"]
        no_game_ready, never_run_ready = pages["no game"][1], pages["never run"][1]
        lines += [
            f"| navigation to first paint, {cpu} | {paint:.1f} ms | {bare_paint:.1f} ms | "
            f"{paint / bare_paint:.2f}× | | |",
            f"| navigation to ready to play, {cpu} | {ready:.1f} ms | {bare_ready:.1f} ms | "
            f"{ready / bare_ready:.2f}× | ≤ 1.3× bare | {verdict(ready <= 1.3 * bare_ready)} |",
            f"| the same, the page without the game, {cpu} | {no_game_ready:.1f} ms | "
            f"{bare_ready:.1f} ms | {no_game_ready / bare_ready:.2f}× | | |",
            f"| the same, the window as HTML and the game inside, never run, {cpu} | "
            f"{never_run_ready:.1f} ms | {bare_ready:.1f} ms | "
            f"{never_run_ready / bare_ready:.2f}× | | |",
            f"| longest task to ready, {cpu} | {longest:.1f} ms | {bare_longest:.1f} ms | | "
            + (f"≤ 50 ms | {verdict(longest <= 50)} |" if slowdown == 1 else "| |")]
    lines += [f"| click-to-screen p99, {LATENCY_PRESSES} presses | {p99:.2f} ms | "
              f"{bare_p99:.2f} ms | {p99 / bare_p99:.2f}× | ≤ 1.2× bare | "
              f"{verdict(p99 <= 1.2 * bare_p99)} |",
              f"| presses lost of {LOST_PRESSES} at 1 kHz | {lost_game} (in {took_game:.2f} s) | "
              f"{lost_bare} (in {took_bare:.2f} s) | | 0 | {verdict(lost_game == 0)} |"]
    for busy, (last_in, first_out, exact) in figures["end"]:
        lines.append(f"| the run's end by event time, {'busy' if busy else 'quiet'} | counted "
                     f"up to {last_in:.1f} ms, not from {first_out:.1f} ms | no timer | | "
                     f"exact | {verdict(exact)} |")
    lines += ["",
              f"- **Start-up**: medians of {STARTUP_RUNS} fresh navigations from disk, the "
              "pages alternating after one warm-up each. First paint is the page's "
              "`first-contentful-paint`; ready to play is the first task after the counting "
              "button is in the document (for Morvane.html, once the WebAssembly has made the "
              "window and loaded the game). The longest task is the renderer's from navigation to "
              f"ready to play, the median of {TRACED_RUNS} traced navigations from a blank tab. "
              "The slower CPU is DevTools' "
              "`Emulation.setCPUThrottlingRate`. The page without the game is Morvane.html "
              "with the WebAssembly and emscripten's script taken out and a plain button put "
              "where the window goes: what the page's own heading, text, styles and notices "
              "cost, apart from the game. The page with the game never run is Morvane.html "
              "with the window the game makes put in as HTML, as it lies in the same browser, "
              "and the game's scripts left in as text that never runs: what carrying the game "
              "inside the page costs, apart from running it.",
              "- **Click-to-screen**: a click sent over the DevTools protocol, from its "
              "`event.timeStamp` to the first task after the next frame that shows the new "
              "count; presses 30 ms apart, all inside one run.",
              "- **Lost presses**: 1000 clicks sent 1 ms apart without waiting for the browser; "
              "the count read once the browser has answered for every one.",
              "- **The run's end**: the tests' clock train (a click every 2 ms from 9.9 s to "
              "10.1 s after the first, stamped when sent; busy: two spinning processes per "
              "CPU), with the stamps the page saw.", ""]
    return "\n".join(lines)


def commit():
    try:
        return subprocess.run(["git", "rev-parse", "--short", "HEAD"], capture_output=True,
                              text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def package(name):
    try:
        return subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True,
                              text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--page", default="build/web/Morvane.html")
    parser.add_argument("--output", default="docs/performance.md")
    options = parser.parse_args()
    started = time.monotonic()
    with tempfile.TemporaryDirectory() as scratch:
        bare = Path(scratch) / "bare.html"
        bare.write_text(BARE, encoding="utf-8")
        no_game = Path(scratch) / "no-game.html"
        no_game.write_text(without_game(Path(options.page).read_text(encoding="utf-8")),
                           encoding="utf-8")
        never_run = Path(scratch) / "never-run.html"
        never_run.write_text(game_never_run(options.page), encoding="utf-8")
        figures = measure(options.page, bare, no_game, never_run)
    text = section(figures, time.monotonic() - started, package("chromium"),
                   package("emscripten"))
    output = Path(options.output)
    report = output.read_text(encoding="utf-8") if output.exists() else ""
    # What came before the section is the desktop benchmarks'; what follows it, Lighthouse's.
    kept, _, rest = report.partition(SECTION)
    kept = kept.rstrip("\n")
    after = rest[rest.index("\n## ") + 1:] if "\n## " in rest else ""
    output.write_text((f"{kept}\n\n{text}" if kept else text) + (f"\n{after}" if after else ""),
                      encoding="utf-8")
    print(text)


if __name__ == "__main__":
    main()
