#!/usr/bin/env python3
"""The monitor's processor use while it waits, measured from Linux.

    benchmark_monitor.py --build BUILD_DIR [--seconds 10] [--limit 1.0]

Four waits, each in a Wine session of its own: waiting for the end of the
session under option 2 and under option 3, the confirmation window waiting
for a button while the end of the session is in progress, and the scheduled
shutdown's warning counting down its minute. For each,
the processor time of the Wine process that runs Ambrel.exe (utime + stime in
/proc) over the wall time, in percent of one processor. Prints the figures
(and writes them to BUILD_DIR/artifacts/monitor-benchmark.txt) and fails when
one is at the limit or over it.
"""

import argparse
import os
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from e2e_harness import ScenarioFailed, Session, check, trace_command  # noqa: E402

LOG = "C:\\Ambrel\\Data\\ambrel.log"
TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")


def monitor_pids(session):
    """The Linux processes of this session's prefix that run Ambrel.exe."""
    pids = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            command = (entry / "cmdline").read_bytes()
            if b"Ambrel.exe" not in command:
                continue
            environment = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={session.prefix}".encode() in environment:
            pids.append(int(entry.name))
    return pids


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    # utime and stime are the 14th and 15th fields; the split starts at the 3rd.
    return (int(fields[11]) + int(fields[12])) / TICKS_PER_SECOND


def measure(session, seconds):
    pids = monitor_pids(session)
    check(len(pids) == 1, f"expected one Ambrel.exe process of this session, found {pids}")
    pid = pids[0]
    cpu_before, wall_before = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    cpu_after, wall_after = cpu_seconds(pid), time.monotonic()
    check(monitor_pids(session) == [pid], "the monitor ended while it was measured")
    return cpu_after - cpu_before, wall_after - wall_before


def prepare(session, **options):
    values = dict(Logging=3, LogDir=LOG, RunMinimized="S")
    values.update(options)
    session.options(**values)
    session.commands([trace_command("first"), trace_command("second")])


def waiting(option):
    def run(session, seconds):
        prepare(session, ShutdownOption=option, QueryClose="F")
        session.start_monitor()
        session.wait_window()
        time.sleep(2)  # start-up is over
        return measure(session, seconds)
    return run


def confirmation_window(session, seconds):
    prepare(session, ShutdownOption=3, QueryClose="T")
    session.start_monitor()
    hwnd = session.wait_window()
    ending = session.end_session_async()
    session.wait_for(lambda: session.tool("visible", hwnd)[1].strip() == "1", 30, "the confirmation window")
    time.sleep(2)  # the window is drawn
    check(ending.poll() is None, "the end of the session is no longer in progress")
    used = measure(session, seconds)
    check(ending.poll() is None, "the end of the session finished while nobody pressed a button")
    check(session.lines("C:\\trace.txt") == [], "commands ran while the window waited")
    session.tool("click", hwnd, "&Cancel Shut Down")
    ending.wait(timeout=60)
    return used


def warning_window(session, seconds):
    import datetime
    # Set a few seconds ahead: the first minute's tick shows the warning.
    at = (datetime.datetime.now() + datetime.timedelta(seconds=3)).strftime("%I:%M:%S %p").lstrip("0")
    prepare(session, ShutdownOption=3, QueryClose="F", ShutWindowsOnTime="T", ShutWindowsTime=at,
            WinShutdownType="4")
    session.start_monitor()
    session.wait_window()
    warning = session.wait_dialog("Ambrel", 90000)
    time.sleep(1)  # the window is drawn and counting
    used = measure(session, seconds)
    check(session.lines("C:\\trace.txt") == [], "the list ran while the warning counted")
    session.tool("click", warning, "&Cancel Shut Down")
    return used


# title, measurement, limit in percent of one processor (None: --limit)
CASES = [
    ("option 2, waiting for the end of the session", waiting(2), None),
    ("option 3, waiting for the end of the session", waiting(3), None),
    ("option 3, confirmation window waiting for a button", confirmation_window, None),
    ("the scheduled shutdown's warning counting down", warning_window, 0.5),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--limit", type=float, default=1.0, help="percent of one processor")
    args = parser.parse_args()
    lines, failed = [], False
    for index, (title, run, case_limit) in enumerate(CASES):
        limit = case_limit if case_limit is not None else args.limit
        session = Session(args.build, f"bench{index}")
        try:
            cpu, wall = run(session, args.seconds)
        except ScenarioFailed as failure:
            lines.append(f"{title}: FAILED ({failure})")
            failed = True
            continue
        finally:
            session.close()
        figure = 100.0 * cpu / wall
        over = figure >= limit
        failed |= over
        lines.append(f"{title}: {figure:.2f}% of one processor ({cpu * 1000:.0f} ms in {wall:.1f} s, limit {limit:g}%)"
                     + (", AT OR OVER THE LIMIT" if over else ""))
    report = "Monitor processor use (Ambrel.exe under Wine)\n" + "\n".join(f"  {line}" for line in lines) + "\n"
    artifacts = Path(args.build).resolve() / "artifacts"
    artifacts.mkdir(exist_ok=True)
    (artifacts / "monitor-benchmark.txt").write_text(report)
    print(report, end="")
    print("FAILED" if failed else "passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
