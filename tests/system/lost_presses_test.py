#!/usr/bin/python3
"""Every press counts: the real game on its own X display takes a burst of presses as fast as
XTest delivers them, all inside one run, and the count a screen reader reads off the button
afterwards must be exactly the number of presses.

    lost_presses_test.py --game build/ci/window/qt/morvane --xprobe build/ci/tests/tools/xprobe \
        [--presses 1000]

Asserts a count, never a time. Exits 0 when the count is exact.
"""

import argparse
import sys

import xsession


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game", required=True)
    parser.add_argument("--xprobe", required=True)
    parser.add_argument("--presses", type=int, default=1000)
    options = parser.parse_args()

    with xsession.Desktop() as desktop:
        probe = xsession.Probe(options.xprobe, desktop)
        desktop.atspi()
        game = desktop.launch([options.game], xsession.ACCESSIBLE)
        try:
            probe("wait", "Morvane")
            button = desktop.counting_button("Morvane")
            before = desktop.read_count(button)
            sent = probe("burst", "Morvane", options.presses, 0)
            counted = desktop.settled_count(button, least=before + options.presses)
        finally:
            status = xsession.close_program(probe, "Morvane", game)

    print(f"presses sent: {options.presses} at {sent['rate_hz']:.0f} per second; "
          f"count before: {before}, after: {counted}; the game exited with {status}")
    failures = []
    if before != 0:
        failures.append(f"the game started with a count of {before}, not its resting caption")
    if counted != options.presses:
        failures.append(f"{options.presses - counted} of {options.presses} presses were lost"
                        if counted < options.presses else f"{counted} counted for "
                        f"{options.presses} presses")
    if status != 0:
        failures.append(f"the game exited with status {status} when its window was closed")
    return xsession.report(failures, "every press was counted")


if __name__ == "__main__":
    sys.exit(main())
