#!/usr/bin/python3
"""Measures Morvane.html beside a bare page with one button, in the same headless Chromium, and
writes the figures into the "The web page" section of docs/performance.md.

    web_bench.py --page build/web/Morvane.html --output docs/performance.md
"""

import argparse
import datetime
import gzip
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
PAINT_RUNS = 12
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


def first_paint(browser, url):
    browser.navigate(url)
    expression = "(performance.getEntriesByName('first-contentful-paint')[0] || {}).startTime"
    deadline = time.monotonic() + 10
    while (painted := browser.evaluate(expression)) is None:
        if time.monotonic() > deadline:
            raise RuntimeError(f"{url} never painted")
        time.sleep(0.01)
    return painted


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
    offsets, counted = page_test.clock_train(page, busy)
    ordered = sorted(offsets)
    # The first click is the run's own; then `counted - 1` of the train were counted.
    last_in, first_out = ordered[counted - 2], ordered[counted - 1]
    return last_in, first_out, last_in < page_test.RUN_MS <= first_out


def measure(page_path, bare_path):
    figures = {}
    data = Path(page_path).read_bytes()
    figures["size"] = (len(data), len(gzip.compress(data, 9)))
    with cdp.Browser() as browser:
        browser.open_page()
        urls = {"game": Path(page_path).resolve().as_uri(), "bare": bare_path.as_uri()}
        paints = {"game": [], "bare": []}
        for run in range(PAINT_RUNS + 1):
            for name, url in urls.items():  # alternating, so a busy moment falls on both
                painted = first_paint(browser, url)
                if run > 0:
                    paints[name].append(painted)
        figures["paint"] = {name: statistics.median(times) for name, times in paints.items()}
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
    paint, bare_paint = figures["paint"]["game"], figures["paint"]["bare"]
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
             f"< 300 KB | {verdict(size < 300_000)} |",
             f"| navigation to first paint, median of {PAINT_RUNS} | {paint:.1f} ms | "
             f"{bare_paint:.1f} ms | {paint / bare_paint:.2f}× | ≤ 1.5× bare | "
             f"{verdict(paint <= 1.5 * bare_paint)} |",
             f"| click-to-screen p99, {LATENCY_PRESSES} presses | {p99:.2f} ms | "
             f"{bare_p99:.2f} ms | {p99 / bare_p99:.2f}× | ≤ 1.2× bare | "
             f"{verdict(p99 <= 1.2 * bare_p99)} |",
             f"| presses lost of {LOST_PRESSES} at 1 kHz | {lost_game} (in {took_game:.2f} s) | "
             f"{lost_bare} (in {took_bare:.2f} s) | | 0 | {verdict(lost_game == 0)} |"]
    for busy, (last_in, first_out, exact) in figures["end"]:
        lines.append(f"| the run's end by event time, {'busy' if busy else 'quiet'} | counted "
                     f"up to {last_in:.1f} ms, not from {first_out:.1f} ms | no timer | | "
                     f"exact | {verdict(exact)} |")
    lines += ["",
              "- **First paint**: the page's `first-contentful-paint` after a fresh navigation "
              "from disk; for Morvane.html that is its window, which the WebAssembly makes. The "
              "two pages alternate, after one warm-up each.",
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
        figures = measure(options.page, bare)
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
