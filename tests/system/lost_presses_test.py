#!/usr/bin/python3
"""Every press counts, once: the real game on its own X display takes one click to start a run,
then Return and Space each held down while the X server repeats them, then a burst of presses as
fast as XTest delivers them, all inside one run. The count a screen reader reads off the button
must be one for each held key and exactly the number of presses in the burst.

    lost_presses_test.py --game build/ci/window/qt/morvane \
        --xprobe build/ci/tests/tools/xprobe [--presses 1000]

Asserts counts, never a time. Exits 0 when every count is exact.
"""

import argparse
import sys

import xsession

# The X server's own repeats of each held key: about a second of holding at its default rate.
REPEATS = 8


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
            # Xvfb has no window manager: the click on the counting button also gives the window
            # the keyboard, with the focus on that button.
            probe("burst", "Morvane", 1, 0)
            held = {key: probe("hold", "Morvane", key, REPEATS)["presses"]
                    for key in ("Return", "space")}
            xsession.wait_for("the click and the held keys to count",
                              lambda: desktop.read_count(button) >= 1 + len(held))
            after_keys = desktop.settled_count(button, quiet=0.5)
            sent = probe("burst", "Morvane", options.presses, 0)
            counted = desktop.settled_count(button, least=after_keys + options.presses)
        finally:
            status = xsession.close_program(probe, "Morvane", game)

    print(f"held keys, as the X server pressed them: {held}; count after a click and the held "
          f"keys: {after_keys}")
    print(f"presses sent: {options.presses} at {sent['rate_hz']:.0f} per second; "
          f"count before: {before}, after: {counted}; the game exited with {status}")
    failures = []
    if before != 0:
        failures.append(f"the game started with a count of {before}, not its resting caption")
    if after_keys != 1 + len(held):
        failures.append(f"{after_keys} counted for a click and {len(held)} held keys")
    burst = counted - after_keys
    if burst != options.presses:
        failures.append(f"{options.presses - burst} of {options.presses} presses were lost"
                        if burst < options.presses else f"{burst} counted for "
                        f"{options.presses} presses")
    if status != 0:
        failures.append(f"the game exited with status {status} when its window was closed")
    return xsession.report(failures, "every press was counted once")


if __name__ == "__main__":
    sys.exit(main())
