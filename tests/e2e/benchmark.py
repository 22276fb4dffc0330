#!/usr/bin/env python3
"""Ambrel's speed and processor figures, measured under Wine.

    benchmark.py --build BUILD_DIR [--runs 3] [--seconds 10] [--only WORD]

Every figure is measured --runs times, each time in a Wine session of its own
(the command runner's in the build tree's shared prefix), and printed with its
median, its spread (lowest to highest) and its target; where the seed's way of
waiting (a loop that looks again and yields without a pause) is measured in
the same run, its figure stands beside ours. Processor figures are the Wine
process's user and system time (/proc) over the wall time, in percent of one
processor. The report ends with one line per figure, met or not met, and is
also written to BUILD_DIR/artifacts/benchmark.txt.

Exits 1 only when a figure's median is more than twice its target, or a
figure could not be measured at all: that is a fault, not noise. A figure
over its target but within twice it is reported and left to the reader.
"""

import argparse
import datetime
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from e2e_harness import WINE_RUN, ScenarioFailed, Session, check, cpu_seconds, trace_command  # noqa: E402

LOG = "C:\\Ambrel\\Data\\ambrel.log"

# key, title, unit, target (lower is better for every figure), key of the seed's way
FIGURES = [
    ("wait2", "option 2, waiting for the end of the session", "%", 1.0, None),
    ("wait3", "option 3, waiting for the end of the session", "%", 1.0, None),
    ("confirm", "option 3, the confirmation window waiting for a button", "%", 1.0, "confirm_seed"),
    ("warning", "the scheduled shutdown's warning counting down", "%", 0.5, None),
    ("watch", "option 1, watching for the Shut Down dialog", "%", 0.5, "watch_seed"),
    ("watch_server", "option 1, the prefix's wineserver meanwhile", "%", 1.0, None),
    ("replace_median", "option 1, the dialog shown to its replacement on screen (median of 20)", "ms", 50, None),
    ("replace_worst", "option 1, the dialog shown to its replacement on screen (worst of 20)", "ms", 200, None),
    ("large_list", "the end of the session to the confirmation window, 2,000 commands and 200 shortcuts",
     "ms", 300, None),
    ("runner", "the command runner waiting for a program", "%", 2.0, "runner_seed"),
    ("runner_late", "the command runner returning after the program's end", "ms", 20, None),
]


def percent(used, wall):
    return 100.0 * used / wall


def prepare(session, **options):
    values = dict(Logging=3, LogDir=LOG, RunMinimized="S")
    values.update(options)
    session.options(**values)
    session.commands([trace_command("first"), trace_command("second")])


def started(session, **options):
    prepare(session, **options)
    session.start_monitor()
    hwnd = session.wait_window()
    time.sleep(1)
    return hwnd


def seed_wait(session, seconds):
    """The seed's way of waiting: a loop that looks for a window and yields to
    the message loop without a pause, measured in the same session. Under Wine
    each look is a request to the wineserver, so the loop's processor is shared
    between its own process and the server: the figure is the two together."""
    spinner = session.start_program("e2e_tool.exe", "spin-find", "Nothing Like It", str(int(seconds) + 5))
    session.wait_for(lambda: session.pids(b"spin-find"), 30, "the spinning wait")
    time.sleep(0.5)
    server = session.pids(b"wineserver")
    server_before = cpu_seconds(server)
    used, wall = session.processor_use(seconds, b"spin-find")
    used += cpu_seconds(server) - server_before
    spinner.kill()
    return percent(used, wall)


def waiting(option, key):
    def run(session, seconds):
        started(session, ShutdownOption=option, QueryClose="F")
        return {key: percent(*session.processor_use(seconds))}
    return run


def confirmation_window(session, seconds):
    hwnd = started(session, ShutdownOption=3, QueryClose="T")
    ending = session.end_session_async()
    session.wait_for(lambda: session.tool("visible", hwnd)[1].strip() == "1", 30, "the confirmation window")
    time.sleep(2)  # the window is drawn
    figure = percent(*session.processor_use(seconds))
    check(ending.poll() is None, "the end of the session finished while nobody pressed a button")
    check(session.lines("C:\\trace.txt") == [], "commands ran while the window waited")
    seed = seed_wait(session, seconds)
    session.tool("click", hwnd, "&Cancel Shut Down")
    ending.wait(timeout=60)
    return {"confirm": figure, "confirm_seed": seed}


def warning_window(session, seconds):
    # Set a few seconds ahead: the first minute's tick shows the warning.
    at = (datetime.datetime.now() + datetime.timedelta(seconds=3)).strftime("%I:%M:%S %p").lstrip("0")
    started(session, ShutdownOption=3, QueryClose="F", ShutWindowsOnTime="T", ShutWindowsTime=at,
            WinShutdownType="4")
    warning = session.wait_dialog("Ambrel", 90000)
    time.sleep(1)  # the window is drawn and counting
    # Most of its minute: its processor time is counted in 10 ms steps.
    figure = percent(*session.processor_use(max(seconds, 45)))
    check(session.lines("C:\\trace.txt") == [], "the list ran while the warning counted")
    session.tool("click", warning, "&Cancel Shut Down")
    return {"warning": figure}


def option1_watch(session, seconds):
    started(session, ShutdownOption=1, QueryClose="F")
    server = session.pids(b"wineserver")
    check(server, "no wineserver for this session")
    server_before, wall = cpu_seconds(server), time.monotonic()
    used, monitor_wall = session.processor_use(seconds)
    server_used, wall = cpu_seconds(server) - server_before, time.monotonic() - wall
    return {"watch": percent(used, monitor_wall), "watch_server": percent(server_used, wall),
            "watch_seed": seed_wait(session, seconds)}


def replacement_latency(session, seconds):
    started(session, ShutdownOption=1, QueryClose="F")
    _, out = session.tool("replace-latency", 20, "Shut Down Windows", timeout=240)
    median, worst = (float(x) for x in out.split())
    return {"replace_median": median, "replace_worst": worst}


def large_list_confirmation(session, seconds):
    prepare(session, ShutdownOption=3, QueryClose="T", RunCommands="B")
    session.commands([trace_command(f"c{i}") for i in range(2000)])
    session.tool("make-shortcuts", 200)
    session.start_monitor()
    hwnd = session.wait_window()
    time.sleep(1)
    _, out = session.tool("end-session-latency", hwnd, timeout=120)
    session.tool("click", hwnd, "&Cancel Shut Down")
    return {"large_list": float(out.split()[0])}


def command_runner(build, seconds):
    """The runner's own benchmark program, in the build tree's shared prefix."""
    result = subprocess.run([str(WINE_RUN), str(Path(build) / "tests" / "runner_benchmark.exe")],
                            stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    figures = {}
    for line in result.stdout.replace("\r", "").splitlines():
        if line.startswith("figure "):
            _, name, value = line.split()
            figures[name] = float(value)
    check(result.returncode == 0 and len(figures) == 3, f"runner_benchmark: {result.stdout} {result.stderr}")
    return {"runner": figures["runner_cpu_percent"], "runner_late": figures["runner_late_ms"],
            "runner_seed": figures["polling_cpu_percent"]}


# name, measurement; a measurement of a session takes (session, seconds),
# one marked False takes (build, seconds) and makes no session.
MEASUREMENTS = [
    ("option 2 waiting", waiting(2, "wait2"), True),
    ("option 3 waiting", waiting(3, "wait3"), True),
    ("confirmation window", confirmation_window, True),
    ("warning", warning_window, True),
    ("option 1 watch", option1_watch, True),
    ("option 1 latency", replacement_latency, True),
    ("large list", large_list_confirmation, True),
    ("command runner", command_runner, False),
]


def spread(values):
    return f"{min(values):.2f}..{max(values):.2f}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--only", help="measure only the measurements whose name holds this word")
    args = parser.parse_args()
    values, failures = {}, []
    for name, measure, in_session in MEASUREMENTS:
        if args.only and args.only not in name:
            continue
        for run in range(args.runs):
            print(f"== {name}, run {run + 1} of {args.runs}", flush=True)
            session = Session(args.build, f"bench-{name.replace(' ', '-')}") if in_session else None
            try:
                figures = measure(session if in_session else args.build, args.seconds)
            except (ScenarioFailed, subprocess.TimeoutExpired) as failure:
                failures.append(f"{name}, run {run + 1}: {failure}")
                continue
            finally:
                if session:
                    session.close()
            for key, value in figures.items():
                values.setdefault(key, []).append(value)

    width = max(len(title) for _, title, _, _, _ in FIGURES)
    lines = [f"Ambrel's benchmarks under Wine, {args.runs} run{'s' if args.runs != 1 else ''} of each figure",
             f"  {'figure':<{width}}  {'median':>9}  {'spread':>13}  {'target':>9}  the seed's way (median)"]
    verdicts, far_off = [], False
    for key, title, unit, target, seed_key in FIGURES:
        measured = values.get(key)
        if not measured:
            if not args.only:
                verdicts.append(f"  NOT MEASURED  {title}")
                far_off = True
            continue
        median = statistics.median(measured)
        seed = values.get(seed_key) if seed_key else None
        seed_text = f"{statistics.median(seed):.1f} {unit}" if seed else ""
        if seed and key == "runner":
            seed_text += " (its own process only: the wineserver's share comes on top)"
        lines.append(f"  {title:<{width}}  {median:>7.2f} {unit:<1}  {spread(measured):>13}  "
                     f"{'< ' + format(target, 'g') + ' ' + unit:>9}  {seed_text}")
        if median < target:
            verdict = "met"
        elif median <= 2 * target:
            verdict = "NOT MET"
        else:
            verdict = "FAR OFF (over twice the target)"
            far_off = True
        verdicts.append(f"  {verdict:<13} {title}: {median:.2f} {unit} against < {target:g} {unit}")
    report = "\n".join(lines + ["", "Verdicts"] + verdicts + [f"  failed run: {f}" for f in failures]) + "\n"
    artifacts = Path(args.build).resolve() / "artifacts"
    artifacts.mkdir(exist_ok=True)
    (artifacts / "benchmark.txt").write_text(report)
    print(report, end="")
    return 1 if far_off else 0


if __name__ == "__main__":
    sys.exit(main())
