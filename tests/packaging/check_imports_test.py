#!/usr/bin/env python3
"""The check that the 32-bit programs load on Windows 95, 98 and NT 4.

Runs scripts/check_imports.py on every 32-bit program the package step
built, and on small programs made here: one that calls GetTickCount passes;
one that calls GetTickCount64 (Vista), one that calls MoveFileExA (a stub
on 95 and 98) and one that asks for subsystem 6.0 are each refused, with
the reason. Exits 77 (skipped) when the package step has not run.
"""
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
CHECK = ROOT / "scripts" / "check_imports.py"
DIST = ROOT / "build" / "dist" / "i686"
COMPILER = "i686-w64-mingw32-gcc-win32"
PROGRAMS = ("Ambrel.exe", "corvane.exe", "Telvix.exe", "Pellorin.exe")

failures = []


def check(*programs):
    run = subprocess.run([sys.executable, str(CHECK), *map(str, programs)], capture_output=True, text=True)
    return run.returncode, run.stdout


def expect(what, condition, detail):
    if not condition:
        failures.append(f"{what}: {detail}")


def small_program(folder, name, body, *flags):
    source = folder / f"{name}.c"
    source.write_text("#include <windows.h>\nint WINAPI WinMain(HINSTANCE a, HINSTANCE b, LPSTR c, int d)\n"
                      "{ (void)a; (void)b; (void)c; (void)d; " + body + " }\n")
    program = folder / f"{name}.exe"
    subprocess.run([COMPILER, "-D_WIN32_WINNT=0x0600", "-mwindows", "-o", str(program), str(source), *flags],
                   check=True)
    return program


def main():
    if not all((DIST / p).exists() for p in PROGRAMS):
        print(f"skipped: {DIST} has not the four programs (run scripts/package.sh)")
        return 77
    returncode, out = check(*(DIST / p for p in PROGRAMS))
    print(out, end="")
    expect("the shipped programs", returncode == 0, out)
    for p in PROGRAMS:
        expect(p, f"{p}: " in out and "loads on Windows 95, 98 and NT 4" in out.split(f"{p}: ", 1)[1].split("\n")[0],
               out)

    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        cases = [
            ("ticks", "return (int)GetTickCount();", (), None),
            ("ticks64", "return (int)GetTickCount64();", (),
             "kernel32.dll GetTickCount64: needs Windows Vista"),
            ("replace", 'return MoveFileExA("a", "b", MOVEFILE_REPLACE_EXISTING);', (),
             "kernel32.dll MoveFileExA: Windows 95 and 98 export it only as a stub"),
            ("vista", "return (int)GetTickCount();", ("-Wl,--subsystem,windows:6.0",),
             "asks for subsystem version 6.0"),
        ]
        for name, body, flags, refusal in cases:
            returncode, out = check(small_program(folder, name, body, *flags))
            if refusal is None:
                expect(name, returncode == 0 and "loads on Windows 95, 98 and NT 4" in out, out)
            else:
                expect(name, returncode == 1 and "REFUSED" in out and refusal in out, out)
    for failure in failures:
        print("FAILED", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
