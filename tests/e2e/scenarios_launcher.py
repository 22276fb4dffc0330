"""Scenarios of the launcher Telvix.exe and of the monitor's own Shut Down
Windows dialog: what the dialog shows on each Windows version, the command
line's boxes, the hand-over to the monitor and the direct end of the session."""

import shutil

from e2e_harness import check, scenario, trace_command
from scenarios_maintenance import Controls, expect

TITLE = "Ambrel Launcher - Shut Down Windows"
PROMPT, OPTION0, RUN_AMBREL, YES, NO, HELP = 1031, 1010, 1020, 1, 2, 1040
WM_COMMAND = 0x0111
MENU_SHUTDOWN = 201  # the monitor's menu entry "Shut Down Windows"
LBL_SECONDS = 3003
LOG = "C:\\Ambrel\\Data\\ambrel.log"
STANDIN = "C:\\standin.txt"

OLD_LOOK = ["Are you sure you want to:", "&Shut down the computer?", "&Restart the computer?",
            "Restart the computer in &MS-DOS mode?", "&Close all programs and log on as a different user?",
            "Yes", "No"]
NEW_LOOK = ["What do you want the computer to do?", "&Shut down", "&Restart", "Restart in &MS-DOS mode",
            "&Log off current user", "OK", "Cancel"]


class Dialog(Controls):
    def text(self, control):
        return self.s.tool("control", self.hwnd, control)[1].rstrip("\n").split(" ", 2)

    def read(self):
        """(caption, visible) of the prompt, the four rows, the check box and Yes, No, Help."""
        shown = []
        for control in (PROMPT, OPTION0, OPTION0 + 1, OPTION0 + 2, OPTION0 + 3, RUN_AMBREL, YES, NO, HELP):
            visible, caption = self.s.tool("caption", self.hwnd, control)[1].rstrip("\n").split(" ", 1)
            shown.append((caption, visible == "1"))
        return shown

    def click(self, control):
        self.s.tool("press", self.hwnd, control)


def launcher(s, *args, shown=True):
    process = s.start_program("Telvix.exe", *args)
    if not shown:
        return process, None
    return process, Dialog(s, s.wait_dialog(TITLE))


def stand_in_monitor(s):
    """An Ambrel.exe that only records how it was started."""
    shutil.copy(s.program_dir / "e2e_tool.exe", s.program_dir / "Ambrel.exe")


def looks(version):
    texts = NEW_LOOK if version in ("win98", "nt40") else OLD_LOOK
    dos = version in ("win95", "win98")
    prompt, rows, yes, no = texts[0], texts[1:5], texts[5], texts[6]
    return [(prompt, True), (rows[0], True), (rows[1], True), (rows[2], dos), (rows[3], True),
            ("Ru&n Ambrel Launcher before Windows shuts down", True), (yes, True), (no, True), ("&Help", True)]


def read_the_dialog(s, version):
    s.set_windows_version(version)
    s.options()
    process, d = launcher(s)
    expect(d.read(), looks(version), f"the dialog on {version}")
    check(d.text(OPTION0)[2] == "1", "shut down is not chosen")
    s.screenshot(f"launcher-{version}")
    return process, d


@scenario
def launcher_on_win95_shows_its_rows_and_the_command_lines_boxes(s):
    process, d = read_the_dialog(s, "win95")
    d.click(NO)
    check(process.wait(timeout=20) == 0, "No did not end the launcher")
    # The help text, then the dialog; a bad argument, then the dialog.
    process = s.start_program("Telvix.exe", "/?")
    title, text = Controls(s, 0).answer("Telvix command line options", "OK")
    expect(title, "Telvix", "the help box's title")
    check("/RA=N Don't run Ambrel" in text and "/?    Display these options" in text, f"the help text {text!r}")
    Dialog(s, s.wait_dialog(TITLE)).click(NO)
    process.wait(timeout=20)
    process = s.start_program("Telvix.exe", "/T=R", "/T=X")
    _, text = Controls(s, 0).answer("isn't a valid", "OK")
    expect(text, "'/T=X' isn't a valid command line argument!", "the invalid argument")
    d = Dialog(s, s.wait_dialog(TITLE))
    expect(d.text(OPTION0 + 1)[2], "1", "restart chosen before the stop")
    d.click(NO)
    process.wait(timeout=20)
    # Handing over without a monitor to hand over to.
    (s.program_dir / "Ambrel.exe").unlink()
    process = s.start_program("Telvix.exe", "/RA=Y")
    title, text = Controls(s, 0).answer("Couldn't run", "OK")
    expect((title, text), ("Shutdown Windows", "Couldn't run C:\\Ambrel\\Ambrel.exe"), "the failed hand-over")
    check(process.wait(timeout=20) == 0, "the launcher did not end")


@scenario
def launcher_on_win98_hands_the_ending_to_the_monitor(s):
    stand_in_monitor(s)
    process, d = read_the_dialog(s, "win98")
    s.tool("set", d.hwnd, OPTION0 + 2, "1")
    d.click(YES)
    check(process.wait(timeout=20) == 0, "the launcher did not end")
    s.wait_for(lambda: s.lines(STANDIN), 60, "the monitor's start")
    check(s.lines(STANDIN)[-1].endswith(" FromTelvix 99"), f"started with {s.lines(STANDIN)}")
    launcher(s, "/T=S", shown=False)[0].wait(timeout=20)
    s.wait_for(lambda: len(s.lines(STANDIN)) == 2, 60, "the second start")
    check(s.lines(STANDIN)[-1].endswith(" FromTelvix 1"), f"started with {s.lines(STANDIN)}")


@scenario
def launcher_on_nt40_restarts_without_the_monitor(s):
    stand_in_monitor(s)
    process, d = read_the_dialog(s, "nt40")
    d.click(NO)
    process.wait(timeout=20)
    s.start_helper()
    launcher(s, "/t=r", "/ra=n", shown=False)
    s.wait_for(lambda: "WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), 60, "the end of the session")
    check(not s.lines(STANDIN), "the monitor was started")


@scenario
def launcher_on_win10_shows_the_rows_windows_offers(s):
    process, d = read_the_dialog(s, "win10")
    d.click(NO)
    check(process.wait(timeout=20) == 0, "No did not end the launcher")


@scenario
def the_launcher_hands_a_log_off_to_a_fresh_monitor_that_runs_the_list(s):
    s.options(ShutdownOption=3, QueryClose="F", Logging=3, LogDir=LOG, RunMinimized="S")
    s.commands([trace_command("first"), trace_command("second")])
    first = s.start_monitor()
    s.wait_window()
    s.start_helper()
    # A stale stored handle that names a window of the monitor's class in
    # another program: the launcher closes the real monitor, and only once it
    # has gone does the one that runs the list start, so the list runs once.
    s.store_hwnd(s.start_decoy())
    launcher(s, "/T=L", shown=False)
    s.wait_for(lambda: "WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), 90, "the log off")
    expect(s.lines("C:\\trace.txt"), ["first", "second"], "what ran")
    check(first.wait(timeout=30) is not None, "the first monitor stayed")
    log = s.read(LOG)
    check(log.count("Executed") == 2, f"the log: {log!r}")
    check(not any(line.startswith("message") for line in s.lines("C:\\decoy.txt")), "the decoy was asked to close")


@scenario
def the_monitors_shut_down_asks_for_the_ending_and_carries_it_out(s):
    s.options(ShutdownOption=3, QueryClose="F", Logging=3, LogDir=LOG, RunMinimized="T")
    s.commands([trace_command("ran")])
    s.start_monitor()
    monitor = s.wait_window()
    s.start_helper()
    # Cancel: nothing ends, the monitor waits again.
    s.tool("post", monitor, WM_COMMAND, MENU_SHUTDOWN)
    d = Dialog(s, s.wait_dialog("Ambrel - Shut Down Windows"))
    shown = d.read()
    expect(shown[5][1], False, "the run check box")
    expect(shown[8][1], False, "a Help button")
    s.screenshot("monitor-shut-down-dialog")
    d.click(NO)
    d.gone()
    expect(s.tool("status", monitor)[1].strip(), "Waiting for Windows to shut down...", "the status after Cancel")
    check(not s.lines("C:\\trace.txt"), "the list ran after Cancel")
    # OK on Log off: the list runs and the session ends.
    s.tool("post", monitor, WM_COMMAND, MENU_SHUTDOWN)
    d = Dialog(s, s.wait_dialog("Ambrel - Shut Down Windows"))
    s.tool("set", d.hwnd, OPTION0 + 3, "1")
    d.click(YES)
    s.wait_for(lambda: "WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), 90, "the log off")
    expect(s.lines("C:\\trace.txt"), ["ran"], "what ran")


def scheduled(s):
    """A monitor with the shut down set a few seconds after its start, so that
    the first minute's tick finds the time past; returns the first warning."""
    import datetime
    at = (datetime.datetime.now() + datetime.timedelta(seconds=5)).strftime("%I:%M:%S %p").lstrip("0")
    s.options(ShutdownOption=3, ShutWindowsOnTime="T", ShutWindowsTime=at, WinShutdownType="3", QueryClose="F",
              Logging=3, LogDir=LOG, RunMinimized="S")
    s.commands([trace_command("scheduled")])
    s.start_helper()
    s.start_monitor()
    monitor = s.wait_window()
    check(s.tool("status", monitor)[1].strip().startswith("Shutdown Windows on "), "the status bar's set time")
    return Dialog(s, s.wait_dialog("Ambrel", 90000))


def counting(s, warning):
    return int(s.tool("caption", warning.hwnd, LBL_SECONDS, check_rc=False)[1].split(" ", 1)[1] or 60)


# Two scenarios of two minutes each, side by side, rather than one of three.
@scenario(seconds=125)
def a_cancelled_scheduled_shutdown_warns_again_a_minute_later(s):
    warning = scheduled(s)
    seconds = counting(s, warning)
    check(50 <= seconds <= 60, f"the count shows {seconds}")
    s.screenshot("shut-warning")
    warning.click(NO)  # Cancel Shut Down
    warning.gone()
    again = Dialog(s, s.wait_dialog("Ambrel", 90000))
    s.wait_for(lambda: counting(s, again) < 58, 60, "the count going down")
    check(not s.lines("C:\\trace.txt") and "WM_ENDSESSION 1" not in s.lines("C:\\helper.txt"),
          "the list ran or the session ended after the cancel")
    again.click(NO)
    again.gone()


@scenario(seconds=125)
def a_scheduled_shutdown_warns_for_a_minute_and_then_runs_the_list(s):
    warning = scheduled(s)
    s.wait_for(lambda: counting(s, warning) < 58, 60, "the count going down")
    check(not s.lines("C:\\trace.txt"), "the list ran while the warning counted")
    s.wait_for(lambda: "WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), 120, "the scheduled log off")
    expect(s.lines("C:\\trace.txt"), ["scheduled"], "what ran")


def system_dialog(s, title, record):
    """A stand-in for the system's Shut Down dialog, recording in `record`."""
    process = s.start_program("e2e_tool.exe", "fake-dialog", title, record)
    s.wait_for(lambda: "shown" in s.lines(record), 30, f"the dialog {title!r}")
    return process


@scenario(seconds=9)
def option1_replaces_the_shut_down_dialog_in_place(s):
    s.options(ShutdownOption=1, QueryClose="F", Logging=3, LogDir=LOG, RunMinimized="S")
    s.commands([trace_command("replaced")])
    s.start_monitor()
    s.wait_window()
    s.start_helper()
    # A dialog of another title is left alone.
    other = system_dialog(s, "Something Else", "C:\\other.txt")
    s.wait_for(lambda: "shown" in s.lines("C:\\other.txt"), 60, "the other dialog")
    import time
    time.sleep(2)
    check(other.poll() is None and "closed" not in s.lines("C:\\other.txt"), "another dialog was closed")
    # The Shut Down dialog is closed and the monitor's own shows over a picture of the screen.
    system_dialog(s, "Shut Down Windows", "C:\\first.txt")
    d = Dialog(s, s.wait_dialog("Ambrel - Shut Down Windows"))
    s.wait_for(lambda: "closed" in s.lines("C:\\first.txt"), 60, "the system's dialog closed")
    rc, out = s.tool("wait-window", "AmbrelShutDownBackground", 30000, check_rc=False)
    check(rc == 0, "no picture behind the dialog")
    visible, topmost, left, top, right, bottom, width, height = s.tool("placement", int(out.split()[0]))[1].split()
    expect((visible, topmost, left, top, right, bottom), ("1", "1", "0", "0", width, height),
           "the picture: shown, topmost, over the whole screen")
    system_at = next(line for line in s.lines("C:\\first.txt") if line.startswith("at "))
    expect("at " + " ".join(s.tool("placement", d.hwnd)[1].split()[2:4]), system_at,
           "the monitor's dialog where the system's was")
    expect(s.tool("placement", d.hwnd)[1].split()[1], "1", "the monitor's dialog topmost")
    expect(d.read()[5][1], True, "the run check box (users may disable the run)")
    s.screenshot("replacement-over-its-background")
    d.click(NO)
    d.gone()
    check(not s.lines("C:\\trace.txt"), "the list ran after No")
    # The next one is replaced again; Log off with the run ticked runs the list and ends the session.
    system_dialog(s, "Shut Down Windows", "C:\\second.txt")
    d = Dialog(s, s.wait_dialog("Ambrel - Shut Down Windows"))
    s.tool("set", d.hwnd, OPTION0 + 3, "1")
    d.click(YES)
    s.wait_for(lambda: "WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), 90, "the log off")
    expect(s.lines("C:\\trace.txt"), ["replaced"], "what ran")


@scenario
def option1_changed_to_3_by_a_refresh_answers_the_end_of_the_session(s):
    s.options(ShutdownOption=1, QueryClose="F", Logging=3, LogDir=LOG, RunMinimized="S")
    s.commands([trace_command("answered")])
    s.start_monitor()
    monitor = s.wait_window()
    # While it watches, a session end from elsewhere passes without the list.
    s.options(ShutdownOption=3)
    s.tool("send", monitor, 0x0590)  # returns once the monitor has reloaded
    s.end_session(timeout=90)
    expect(s.lines("C:\\trace.txt"), ["answered"], "what ran at the end of the session")
