#!/usr/bin/env python3
"""Ambrel at work in a Wine session of its own.

    demo.py --build BUILD_DIR [--keep]

Prepares a small configuration through the project's own code (the driver's
options and commands verbs): option 3, every action logged, three commands
that each write a line to a file, one of them switched off. Starts the
monitor, ends the session as a user's shut down does (wineboot --end-session)
and prints what happened: the log, the lines the commands wrote, and the
counters stored in the command list.

With a display (DISPLAY set) the confirmation window opens there and the
demo waits for a button. Without one everything runs under Xvfb: the demo
prints the window's rows and presses Execute itself.
"""

import argparse
import os
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from e2e_harness import ScenarioFailed, Session, check  # noqa: E402

LOG = "C:\\Ambrel\\Data\\ambrel.log"
TRACE = "C:\\demo.txt"
HELPER = "C:\\Ambrel\\Data\\session.txt"
WM_COMMAND = 0x0111
MENU_MAINTENANCE = 200  # the monitor's menu entry "Maintenance"
# name, switched on
COMMANDS = [("backup-finished", True), ("report-sent", False), ("temp-files-cleared", True)]


def command_line(name):
    return f"C:\\Ambrel\\e2e_tool.exe trace {TRACE} {name}"


def heading(text):
    print(f"\n== {text}", flush=True)


def indented(lines):
    for line in lines or ["(nothing)"]:
        print(f"      {line}")


def counters(session):
    rows = []
    for command, (run, count, date) in session.dump().items():
        last = "today" if date == 0 else f"{-date} day(s) ago" if date < 0 else f"in {date} day(s)"
        rows.append(f"{command}: Run {run}, RunCount {count}, LastRunDate {last}")
    return rows


def demo(session, interactive):
    heading("preparing the configuration (through e2e_tool options / commands)")
    session.options(ShutdownOption=3, QueryClose="T", Logging=3, LogDir=LOG)
    session.commands([command_line(name) + ("" if on else "|0") for name, on in COMMANDS])
    print(f"  Wine prefix: {session.prefix}")
    print("  option 3: the list runs when Windows asks to end the session; confirmation window on;")
    print(f"  every action logged to {LOG}")
    print("  the command list as stored:")
    before = counters(session)
    indented(before)

    heading("starting the monitor (C:\\Ambrel\\Ambrel.exe)")
    monitor = session.start_monitor()
    hwnd = session.wait_window()
    _, status = session.tool("status", hwnd)
    print(f"  window {hwnd}, status bar: {status.strip()!r}")
    helper = session.start_helper(HELPER)

    heading("the monitor's menu: Maintenance (C:\\Ambrel\\corvane.exe)")
    session.tool("post", hwnd, WM_COMMAND, MENU_MAINTENANCE)
    maintenance = session.wait_title("Ambrel - Maintenance")
    session.tool("tab", maintenance, 2)
    _, rows = session.tool("rows", maintenance)
    print("  the Command Lines page shows the list (run, command line, priority):")
    indented([f"{text:6} {command}  {priority}" for _, text, command, priority, _ in
              (row.split("|") for row in rows.splitlines())])
    if interactive:
        print("  It is open on your display: look around, then close it (Cancel keeps everything as it is).")
        print("  Waiting for it to close...", flush=True)
        session.tool("wait-gone", maintenance, 3600000, timeout=3700)
    else:
        time.sleep(1)
        picture = session.screenshot("demo-maintenance-window")
        print(f"  (no display: the window as shown: {picture}); the demo presses Cancel")
        session.tool("click", maintenance, "Cancel")
        session.tool("wait-gone", maintenance, 20000)

    heading("ending the session as a user's shut down does (wineboot --end-session)")
    ending = session.end_session_async()
    session.wait_for(lambda: session.tool("visible", hwnd)[1].strip() == "1", 60, "the confirmation window")
    _, rows = session.tool("rows", hwnd)
    print("  the confirmation window shows the execute list (run, command line, priority):")
    indented([f"{text:6} {command}  {priority}" for _, text, command, priority, _ in
              (row.split("|") for row in rows.splitlines())])
    if interactive:
        print("  It is open on your display: press Execute to run the list and let the session end,")
        print("  Don't Execute to end it without running the list, or Cancel Shut Down to refuse the end.")
        print("  Waiting for your choice...", flush=True)
        ending.wait()
    else:
        time.sleep(1)
        picture = session.screenshot("demo-confirmation-window")
        print(f"  (no display: this runs under Xvfb; the window as shown: {picture})")
        print("  the demo presses Execute")
        session.tool("click", hwnd, "E&xecute")
        ending.wait(timeout=120)
    time.sleep(1)

    heading("what happened")
    ended = "WM_ENDSESSION 1" in session.lines(HELPER)
    print(f"  wineboot --end-session exited with {ending.returncode}; the session "
          + ("ended (another window of the session received WM_ENDSESSION)" if ended else "did not end (the end was refused)"))
    try:
        monitor.wait(timeout=20 if ended else 2)
        print("  the monitor ended with the session")
    except Exception:
        print("  the monitor is still running, waiting for the next end of the session")
    print(f"  lines written by the commands that ran ({TRACE}):")
    trace = session.lines(TRACE)
    indented(trace)
    print(f"  the log ({LOG}):")
    indented(session.lines(LOG))
    print("  the command list's counters now:")
    indented(counters(session))
    del helper
    if not interactive:
        expected = [name for name, on in COMMANDS if on]
        check(trace == expected, f"the commands that ran: {trace}, expected {expected}")
        check(ended, "the session did not end")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--keep", action="store_true", help="keep the Wine prefix")
    args = parser.parse_args()
    interactive = bool(os.environ.get("DISPLAY"))
    session = Session(args.build, "demo", keep=args.keep)
    try:
        demo(session, interactive)
    except ScenarioFailed as failure:
        print(f"\nThe demo failed: {failure}")
        return 1
    finally:
        session.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
