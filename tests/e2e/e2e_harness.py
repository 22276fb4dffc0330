#!/usr/bin/env python3
"""The end-to-end harness: a Wine session with the monitor installed.

Each scenario gets a Wine prefix of its own (a copy of the build tree's
template), installs Ambrel.exe and the driver tool in C:\\Ambrel, prepares
options and a command list through the project's own code (the tool), starts
the real monitor and ends the Wine session the way a user's shut down does
(wineboot --end-session). What happened is read back from the prefix: traces
written by the commands, the log, the command list's counters.
"""

import argparse
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
WINE_RUN = HERE.parent / "wine" / "wine-run.sh"
WM_AMBREL_REFRESH = 0x0590
WM_AMBREL_CLOSE = 0x0591
WINE64 = os.environ.get("AMBREL_WINE64", "/usr/lib/wine/wine64")
ADDR_NO_RANDOMIZE = 0x0040000


def start_without_randomisation():
    """Everything this process starts from now on runs with the same address
    layout every time: Wine's loader sits at a fixed address with its heap at a
    random distance above it, and now and then that heap takes the address that
    Windows' shared user data must have, so the program dies at start. (The
    Wine runner does the same for the test programs.)"""
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        current = libc.personality(0xFFFFFFFF)
        if current != -1 and not current & ADDR_NO_RANDOMIZE:
            libc.personality(current | ADDR_NO_RANDOMIZE)
    except (OSError, AttributeError):
        pass


start_without_randomisation()


def loader_for(path):
    """The 64-bit loader for a 64-bit program: Debian's `wine` is the 32-bit one
    when Wine's 32-bit half is installed, and it would hand the program to
    start.exe to be started a second time."""
    try:
        with open(path, "rb") as f:
            head = f.read(4096)
        offset = int.from_bytes(head[0x3C:0x40], "little")
        machine = int.from_bytes(head[offset + 4:offset + 6], "little")
    except (OSError, ValueError):
        return "wine"
    return WINE64 if machine == 0x8664 and os.access(WINE64, os.X_OK) else "wine"


class ScenarioFailed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise ScenarioFailed(message)


class Session:
    """One Wine session in a private prefix, with the programs installed."""

    def __init__(self, build, name, version=None, keep=False, own_display=False):
        self.build = Path(build).resolve()
        self.xvfb = None
        self.keep = keep
        self.root = self.build / "wine"
        self._ensure_template()
        private = self.root / "private"
        private.mkdir(parents=True, exist_ok=True)
        self.prefix = Path(tempfile.mkdtemp(prefix=f"e2e-{name}-", dir=private))
        self._copy_template()
        if version:
            with open(self.prefix / "user.reg", "a") as f:
                f.write(f'\n[Software\\\\Wine] 0\n"Version"="{version}"\n')
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=str(self.prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEARCH="win64")
        if own_display:
            # Keyboard input goes to the window in front, and on a display
            # that other sessions share, their windows take the front away.
            read, write = os.pipe()
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                                          "-nolisten", "tcp"], pass_fds=(write,), stdin=subprocess.DEVNULL,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write)
            with os.fdopen(read) as pipe:
                self.env["DISPLAY"] = f":{pipe.readline().strip()}"
        elif not self.env.get("DISPLAY"):
            display = (self.root / "xvfb.display").read_text().split()[0]
            self.env["DISPLAY"] = f":{display}"
        # The server and Wine's own background programs start with their output
        # sent nowhere: whatever outlives a call must not hold its pipes open.
        for warm_up in (["wineserver", "-p"], ["wine", "cmd.exe", "/c", "exit"]):
            subprocess.run(warm_up, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        self.drive = self.prefix / "drive_c"
        self.program_dir = self.drive / "Ambrel"
        self.program_dir.mkdir()
        shutil.copy(self.build / "src" / "monitor" / "Ambrel.exe", self.program_dir)
        shutil.copy(self.build / "tests" / "e2e_tool.exe", self.program_dir)
        for program in ("maintenance/corvane.exe", "launcher/Telvix.exe", "uninstaller/Pellorin.exe"):
            built = self.build / "src" / program
            if built.exists():
                shutil.copy(built, self.program_dir)
        if (self.build / "help" / "AMBREL.CHM").exists():
            shutil.copy(self.build / "help" / "AMBREL.CHM", self.program_dir)
        self.monitors = []

    def _ensure_template(self):
        # The wrapper makes the template (under its lock) and the display.
        probe = self.build / "tests" / "wine_probe.exe"
        subprocess.run([str(WINE_RUN), str(probe)], check=True, stdin=subprocess.DEVNULL)

    def _copy_template(self):
        template = self.root / "template"
        for item in template.iterdir():
            if item.name == "drive_c":
                continue
            if item.is_dir():
                shutil.copytree(item, self.prefix / item.name, symlinks=True)
            elif item.name != ".ambrel-ready":
                shutil.copy2(item, self.prefix / item.name)
        (self.prefix / "drive_c").mkdir()
        for item in (template / "drive_c").iterdir():
            target = self.prefix / "drive_c" / item.name
            if item.name == "windows":
                subprocess.run(["cp", "-al", str(item), str(target)], check=True)
            else:
                subprocess.run(["cp", "-a", str(item), str(target)], check=True)

    # -- running things in the session --------------------------------------
    def linux_path(self, windows_path):
        """Where a C:\\ path of the session is on this machine."""
        return self.drive / windows_path[3:].replace("\\", "/") if windows_path[:3].upper() == "C:\\" \
            else Path(windows_path)

    def wine(self, program, *args):
        """The command line that runs a program of the session (a C:\\ path)."""
        return [loader_for(self.linux_path(program)), program, *map(str, args)]

    def tool(self, *args, timeout=120, check_rc=True):
        result = subprocess.run(self.wine("C:\\Ambrel\\e2e_tool.exe", *args), env=self.env,
                                stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=timeout)
        if check_rc and result.returncode != 0:
            raise ScenarioFailed(f"e2e_tool {' '.join(map(str, args))} failed ({result.returncode}): "
                                 f"{result.stdout} {result.stderr}")
        return result.returncode, result.stdout.replace("\r", "")

    def options(self, **values):
        self.tool("options", *[f"{k}={v}" for k, v in values.items()])

    def commands(self, lines):
        list_file = self.drive / "commands.txt"
        list_file.write_text("\n".join(lines) + "\n")
        self.tool("commands", "C:\\Ambrel", "C:\\commands.txt")

    def dump(self):
        _, out = self.tool("dump", "C:\\Ambrel")
        rows = {}
        for line in out.splitlines():
            index, command, run, count, date = line.split("|")
            rows[command] = (int(run), int(count), int(date))
        return rows

    def start_monitor(self, *args, calls_to=None):
        """Starts the monitor; with `calls_to`, the system calls that Wine
        implements only in part (and reports with their arguments) go to that file."""
        env, output = self.env, subprocess.DEVNULL
        if calls_to:
            env = dict(self.env, WINEDEBUG="-all,fixme+graphics,fixme+process")
            output = open(calls_to, "a")
        process = subprocess.Popen(self.wine("C:\\Ambrel\\Ambrel.exe", *args), env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=output)
        if calls_to:
            output.close()
        self.monitors.append(process)
        return process

    def start_program(self, exe, *args, trace_to=None, channels=""):
        """Starts a program of C:\\Ambrel; with `trace_to`, Wine's trace of the
        debug `channels` (its own reports of what it was asked) goes to that file."""
        env, output = self.env, subprocess.DEVNULL
        if trace_to:
            env = dict(self.env, WINEDEBUG=f"-all,{channels}")
            output = open(trace_to, "a")
        process = subprocess.Popen(self.wine(f"C:\\Ambrel\\{exe}", *args), env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=output)
        if trace_to:
            output.close()
        self.monitors.append(process)
        return process

    def wait_title(self, title, timeout_ms=60000):
        rc, out = self.tool("wait-title", title, timeout_ms, check_rc=False, timeout=timeout_ms / 1000 + 30)
        check(rc == 0, f"no window titled {title!r}")
        return int(out.split()[0])

    def wait_dialog(self, title, timeout_ms=60000):
        rc, out = self.tool("wait-dialog", title, timeout_ms, check_rc=False, timeout=timeout_ms / 1000 + 30)
        check(rc == 0, f"no dialog titled {title!r}")
        return int(out.split()[0])

    def set_windows_version(self, version):
        """Programs started from now on see this Windows version."""
        subprocess.run(["wine", "reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", version, "/f"],
                       env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)

    def wait_window(self, class_name="AmbrelMonitor", timeout_ms=60000):
        """The window's handle once it exists and its program has come to its
        message loop (a message sent to it is answered then), so that what its
        start-up makes (the status bar, the tray icon) is there."""
        rc, out = self.tool("wait-window", class_name, timeout_ms, check_rc=False, timeout=timeout_ms / 1000 + 30)
        check(rc == 0, f"no window of class {class_name}")
        hwnd = int(out.split()[0])
        self.tool("send", hwnd, 0, check_rc=False)
        return hwnd

    def start_helper(self, record="C:\\helper.txt"):
        """A window elsewhere in the session that records the end of the session."""
        process = subprocess.Popen(self.wine("C:\\Ambrel\\e2e_tool.exe", "helper-window", record, "Helper"),
                                   env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.monitors.append(process)
        self.wait_for(lambda: any(line.startswith("ready") for line in self.lines(record)), 60, "the helper window")
        return process

    def start_decoy(self, record="C:\\decoy.txt"):
        """A window of the monitor's class in another program, which records
        the monitor's private messages: its handle."""
        process = subprocess.Popen(self.wine("C:\\Ambrel\\e2e_tool.exe", "decoy-monitor", record), env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.monitors.append(process)
        self.wait_for(lambda: any(line.startswith("ready") for line in self.lines(record)), 60, "the decoy window")
        return int(next(line for line in self.lines(record) if line.startswith("ready")).split()[1])

    def store_hwnd(self, hwnd):
        """A stored AmbrelHwnd, as a stale one is left."""
        subprocess.run(["wine", "reg", "add", "HKLM\\Software\\Ambrel 2.0\\Options", "/v", "AmbrelHwnd", "/t",
                        "REG_DWORD", "/d", str(hwnd), "/f", "/reg:64"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def end_session(self, timeout=90):
        """A user's shut down: returns wineboot's exit code."""
        return subprocess.run(["wineboot", "--end-session"], env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout).returncode

    def end_session_async(self):
        return subprocess.Popen(["wineboot", "--end-session"], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def read(self, windows_path, default=""):
        path = self.linux_path(windows_path)
        return path.read_text(errors="replace").replace("\r", "") if path.exists() else default

    def lines(self, windows_path):
        return [line for line in self.read(windows_path).split("\n") if line]

    def wait_for(self, predicate, timeout=30, message="condition"):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if predicate():
                return
            time.sleep(0.2)
        raise ScenarioFailed(f"timed out waiting for {message}")

    # -- processor time ---------------------------------------------------------
    def pids(self, program=b"Ambrel.exe"):
        """The Linux processes of this session's prefix whose command line names `program`."""
        found = []
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                if program not in (entry / "cmdline").read_bytes():
                    continue
                environment = (entry / "environ").read_bytes().split(b"\0")
            except OSError:
                continue
            if f"WINEPREFIX={self.prefix}".encode() in environment:
                found.append(int(entry.name))
        return found

    def processor_use(self, seconds, program=b"Ambrel.exe"):
        """The processor time of the one process running `program` over the
        next `seconds`: (processor seconds, wall seconds)."""
        pids = self.pids(program)
        check(len(pids) == 1, f"expected one {program.decode()} process of this session, found {pids}")
        before, wall = cpu_seconds(pids), time.monotonic()
        time.sleep(seconds)
        used, wall = cpu_seconds(pids) - before, time.monotonic() - wall
        check(self.pids(program) == pids, f"{program.decode()} ended while it was measured")
        return used, wall

    def screenshot(self, name):
        artifacts = self.build / "artifacts"
        artifacts.mkdir(exist_ok=True)
        target = artifacts / f"{name}.png"
        subprocess.run(["import", "-window", "root", str(target)], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        return target

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        for process in self.monitors:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        if self.xvfb:
            self.xvfb.kill()
            self.xvfb.wait()
        if self.keep:
            print(f"prefix kept at {self.prefix}")
        else:
            shutil.rmtree(self.prefix, ignore_errors=True)


TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pids):
    """User and system time of these processes so far (fields 14 and 15 of /proc's stat)."""
    total = 0
    for pid in pids:
        try:
            fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        total += int(fields[11]) + int(fields[12])
    return total / TICKS_PER_SECOND


SCENARIOS = {}
SECONDS = {}
OWN_DISPLAY = set()


def scenario(function=None, *, seconds=5, own_display=False):
    """Registers a scenario; `seconds` is about how long it takes, so that the
    test run can start the long ones first. `own_display` gives it a display
    of its own, for one that types into a window."""
    def register(function):
        SCENARIOS[function.__name__] = function
        SECONDS[function.__name__] = seconds
        if own_display:
            OWN_DISPLAY.add(function.__name__)
        return function
    return register(function) if function else register


def trace_command(name):
    """A command line that appends its name to C:\\trace.txt."""
    return f"C:\\Ambrel\\e2e_tool.exe trace C:\\trace.txt {name}"
