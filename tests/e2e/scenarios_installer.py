"""What a Windows user installs: the setup program, silent, in a fresh prefix
and in a chosen folder, with the descriptors it sets read from the
wineserver's request trace (Wine keeps none on files); the installed monitor
at a real session end; the uninstall that the entry names; and the 32-bit
monitor under Wine's 32-bit half. Listed only when scripts/package.sh has made
build/dist."""

import datetime
import os
import re
import shutil
import struct
import subprocess
import sys
from collections import namedtuple
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
import check_manifest  # noqa: E402  (the package step's reader of the manifests)
from e2e_harness import check, scenario, trace_command  # noqa: E402
from scenarios_maintenance import expect
from scenarios_monitor import TRACE, exited, expect_standard_run, logged_options, standard_commands
from scenarios_uninstaller import on_disk, shell_folder

DIST = Path(__file__).resolve().parents[2] / "build" / "dist"
SETUP = DIST / "ambrel-2.0-setup.exe"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ambrel 2.0"
PROGRAMS = ("Ambrel.exe", "corvane.exe", "Telvix.exe", "Pellorin.exe")
DATA_FILES = ("ambrel.sds", "ambrel.sdd", "ambrel.log", "ambrel.lock")


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


# What the setup asks for, in the terms of the wineserver's trace. Access rights
# (on a folder WRITE creates files, APPEND folders and EXECUTE traverses):
READ, WRITE, APPEND, READ_EA, WRITE_EA, EXECUTE, READ_ATTRIBUTES, WRITE_ATTRIBUTES = \
    0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x80, 0x100
DELETE, READ_CONTROL, SYNCHRONIZE = 0x10000, 0x20000, 0x100000
FULL = 0x1F01FF
READ_ONLY = READ_CONTROL | SYNCHRONIZE | READ | READ_EA | READ_ATTRIBUTES
LIST_AND_ADD_FILES = READ_ONLY | EXECUTE | WRITE  # on a folder: list, traverse, create files
CHANGE_NOT_PERMIT = READ_ONLY | WRITE | APPEND | WRITE_EA | WRITE_ATTRIBUTES | DELETE
OI, CI, IO, INHERITED = 0x1, 0x2, 0x8, 0x10
SYSTEM, ADMINISTRATORS, USERS = "S-1-5-18", "S-1-5-32-544", "S-1-5-32-545"
CREATOR_OWNER, OWNER_RIGHTS = "S-1-3-0", "S-1-3-4"
PROTECTED_DACL = 0x80000000
FILE_CREATE = 2  # NtCreateFile's disposition for CreateFile's CREATE_NEW

Descriptor = namedtuple("Descriptor", "owner protected aces")


def protected(flags, *aces):
    """Owned by Administrators and inheriting nothing: SYSTEM and Administrators
    with every right (passed on with `flags`), then `aces` as (flags, mask, sid)."""
    return Descriptor(ADMINISTRATORS, True, tuple(("ACCESS_ALLOWED", *ace) for ace in
                                                  ((flags, FULL, SYSTEM), (flags, FULL, ADMINISTRATORS), *aces)))


def intended_descriptors(home):
    data = home + "\\Data"
    return {
        home: protected(OI | CI, (OI | CI, READ_ONLY | EXECUTE, USERS)),
        data: protected(OI | CI, (0, LIST_AND_ADD_FILES, USERS), (OI | IO, CHANGE_NOT_PERMIT, CREATOR_OWNER),
                        (OI | IO, CHANGE_NOT_PERMIT, OWNER_RIGHTS)),
        data + "\\ambrel.sds": protected(0, (0, READ_ONLY, USERS)),
        data + "\\ambrel.sdd": protected(0, (0, READ_ONLY | WRITE, USERS)),
        data + "\\ambrel.log": protected(0, (0, READ_CONTROL | SYNCHRONIZE | APPEND | READ_ATTRIBUTES, USERS)),
        data + "\\ambrel.lock": protected(0, (0, READ_ONLY, USERS)),
    }


REQUEST = re.compile(r"^([0-9a-f]+): (\w+)\( (.*) \)$")
REPLY = re.compile(r"^([0-9a-f]+): (\w+)\(\) = (\w+)(?: \{ (.*) \})?$")
ACE = re.compile(r"\{type=(\w+),flags=([0-9a-f]+),mask=([0-9a-f]+),sid=([^}]+)\}")


def server_trace(text):
    """What a wineserver request trace (`wineserver -f -d1`) shows of files:
    the descriptors set, {path: [Descriptor]}, and the dispositions files were
    opened with, {path: [create]}, by Windows path in lower case.

    Each request is a line `TID: name( fields )`, its reply `TID: name() =
    STATUS { fields }`. create_file names the path (objattr's name=L"\\??\\C:\\...")
    and its reply the handle, which set_security_object( handle=H,
    security_info=I, sd={control,owner,group,sacl,dacl={{type,flags,mask,sid},...}} )
    then names; only sets that succeed count. The DACL keeps the entries asked
    for: Wine's SetNamedSecurityInfoW appends the parent's inheritable entries,
    marked inherited, since it reads back no protection (Windows adds none to a
    protected DACL); whether protection was asked for is in security_info."""
    opening, handles, pending = {}, {}, {}
    descriptors, dispositions = {}, {}
    for line in text.splitlines():
        request = REQUEST.match(line)
        if request:
            tid, name, fields = request.groups()
            if name == "create_file":
                path = re.search(r'name=L"((?:[^"\\]|\\.)*)"', fields).group(1)
                path = re.sub(r"\\(.)", r"\1", path).removeprefix("\\??\\").lower()
                opening[tid] = path
                create = int(re.search(r"create=(\d+)", fields).group(1))
                dispositions.setdefault(path, []).append(create)
            elif name == "set_security_object":
                handle = re.search(r"handle=([0-9a-f]+)", fields).group(1)
                info = int(re.search(r"security_info=([0-9a-f]+)", fields).group(1), 16)
                owner = re.search(r"owner=([^,]+)", fields).group(1)
                aces = tuple((kind, int(flags, 16), int(mask, 16), sid)
                             for kind, flags, mask, sid in ACE.findall(fields.split("dacl=", 1)[1]))
                pending[tid] = (handles.get((tid, handle), f"handle {handle}"),
                                Descriptor(owner, bool(info & PROTECTED_DACL),
                                           tuple(ace for ace in aces if not ace[1] & INHERITED)))
            continue
        reply = REPLY.match(line)
        if not reply:
            continue
        tid, name, status, fields = reply.groups()
        if name == "create_file" and status == "0" and tid in opening:
            handles[(tid, re.search(r"handle=([0-9a-f]+)", fields).group(1))] = opening.pop(tid)
        elif name == "set_security_object" and tid in pending:
            path, descriptor = pending.pop(tid)
            if status == "0":
                descriptors.setdefault(path, []).append(descriptor)
    return descriptors, dispositions


def trace_server(s, trace):
    """Replaces the prefix's wineserver with one that writes every request
    to `trace` (wineserver -f -d1), persistent as the harness starts it."""
    quiet = dict(env=s.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-k"], **quiet)
    subprocess.run(["wineserver", "-w"], **quiet)
    with open(trace, "w") as output:
        s.monitors.append(subprocess.Popen(["wineserver", "-f", "-d1", "-p"], env=s.env, stdin=subprocess.DEVNULL,
                                           stdout=subprocess.DEVNULL, stderr=output))
    s.wait_for(lambda: "wineserver: starting" in trace.read_text(errors="replace"), 30, "the tracing wineserver")
    # Wine's background programs start now, without the pipes of a later call.
    subprocess.run(["wine", "cmd.exe", "/c", "exit"], **quiet)


def run_setup(s, trace, *args):
    """Runs the setup silently; returns its exit code, the descriptors it set
    and the dispositions it opened files with (see server_trace)."""
    start = trace.stat().st_size
    setup = subprocess.run(s.wine("C:\\setup.exe", "/S", *args), env=s.env, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=180)
    with open(trace, "rb") as f:
        f.seek(start)
        return (setup.returncode, *server_trace(f.read().decode(errors="replace")))


def expect_descriptors(descriptors, home):
    """Exactly the intended descriptor, every time one was set, on exactly
    the program folder, Data and the four files of Data."""
    intended = {path.lower(): descriptor for path, descriptor in intended_descriptors(home).items()}
    expect(sorted(descriptors), sorted(intended), "what the setup set descriptors on")
    for path, sets in descriptors.items():
        expect(set(sets), {intended[path]}, f"the descriptor set on {path}")


def ole_days(day):
    return float((day - datetime.date(1899, 12, 30)).days)


def expect_empty_list(path, before):
    """The header of a list without commands: FileVersion 1, SavedDate the
    day the setup ran (as an OLE Automation date), then three zero fields."""
    header = path.read_bytes()
    check(len(header) == 18, f"{path.name} holds {len(header)} bytes: {header.hex()}")
    version, saved, *rest = struct.unpack("<hdihh", header)
    expect((version, rest), (1, [0, 0, 0]), f"{path.name}'s FileVersion and zero fields")
    check(saved in {ole_days(before), ole_days(datetime.date.today())}, f"{path.name}'s SavedDate: {saved}")


def if_packaged(function):
    return scenario(function) if SETUP.exists() else function


@if_packaged
def setup_installs_silently_the_monitor_runs_a_list_and_the_uninstall_string_removes_everything(s):
    shutil.copy(SETUP, s.drive / "setup.exe")
    trace = s.prefix / "wineserver.trace"
    trace_server(s, trace)
    today = datetime.date.today()
    returncode, descriptors, dispositions = run_setup(s, trace)
    check(returncode == 0, f"setup /S: {returncode}")
    # The 64-bit programs, in the folder under Program Files, with Data.
    home = s.drive / "Program Files" / "Ambrel"
    for program in PROGRAMS:
        check((home / program).read_bytes() == (DIST / "x86_64" / program).read_bytes(),
              f"{program} is not the 64-bit build")
    check((home / "uninstall.exe").exists(), "no uninstaller")
    check((home / "AMBREL.CHM").read_bytes() == (DIST / "x86_64" / "AMBREL.CHM").read_bytes(), "no help file")
    # Administrators own the program folder, Data and its files; Users may
    # add their own lists to Data and write the settings and the log in place.
    expect_descriptors(descriptors, "C:\\Program Files\\Ambrel")
    expect(sorted(p.name for p in (home / "Data").iterdir()), sorted(DATA_FILES), "what Data holds")
    expect_empty_list(home / "Data" / "ambrel.sds", today)
    for name in DATA_FILES:
        path = f"c:\\program files\\ambrel\\data\\{name}"
        check(dispositions[path][0] == FILE_CREATE, f"{name} first opened with {dispositions[path]}, not made new")
        if name != "ambrel.sds":
            check((home / "Data" / name).stat().st_size == 0, f"{name} is not empty")
    # The shortcuts: the group for every user, the user's Shutdown folder and Startup shortcut.
    common = s.drive / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Ambrel 2.0"
    shortcuts = sorted(p.name for p in common.glob("*.lnk"))
    expect(shortcuts, ["Ambrel Maintenance.lnk", "Shut Down Windows.lnk", "Uninstall Ambrel.lnk"], "the group")
    targets = {name: s.tool("shortcut", f"{windows_path(s, common)}\\{name}")[1].split("\n")[0] for name in shortcuts}
    expect(targets, {"Ambrel Maintenance.lnk": "C:\\Program Files\\Ambrel\\corvane.exe",
                     "Shut Down Windows.lnk": "C:\\Program Files\\Ambrel\\Telvix.exe",
                     "Uninstall Ambrel.lnk": "C:\\Program Files\\Ambrel\\Pellorin.exe"}, "the group's targets")
    # Started with Windows for every user of the machine, whoever installed it.
    startup = s.drive / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "StartUp" / "Ambrel.lnk"
    shutdown = on_disk(s, shell_folder(s, "Programs")) / "Shutdown"
    check(startup.exists() and shutdown.is_dir(), "no Startup shortcut for every user or no Shutdown folder")
    check(not (on_disk(s, shell_folder(s, "Startup")) / "Ambrel.lnk").exists(), "a Startup shortcut of the installer's own")
    monitor_path, working, arguments = s.tool("shortcut", windows_path(s, startup))[1].split("\n")[:3]
    expect((monitor_path, working, arguments),
           ("C:\\Program Files\\Ambrel\\Ambrel.exe", "C:\\Program Files\\Ambrel", "/startup"),
           "the Startup shortcut (as the maintenance program makes it)")
    # The installed programs carry their manifests, and HKLM holds every
    # option's default, so that a standard user's monitor starts at once.
    for program in PROGRAMS:
        check(check_manifest.main([str(home / program)]) == 0, f"{program}'s manifest")
    defaults = reg_values(s, "HKLM\\Software\\Ambrel 2.0\\Options") or {}
    expect({name: defaults.get(name) for name in ("AllUsersUseSame", "QueryClose", "ShutdownOption",
                                                   "AllowUsersToDisable", "TimeOutProgramMinutes", "LogDir")},
           {"AllUsersUseSame": "T", "QueryClose": "T", "ShutdownOption": "0x1", "AllowUsersToDisable": "0xffffffff",
            "TimeOutProgramMinutes": "120", "LogDir": "C:\\Program Files\\Ambrel\\Data\\ambrel.log"},
           "the options the setup program stores")
    check(len(defaults) >= 16, f"every option's default: {sorted(defaults)}")
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

    # The next log on starts the monitor from the shortcut (Wine's own start
    # of a session runs only the user's Startup folder, so the scenario runs
    # it), twice as a user's own shortcut beside it would: the second start
    # ends without a word. The entry's uninstall string, run silently, closes
    # the monitor and removes everything.
    s.tool("sleep", 0)  # the next program of the prefix begins the new session
    first = subprocess.Popen(s.wine(monitor_path, arguments), env=s.env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s.monitors.append(first)
    window = s.wait_window()
    second = subprocess.run(s.wine(monitor_path, arguments), env=s.env, stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=60)
    check(second.returncode == 0, f"the second start: {second.returncode}")
    rc, out = s.tool("box", "already running", "OK", 2000, check_rc=False)
    check(rc != 0, f"a box at the second start: {out}")
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


def the_32_bit_programs_run_option_3_without_confirmation(s, version=None):
    """The 32-bit monitor and maintenance program of the release build, on the
    Windows Wine presents (95, 98 and NT 4 among them, for which the 32-bit
    build is made): the maintenance program saves a list twice (the second
    save over the first one's backup, which 95 and 98 cannot replace in one
    step), then the monitor runs the due commands at a real end of the session
    and lets it end."""
    for name in ("Ambrel.exe", "corvane.exe"):
        program = DIST / "i686" / name
        check(program.read_bytes()[program.read_bytes().find(b"PE\0\0") + 4:][:2] == b"\x4c\x01",
              f"{name} is not a 32-bit program")
        shutil.copy(program, s.program_dir / name)
    logged_options(s, ShutdownOption=3, QueryClose="F")
    # A 32-bit program reads HKEY_LOCAL_MACHINE\Software through its own view.
    reg(s, "export", "HKLM\\Software\\Ambrel 2.0", "C:\\options.reg", "/y")
    check(reg(s, "import", "C:\\options.reg", view="32").returncode == 0, "the options not copied to the 32-bit view")
    if version:
        s.set_windows_version(version)
    for n, names in enumerate((["one"], ["one", "two"]), 1):
        (s.drive / "list.txt").write_bytes(("Ambrel command list, version 1\r\n" + "".join(
            f"\r\n[Command]\r\nCommandLine={trace_command(name)}\r\n[End]\r\n" for name in names)).encode())
        imported = s.start_program("corvane.exe", "/import", "C:\\list.txt", "/allusers").wait(timeout=60)
        expect(imported, 0, f"the 32-bit maintenance program's save {n}")
        expect([line.split("|")[1] for line in s.tool("dump", "C:\\Ambrel")[1].splitlines()],
               [trace_command(name) for name in names], f"the list after save {n}")
    check(b"one" in (s.program_dir / "Data" / "_temp.sds").read_bytes(), "the previous list is not the backup")
    check(not [p.name for p in (s.program_dir / "Data").iterdir() if ".new" in p.name or ".commit" in p.name],
          "a save left its new files or journal")
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


@if_packaged
def the_32_bit_monitor_runs_the_due_commands_and_lets_the_session_end(s):
    the_32_bit_programs_run_option_3_without_confirmation(s)


@if_packaged
def the_32_bit_programs_on_windows_95_run_the_due_commands_and_let_the_session_end(s):
    the_32_bit_programs_run_option_3_without_confirmation(s, "win95")


@if_packaged
def the_32_bit_programs_on_windows_98_run_the_due_commands_and_let_the_session_end(s):
    the_32_bit_programs_run_option_3_without_confirmation(s, "win98")


@if_packaged
def the_32_bit_programs_on_nt_4_run_the_due_commands_and_let_the_session_end(s):
    the_32_bit_programs_run_option_3_without_confirmation(s, "nt40")


@if_packaged
def setup_on_nt_4_says_it_needs_windows_2000_and_installs_nothing(s):
    shutil.copy(SETUP, s.drive / "setup.exe")
    s.set_windows_version("nt40")
    setup = subprocess.run(s.wine("C:\\setup.exe", "/S"), env=s.env, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=180)
    expect(setup.returncode, 3, "the setup's exit code on NT 4")
    home = s.drive / "Program Files" / "Ambrel"
    check(not home.exists() and reg_values(s, UNINSTALL_KEY) is None, "the setup installed something on NT 4")
    s.set_windows_version("win10")
    setup = subprocess.run(s.wine("C:\\setup.exe", "/S"), env=s.env, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=180)
    expect(setup.returncode, 0, "the setup's exit code on Windows 10")
    check(reg_values(s, UNINSTALL_KEY) is not None, "the setup did not install on Windows 10")


@if_packaged
def setup_into_a_chosen_folder_refuses_one_others_control_and_keeps_the_lists_it_finds(s):
    shutil.copy(SETUP, s.drive / "setup.exe")
    trace = s.prefix / "wineserver.trace"
    trace_server(s, trace)
    chosen = "/D=C:\\Tools\\Ambrel"
    home, elsewhere = s.drive / "Tools" / "Ambrel", s.drive / "Elsewhere"
    elsewhere.mkdir()
    (s.drive / "Tools").mkdir()

    def refused(why, look_in):
        returncode, descriptors, _ = run_setup(s, trace, chosen)
        expect(returncode, 2, f"the setup's exit code when {why}")
        expect(descriptors, {}, f"the descriptors set when {why}")
        check(not any(p.name in PROGRAMS + ("uninstall.exe",) for p in look_in.rglob("*")),
              f"programs written when {why}")
        check(reg_values(s, UNINSTALL_KEY) is None, f"an uninstall entry when {why}")

    # Wine shows a Unix symbolic link as a reparse point.
    os.symlink(elsewhere, home)
    refused("the folder is a reparse point", elsewhere)
    home.unlink()
    home.mkdir()
    if os.geteuid() == 0:
        # Wine shows another Unix user's folder as Anonymous Logon's.
        os.chown(home, 65534, 65534)
        refused("another account owns the folder", home)
        os.chown(home, 0, 0)
    (home / "notes.txt").write_text("not Ambrel's")
    refused("the folder holds other files", home)
    (home / "notes.txt").unlink()
    # What an earlier version left in Data, with a folder where the lock goes.
    data = home / "Data"
    (data / "ambrel.lock").mkdir(parents=True)
    kept = {"ambrel.sdd": bytes(range(40)), "ambrel.log": b"an earlier run\r\n"}
    for name, content in kept.items():
        (data / name).write_bytes(content)
    refused("Data holds a folder named ambrel.lock", home)
    expect({name: (data / name).read_bytes() for name in kept}, kept, "the earlier files after a refusal")

    (data / "ambrel.lock").rmdir()
    today = datetime.date.today()
    returncode, descriptors, dispositions = run_setup(s, trace, chosen)
    check(returncode == 0, f"setup /S {chosen}: {returncode}")
    for program in PROGRAMS:
        check((home / program).read_bytes() == (DIST / "x86_64" / program).read_bytes(),
              f"{program} is not the 64-bit build")
    # C:\Tools passes Modify for every user on to the folder; the setup's own
    # descriptors replace it, also on the files it finds in Data.
    expect_descriptors(descriptors, "C:\\Tools\\Ambrel")
    expect(sorted(p.name for p in data.iterdir()), sorted(DATA_FILES), "what Data holds")
    expect({name: (data / name).read_bytes() for name in kept}, kept, "the earlier files after the setup")
    expect_empty_list(data / "ambrel.sds", today)
    check((data / "ambrel.lock").stat().st_size == 0, "the lock is not empty")
    for name in DATA_FILES:
        made = [create for create in dispositions[f"c:\\tools\\ambrel\\data\\{name}"] if create != 1]
        expect(made, [] if name in kept else [FILE_CREATE], f"how {name} was made")
    entry = reg_values(s, UNINSTALL_KEY)
    check(entry is not None, "no Add/Remove Programs entry")
    expect((entry.get("InstallLocation"), entry.get("QuietUninstallString")),
           ("C:\\Tools\\Ambrel", '"C:\\Tools\\Ambrel\\uninstall.exe" /S'), "the entry")

    # Data's files and the programs' backups go with the uninstall even when
    # Pellorin leaves them: here a stand-in that removes nothing.
    for backup in ("_temp.sdd", "_temp.sds"):
        (data / backup).write_bytes(b"backup")
    shutil.copy(s.program_dir / "e2e_tool.exe", home / "Pellorin.exe")
    subprocess.run(s.wine(*entry["QuietUninstallString"].replace('"', "").rsplit(" ", 1)), env=s.env,
                   stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    s.wait_for(lambda: not home.exists(), 60, "the chosen folder removed")
    check(reg_values(s, UNINSTALL_KEY) is None, "the entry is left")
    s.wait_for(lambda: not processes_of(s, "uninstall", "Au_.exe", "setup.exe"), 30, "the uninstall's processes gone")
