"""Scenarios of the monitor: start-up, waiting, and the end of the session."""

import time

from e2e_harness import WM_AMBREL_CLOSE, WM_AMBREL_REFRESH, ScenarioFailed, check, scenario, trace_command

LOG = "C:\\Ambrel\\Data\\ambrel.log"
TRACE = "C:\\trace.txt"


def exited(process, timeout=20):
    try:
        process.wait(timeout=timeout)
        return True
    except Exception:
        return False


def logged_options(s, **extra):
    """Options with every action logged, and (as the maintenance program saves
    them together) an empty command list."""
    values = dict(Logging=3, LogDir=LOG)
    values.update(extra)
    s.options(**values)
    s.commands([])


# ---------------------------------------------------------------------------
# Start-up and waiting


@scenario
def start_without_options_asks_for_maintenance(s):
    monitor = s.start_monitor()
    rc, out = s.tool("box", "One or more settings weren't found.", "OK", 60000, check_rc=False)
    check(rc == 0, "no settings message")
    title, text = out.split("\n")[1:3]
    check(title == "Ambrel", f"title {title!r}")
    check(text == "One or more settings weren't found.  Please run 'Ambrel Maintenance' first.", f"text {text!r}")
    check(exited(monitor), "the monitor did not end")
    rc, out = s.tool("registry-hwnd")
    check(out.split()[0] == "-1", f"a handle was published: {out}")


@scenario
def start_publishes_its_window_and_waits_in_the_tray(s):
    logged_options(s, ShutdownOption=3)
    monitor = s.start_monitor()
    hwnd = s.wait_window()
    s.wait_for(lambda: s.tool("tray", hwnd, check_rc=False)[0] == 0, 60, "the tray icon")
    _, out = s.tool("registry-hwnd")
    check(int(out.split()[0]) == hwnd, f"AmbrelHwnd {out.strip()} is not the window {hwnd}")
    _, visible = s.tool("visible", hwnd)
    check(visible.strip() == "0", "the window shows in tray mode")
    _, status = s.tool("status", hwnd)
    check(status.strip() == "Waiting for Windows to shut down...", f"status {status!r}")
    s.tool("post", hwnd, WM_AMBREL_CLOSE)
    check(exited(monitor), "WM_AMBREL_CLOSE did not end the monitor")


@scenario
def second_start_is_refused_but_a_launcher_start_is_let_through(s):
    logged_options(s, ShutdownOption=3, QueryClose="F", RunMinimized="T", WinShutdownType="1")
    s.commands([trace_command("handed-over")])
    first = s.start_monitor()
    hwnd = s.wait_window()
    second = s.start_monitor()
    rc, out = s.tool("box", "Ambrel is already running.", "OK", 60000, check_rc=False)
    check(rc == 0, "no 'already running' message")
    check(out.split("\n")[1] == "Ambrel", f"title {out!r}")
    check(exited(second), "the second monitor did not end")
    check(first.poll() is None, "the first monitor ended")
    _, visible = s.tool("visible", hwnd)
    check(visible.strip() == "1", "the window is not on the taskbar in mode T")
    s.tool("show", hwnd)
    time.sleep(1)
    s.screenshot("monitor-waiting")

    # The launcher's hand-over: no message, the list runs and the session ends.
    helper = s.start_helper()
    s.start_monitor("FromTelvix", "0")
    s.wait_for(lambda: "WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), 60, "the end of the session")
    # The new monitor runs its list and logs off; the first one, still
    # waiting under option 3, runs its own list when that end reaches it.
    trace = s.lines(TRACE)
    check(trace == ["handed-over", "handed-over"], f"trace {trace}")
    rc, _ = s.tool("box", "already running", "OK", 500, check_rc=False)
    check(rc != 0, "the launcher start was refused")
    del helper


@scenario
def refresh_applies_changed_options_and_close_ends(s):
    logged_options(s, ShutdownOption=3, RunMinimized="S")
    monitor = s.start_monitor()
    hwnd = s.wait_window()
    _, visible = s.tool("visible", hwnd)
    check(visible.strip() == "0", "hidden at first")
    s.options(RunMinimized="T")
    s.tool("post", hwnd, WM_AMBREL_REFRESH)
    s.wait_for(lambda: s.tool("visible", hwnd)[1].strip() == "1", 60, "the refreshed window mode")
    s.tool("post", hwnd, WM_AMBREL_CLOSE)
    check(exited(monitor), "WM_AMBREL_CLOSE did not end the monitor")


def settled(s, program=b"Ambrel.exe", timeout=30):
    """Waits until a second passes in which `program` uses less than a tenth of
    a processor: its start-up is over (a program that spins never settles)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        used, wall = s.processor_use(1, program)
        if used < 0.1 * wall:
            return
    raise ScenarioFailed(f"{program.decode()} kept a processor busy for {timeout} s")


def quiet(s, what, seconds=5):
    """`what` used no measurable processor over `seconds`: under a tenth of one,
    where a wait that looks again without a pause uses a whole one. The
    figures themselves, against their targets, are scripts/bench.sh's."""
    used, wall = s.processor_use(seconds)
    check(used < 0.1 * wall, f"{what}: {100 * used / wall:.1f}% of one processor over {wall:.1f} s")


@scenario(seconds=30)
def the_waiting_monitor_uses_no_processor_while_it_waits(s):
    s.options(ShutdownOption=1, QueryClose="T", Logging=3, LogDir=LOG, RunMinimized="S")
    s.commands([trace_command("first")])
    # The meter must see a busy processor, or a quiet reading proves nothing:
    # a wait that looks for a dialog without a pause, the monitor's old way,
    # counted until it has used 200 ms, however busy the machine is.
    spinner = s.start_program("e2e_tool.exe", "spin-find", "Nothing Like It", 30)
    s.wait_for(lambda: s.pids(b"spin-find"), 60, "the spinning wait")
    counted = 0.0
    deadline = time.monotonic() + 20
    while counted < 0.2 and time.monotonic() < deadline:
        counted += s.processor_use(1, b"spin-find")[0]
    check(counted >= 0.2, f"a spinning wait counted {counted * 1000:.0f} ms in 20 s")
    spinner.kill()

    s.start_monitor()
    hwnd = s.wait_window()
    settled(s)
    quiet(s, "option 1, watching for the Shut Down dialog")
    s.options(ShutdownOption=3)
    s.tool("send", hwnd, WM_AMBREL_REFRESH)
    ending = s.end_session_async()
    s.wait_for(lambda: s.tool("visible", hwnd)[1].strip() == "1", 60, "the confirmation window")
    settled(s)
    quiet(s, "option 3, the confirmation window waiting for a button")
    check(ending.poll() is None and s.lines(TRACE) == [], "the session end went on without a button")
    s.tool("click", hwnd, "&Cancel Shut Down")
    ending.wait(timeout=90)


# ---------------------------------------------------------------------------
# The end of the session


def standard_commands(s):
    """Five commands of which three are due: Run 0, not due today, at its limit."""
    s.commands([
        trace_command("first"),
        trace_command("switched-off") + "|0",
        trace_command("not-today") + "|1|2|0|0|-1|0|2|0|other-weekday",
        trace_command("at-limit") + "|1|2|0|0|0|1|1|1",
        trace_command("weekly-today") + "|1|2|0|0|-3|4|2|0|today-weekday",
        trace_command("last"),
    ])


def start_with_standard_commands(s, **options):
    """Options, the standard commands and a waiting monitor: (counters, monitor, window)."""
    logged_options(s, **options)
    standard_commands(s)
    before = s.dump()
    monitor = s.start_monitor()
    return before, monitor, s.wait_window()


def expect_standard_run(s, before):
    trace = s.lines(TRACE)
    check(trace == ["first", "weekly-today", "last"], f"trace {trace}")
    log = s.read(LOG)
    for name in ("first", "weekly-today", "last"):
        check(f"Executed {trace_command(name)}" in log, f"no log entry for {name}: {log!r}")
    for name in ("switched-off", "not-today", "at-limit"):
        check(name not in log, f"{name} was logged")
    after = s.dump()
    for command, (run, count, date) in after.items():
        name = command.split()[-1]
        if name in ("first", "last"):
            check((count, date) == (1, 0), f"{name} counters {after[command]}")
        elif name == "weekly-today":
            check((count, date) == (1, 0), f"{name} counters {after[command]} (a new day restarts at 1)")
        else:
            check(after[command] == before[command], f"{name} changed: {before[command]} -> {after[command]}")


@scenario
def option3_without_confirmation_runs_the_due_commands_and_lets_the_session_end(s):
    before, monitor, _ = start_with_standard_commands(s, ShutdownOption=3, QueryClose="F")
    helper = s.start_helper()
    rc = s.end_session()
    check(rc == 0, f"wineboot --end-session: {rc}")
    check(exited(monitor), "the monitor outlived the session")
    check("WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), "the session did not end")
    expect_standard_run(s, before)
    del helper


@scenario
def option3_confirmation_shows_the_list_and_execute_runs_it(s):
    before, monitor, hwnd = start_with_standard_commands(s, ShutdownOption=3, QueryClose="T")
    ending = s.end_session_async()
    s.wait_for(lambda: s.tool("visible", hwnd)[1].strip() == "1", 60, "the confirmation window")
    _, rows = s.tool("rows", hwnd)
    rows = [r.split("|") for r in rows.splitlines()]
    check(len(rows) == 6, f"rows {rows}")
    check(rows[0] == ["1", "Yes..", trace_command("first"), "0010", "C"], f"row 1 {rows[0]}")
    check(rows[1] == ["2", "No...", trace_command("switched-off"), "0020", "C"], f"row 2 {rows[1]}")
    check([r[3] for r in rows] == ["0010", "0020", "0030", "0040", "0050", "0060"], "priorities")
    s.screenshot("confirmation-window")
    s.tool("click", hwnd, "E&xecute")
    ending.wait(timeout=90)
    check(exited(monitor), "the monitor outlived the session")
    expect_standard_run(s, before)


@scenario(own_display=True)
def option3_confirmation_is_answered_from_the_keyboard_alone(s):
    before, monitor, hwnd = start_with_standard_commands(s, ShutdownOption=3, QueryClose="T")
    ending = s.end_session_async()
    s.wait_for(lambda: s.tool("visible", hwnd)[1].strip() == "1", 60, "the confirmation window")

    def focus_on(caption, after):
        s.wait_for(lambda: s.tool("focus", hwnd)[1].strip() == caption, 20,
                   f"{after}, the focus is on {s.tool('focus', hwnd)[1].strip()!r}, not {caption!r}")

    focus_on("E&xecute", "as the window shows")
    # Tab goes round the controls as in a dialog, and back.
    s.tool("keys", hwnd, "tab")
    focus_on("&Don't Execute", "after Tab")
    s.tool("keys", hwnd, "shift+tab")
    focus_on("E&xecute", "after Shift+Tab")
    check(s.lines(TRACE) == [], "moving the focus ran the list")
    # Away from the button, its access key presses it.
    s.tool("keys", hwnd, "tab tab")
    s.tool("keys", hwnd, "alt+x")
    ending.wait(timeout=90)
    check(exited(monitor), "the monitor outlived the session")
    expect_standard_run(s, before)


@scenario
def option3_cancel_shut_down_refuses_and_waits_again(s):
    logged_options(s, ShutdownOption=3, QueryClose="T")
    standard_commands(s)
    monitor = s.start_monitor()
    hwnd = s.wait_window()
    ending = s.end_session_async()
    s.wait_for(lambda: s.tool("visible", hwnd)[1].strip() == "1", 60, "the confirmation window")
    s.tool("click", hwnd, "&Cancel Shut Down")
    ending.wait(timeout=90)
    time.sleep(1)
    check(monitor.poll() is None, "the monitor ended")
    check(s.lines(TRACE) == [], "commands ran")
    _, rows = s.tool("rows", hwnd)
    check(rows.strip() == "", f"the list was not emptied: {rows!r}")
    _, visible = s.tool("visible", hwnd)
    check(visible.strip() == "0", "not back in the tray")
    rc, _ = s.tool("tray", hwnd, check_rc=False)
    check(rc == 0, "no tray icon after cancelling")


@scenario
def option2_refuses_runs_a_second_later_and_ends_the_session_itself(s):
    before, monitor, _ = start_with_standard_commands(s, ShutdownOption=2, QueryClose="F", WinShutdownType="3")
    helper = s.start_helper()
    start = time.time()
    s.end_session()
    refused_after = time.time() - start
    check(s.lines(TRACE) == [], "the list ran inside the refused query")
    s.wait_for(lambda: "WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), 60, "the monitor's own end of the session")
    check(exited(monitor), "the monitor did not end")
    expect_standard_run(s, before)
    del helper, refused_after


@scenario
def a_message_that_cancels_stops_the_run_and_refuses(s):
    logged_options(s, ShutdownOption=3, QueryClose="F")
    # Yes, No: Yes continues, No cancels the shutdown.
    s.commands([
        trace_command("before"),
        trace_command("asks") + "|1|2|1|36|-1|0|1|0|0|0|1|4|1|Shut down now?",
        trace_command("after"),
    ])
    monitor = s.start_monitor()
    s.wait_window()
    ending = s.end_session_async()
    rc, out = s.tool("box", "Shut down now?", "&No", 30000, check_rc=False)
    check(rc == 0, f"no message: {out}")
    ending.wait(timeout=90)
    time.sleep(1)
    check(monitor.poll() is None, "the session ended although the message cancelled it")
    check(s.lines(TRACE) == ["before"], f"trace {s.lines(TRACE)}")


@scenario
def message_actions_skip_stop_rerun_and_user_commands(s):
    logged_options(s, ShutdownOption=3, QueryClose="F")
    # Each message is shown after its command (2); its first button carries
    # the action under test.
    s.commands([
        trace_command("one") + "|1|2|2|0|-1|0|1|0|0|0|2|1|1|skip",       # skip the next row
        trace_command("skipped"),
        trace_command("three") + "|1|2|2|0|-1|0|1|0|0|0|6|1|1|user|" + trace_command("user-action"),
        # OK, Cancel: OK reruns this row, Cancel goes on.
        trace_command("four") + "|1|2|2|1|-1|0|1|0|0|0|5|1|1|again",
        trace_command("five") + "|1|2|2|0|-1|0|1|0|0|0|3|1|1|stop",      # no more rows
        trace_command("never"),
    ])
    monitor = s.start_monitor()
    s.wait_window()
    ending = s.end_session_async()
    for text, button in [("skip", "OK"), ("user", "OK"), ("again", "OK"), ("again", "Cancel"), ("stop", "OK")]:
        rc, out = s.tool("box", text, button, 30000, check_rc=False)
        check(rc == 0, f"no message {text!r}: {out}")
        s.tool("wait-gone", out.split()[0], 60000)
    ending.wait(timeout=90)
    trace = s.lines(TRACE)
    check(trace == ["one", "three", "user-action", "four", "four", "five"], f"trace {trace}")
    counts = {c.split()[-1]: v[1] for c, v in s.dump().items()}
    check(counts["four"] == 2, f"the rerun is counted twice: {counts}")
    check(counts["skipped"] == 0 and counts["never"] == 0, f"counts {counts}")
    check(exited(monitor), "the session did not end")


@scenario
def the_launcher_hand_over_runs_the_list_and_logs_off(s):
    before, first, hwnd = start_with_standard_commands(s, ShutdownOption=3, QueryClose="F")
    helper = s.start_helper()
    # What the launcher does: close the running monitor, start one with the ending.
    s.tool("post", hwnd, WM_AMBREL_CLOSE)
    check(exited(first), "the running monitor did not close")
    s.start_monitor("FromTelvix", "0")
    s.wait_for(lambda: "WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), 60, "the log off")
    expect_standard_run(s, before)
    del helper
