#!/usr/bin/python3
"""A run is ten seconds of input time: the real game on its own X display takes one click to
start, then a click every 2 ms from 9.9 s to 10.1 s after it, once on a quiet machine and once
with every CPU kept busy. The X server's own time of each release is the truth: the count a
screen reader reads afterwards must be the clicks released before the first one's time plus
10000 ms.

    input_time_test.py --game build/ci/window/qt/morvane --xprobe build/ci/tests/tools/xprobe
"""

import argparse
import sys
import time

import xsession

TRAIN = ("9900", "10100")
GAP_MS = "2"
LABEL1_AREA = "0,129,199,27"  # the record label: a click there counts nothing


def trial(options, bus, busy):
    with xsession.Desktop(bus) as desktop:
        probe = xsession.Probe(options.xprobe, desktop)
        desktop.atspi()
        game = desktop.launch([options.game], xsession.ACCESSIBLE)
        try:
            probe("wait", "Morvane")
            button = desktop.counting_button("Morvane")
            # Xvfb has no window manager: a click on the record label makes the window active,
            # as a desktop does when it opens.
            probe("--button", LABEL1_AREA, "burst", "Morvane", 1, 0)
            time.sleep(0.2)
            with xsession.busy_cpus(busy):
                sent = probe("--lead-in", LABEL1_AREA, "--gap", GAP_MS, "deadline", "Morvane",
                             *TRAIN, timeout=60)
                counted = desktop.settled_count(
                    button, quiet=2.0, least=xsession.clicks_inside(sent["server_release_ms"]))
        finally:
            status = xsession.close_program(probe, "Morvane", game)
    return xsession.judge_run("busy" if busy else "quiet", sent["server_release_ms"],
                              len(sent["sent_ms"]) + 1, counted, status)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game", required=True)
    parser.add_argument("--xprobe", required=True)
    options = parser.parse_args()
    # One accessibility bus for both: the reading client stays on the first it meets.
    bus = xsession.DBusSession()
    try:
        failures = trial(options, bus, busy=False) + trial(options, bus, busy=True)
    finally:
        bus.stop()
    return xsession.report(failures, "quiet and busy, the count is the clicks inside ten seconds "
                           "of input time")


if __name__ == "__main__":
    sys.exit(main())
