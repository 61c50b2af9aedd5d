#!/usr/bin/python3
"""Scores Morvane.html and the bare one-button page with Lighthouse, on a phone and on a desktop,
served from a local web server as a host would serve them, and writes the scores into the
"Lighthouse" section of docs/performance.md.

    web_lighthouse.py --page build/web/Morvane.html --output docs/performance.md

Lighthouse comes from npm at the version bench/lighthouse/package-lock.json pins, installed
there on first use; it runs Debian's Chromium, headless.
"""

import argparse
import datetime
import gzip
import json
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import web_bench  # noqa: E402

HERE = Path(__file__).resolve().parent
LIGHTHOUSE = HERE / "lighthouse"
SECTION = "## Lighthouse"
CATEGORIES = ["performance", "accessibility", "best-practices", "seo"]
FORMS = ["mobile", "desktop"]
# Lighthouse's own advice against its variance: several runs, and the median one.
RUNS = 5
CHROMIUM = "/usr/bin/chromium"
# Headless, and without the connections Chromium opens of its own.
CHROME_FLAGS = ("--headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                "--disable-background-networking --disable-component-update --disable-sync")
ROBOTS = b"User-agent: *\nAllow: /\n"


class Site(BaseHTTPRequestHandler):
    """The pages and a robots.txt, compressed where the browser accepts it, as a static host
    serves them."""
    files = {}

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        if path not in self.files:
            self.send_error(404)
            return
        body, kind = self.files[path]
        headers = {"Content-Type": kind, "Cache-Control": "no-cache"}
        if "gzip" in self.headers.get("Accept-Encoding", ""):
            body = gzip.compress(body, 6)
            headers["Content-Encoding"] = "gzip"
        self.send_response(200)
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def install():
    """npm ci in bench/lighthouse, when its lock has changed since the last one."""
    stamp = LIGHTHOUSE / "node_modules" / ".morvane-lock"
    lock = LIGHTHOUSE / "package-lock.json"
    if not stamp.exists() or stamp.read_bytes() != lock.read_bytes():
        subprocess.run(["npm", "ci", "--no-audit", "--no-fund", "--loglevel=error"],
                       cwd=LIGHTHOUSE, check=True)
        stamp.write_bytes(lock.read_bytes())


def lighthouse(url, form, scratch):
    """Lighthouse's scores (0 to 100) by category, for `url` as `form` shows it."""
    report = Path(scratch) / "report.json"
    command = ["node", str(LIGHTHOUSE / "node_modules" / "lighthouse" / "cli" / "index.js"), url,
               "--quiet", "--output=json", f"--output-path={report}",
               f"--only-categories={','.join(CATEGORIES)}", f"--chrome-flags={CHROME_FLAGS}"]
    if form == "desktop":
        command.append("--preset=desktop")
    subprocess.run(command, check=True, env={"CHROME_PATH": CHROMIUM, "PATH": "/usr/bin:/bin",
                                             "HOME": scratch})
    result = json.loads(report.read_text(encoding="utf-8"))
    scores = {name: round(100 * category["score"])
              for name, category in result["categories"].items()}
    # What kept a category below 100: each audit that counts and lost points, with its score.
    audits = result["audits"]
    counted = {ref["id"] for category in result["categories"].values()
               for ref in category["auditRefs"] if ref["weight"] > 0}
    missed = sorted(f"{name} ({round(100 * audits[name]['score'])})" for name in counted
                    if audits[name]["score"] is not None and audits[name]["score"] < 1)
    metrics = {name: audits[name]["numericValue"]
               for name in ("first-contentful-paint", "largest-contentful-paint",
                            "total-blocking-time", "cumulative-layout-shift")}
    return scores, missed, metrics, result["lighthouseVersion"]


def measure(page):
    install()
    Site.files = {
        "/Morvane.html": (Path(page).read_bytes(), "text/html; charset=utf-8"),
        "/bare.html": (web_bench.BARE.encode(), "text/html; charset=utf-8"),
        "/robots.txt": (ROBOTS, "text/plain; charset=utf-8"),
    }
    server = ThreadingHTTPServer(("127.0.0.1", 0), Site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    results = {}
    try:
        with tempfile.TemporaryDirectory() as scratch:
            for form in FORMS:
                for name in ("Morvane.html", "bare.html"):
                    runs = sorted((lighthouse(f"{base}/{name}", form, scratch)
                                   for _ in range(RUNS)), key=lambda run: run[0]["performance"])
                    results[name, form] = runs[RUNS // 2]
    finally:
        server.shutdown()
    return results


def load_average():
    """The machine's load over the last 1, 5 and 15 minutes: Lighthouse times the page's work on
    this machine's CPU, and other work on it shows in the blocking time."""
    return " ".join(Path("/proc/loadavg").read_text(encoding="utf-8").split()[:3])


def section(results, took_s, load):
    version = next(iter(results.values()))[3]
    lines = [SECTION, "",
             "Written by `python3 bench/web_lighthouse.py --page build/web/Morvane.html` (the "
             "`web` preset's page); do not edit by hand.", "",
             f"- Date: {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC "
             f"(took {took_s:.0f} s); commit {web_bench.commit()}",
             f"- Lighthouse {version} (npm, pinned by `bench/lighthouse/package-lock.json`), "
             f"in Chromium {web_bench.package('chromium')}, headless; load average {load} "
             "at the start", "",
             f"Each row is the run with the median performance score of {RUNS}.", "",
             "| page | form | " + " | ".join(CATEGORIES) + " | FCP | LCP | TBT | CLS |",
             "| --- | --- |" + " --- |" * (len(CATEGORIES) + 4)]
    for (name, form), (scores, _, metrics, _) in results.items():
        lines.append(f"| {name} | {form} | "
                     + " | ".join(str(scores[category]) for category in CATEGORIES)
                     + f" | {metrics['first-contentful-paint']:.0f} ms"
                     f" | {metrics['largest-contentful-paint']:.0f} ms"
                     f" | {metrics['total-blocking-time']:.0f} ms"
                     f" | {metrics['cumulative-layout-shift']:.3f} |")
    lines += ["",
              "- Both pages served from `127.0.0.1` by the script's own server, gzipped as a "
              "static host sends them, with a `robots.txt` that allows everything. Lighthouse's "
              "default throttling: a simulated slow 4G phone, or a desktop's cable line.",
              "- The bare page is `bench/web_bench.py`'s: one button that counts its clicks, "
              "with no title bar, description or landmark, so its accessibility and search "
              "scores are no aim; it shows what the browser and the throttling cost alone.",
              "- Audits that lost points: " + "; ".join(
                  f"{name} {form}: {', '.join(missed) or 'none'}"
                  for (name, form), (_, missed, _, _) in results.items()) + ".", ""]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--page", default="build/web/Morvane.html")
    parser.add_argument("--output", default="docs/performance.md")
    options = parser.parse_args()
    started, load = time.monotonic(), load_average()
    text = section(measure(options.page), time.monotonic() - started, load)
    output = Path(options.output)
    report = output.read_text(encoding="utf-8")
    # Its own section, the report's last, after the web page's.
    before, _, rest = report.partition(SECTION)
    after = rest[rest.index("\n## ") + 1:] if "\n## " in rest else ""
    output.write_text(f"{before.rstrip(chr(10))}\n\n{text}" + (f"\n{after}" if after else ""),
                      encoding="utf-8")
    print(text)


if __name__ == "__main__":
    main()
