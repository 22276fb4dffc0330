"""The monitor on today's Windows (Wine as Windows 10): the reason the system
shows while the end of the session waits, the early place in the shutdown
order, the run history, and a skipped run told at the next start.

Wine has the block reasons only as stubs that refuse (there is no query to
read one back), and reports each call with its arguments: the scenarios read
the monitor's real calls from that report."""

import re
import shutil

from e2e_harness import check, scenario, trace_command
from scenarios_monitor import LOG, TRACE, exited, logged_options
from scenarios_uninstaller import shell_folder

SLEEPER = "C:\\Ambrel\\e2e_tool.exe sleep 1500"
ISO = r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d"


def own(s, name):
    """A file of the user's own traces: in their local application data,
    where no other user reads it (not the shared data folder)."""
    return shell_folder(s, "Local AppData") + "\\Ambrel\\" + name


def reasons(calls_file):
    text = calls_file.read_text(errors="replace") if calls_file.exists() else ""
    found = re.findall(r'ShutdownBlockReasonCreate \([0-9A-Fa-f]+, L"([^"]*)"\)', text)
    return [reason.replace("\\\\", "\\") for reason in found], text


@scenario
def on_win10_the_wait_and_each_task_give_their_reason_and_every_run_is_in_the_history(s):
    s.set_windows_version("win10")
    logged_options(s, ShutdownOption=3, QueryClose="T")
    s.commands([trace_command("first"), SLEEPER])
    calls = s.prefix / "calls.txt"
    monitor = s.start_monitor(calls_to=calls)
    hwnd = s.wait_window()
    s.wait_for(lambda: "SetProcessShutdownParameters (000003ff, 00000000)" in reasons(calls)[1], 60,
               "the monitor's place among the first programs asked")
    ending = s.end_session_async()
    s.wait_for(lambda: s.tool("visible", hwnd)[1].strip() == "1", 60, "the confirmation window")
    s.wait_for(lambda: reasons(calls)[0] == ["Waiting for you to confirm the shutdown tasks"], 60,
               f"the reason while the window waits: {reasons(calls)[0]}")
    check(s.lines(TRACE) == [], "a task ran before the confirmation")
    s.tool("click", hwnd, "E&xecute")
    ending.wait(timeout=90)
    check(exited(monitor), "the monitor outlived the session")

    shown, text = reasons(calls)
    check(shown == ["Waiting for you to confirm the shutdown tasks",
                    f"Running shutdown task 1 of 2: {trace_command('first')}",
                    f"Running shutdown task 2 of 2: {SLEEPER}"], f"the reasons {shown}")
    check(text.rfind("ShutdownBlockReasonDestroy") > text.rfind("ShutdownBlockReasonCreate"),
          "the reason was not removed after the run")

    lines = s.lines(own(s, "history.csv"))
    check(lines[0] == "Start,Command line,Outcome,Exit code,Duration (ms),Session end", f"the header {lines[:1]}")
    rows = [line.split(",") for line in lines[1:]]
    # Wine's end of the session says nothing of a log off: a shut down.
    check([r[1:4] + r[5:] for r in rows] == [[trace_command("first"), "run", "0", "shut down"],
                                             [SLEEPER, "run", "0", "shut down"]], f"the history {lines}")
    check(all(re.fullmatch(ISO, r[0]) for r in rows), f"the start times {lines}")
    check(1400 <= int(rows[1][4]) < 60000, f"the sleeper's duration {rows[1][4]}")
    check(not (s.program_dir / "Data" / "history.csv").exists(), "a history in the shared data folder")
    check(s.read(own(s, "ambrel.wait"), None) is None, "the wait is still marked after the run")
    check("Waiting since" not in s.read(LOG), "the log tells of a skipped run")


@scenario
def on_win10_a_monitor_killed_while_it_waits_is_told_at_its_next_start(s):
    s.set_windows_version("win10")
    logged_options(s, ShutdownOption=3, QueryClose="F", RunMinimized="S")
    s.commands([trace_command("after")])
    monitor = s.start_monitor()
    s.wait_window()
    s.wait_for(lambda: s.read(own(s, "ambrel.wait")).startswith("Waiting since "), 60, "the wait's marker")
    marker = s.read(own(s, "ambrel.wait"))
    since = marker.split()[2]
    check(re.fullmatch(ISO, since), f"the marker {marker!r}")
    monitor.kill()  # as a forced end or a crash would
    check(exited(monitor), "the monitor was not killed")
    check("before Ambrel's work" not in s.read(LOG), "told before the next start")

    monitor = s.start_monitor()
    s.wait_window()
    s.wait_for(lambda: "The last session ended before Ambrel's work could run." in s.read(LOG), 60,
               "the log entry at the next start")
    check(f"It had waited since {since}." in s.read(LOG), f"the log entry {s.read(LOG)!r}")
    # The shell's balloon is a tooltip window that holds the text.
    def balloons():
        _, tips = s.tool("windows-of", "tooltips_class32")
        return [tip.split(" ", 2) for tip in tips.splitlines()
                if tip.endswith(" The last session ended before Ambrel's work could run.")]
    s.wait_for(lambda: any(s.tool("visible", tip[0])[1].strip() == "1" for tip in balloons()), 60,
               "the balloon at the tray icon")
    s.screenshot("skipped-run-balloon")
    check(s.read(own(s, "ambrel.wait")).startswith("Waiting since "), "the new wait is not marked")

    # This time the list runs: nothing is left to tell.
    check(s.end_session() == 0, "the end of the session failed")
    check(exited(monitor), "the monitor outlived the session")
    check(s.lines(TRACE) == ["after"], f"what ran: {s.lines(TRACE)}")
    check(s.read(own(s, "ambrel.wait"), None) is None, "the wait is still marked after the run")
    check(s.read(LOG).count("before Ambrel's work") == 1, "told more than once")


WM_QUERYENDSESSION, WM_ENDSESSION = 0x11, 0x16
ENDSESSION_CLOSEAPP = 0x1


@scenario(seconds=40)
def on_win10_an_updates_close_request_runs_nothing_and_option_1_runs_the_list_at_a_real_end(s):
    s.set_windows_version("win10")
    # A program under a folder with a blank, named unquoted, with a program
    # at the blank's place: the one named must start.
    app = s.linux_path("C:\\Program Files\\App\\app.exe")
    app.parent.mkdir(parents=True, exist_ok=True)
    tool = s.program_dir / "e2e_tool.exe"
    shutil.copy(tool, app)
    shutil.copy(tool, s.linux_path("C:\\Program.exe"))
    helper = s.start_helper()

    # Closed for an update (the Restart Manager's request) under options 3
    # and 2: yes at once, nothing runs, no shut down, and the monitor goes.
    for option in (3, 2):
        logged_options(s, ShutdownOption=option, QueryClose="F", RunMinimized="S")
        s.commands([trace_command(f"option {option}")])
        calls = s.prefix / f"calls{option}.txt"
        monitor = s.start_monitor(calls_to=calls)
        hwnd = s.wait_window()
        rc, answer = s.tool("send", hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP)
        check(answer.strip() == "1", f"option {option}: the close request was answered {answer!r}")
        s.tool("send", hwnd, WM_ENDSESSION, 1, ENDSESSION_CLOSEAPP, check_rc=False)
        check(exited(monitor), f"option {option}: the monitor stayed after the close request")
        check(s.lines(TRACE) == [], f"option {option}: ran {s.lines(TRACE)}")
        told = s.lines("C:\\helper.txt")
        check(not any("ENDSESSION" in line for line in told), f"option {option}: the session was ended: {told}")
        log = s.read(LOG)
        check("Asked to close for an update or an installation; nothing runs" in log, f"the log {log!r}")
        check("Windows ends the session" not in log, "the close was taken for a session end")
        check("RegisterApplicationRestart" in calls.read_text(errors="replace"),
              "the monitor did not ask to be started again after the update")
        check(s.read(own(s, "ambrel.wait"), None) is None, "a skipped run would be told at the next start")
        s.linux_path(LOG).unlink()

    # Option 1 as Windows 10: no Start menu shows the Shut Down dialog, so an
    # ordinary end of the session runs the list.
    logged_options(s, ShutdownOption=1, QueryClose="F", RunMinimized="S")
    s.commands([trace_command("first"), "C:\\Program Files\\App\\app.exe trace C:\\trace.txt right"])
    monitor = s.start_monitor()
    s.wait_window()
    check(s.end_session() == 0, "the end of the session failed")
    check(exited(monitor), "the monitor outlived the session")
    check(s.lines(TRACE) == ["first", "right"], f"what ran: {s.lines(TRACE)}")
    check("Windows ends the session: shut down" in s.read(LOG), f"the log {s.read(LOG)!r}")
    check("WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), "the session did not end")
    helper.wait(timeout=30)
