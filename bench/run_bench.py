#!/usr/bin/python3
"""Runs every benchmark against a Release build and writes the table to docs/performance.md.

    run_bench.py --build-dir build/release --output docs/performance.md

The core's micro-benchmarks run on their own; everything else drives the real `morvane` and the
bare Qt window (bench/bare_qt.cpp) on a private Xvfb display with real X input
(tests/tools/xprobe.cpp), one after the other in the same run, and reads counts back over AT-SPI
as a screen reader would. For the run's end in input time, `morvane` also plays on a headless
sway, clicked through wlroots' virtual pointer with stamps the benchmark chooses and handed over
late; with --windows-build-dir, the Windows build's Morvane.exe runs too, under Wine on an Xvfb
display of its own. Scripts/bench.sh builds and calls this.

    run_bench.py --only wayland --runs 2

measures only the run's end on the platforms named (x11, wayland, wine), each quiet and busy,
and prints its rows and finding instead of writing the report.
"""

import argparse
import datetime
import json
import math
import os
import platform
import re
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "tools"))
import virtual_pointer  # noqa: E402  (the sway clicks the Wayland input-time test makes)
import winesession  # noqa: E402  (and the Wine session beside it)
import xsession  # noqa: E402  (the X-session harness the tests share)

SOURCE = Path(__file__).resolve().parent.parent

GAME = "Morvane"
BARE = "Bare Qt"
STARTUP_RUNS = 12
LATENCY_PRESSES = 200
LATENCY_GAP_MS = 30
LOST_PRESSES = 1000
DEADLINE_RUNS = 4  # quiet, and again with every CPU busy
DEADLINE_FROM_MS = 9900
DEADLINE_TO_MS = 10100
DEADLINE_GAP_MS = 2
# The record label below RESET, in window pixels; a press there counts nothing.
LABEL1_AREA = "0,129,199,27"
RUN_MS = 10000
# How long the game's tick waits past the run's end for presses still on their way, as the game
# itself has it.
INPUT_GRACE_MS = int(re.search(
    r"InputGrace \{ (\d+) \}",
    (SOURCE / "window" / "common" / "run_end.h").read_text(encoding="utf-8")).group(1))
TICK_MS = RUN_MS + INPUT_GRACE_MS
# On sway the clicks are handed over this long after the run's end, as a compositor busy for a
# frame or two hands them over.
LATE_HANDOVER_MS = 200
IDLE_SECONDS = 10.0
RUN_SETTLE_S = 0.2
WEB_SECTION = "## The web page"


def log(message):
    print(f"bench: {message}", file=sys.stderr, flush=True)


def percentile(values, fraction):
    """Nearest rank: the smallest value with at least `fraction` of the values at or below it."""
    ordered = sorted(values)
    return ordered[max(0, math.ceil(fraction * len(ordered)) - 1)]


def command_output(command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def machine():
    model = "unknown"
    with open("/proc/cpuinfo", encoding="utf-8") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo", encoding="utf-8") as meminfo:
        memory_kib = int(meminfo.readline().split()[1])
    with open("/etc/debian_version", encoding="utf-8") as debian:
        debian_version = debian.read().strip()

    def package(name):
        return command_output(["dpkg-query", "-W", "-f=${Version}", name])

    return {
        "cpu": f"{model}, {os.cpu_count()} cores",
        "memory": f"{memory_kib / 1024 / 1024:.1f} GiB",
        "system": f"Debian {debian_version}, Linux {platform.release()}",
        "qt": package("libqt6core6"),
        "compiler": command_output(["c++", "--version"]).splitlines()[0],
        "xvfb": package("xvfb"),
        "sway": package("sway"),
        "wine": package("wine64"),
        "benchmark": package("libbenchmark-dev"),
    }


def load_average():
    with open("/proc/loadavg", encoding="utf-8") as loadavg:
        return " ".join(loadavg.read().split()[:3])


# ---------------------------------------------------------------- core

def core_benchmarks(build):
    log("core micro-benchmarks")
    with tempfile.TemporaryDirectory() as scratch:
        out = Path(scratch) / "core.json"
        subprocess.run([str(build / "bench" / "core_bench"), f"--benchmark_out={out}",
                        "--benchmark_out_format=json", "--benchmark_repetitions=5",
                        "--benchmark_min_time=0.2", "--benchmark_report_aggregates_only=true"],
                       check=True, stdout=subprocess.DEVNULL)
        report = json.loads(out.read_text(encoding="utf-8"))
    results = {}
    for entry in report["benchmarks"]:
        if entry.get("aggregate_name") == "median":
            scale = {"ns": 1.0, "us": 1e3, "ms": 1e6}[entry["time_unit"]]
            results[entry["run_name"]] = entry["real_time"] * scale
    return results


# ---------------------------------------------------------------- end to end

class Program:
    def __init__(self, title, executable, application):
        self.title = title
        self.executable = str(executable)
        self.application = application  # its name on the accessibility bus


def measure_startup(desktop, probe, programs):
    log(f"start-up, {STARTUP_RUNS} runs each after one warm-up")
    times = {program.title: [] for program in programs}
    for run in range(STARTUP_RUNS + 1):
        # Alternating, so a busy moment of the machine falls on both programs alike.
        for program in programs:
            result = probe("startup", program.title, "--", program.executable)
            if result["exit_status"] != 0:
                raise RuntimeError(f"{program.title} exited with {result['exit_status']}")
            if run > 0:
                times[program.title].append(result["painted_ms"])
    return times


def measure_latency_and_memory(desktop, probe, program):
    log(f"click-to-screen latency and peak memory: {program.title}")
    with tempfile.TemporaryDirectory() as scratch:
        report = Path(scratch) / "time.txt"
        process = desktop.launch(["/usr/bin/time", "-v", "-o", str(report), program.executable])
        try:
            probe("wait", program.title)
            result = probe("latency", program.title, LATENCY_PRESSES, LATENCY_GAP_MS)
        finally:
            xsession.close_program(probe, program.title, process)
        rss_kib = None
        for line in report.read_text(encoding="utf-8").splitlines():
            if "Maximum resident set size" in line:
                rss_kib = int(line.rsplit(":", 1)[1])
    if rss_kib is None:
        raise RuntimeError("/usr/bin/time reported no peak memory")
    return {"latencies": result["latencies_ms"], "unchanged": result["unchanged"],
            "rss_mib": rss_kib / 1024}


def measure_lost_presses(desktop, probe, program, rate_hz):
    speed = "full speed" if rate_hz == 0 else f"{rate_hz} Hz"
    log(f"lost presses at {speed}: {program.title}")
    process = desktop.launch([program.executable], xsession.ACCESSIBLE)
    try:
        probe("wait", program.title)
        button = desktop.counting_button(program.application)
        before = desktop.read_count(button)
        sent = probe("burst", program.title, LOST_PRESSES, rate_hz)
        counted = desktop.settled_count(button, least=before + LOST_PRESSES) - before
    finally:
        xsession.close_program(probe, program.title, process)
    return {"counted": counted, "lost": LOST_PRESSES - counted, "rate_hz": sent["rate_hz"],
            "seconds": sent["seconds"], "worst_late_ms": sent["worst_late_ms"]}


def measure_deadline(desktop, probe, program, busy):
    """One click starts the run; then a click every 2 ms from 9.9 s to 10.1 s after it. The X
    server's time of each release is the truth; the count read back says which was the last
    click counted, and so between which two release times the run ended."""
    process = desktop.launch([program.executable], xsession.ACCESSIBLE)
    try:
        probe("wait", program.title)
        button = desktop.counting_button(program.application)
        # A click on the record label first, so the window is active when the run starts, as
        # a desktop's window manager makes it at start; Xvfb has none.
        probe("--button", LABEL1_AREA, "burst", program.title, 1, 0)
        time.sleep(0.2)
        with xsession.busy_cpus(busy):
            sent = probe("--lead-in", LABEL1_AREA, "--gap", DEADLINE_GAP_MS, "deadline",
                         program.title, DEADLINE_FROM_MS, DEADLINE_TO_MS, timeout=60)
            counted = desktop.settled_count(
                button, quiet=2.0, least=xsession.clicks_inside(sent["server_release_ms"]))
    finally:
        xsession.close_program(probe, program.title, process)
    return deadline_figures(sent["server_release_ms"], counted, busy)


def measure_x11_deadlines(desktop, probe, builds, runs):
    """measure_deadline's runs, quiet and busy, for each of `builds`: (name, Program) pairs."""
    deadline = []
    for name, program in builds:
        for busy in (False, True):
            log(f"the run's end in input time, {name}, {'busy' if busy else 'quiet'}")
            deadline += [dict(measure_deadline(desktop, probe, program, busy), build=name)
                         for _ in range(runs)]
    return deadline


def measure_sway_deadlines(bus, game, runs):
    """The run's end on Wayland: `game` on a headless sway of its own, on `bus`, clicked through
    wlroots' virtual pointer. One click starts the run; clicks stamped as measure_deadline's are
    released are then handed over together LATE_HANDOVER_MS after the run's end, so only their
    stamps can place them inside it. The stamps are the truth, as the X server's times are."""
    name = f"this build on sway, handed over {LATE_HANDOVER_MS} ms late"
    offsets = range(DEADLINE_FROM_MS, DEADLINE_TO_MS + 1, DEADLINE_GAP_MS)
    deadline = []
    with xsession.Desktop(bus=bus, compositor=xsession.Sway) as desktop:
        # Made before the game starts, so the game meets a seat that has a pointer.
        pointer = virtual_pointer.VirtualPointer(desktop.screen.socket)
        try:
            for busy in (False, True):
                log(f"the run's end in input time, {name}, {'busy' if busy else 'quiet'}")
                for _ in range(runs):
                    game_run = desktop.start_game([str(game)])
                    try:
                        aim = virtual_pointer.aim_at_counting_button(desktop.screen, game_run)
                        start = virtual_pointer.clear_start(DEADLINE_TO_MS)
                        with xsession.busy_cpus(busy):
                            counted, handed_over = virtual_pointer.late_run(
                                pointer, game_run, aim, start, offsets, RUN_MS, LATE_HANDOVER_MS)
                    finally:
                        game_run.close()
                    late_ms = handed_over * 1000 - RUN_MS
                    log(f"{counted} counted; the train handed over {late_ms:.0f} ms after the end")
                    stamps = [start, *(start + offset for offset in offsets)]
                    deadline.append(dict(deadline_figures(stamps, counted, busy), build=name,
                                         late_ms=late_ms))
        finally:
            pointer.close()
    return deadline


def deadline_figures(releases, counted, busy):
    """Where a run ended, from the server's release times and the count the window showed."""
    offsets = xsession.input_time_offsets(releases)
    counted -= 1  # clicks after the first
    after = offsets[counted - 1] if counted > 0 else None  # the run ended after this one...
    before = offsets[counted] if counted < len(offsets) else None  # ...and before this one
    return {"busy": busy, "counted_in_window": counted, "after_ms": after, "before_ms": before,
            "truth": sum(offset < RUN_MS for offset in offsets)}


def measure_wine_deadlines(xprobe, window_probe, wine_run, builds, runs):
    """measure_deadline's runs for Morvane.exe under Wine, in a fresh prefix on an Xvfb display
    of their own; `builds` are (name, exe) pairs. The count is read from the window by
    window_probe, from another process, as the Wine tests read it."""
    server = xsession.XServer()
    try:
        with tempfile.TemporaryDirectory() as scratch:
            session = winesession.WineSession(wine_run, str(Path(scratch) / "prefix"),
                                              server.display)
            session.prepare()
            results = []
            for name, game in builds:
                for busy in (False, True):
                    log(f"the run's end in input time, Morvane.exe under Wine, {name}, "
                        f"{'busy' if busy else 'quiet'}")
                    for _ in range(runs):
                        run = winesession.timed_run(session, str(game), str(window_probe),
                                                    str(xprobe), busy,
                                                    (DEADLINE_FROM_MS, DEADLINE_TO_MS),
                                                    DEADLINE_GAP_MS)
                        if run["status"] != 0:
                            log(f"Morvane.exe exited with {run['status']}")
                        results.append(dict(
                            deadline_figures(run["releases"], run["counted"], busy),
                            build=f"Morvane.exe under Wine, {name}"))
    finally:
        server.stop()
    return results


def thread_counters(pid):
    """CPU time (ns) and voluntary sleeps of every thread of a process, by thread id."""
    counters = {}
    task_dir = Path(f"/proc/{pid}/task")
    for task in task_dir.iterdir():
        try:
            cpu_ns = int((task / "schedstat").read_text(encoding="utf-8").split()[0])
            sleeps = 0
            for line in (task / "status").read_text(encoding="utf-8").splitlines():
                if line.startswith("voluntary_ctxt_switches:"):
                    sleeps = int(line.split()[1])
            counters[task.name] = (cpu_ns, sleeps)
        except (FileNotFoundError, ProcessLookupError):
            continue
    return counters


def activity(pid, seconds):
    """CPU time and wake-ups of all the process's threads over `seconds`. A thread wakes once
    for each time it went to sleep, so wake-ups are counted as its voluntary context switches."""
    start = thread_counters(pid)
    time.sleep(seconds)
    end = thread_counters(pid)
    cpu_ns = 0
    wakeups = 0
    for tid, (cpu, sleeps) in end.items():
        cpu0, sleeps0 = start.get(tid, (0, 0))
        cpu_ns += cpu - cpu0
        wakeups += sleeps - sleeps0
    return {"cpu_ms": cpu_ns / 1e6, "wakeups": wakeups, "seconds": seconds}


def measure_instructions(desktop, probe, program, presses=100):
    """Instructions the program runs per counted press, all threads, under callgrind: a count
    that does not depend on what else the machine is doing."""
    log(f"instructions per press under callgrind: {program.title}")
    with tempfile.TemporaryDirectory() as scratch:
        out = Path(scratch) / "callgrind.out"
        process = desktop.launch(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}",
                                  program.executable])
        try:
            probe("wait", program.title, timeout=180)
            probe("burst", program.title, 3, 20)  # the window's activation and first paints
            time.sleep(2.0)
            subprocess.run(["callgrind_control", "--zero", str(process.pid)], env=desktop.env,
                           check=True, capture_output=True)
            probe("latency", program.title, presses, 60, timeout=180)
            subprocess.run(["callgrind_control", "--dump=presses", str(process.pid)],
                           env=desktop.env, check=True, capture_output=True)
        finally:
            xsession.close_program(probe, program.title, process, timeout=60)
        total = 0
        for dump in Path(scratch).glob("callgrind.out.*"):
            for line in dump.read_text(encoding="utf-8", errors="replace").splitlines():
                if line.startswith("summary:") or line.startswith("totals:"):
                    total += int(line.split()[1])
                    break
    if total == 0:
        raise RuntimeError("callgrind wrote no totals")
    return total / presses


def measure_idle(desktop, probe, program):
    log(f"idle and in-run activity: {program.title}")
    process = desktop.launch([program.executable])
    try:
        probe("wait", program.title)
        time.sleep(1.0)  # let start-up's last work (fonts, a deferred paint) finish
        idle = activity(process.pid, IDLE_SECONDS)
        probe("burst", program.title, 1, 0)
        # From when the press's own paint is done to just past the run's end, so what is
        # counted is the run itself, tick included.
        time.sleep(RUN_SETTLE_S)
        running = activity(process.pid, TICK_MS / 1000 - RUN_SETTLE_S + 0.05)
    finally:
        xsession.close_program(probe, program.title, process)
    return {"idle": idle, "run": running}


# ---------------------------------------------------------------- report

def in_time_early_side(run):
    """Every click released before the end in input time was counted."""
    return run["before_ms"] is not None and run["before_ms"] >= RUN_MS


def in_time_late_side(run):
    """No click released at or after the end in input time was counted."""
    return run["after_ms"] is not None and run["after_ms"] < RUN_MS


def ratio(ours, bare):
    if bare == 0:
        return "—" if ours == 0 else "∞"
    return f"{ours / bare:.2f}×"


def verdict(met):
    return "met" if met else "**missed**"


def write_report(path, info, core, startup, latency, lost, deadline, idle, instructions):
    game_start = statistics.median(startup[GAME])
    bare_start = statistics.median(startup[BARE])
    game_p99 = percentile(latency[GAME]["latencies"], 0.99)
    bare_p99 = percentile(latency[BARE]["latencies"], 0.99)
    game_rss = latency[GAME]["rss_mib"]
    bare_rss = latency[BARE]["rss_mib"]
    game_idle = idle[GAME]["idle"]["wakeups"]
    press_ns = core["CountedPress"]

    lines = []
    add = lines.append
    add("# Performance")
    add("")
    add("Written by `bash scripts/bench.sh`, which builds the `release` preset and runs "
        "`bench/run_bench.py`, except the last two sections, `bench/web_bench.py`'s and "
        "`bench/web_lighthouse.py`'s; do not edit by hand.")
    add("")
    add(f"- Date: {info['date']}")
    add(f"- Commit: {info['commit']}")
    add(f"- Command: `{info['command']}` (took {info['duration_s']:.0f} s)")
    add(f"- Machine: {info['machine']['cpu']}, {info['machine']['memory']}; "
        f"{info['machine']['system']}")
    add(f"- Qt {info['machine']['qt']}, {info['machine']['compiler']}, Xvfb "
        f"{info['machine']['xvfb']}, sway {info['machine']['sway']}, Google Benchmark "
        f"{info['machine']['benchmark']}, Wine {info['machine']['wine']}")
    add(f"- Load average at start and end: {info['load_start']} / {info['load_end']} "
        "(the machine is shared; compare ratios, which are measured in the same run)")
    add("")
    add("## Targets")
    add("")
    add("| figure | morvane | bare Qt | ratio | target | |")
    add("| --- | --- | --- | --- | --- | --- |")
    add(f"| start-up to first paint, median of {STARTUP_RUNS} | {game_start:.1f} ms | "
        f"{bare_start:.1f} ms | {ratio(game_start, bare_start)} | ≤ 1.2× bare | "
        f"{verdict(game_start <= 1.2 * bare_start)} |")
    add(f"| peak RSS | {game_rss:.1f} MiB | {bare_rss:.1f} MiB | "
        f"{ratio(game_rss, bare_rss)} (+{game_rss - bare_rss:.1f} MiB) | ≤ bare + 3 MiB | "
        f"{verdict(game_rss <= bare_rss + 3)} |")
    add(f"| click-to-screen p99, {LATENCY_PRESSES} presses | {game_p99:.2f} ms | "
        f"{bare_p99:.2f} ms | {ratio(game_p99, bare_p99)} | ≤ 1.2× bare | "
        f"{verdict(game_p99 <= 1.2 * bare_p99)} |")
    for rate in (0, 1000):
        name = "full XTest speed" if rate == 0 else "1 kHz"
        ours = lost[GAME][rate]
        bare = lost[BARE][rate]
        add(f"| presses lost of {LOST_PRESSES} at {name} | {ours['lost']} "
            f"({ours['rate_hz']:.0f} Hz) | {bare['lost']} ({bare['rate_hz']:.0f} Hz) | "
            f"{ratio(ours['lost'], bare['lost'])} | 0 | {verdict(ours['lost'] == 0)} |")
    for name, runs in deadline_groups(deadline):
        add(f"| the run's end in input time, {name} | {end_span(runs)}; "
            f"{sum(not exact(run) for run in runs)} of {len(runs)} runs off | no timer | | "
            f"exact | {verdict(all(exact(run) for run in runs))} |")
    add(f"| wake-ups in {IDLE_SECONDS:.0f} s idle, no run | {game_idle} | "
        f"{idle[BARE]['idle']['wakeups']} | {ratio(game_idle, idle[BARE]['idle']['wakeups'])} "
        f"| 0 | {verdict(game_idle == 0)} |")
    add(f"| a counted press in the core | {press_ns:.0f} ns | | | < 1 µs | "
        f"{verdict(press_ns < 1000)} |")
    add("")

    add("## Core (Google Benchmark)")
    add("")
    add("Median of 5 repetitions, wall time per call. `CountedPress` is `Command1_Click` during "
        "a run against an in-memory view: read the caption, read the marker, add one, write "
        "the caption.")
    add("")
    add("| benchmark | time |")
    add("| --- | --- |")
    for name, nanoseconds in core.items():
        add(f"| `{name}` | {nanoseconds:.1f} ns |")
    add("")

    add("## End to end")
    add("")
    add("`morvane` and the bare Qt window, each started afresh for each measurement on the same "
        "Xvfb display, driven with XTest through `tests/tools/xprobe`.")
    add("")
    add("| figure | morvane | bare Qt | ratio |")
    add("| --- | --- | --- | --- |")

    def row(name, ours, bare, unit, digits=1):
        add(f"| {name} | {ours:.{digits}f}{unit} | {bare:.{digits}f}{unit} | "
            f"{ratio(ours, bare)} |")

    row("start-up, median", game_start, bare_start, " ms")
    row("start-up, max", max(startup[GAME]), max(startup[BARE]), " ms")
    row("peak RSS", game_rss, bare_rss, " MiB")
    for fraction, name in ((0.5, "p50"), (0.9, "p90"), (0.99, "p99")):
        row(f"click-to-screen {name}", percentile(latency[GAME]["latencies"], fraction),
            percentile(latency[BARE]["latencies"], fraction), " ms", 2)
    row("click-to-screen max", max(latency[GAME]["latencies"]),
        max(latency[BARE]["latencies"]), " ms", 2)
    row("instructions per counted press (callgrind)", instructions[GAME] / 1000,
        instructions[BARE] / 1000, " k", 0)
    add(f"| presses that never changed the button | {latency[GAME]['unchanged']} | "
        f"{latency[BARE]['unchanged']} | |")
    for rate in (0, 1000):
        name = "full XTest speed" if rate == 0 else "1 kHz"
        ours = lost[GAME][rate]
        bare = lost[BARE][rate]
        add(f"| counted of {LOST_PRESSES} at {name} | {ours['counted']} in "
            f"{ours['seconds']:.3f} s | {bare['counted']} in {bare['seconds']:.3f} s | |")
    for phase, name in (("idle", f"{IDLE_SECONDS:.0f} s idle, no run"),
                        ("run", "a run: 0.2 s after its first press to 50 ms past the tick")):
        ours = idle[GAME][phase]
        bare = idle[BARE][phase]
        row(f"CPU time, {name}", ours["cpu_ms"], bare["cpu_ms"], " ms", 2)
        add(f"| wake-ups, {name} | {ours['wakeups']} | {bare['wakeups']} | "
            f"{ratio(ours['wakeups'], bare['wakeups'])} |")
    add("")
    add("Start-up, each run in ms: morvane "
        + ", ".join(f"{value:.1f}" for value in startup[GAME]) + "; bare Qt "
        + ", ".join(f"{value:.1f}" for value in startup[BARE]) + ".")
    add("")

    add("### The run's length, seen from outside")
    add("")
    add(f"One click starts the run; then clicks go {DEADLINE_GAP_MS} ms apart from "
        f"{DEADLINE_FROM_MS} ms to {DEADLINE_TO_MS} ms after it, on a quiet machine and with "
        "every CPU kept busy twice over. Times are the X server's own, of each release, read "
        "through XInput2's raw events; the count read back names the last click counted, so "
        "the run ended after its release and before the next one's. Exact means every click "
        f"released before {RUN_MS} ms was counted and none after. A build before counting by "
        "input time is measured the same way when `--before-game` names one. On a headless "
        "sway the same clicks carry stamps the benchmark chooses, through wlroots' virtual "
        f"pointer, and are handed over together {LATE_HANDOVER_MS} ms after the run's end, so "
        "only their stamps can place them inside it. The Windows build's `Morvane.exe` is "
        "measured as on Xvfb, under Wine (and an earlier one when "
        "`--before-windows-game` names it), its count read from the window by another "
        "process. The game's own timer is not timed: every click here is stamped, the stamps "
        f"decide which count, and the tick waits out the {INPUT_GRACE_MS} ms input grace past "
        "the end, so how precisely it comes decides no count.")
    add("")
    lines += deadline_table(deadline)
    add("")

    add("## Findings")
    add("")
    for finding in findings(startup, latency, lost, deadline, idle, instructions):
        add(f"- {finding}")
    add("")

    add("## How each figure is taken")
    add("")
    for note in NOTES:
        add(f"- {note}")
    add("")
    # The web page's sections are bench/web_bench.py's and web_lighthouse.py's, kept as they were.
    previous = Path(path).read_text(encoding="utf-8") if Path(path).exists() else ""
    web = WEB_SECTION + previous.split(WEB_SECTION, 1)[1] if WEB_SECTION in previous else ""
    Path(path).write_text("\n".join(lines) + (f"\n\n{web}" if web else ""), encoding="utf-8")


def deadline_table(deadline):
    """Each run's end as a row of a Markdown table."""
    rows = ["| build | machine | clicks counted after the first | clicks inside | last counted "
            "| first not counted | |",
            "| --- | --- | --- | --- | --- | --- | --- |"]
    for run in deadline:
        after = "—" if run["after_ms"] is None else f"{run['after_ms']} ms"
        before = "—" if run["before_ms"] is None else f"{run['before_ms']} ms"
        rows.append(f"| {run['build']} | {'busy' if run['busy'] else 'quiet'} | "
                    f"{run['counted_in_window']} | {run['truth']} | {after} | {before} | "
                    f"{'exact' if exact(run) else '**off**'} |")
    return rows


NOTES = [
    "**Start-up**: `xprobe startup` forks and execs the program, finds its top-level window by "
    "title, and reads the window's pixels every ~0.1 ms until it holds at least three colours "
    "(an unpainted window on Xvfb's black root is one flat colour); then it closes the window "
    "with WM_DELETE_WINDOW and checks the exit status. One warm-up run per program is not "
    "counted; the runs alternate between the two programs.",
    "**Peak RSS**: `/usr/bin/time -v` around the program for the latency measurement "
    "(start, 200 presses, close).",
    "**Click-to-screen**: `xprobe latency` takes the button's pixels, sends a press and a "
    "release through XTest, and reads the pixels back until they differ; presses are 30 ms "
    "apart, all inside one run.",
    "**Lost presses**: `xprobe burst` sends 1000 press+release pairs, either as fast as Xlib "
    "and the X server take them or paced to 1 kHz; the count is then read from the button's "
    "accessible name over AT-SPI (the program is started with "
    "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on a private D-Bus session) once it has reached the "
    "presses sent and stopped changing for a second, or after 15 s. The rate shown is what the "
    "X server accepted.",
    "**The run's length**: a click on the record label makes the window active (Xvfb has no "
    "window manager to do it); 20 more presses there, 1 ms apart, wake the X server and the "
    "game just before the run, so the first press travels as fast as the later ones; the first "
    "press on the button is held 50 ms; then presses go "
    f"{DEADLINE_GAP_MS} ms apart from {DEADLINE_FROM_MS} ms to {DEADLINE_TO_MS} ms after its "
    "release. Each release's time is the X server's own, read by the probe from XInput2's raw "
    "events on a second connection: the same stamp the game's event carries. Busy runs start "
    "two spinning processes per CPU just before the first press.",
    "**The run's length under Wine**: the same clicks and the same server times, for "
    "`Morvane.exe` from the `windows-x64` build in a Wine prefix made afresh for the benchmark, "
    "on an Xvfb display of its own; the buttons' places and the count are read from outside "
    "the process by `tests/tools/win32/window_probe` (its count once it holds every click "
    "released inside the run and has not changed for 2 s, or after 30 s), and the Wine session "
    "is ended after each run.",
    "**The run's length on Wayland**: `morvane` on Debian's sway, on wlroots' headless backend "
    "with no input device but the benchmark's virtual pointer (`tests/tools/virtual_pointer.py`, "
    "the client the Wayland input-time test clicks with), started afresh for each run. The "
    "button's centre comes from where sway put the window and where the game says the button "
    "is in it, over AT-SPI. A click stamped with a reading of sway's clock starts the run; once "
    f"the count shows it, the benchmark waits until {LATE_HANDOVER_MS} ms past the run's end, "
    "timed from before that click was sent, then hands over the whole train, each click pressed "
    "and released at its own stamp, all at once. The count is read when the hidden marker "
    "shows the run's tick, which a click stamped past the end brings at once. Busy runs start "
    "two spinning processes per CPU just before the first click; the findings say how late the "
    "trains were in fact handed over.",
    "**Instructions per press**: each program under `valgrind --tool=callgrind`, counters "
    "zeroed after three warm-up presses, then 100 presses 60 ms apart; all threads' "
    "instructions divided by 100.",
    "**Idle**: CPU time and voluntary context switches summed over all the program's threads "
    "from /proc/PID/task/*/schedstat and status; each sleep that a thread ends is one wake-up. "
    "The window is left alone for 10 s after start-up has settled; then one press starts a "
    "run, counted from 0.2 s after the press (its paint done) to 50 ms past the tick. The bare "
    "window has no timer, so its \"run\" is idle.",
]


def exact(run):
    return in_time_early_side(run) and in_time_late_side(run)


def deadline_groups(deadline):
    """The runs by build and machine load, in the order they were taken."""
    groups = {}
    for run in deadline:
        name = f"{run['build']}, {'busy' if run['busy'] else 'quiet'}, "
        groups.setdefault(name, []).append(run)
    return [(name + f"{len(runs)} runs", runs) for name, runs in groups.items()]


def end_span(runs):
    """Where the runs ended, in input time after their start."""
    lows = [run["after_ms"] for run in runs if run["after_ms"] is not None]
    highs = [run["before_ms"] for run in runs if run["before_ms"] is not None]
    return (f"ended after {min(lows, default='—')}–{max(lows, default='—')} ms and before "
            f"{min(highs, default='—')}–{max(highs, default='—')} ms")


def times(value):
    return f"{value:.2f}×"


def run_end_finding(deadline):
    outside = []
    for name, runs in deadline_groups(deadline):
        early = sum(not in_time_early_side(run) for run in runs)
        late = sum(not in_time_late_side(run) for run in runs)
        if early == 0 and late == 0:
            said = f"{name}: every run exact in input time"
        else:
            said = (f"{name}: {early} left out a click released before the end and {late} "
                    "counted one released at or after it")
        handed = [run["late_ms"] for run in runs if "late_ms" in run]
        if handed:
            said += (f", the clicks handed over {min(handed):.0f}–{max(handed):.0f} ms after "
                     "the end")
        outside.append(said)
    return f"**The run's length**: {'; '.join(outside)}."


def findings(startup, latency, lost, deadline, idle, instructions):
    """What this run's figures show, worded from the figures alone."""
    said = []
    game_press = instructions[GAME] / 1000
    bare_press = instructions[BARE] / 1000
    heavier = "more than" if game_press > bare_press else "no more than"
    said.append(
        f"**A counted press costs {heavier} the bare button's.** Under callgrind it runs "
        f"{game_press:.0f} k instructions against the bare window's {bare_press:.0f} k "
        f"({times(game_press / bare_press)}).")

    parts = []
    for fraction, name in ((0.5, "p50"), (0.99, "p99")):
        ours = percentile(latency[GAME]["latencies"], fraction)
        bare = percentile(latency[BARE]["latencies"], fraction)
        parts.append(f"{name} {ours:.2f} ms against {bare:.2f} ms ({times(ours / bare)})")
    start_ratio = statistics.median(startup[GAME]) / statistics.median(startup[BARE])
    said.append("**Click-to-screen**: " + "; ".join(parts) + f". Start-up to first paint is "
                f"{times(start_ratio)} the bare window's at the median.")

    counted = ", ".join(
        f"{lost[GAME][rate]['counted']} of {LOST_PRESSES} at "
        f"{'full XTest speed' if rate == 0 else '1 kHz'} (bare "
        f"{lost[BARE][rate]['counted']})" for rate in (0, 1000))
    said.append(f"**Presses counted**: {counted}.")

    said.append(run_end_finding(deadline))

    for phase, name in (("idle", f"{IDLE_SECONDS:.0f} s idle"), ("run", "a run")):
        ours = idle[GAME][phase]
        bare = idle[BARE][phase]
        said.append(f"**Wake-ups, {name}**: {ours['wakeups']} for morvane, {bare['wakeups']} for "
                    f"the bare window; CPU time {ours['cpu_ms']:.2f} ms against "
                    f"{bare['cpu_ms']:.2f} ms.")
    return said


RUN_END_PLATFORMS = ("x11", "wayland", "wine")


def x11_builds(options, game):
    builds = [("this build", game)]
    if options.before_game:
        builds.insert(0, ("before", Program(GAME, Path(options.before_game), "Morvane")))
    return builds


def wine_deadlines(options, build):
    windows = Path(options.windows_build_dir).resolve()
    builds = [("this build", windows / "window" / "win32" / "Morvane.exe")]
    if options.before_windows_game:
        builds.insert(0, ("before", Path(options.before_windows_game).resolve()))
    return measure_wine_deadlines(build / "tests" / "tools" / "xprobe",
                                  windows / "tests" / "tools" / "window_probe.exe",
                                  SOURCE / "tests" / "tools" / "wine-run", builds, options.runs)


def measure_run_ends_only(options):
    """The run's end alone, on the platforms --only names; its rows go to stdout."""
    build = Path(options.build_dir).resolve()
    game = Program(GAME, build / "window" / "qt" / "morvane", "Morvane")
    deadline = []
    # One bus for every display: this process's AT-SPI client stays on the first it meets.
    bus = xsession.DBusSession()
    try:
        if "x11" in options.only:
            with xsession.Desktop(bus=bus) as desktop:
                probe = xsession.Probe(str(build / "tests" / "tools" / "xprobe"), desktop)
                desktop.atspi()
                deadline += measure_x11_deadlines(desktop, probe, x11_builds(options, game),
                                                  options.runs)
        if "wayland" in options.only:
            deadline += measure_sway_deadlines(bus, game.executable, options.runs)
    finally:
        bus.stop()
    if "wine" in options.only:
        if not options.windows_build_dir:
            raise SystemExit("--only wine needs --windows-build-dir")
        deadline += wine_deadlines(options, build)
    print("\n".join(deadline_table(deadline) + ["", run_end_finding(deadline)]))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", default="build/release")
    parser.add_argument("--output", default="docs/performance.md")
    parser.add_argument("--command", default="bash scripts/bench.sh")
    parser.add_argument("--before-game", help="an earlier build of morvane, to set its run's "
                        "end beside this one's")
    parser.add_argument("--windows-build-dir", help="a windows-x64 build, whose Morvane.exe's "
                        "run's end is measured under Wine")
    parser.add_argument("--before-windows-game", help="an earlier build's Morvane.exe, to set "
                        "its run's end beside this one's")
    parser.add_argument("--only", nargs="+", choices=RUN_END_PLATFORMS,
                        help="measure only the run's end on these platforms, and print it")
    parser.add_argument("--runs", type=int, default=DEADLINE_RUNS,
                        help="runs of the run's end, quiet and again busy, for each build")
    options = parser.parse_args()
    if options.only:
        return measure_run_ends_only(options)

    started = time.monotonic()
    build = Path(options.build_dir).resolve()
    commit = command_output(["git", "-C", str(SOURCE), "rev-parse", "--short", "HEAD"])
    if command_output(["git", "-C", str(SOURCE), "status", "--porcelain",
                       "--untracked-files=no"]):
        commit += " (with uncommitted changes in the working tree)"
    info = {"date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
            "commit": commit, "command": options.command, "machine": machine(),
            "load_start": load_average()}

    core = core_benchmarks(build)
    programs = [Program(GAME, build / "window" / "qt" / "morvane", "Morvane"),
                Program(BARE, build / "bench" / "bare_qt", "Bare Qt")]
    with xsession.Desktop() as desktop:
        probe = xsession.Probe(str(build / "tests" / "tools" / "xprobe"), desktop)
        desktop.atspi()
        startup = measure_startup(desktop, probe, programs)
        latency = {program.title: measure_latency_and_memory(desktop, probe, program)
                   for program in programs}
        lost = {program.title: {rate: measure_lost_presses(desktop, probe, program, rate)
                                for rate in (0, 1000)} for program in programs}
        deadline = measure_x11_deadlines(desktop, probe, x11_builds(options, programs[0]),
                                         options.runs)
        deadline += measure_sway_deadlines(desktop.bus, programs[0].executable, options.runs)
        idle = {program.title: measure_idle(desktop, probe, program) for program in programs}
        instructions = {program.title: measure_instructions(desktop, probe, program)
                        for program in programs}
    if options.windows_build_dir:
        deadline += wine_deadlines(options, build)

    info["load_end"] = load_average()
    info["duration_s"] = time.monotonic() - started
    write_report(options.output, info, core, startup, latency, lost, deadline, idle,
                 instructions)
    log(f"wrote {options.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
