#!/usr/bin/python3
"""A run of Morvane.exe under Wine is ten seconds of input time: on an X display and a Wine
prefix of its own, one click starts the run, then a click every 2 ms from 9.9 s to 10.1 s after
it, once on a quiet machine and once with every CPU kept busy. The X server's own time of each
release is the truth: the count read from the window afterwards, from another process, must be
the clicks released before the first one's time plus 10000 ms. Under load Wine may move its own
clock against the X server's by up to one of its 16 ms ticks (it raises the offset between the two
whenever an event would seem to come from its clock's future), which lets a click released that
little after the end count; so with the CPUs busy the count may take those too, but never leaves
out one released before the end.

    wine_input_time_test.py --game build/windows-x64/window/win32/Morvane.exe \
        --probe build/windows-x64/tests/tools/window_probe.exe \
        --xprobe build/windows-x64/tests/tools/xprobe --wine-run tests/tools/wine-run
"""

import argparse
import os
import sys

import winesession
import xsession

WINE_TICK_MS = 16


def trial(options, session, busy):
    run = winesession.timed_run(session, options.game, options.probe, options.xprobe, busy)
    return xsession.judge_run("busy" if busy else "quiet", run["releases"], run["clicks"],
                              run["counted"], run["status"],
                              late_allowance_ms=WINE_TICK_MS if busy else 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--xprobe", required=True)
    parser.add_argument("--wine-run", required=True)
    options = parser.parse_args()
    server = xsession.XServer()
    try:
        session = winesession.WineSession(options.wine_run,
                                          os.environ["WINEPREFIX"] + "-input-time",
                                          server.display)
        session.prepare()
        failures = trial(options, session, busy=False) + trial(options, session, busy=True)
    finally:
        server.stop()
    return xsession.report(failures, "quiet and busy, the count is the clicks inside ten "
                           "seconds of input time")


if __name__ == "__main__":
    sys.exit(main())
