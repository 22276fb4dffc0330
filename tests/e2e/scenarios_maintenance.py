"""Scenarios of the maintenance program: its pages read and changed through
the real controls, what OK stores, Cancel, the Startup shortcut, one copy at a
time, the monitor told to reload, and run counters that survive a save."""

import re
import subprocess
from pathlib import Path

from e2e_harness import check, scenario, trace_command

TITLE = "Ambrel - Maintenance"
RESOURCES = Path(__file__).resolve().parents[2] / "src" / "maintenance" / "corvane_resource.h"
ID = {name: int(number) for name, number in
      re.findall(r"^#define (IDC?_\w+) (\d+)", RESOURCES.read_text(), re.M)}
ID.update(IDOK=1, IDCANCEL=2)
WM_COMMAND = 0x0111
MENU_MAINTENANCE = 200  # the monitor's menu entry "Maintenance"


class Controls:
    """A window of the maintenance program, driven through its controls."""

    def __init__(self, s, hwnd, wait=True):
        self.s = s
        self.hwnd = hwnd
        if hwnd and wait:
            # A dialog exists before it shows; what it shows is read once it has.
            s.wait_for(lambda: s.tool("visible", hwnd, check_rc=False)[1].strip() == "1", 60, "the window showing")

    def control(self, name):
        rc, out = self.s.tool("control", self.hwnd, ID[name], check_rc=False)
        check(rc == 0, f"no control {name}")
        enabled, visible, value = out.rstrip("\n").split(" ", 2)
        return enabled == "1", visible == "1", value

    def value(self, name):
        return self.control(name)[2]

    def set(self, name, value):
        self.s.tool("set", self.hwnd, ID[name], value)

    def press(self, name):
        self.s.tool("press", self.hwnd, ID[name])

    def answer(self, text, button):
        rc, out = self.s.tool("box", text, button, 60000, check_rc=False)
        check(rc == 0, f"no box {text!r}")
        lines = out.split("\n")
        return lines[1], "\n".join(lines[2:]).strip("\n")

    def gone(self):
        check(self.s.tool("wait-gone", self.hwnd, 60000, check_rc=False)[0] == 0, "the window stays")


class Window(Controls):
    """The maintenance window."""

    def __init__(self, s, monitor=None, box=None, trace_to=None):
        """Started directly, or from the menu of the monitor's window `monitor`;
        `box` is the text of a message box that comes before the window shows;
        `trace_to` takes Wine's report of the help it is asked for."""
        if monitor:
            self.process = None
            s.tool("post", monitor, WM_COMMAND, MENU_MAINTENANCE)
        else:
            self.process = s.start_program("corvane.exe", trace_to=trace_to, channels="+htmlhelp")
        # A first start in a fresh prefix on a loaded machine can be slow.
        super().__init__(s, s.wait_title(TITLE, 60000), wait=False)
        self.first_box = self.answer(box, "OK") if box else None
        # The window exists before the program has made sure it is the only
        # copy; it shows once it has.
        s.wait_for(lambda: s.tool("visible", self.hwnd)[1].strip() == "1", 60, "the maintenance window")

    def tab(self, number):
        self.s.tool("tab", self.hwnd, number)

    def close_with(self, name):
        self.press(name)
        self.gone()
        if self.process:
            check(self.process.wait(timeout=20) == 0, "corvane did not end")


class Dialog(Controls):
    """A dialog that a button of `parent` opens."""

    def __init__(self, parent, button, title):
        parent.press(button)
        rc, out = parent.s.tool("wait-dialog", title, 20000, check_rc=False)
        check(rc == 0, f"no dialog {title!r}")
        super().__init__(parent.s, int(out.split()[0]))

    def close_with(self, name):
        self.press(name)
        self.gone()


def stored(s, name, hive=""):
    rc, out = s.tool("option", name, *([hive] if hive else []), check_rc=False)
    return out.strip() if rc == 0 else "<missing>"


def shortcut(s):
    found = (s.drive / "users").glob("*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/*/Ambrel.lnk")
    return [path for path in found if path.parent.name.lower() == "startup"]


def expect(actual, wanted, what):
    check(actual == wanted, f"{what}: {actual!r}, not {wanted!r}")


@scenario(seconds=20)
def maintenance_stores_defaults_and_saves_what_its_controls_say(s):
    # No list was ever saved: the load says so, and the window opens all the same.
    w = Window(s, box="File not found")
    _, text = w.first_box
    check("Error number: \t53" in text, f"the load's error box: {text!r}")
    defaults = {"AllUsersUseSame": "sz|T", "QueryClose": "sz|T", "ShutdownOption": "dword|1",
                "ShutDownDialogTitle": "sz|Shut Down Windows", "ForceLogoff": "dword|0", "PowerOff": "dword|0",
                "AllowUsersToDisable": "dword|-1", "WinShutdownType": "sz|1", "RunCommands": "sz|C",
                "RunMinimized": "sz|S", "ShutWindowsOnTime": "sz|F", "ShutWindowsTime": "sz|12:00 AM",
                "TimeOutPrograms": "sz|F", "TimeOutProgramMinutes": "sz|120", "Logging": "sz|1",
                "LogDir": "sz|C:\\Ambrel\\Data\\ambrel.log"}
    for name, value in defaults.items():
        expect(stored(s, name), value, name)

    # Every page, read from the real window.
    pages = [("IDC_FLB_PROG", "0"), ("IDC_LV_COMMANDS", ""), ("IDC_CHKCONFIRMEXECUTIONS", "1"),
             ("IDC_OPTRUNAMBRELOPTION2", "1"), ("IDC_CHKALLOWUSERSTODISABLEAMBREL", "1"),
             ("IDC_OPTLOGOPTION0", "1"), ("IDC_LBLABOUTTITLE", "Ambrel 2.0(TM) Maintenance   Version 2.0.0")]
    # Under load the window can be read before the last of its pages is found.
    s.wait_for(lambda: all(s.tool("control", w.hwnd, ID[name], check_rc=False)[0] == 0 for name, _ in pages), 60,
               "every page of the window")
    for number, (name, value) in enumerate(pages, start=1):
        w.tab(number)
        expect(w.control(name), (True, True, value), f"page {number}: {name}")
        others = [other for other, _ in pages if other != name]
        check(not any(w.control(other)[1] for other in others), f"page {number}: another page shows too")
        s.screenshot(f"maintenance-page-{number}")
    expect(w.control("IDC_CMD_ADD")[0], True, "Add")
    expect(w.value("IDC_CBOSHUTDOWNOPTION"),
           "0|Replace the Shut Down Dialog|Cancel Windows' shut down|Don't cancel Windows' shut down", "options")
    expect(w.control("IDC_TXTSHUTWINDOWSTIME"), (False, False, "12:00 AM"), "the time box")
    expect(w.value("IDC_TXTTIMEOUTMINUTES"), "120", "the minutes box")
    expect(w.value("IDC_TXTLOGFILEPATH"), "C:\\Ambrel\\Data\\ambrel.log", "the log file")

    # Changes through the controls, as the user makes them.
    w.tab(3)
    w.set("IDC_CHKTIMEOUTPROGRAMS", "1")
    expect(w.control("IDC_TXTTIMEOUTMINUTES")[0], True, "the minutes box once ticked")
    w.set("IDC_TXTTIMEOUTMINUTES", "5000")
    expect(w.value("IDC_TXTTIMEOUTMINUTES"), "1440", "5000 minutes corrected")
    w.set("IDC_CHKCONFIRMEXECUTIONS", "0")
    w.press("IDC_OPTEXECUTEOPTION2")
    title, text = w.answer("Cannot locate the Shutdown directory.", "&Yes")
    expect((title, text.split()), ("Ambrel 2.0", "Cannot locate the Shutdown directory. OK to create it?".split()),
           "the question")
    s.wait_for(lambda: w.value("IDC_OPTEXECUTEOPTION2") == "1", 60, "Both chosen")
    w.tab(4)
    w.set("IDC_CHKAMBRELINSTARTUP", "1")
    w.set("IDC_OPTRUNAMBRELOPTION1", "1")
    w.tab(5)
    w.set("IDC_CHKPOWEROFF", "1")
    w.set("IDC_CHKSHUTWINDOWSONTIME", "1")
    w.set("IDC_TXTSHUTWINDOWSTIME", "23")
    expect(w.control("IDC_TXTSHUTWINDOWSTIME"), (True, True, "11:00 PM"), "23 corrected")
    w.set("IDC_CBOSHUTDOWNOPTION", "1")
    expect(w.control("IDC_TXTDIALOGTITLE")[1], False, "the dialog title under option 2")
    expect(w.control("IDC_CBOSHUTDOWNTYPE")[1], True, "the shutdown types under option 2")
    w.set("IDC_CBOSHUTDOWNTYPE", "1")
    s.screenshot("maintenance-page-5-cancel-option")
    w.tab(6)
    w.set("IDC_OPTLOGOPTION2", "1")
    w.set("IDC_TXTLOGFILEPATH", "C:\\Ambrel\\Data\\mine.log")
    w.close_with("IDOK")

    saved = dict(defaults, QueryClose="sz|F", ShutdownOption="dword|2", PowerOff="dword|-1", WinShutdownType="sz|2",
                 RunCommands="sz|B", RunMinimized="sz|F", ShutWindowsOnTime="sz|T", ShutWindowsTime="sz|11:00 PM",
                 TimeOutPrograms="sz|T", TimeOutProgramMinutes="sz|1440", Logging="sz| 3",
                 LogDir="sz|C:\\Ambrel\\Data\\mine.log")
    for name, value in saved.items():
        expect(stored(s, name), value, f"saved {name}")
    check(len(shortcut(s)) == 1, "no Startup shortcut")
    expect((s.program_dir / "Data" / "ambrel.sds").stat().st_size, 18, "the empty list saved")

    # Shown again as saved; Cancel stores nothing.
    w = Window(s)
    for name, value in [("IDC_CHKTIMEOUTPROGRAMS", "1"), ("IDC_TXTTIMEOUTMINUTES", "1440"),
                        ("IDC_OPTEXECUTEOPTION2", "1"), ("IDC_CHKAMBRELINSTARTUP", "1"),
                        ("IDC_OPTRUNAMBRELOPTION1", "1"), ("IDC_OPTLOGOPTION2", "1")]:
        expect(w.value(name), value, f"shown again: {name}")
    expect(w.value("IDC_CBOSHUTDOWNOPTION")[0], "1", "option 2 shown again")
    w.tab(5)
    w.set("IDC_CHKPOWEROFF", "0")
    w.close_with("IDCANCEL")
    expect(stored(s, "PowerOff"), "dword|-1", "PowerOff after Cancel")

    # Clearing the Startup box removes the shortcut.
    w = Window(s)
    w.tab(4)
    w.set("IDC_CHKAMBRELINSTARTUP", "0")
    w.close_with("IDOK")
    check(not shortcut(s), "the Startup shortcut is still there")


@scenario
def maintenance_runs_once_and_makes_the_running_monitor_reload(s):
    s.options(ShutdownOption=3, RunMinimized="S", Logging=3)
    s.commands([])
    s.start_monitor()
    monitor = s.wait_window()
    w = Window(s, monitor)  # from the monitor's menu
    second = s.start_program("corvane.exe")
    title, text = w.answer("Ambrel Maintenance is already running.", "OK")
    expect((title, text), ("Ambrel Maintenance", "Ambrel Maintenance is already running."), "the refusal")
    check(second.wait(timeout=20) == 0, "the second copy did not end")
    expect(s.tool("visible", monitor)[1].strip(), "0", "the monitor in the tray")
    # The stored handle names another program's window of the monitor's
    # class: the refresh goes to the real monitor only.
    s.store_hwnd(s.start_decoy())
    w.tab(4)
    w.set("IDC_OPTRUNAMBRELOPTION0", "1")
    w.close_with("IDOK")
    s.wait_for(lambda: s.tool("visible", monitor)[1].strip() == "1", 60, "the monitor on the taskbar")
    expect(stored(s, "RunMinimized"), "sz|T", "RunMinimized")
    check(not any(line.startswith("message") for line in s.lines("C:\\decoy.txt")), "the decoy got the refresh")


@scenario
def maintenance_on_nt4_offers_two_shutdown_options(s):
    s.set_windows_version("nt40")
    s.options(ShutdownOption=3)
    s.commands([])
    w = Window(s)
    expect(w.value("IDC_CBOSHUTDOWNOPTION"), "0|Replace the Shut Down Dialog|Cancel Windows' shut down",
           "the NT 4 list")
    w.tab(5)
    s.screenshot("maintenance-page-5-nt4")
    w.close_with("IDOK")
    expect(stored(s, "ShutdownOption"), "dword|1", "option 3 saved on NT 4")


@scenario(seconds=15)
def runs_the_monitor_records_while_maintenance_is_open_survive_its_save(s):
    # Option 2 with "Don't Shutdown!": the monitor refuses, runs its list and waits again.
    s.options(ShutdownOption=2, WinShutdownType="4", QueryClose="F", Logging=3,
              LogDir="C:\\Ambrel\\Data\\ambrel.log")
    a, slow, b, c = trace_command("a"), "C:\\Ambrel\\e2e_tool.exe sleep 4000", trace_command("b"), trace_command("c")
    s.commands([a, slow, b, c])
    before = s.dump()
    s.start_monitor()
    s.wait_window()

    # The window holds the list as it was; the monitor records a's run, and
    # while the slow command runs the rows are reordered and saved.
    w = Window(s)
    s.end_session_async()
    s.wait_for(lambda: s.lines("C:\\trace.txt") == ["a"], 60, "the first command")
    s.tool("select", w.hwnd, 4)
    s.tool("toolbar", w.hwnd, 1)  # c up, before b
    s.wait_for(lambda: [r.split("|")[2] for r in rows(s, w)] == [a, slow, c, b], 60, "the reordered rows")
    w.close_with("IDOK")
    s.wait_for(lambda: s.lines("C:\\trace.txt") == ["a", "b", "c"], 60, "the rest of the run")
    s.wait_for(lambda: s.dump()[c][1] == 1, 60, "the last command's record")
    first = s.dump()
    for command in (a, slow, b, c):
        expect(first[command][1], 1, f"runs of {command.split()[-1]} in its own record")
        check(first[command][2] > before[command][2], f"{command}: no new run date")
    order = [line.split("|")[1] for line in s.tool("dump", "C:\\Ambrel")[1].splitlines()]
    expect(order, [a, slow, c, b], "the saved order")

    # Open while the whole list runs again, saved afterwards: the new counts stay.
    w = Window(s)
    s.end_session_async()
    s.wait_for(lambda: len(s.lines("C:\\trace.txt")) == 6, 60, "the second run")
    s.wait_for(lambda: s.dump()[b][1] == 2, 60, "the second run's counters")
    s.tool("dblclick", w.hwnd, 4)  # b switched off: not an edit
    s.wait_for(lambda: rows(s, w)[3].split("|")[0] == "2", 60, "b switched off")
    w.close_with("IDOK")
    after = s.dump()
    for command in (a, slow, b, c):
        expect(after[command][1], 2, f"runs of {command.split()[-1]} after the save")
    expect(after[b][0], 0, "b's run switch")


@scenario(seconds=12, own_display=True)
def ctrl_backspace_in_the_editor_leaves_the_list_whole_for_the_monitor(s):
    s.options(ShutdownOption=3, QueryClose="F")
    first, second, third = (trace_command(name) for name in ("first", "second", "third"))
    s.commands([first, second, third])
    w = Window(s)
    s.tool("select", w.hwnd, 1)
    e = Dialog(w, "IDC_CMD_EDIT", "Ambrel")
    expect(e.value("IDC_TXT_COMMAND"), first, "the edited command line")
    # At the end of the line, Ctrl+Backspace: in Windows' standard edit box
    # it types a character of its own (0x7F), which no command line may hold
    # (Wine's box types nothing). Then a paste that brings 0x7F and ESC.
    s.tool("keys", e.hwnd, "end ctrl+backspace")
    expect(e.value("IDC_TXT_COMMAND"), first, "the command line after Ctrl+Backspace")
    s.tool("clipboard", "7f 20 1b")
    s.tool("keys", e.hwnd, "end ctrl+v")
    expect(e.value("IDC_TXT_COMMAND"), first + " ", "the command line after the paste")
    e.close_with("IDOK")
    w.close_with("IDOK")
    stored = [line.split("|")[1] for line in s.tool("dump", "C:\\Ambrel")[1].splitlines()]
    expect(stored, [first + " ", second, third], "the saved list")
    monitor = s.start_monitor()
    s.wait_window()
    ending = s.end_session_async()
    ending.wait(timeout=90)
    check(monitor.wait(timeout=30) is not None, "the monitor outlived the session")
    expect(s.lines("C:\\trace.txt"), ["first", "second", "third"], "what the monitor ran")


@scenario(seconds=15, own_display=True)
def help_opens_on_the_topic_of_the_page_on_show_and_of_the_editor(s):
    """Wine's HTML Help viewer draws no page without its browser engine, but
    reports the page it opens for a context number: the map compiled into
    AMBREL.CHM, read by the real viewer."""
    s.options(ShutdownOption=3)
    s.commands([trace_command("a")])
    trace = s.prefix / "help.txt"
    w = Window(s, trace_to=trace)

    def opened():
        text = trace.read_text(errors="replace") if trace.exists() else ""
        return re.findall(r'FindContextAlias returning "([^"]*)"', text)

    def expect_topic(page, how):
        count = len(opened())
        how()
        s.wait_for(lambda: len(opened()) > count, 60, f"the help for {page}")
        expect(opened()[count:], [f"/{page}"], "the topic opened")

    # Without the file: one box that names it, and no viewer.
    chm = s.program_dir / "AMBREL.CHM"
    check(chm.exists(), "the build made no AMBREL.CHM")
    chm.rename(s.prefix / "AMBREL.CHM")
    w.press("IDC_CMD_HELP")
    _, text = w.answer("AMBREL.CHM", "OK")
    expect(text, "The help cannot be shown: its file C:\\Ambrel\\AMBREL.CHM is missing.", "the box")
    expect(opened(), [], "a viewer opened")
    (s.prefix / "AMBREL.CHM").rename(chm)

    w.tab(2)
    expect_topic("command-lines.htm", lambda: w.press("IDC_CMD_HELP"))
    viewer = s.wait_title("Ambrel Help", 30000)
    w.tab(6)
    expect_topic("log-options.htm", lambda: w.press("IDC_CMD_HELP"))
    # F1 on another page: the topic of that page.
    w.tab(4)
    expect_topic("run-options.htm", lambda: s.tool("keys", w.hwnd, "f1"))
    w.tab(2)
    s.tool("select", w.hwnd, 1)
    e = Dialog(w, "IDC_CMD_EDIT", "Ambrel")
    expect_topic("editor.htm", lambda: e.press("IDC_CMDHELP"))
    e.close_with("IDCANCEL")
    w.close_with("IDCANCEL")
    # The help window is the program's: it goes with it.
    check(s.tool("wait-gone", viewer, 30000, check_rc=False)[0] == 0, "the help window outlived the program")


@scenario(seconds=10)
def a_list_imported_as_text_runs_at_the_session_end_and_exports_as_it_came(s):
    """corvane.exe /import on a machine with no list yet, as a deployment
    tool runs it; the monitor then runs that list at a real end of the session.
    A policy's option is shown greyed in the real window and never saved."""
    s.options(ShutdownOption=3, QueryClose="T", Logging=2)
    first, second = trace_command("first"), trace_command("second")
    text = ("Ambrel command list, version 1\r\n"
            f"\r\n[Command]\r\nCommandLine={first}\r\nRun=yes\r\nWindow=minimized\r\nFrequency=daily\r\n"
            "Limit=0\r\nMessageWhen=never\r\nMessage=Caf\u00e9 \u00e0 minuit\r\nButtons=ok\r\nIcon=none\r\n"
            "DefaultButton=1\r\nAction1=continue\r\nAction2=skip-next\r\nAction3=no-more\r\n[End]\r\n"
            f"\r\n[Command]\r\nCommandLine={second}\r\nRun=yes\r\nWindow=normal\r\nFrequency=daily\r\n"
            "Limit=5\r\nMessageWhen=never\r\nButtons=ok\r\nIcon=none\r\nDefaultButton=1\r\n"
            "Action1=none\r\nAction2=none\r\nAction3=none\r\n[End]\r\n")
    (s.drive / "list.txt").write_bytes(text.encode("utf-8"))
    (s.drive / "bad.txt").write_bytes(text.replace("Limit=5", "Limit=500").encode("utf-8"))

    def corvane(*args):
        return s.start_program("corvane.exe", *args).wait(timeout=60)

    expect(corvane("/import", "C:\\list.txt", "/allusers"), 0, "the import's exit code")
    expect([line.split("|")[1] for line in s.tool("dump", "C:\\Ambrel")[1].splitlines()], [first, second],
           "the imported list")
    # A bad file changes nothing and says where it is bad.
    expect(corvane("/import", "C:\\bad.txt", "/allusers"), 3, "a bad file's exit code")
    check("bad.txt, line 24: Limit must be a whole number from 0 to 100" in s.read("C:\\Ambrel\\Data\\ambrel.log"),
          "the refusal is not in the log")
    expect(corvane("/export", "C:\\again.txt"), 0, "the export's exit code")
    expect((s.drive / "again.txt").read_bytes().decode("utf-8"), text, "the exported list (the message in UTF-8)")

    # An administrator's policy: the confirmation off, whatever is saved.
    added = subprocess.run(["wine", "reg", "add", "HKLM\\Software\\Policies\\Ambrel 2.0\\Options", "/v",
                            "QueryClose", "/d", "F", "/f", "/reg:64"], env=s.env, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=60)
    check(added.returncode == 0, f"reg add: {added.stderr}")
    w = Window(s)
    w.tab(3)
    expect(w.control("IDC_CHKCONFIRMEXECUTIONS")[0:2], (False, True), "the locked box (enabled, visible)")
    expect(w.control("IDC_CHKCONFIRMEXECUTIONS")[2], "0", "the policy's value")
    expect(w.control("IDC_CHKTIMEOUTPROGRAMS")[0], True, "a box the policy leaves alone")
    expect(s.tool("status", w.hwnd)[1].strip(), "Set by your administrator", "the page's note")
    w.tab(4)
    expect(s.tool("status", w.hwnd)[1].strip(), "", "the note on a page without locked options")
    w.close_with("IDOK")
    expect(stored(s, "QueryClose"), "sz|T", "the saved option under the policy")

    # The policy's confirmation is off: the list runs without asking.
    monitor = s.start_monitor()
    s.wait_window()
    s.end_session_async().wait(timeout=90)
    check(monitor.wait(timeout=30) is not None, "the monitor outlived the session")
    expect(s.lines("C:\\trace.txt"), ["first", "second"], "what the monitor ran")

    # The History window, as the monitor's menu opens it: the runs of that
    # end of the session, newest first.
    from scenarios_uninstaller import shell_folder
    history = shell_folder(s, "Local AppData") + "\\Ambrel\\history.csv"
    viewer = s.start_program("corvane.exe", "/history")
    window = s.wait_dialog(f"History - {history}", 60000)
    shown = [row.split("|") for row in s.tool("rows", window)[1].splitlines()]
    expect([row[2] for row in shown], [second, first], "the History window's command lines, newest first")
    expect([row[3] for row in shown], ["run", "run"], "the outcomes")
    expect([row[4] for row in shown], ["0", "0"], "the exit codes")
    s.screenshot("history-window")
    s.tool("post", window, WM_COMMAND, 2)  # Close
    expect(viewer.wait(timeout=30), 0, "corvane /history's exit code")


def rows(s, w):
    return s.tool("rows", w.hwnd)[1].splitlines()


def add_command(w, command, **changes):
    """Add through the real editor: the command line, then the other controls in order."""
    e = Dialog(w, "IDC_CMD_ADD", "Ambrel")
    expect(e.value("IDC_LBL_COMMAND"), "Enter command line:", "the editor's label")
    e.set("IDC_TXT_COMMAND", command)
    for name, value in changes.items():
        e.set(name, value)
    return e


@scenario(seconds=14)
def a_list_built_in_the_editor_is_saved_whole_and_run_by_the_monitor(s):
    s.options(ShutdownOption=3, QueryClose="F", Logging=3, LogDir="C:\\Ambrel\\Data\\ambrel.log")
    s.commands([])
    asked, weekly, off, doomed = (trace_command(name) for name in ("asked", "weekly", "off", "doomed"))
    user_defined = trace_command("user-defined")
    tested = "C:\\Ambrel\\e2e_tool.exe trace C:\\tested.txt from-the-editor"
    today = int(s.tool("weekday")[1]) - 1  # Sunday is 0, as the list has it
    w = Window(s)
    w.tab(2)

    # Weekly on today, in a normal window, at most five times a day.
    e = add_command(w, weekly, IDC_OPTCOMMANDRUNOPTION0="1", IDC_OPTRUNFREQUENCY1="1")
    expect(e.control("IDC_CBOWEEKDAY")[0], True, "the week day list")
    expect(e.control("IDC_CBOYEARMONTH")[0], False, "the month list")
    e.set("IDC_CBOWEEKDAY", str(today))
    e.set("IDC_TXTRUNLIMIT", "150")
    expect(e.value("IDC_TXTRUNLIMIT"), "0", "150 corrected")
    e.set("IDC_TXTRUNLIMIT", "5")
    s.screenshot("editor-add")
    e.close_with("IDOK")

    # A message before it runs: Yes runs it, No skips it, Cancel runs a command of its own first.
    e = add_command(w, asked, IDC_CHKSHOWMESSAGE="1", IDC_CBOSHOWMESSAGEWHEN="0")
    style = Dialog(e, "IDC_CMDEDITMESSAGE", "Command Message Style")
    for name, value in [("IDC_CBOBUTTONS", "3"), ("IDC_CBOICONSTYLE", "2"), ("IDC_OPTDEFAULTBUTTON1", "1"),
                        ("IDC_CBOACTION1", "0"), ("IDC_CBOACTION2", "1"), ("IDC_CBOACTION3", "5"),
                        ("IDC_TXTMESSAGE", "Back up now?")]:
        style.set(name, value)
    expect(style.control("IDC_IMGICONSTYLE1")[1], True, "the question icon")
    s.screenshot("message-style")
    action = Dialog(style, "IDC_CMDEDITACTION3", "Edit User Defined Action3")
    action.set("IDC_TXTUSERDEFINEDACTION", user_defined)
    s.screenshot("edit-action")
    action.close_with("IDOK")
    style.press("IDC_STYLETEST")
    title, text = style.answer("Back up now?", "&No")
    expect((title, text), ("Ambrel", "Back up now?"), "the tested message")
    _, text = style.answer("Option selected:", "OK")
    expect(text.split(), "Option selected: Skip following program".split(), "the tested answer")
    style.close_with("IDC_STYLEACCEPT")
    e.close_with("IDOK")

    # Switched off; and one to delete again.
    e = add_command(w, tested, IDC_CHK_RUN="0")
    expect(e.value("IDC_CHK_RUN"), "0", "Don't run")
    expect(e.control("IDC_IMG_DONT_RUN")[1] and not e.control("IDC_IMG_RUN")[1], True, "the don't-run picture")
    e.close_with("IDOK")
    add_command(w, doomed).close_with("IDOK")
    expect([r.split("|")[2] for r in rows(s, w)], [weekly, asked, tested, doomed], "the rows")

    # Edit the third: a test run from the editor, then the command line changed.
    s.tool("select", w.hwnd, 3)
    e = Dialog(w, "IDC_CMD_EDIT", "Ambrel")
    expect(e.value("IDC_LBL_COMMAND"), "Edit command line:", "the editor's label")
    e.press("IDC_CMDTEST")
    s.wait_for(lambda: s.lines("C:\\tested.txt") == ["from-the-editor"], 60, "the editor's test run")
    e.set("IDC_TXT_COMMAND", off)
    e.close_with("IDOK")

    # Delete the fourth: shown read-only, gone once accepted.
    s.tool("select", w.hwnd, 4)
    e = Dialog(w, "IDC_CMD_DELETE", "Ambrel")
    expect(e.value("IDC_LBL_COMMAND"), "Delete this command line?", "the deletion's label")
    expect(e.control("IDC_TXT_COMMAND")[0], False, "the command line in a deletion")
    expect((e.control("IDC_IMG_RUN")[1], e.control("IDC_IMG_DONT_RUN")[1]), (True, False), "the run picture")
    s.screenshot("editor-delete")
    e.close_with("IDOK")

    # The asked one first, then OK.
    s.tool("select", w.hwnd, 2)
    s.tool("toolbar", w.hwnd, 1)
    s.wait_for(lambda: [r.split("|")[2] for r in rows(s, w)] == [asked, weekly, off], 60, "the reordered rows")
    w.close_with("IDOK")

    stored = s.tool("dump-all", "C:\\Ambrel")[1].splitlines()
    expected = [
        f"1 2 1 291 0 0 1 0 0 0 1 2 6|{asked}|Back up now?|||{user_defined}",
        f"1 1 0 0 0 0 2 5 {today + 1} 0 1 2 3|{weekly}||||",
        f"0 2 0 0 0 0 1 0 0 0 1 2 3|{off}||||",
    ]
    expect(stored, expected, "the saved list")

    # The monitor runs it: Cancel in the message runs its own command, then the command.
    s.start_monitor()
    s.wait_window()
    ending = s.end_session_async()
    title, text = w.answer("Back up now?", "Cancel")
    expect(title, "Ambrel", "the message's title at run time")
    ending.wait(timeout=90)
    expect(s.lines("C:\\trace.txt"), ["user-defined", "asked", "weekly"], "what ran")
