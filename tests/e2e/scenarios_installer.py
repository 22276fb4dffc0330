"""What a Windows user installs: the setup program, silent, in a fresh prefix;
the installed monitor at a real session end; the uninstall that the entry
names; and the 32-bit monitor under Wine's 32-bit half. Listed only when
scripts/package.sh has made build/dist."""

import os
import shutil
import subprocess
from pathlib import Path

from e2e_harness import check, scenario, trace_command
from scenarios_maintenance import expect
from scenarios_monitor import TRACE, exited, expect_standard_run, logged_options, standard_commands
from scenarios_uninstaller import on_disk, shell_folder

DIST = Path(__file__).resolve().parents[2] / "build" / "dist"
SETUP = DIST / "ambrel-2.0-setup.exe"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ambrel 2.0"
PROGRAMS = ("Ambrel.exe", "corvane.exe", "Telvix.exe", "Pellorin.exe")


def reg(s, *args, view="64"):
    return subprocess.run(["wine", "reg", *args, f"/reg:{view}"], env=s.env, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=60)


def reg_values(s, key):
    result = reg(s, "query", key)
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.replace("\r", "").split("\n"):
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2] if len(parts) == 3 else ""
    return values


def processes_of(s, *names):
    """The command lines of this prefix's processes that name one of `names`."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            environ = Path(f"/proc/{pid}/environ").read_bytes().split(b"\0")
            cmdline = Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if f"WINEPREFIX={s.prefix}".encode() in environ and any(n.lower() in cmdline.lower() for n in names):
            found.append(cmdline)
    return found


def if_packaged(function):
    return scenario(function) if SETUP.exists() else function


@if_packaged
def setup_installs_silently_the_monitor_runs_a_list_and_the_uninstall_string_removes_everything(s):
    shutil.copy(SETUP, s.drive / "setup.exe")
    setup = subprocess.run(s.wine("C:\\setup.exe", "/S"), env=s.env, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=180)
    check(setup.returncode == 0, f"setup /S: {setup.returncode}")
    # The 64-bit programs, in the folder under Program Files, with Data.
    home = s.drive / "Program Files" / "Ambrel"
    for program in PROGRAMS:
        check((home / program).read_bytes() == (DIST / "x86_64" / program).read_bytes(),
              f"{program} is not the 64-bit build")
    check((home / "Data").is_dir() and (home / "uninstall.exe").exists(), "no Data folder or uninstaller")
    # The shortcuts: the group for every user, the user's Shutdown folder and Startup shortcut.
    common = s.drive / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Ambrel 2.0"
    shortcuts = sorted(p.name for p in common.glob("*.lnk"))
    expect(shortcuts, ["Ambrel Maintenance.lnk", "Shut Down Windows.lnk", "Uninstall Ambrel.lnk"], "the group")
    targets = {name: s.tool("shortcut", f"{windows_path(s, common)}\\{name}")[1].split("\n")[0] for name in shortcuts}
    expect(targets, {"Ambrel Maintenance.lnk": "C:\\Program Files\\Ambrel\\corvane.exe",
                     "Shut Down Windows.lnk": "C:\\Program Files\\Ambrel\\Telvix.exe",
                     "Uninstall Ambrel.lnk": "C:\\Program Files\\Ambrel\\Pellorin.exe"}, "the group's targets")
    startup = on_disk(s, shell_folder(s, "Startup")) / "Ambrel.lnk"
    shutdown = on_disk(s, shell_folder(s, "Programs")) / "Shutdown"
    check(startup.exists() and shutdown.is_dir(), "no Startup shortcut or Shutdown folder")
    monitor_path, working = s.tool("shortcut", windows_path(s, startup))[1].split("\n")[:2]
    expect((monitor_path, working), ("C:\\Program Files\\Ambrel\\Ambrel.exe", "C:\\Program Files\\Ambrel"),
           "the Startup shortcut (as the maintenance program makes it)")
    # The entry, in the 64-bit programs' view.
    entry = reg_values(s, UNINSTALL_KEY)
    check(entry is not None, "no Add/Remove Programs entry")
    expect((entry.get("DisplayName"), entry.get("DisplayVersion"), entry.get("InstallLocation")),
           ("Ambrel 2.0", "2.0.0", "C:\\Program Files\\Ambrel"), "the entry")
    check(int(entry.get("EstimatedSize", "0"), 16) > 1000, f"the entry's size: {entry.get('EstimatedSize')}")
    uninstall = entry.get("UninstallString", "")
    expect(uninstall, '"C:\\Program Files\\Ambrel\\uninstall.exe"', "the uninstall string")

    # The installed monitor, started where its shortcut points, runs a list at a real end of the session.
    logged_options(s, ShutdownOption=3, QueryClose="F", LogDir="C:\\Program Files\\Ambrel\\Data\\ambrel.log")
    (s.drive / "commands.txt").write_text(trace_command("installed") + "\n")
    s.tool("commands", "C:\\Program Files\\Ambrel", "C:\\commands.txt")

    monitor = subprocess.Popen(s.wine(monitor_path), env=s.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s.monitors.append(monitor)
    s.wait_window()
    s.start_helper()
    check(s.end_session() == 0, "the end of the session failed")
    check(exited(monitor), "the monitor outlived the session")
    expect(s.lines(TRACE), ["installed"], "what the installed monitor ran")
    check("installed" in s.read("C:\\Program Files\\Ambrel\\Data\\ambrel.log"), "the run was not logged in Data")

    # The session that follows starts the monitor from the Startup shortcut;
    # the entry's uninstall string, run silently, closes it and removes everything.
    s.tool("sleep", 0)  # the next program of the prefix begins the new session
    window = s.wait_window()
    monitors = s.tool("windows-of", "AmbrelMonitor")[1].split("\n")[:-1]
    check(len(monitors) == 1, f"monitors running: {monitors}")
    check(processes_of(s, "Program Files\\Ambrel\\Ambrel.exe"), "the running monitor is not the installed one")
    s.wait_for(lambda: s.tool("registry-hwnd")[1].split()[0] == str(window), 60, "the monitor's handle published")
    subprocess.run(s.wine(uninstall.strip('"'), "/S"), env=s.env, stdin=subprocess.DEVNULL, capture_output=True,
                   timeout=120)
    s.wait_for(lambda: not s.tool("windows-of", "AmbrelMonitor")[1].strip(), 60, "the monitor closed")
    s.wait_for(lambda: not home.exists(), 60, "the program folder removed")
    check(not common.exists() and not startup.exists() and not shutdown.exists(), "a shortcut or folder is left")
    check(reg_values(s, UNINSTALL_KEY) is None, "the entry is left")
    for root in ("HKLM", "HKCU"):
        check(reg_values(s, f"{root}\\Software\\Ambrel 2.0") is None, f"{root}\\Software\\Ambrel 2.0 is left")
    s.wait_for(lambda: not processes_of(s, *PROGRAMS, "uninstall", "Au_.exe", "setup.exe"), 30,
               "every process of Ambrel and of its setup gone")


def windows_path(s, path):
    return "C:\\" + str(Path(path).relative_to(s.drive)).replace("/", "\\")


@if_packaged
def the_32_bit_monitor_runs_the_due_commands_and_lets_the_session_end(s):
    program = DIST / "i686" / "Ambrel.exe"
    check(program.read_bytes()[program.read_bytes().find(b"PE\0\0") + 4:][:2] == b"\x4c\x01", "not a 32-bit program")
    shutil.copy(program, s.program_dir / "Ambrel.exe")
    logged_options(s, ShutdownOption=3, QueryClose="F")
    # A 32-bit program reads HKEY_LOCAL_MACHINE\Software through its own view.
    reg(s, "export", "HKLM\\Software\\Ambrel 2.0", "C:\\options.reg", "/y")
    check(reg(s, "import", "C:\\options.reg", view="32").returncode == 0, "the options not copied to the 32-bit view")
    standard_commands(s)
    before = s.dump()
    monitor = s.start_monitor()
    s.wait_window()
    published = reg(s, "query", "HKLM\\Software\\Ambrel 2.0\\Options", "/v", "AmbrelHwnd", view="32").stdout
    check("0xffffffff" not in published and "AmbrelHwnd" in published, f"the 32-bit monitor's handle: {published}")
    helper = s.start_helper()
    check(s.end_session() == 0, "the end of the session failed")
    check(exited(monitor), "the monitor outlived the session")
    check("WM_ENDSESSION 1" in s.lines("C:\\helper.txt"), "the session did not end")
    expect_standard_run(s, before)
    del helper
