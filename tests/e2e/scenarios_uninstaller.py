"""The uninstaller on a machine that holds everything the programs leave:
Cancel removes nothing; Ok removes exactly that, for this user, and says so."""

import re
import subprocess
from pathlib import Path

from e2e_harness import check, scenario
from scenarios_maintenance import expect

RESOURCES = Path(__file__).resolve().parents[2] / "src" / "uninstaller" / "uninstaller_resource.h"
ID = {name: int(number) for name, number in re.findall(r"^#define (IDC?_\w+) (\d+)", RESOURCES.read_text(), re.M)}
IDCANCEL = 2
SHELL_FOLDERS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"


def wine(s, *args):
    """A program of Wine's own; its registry tools see the 64-bit programs' view."""
    if args[0] == "reg":
        args = (*args, "/reg:64")
    return subprocess.run(["wine", *args], env=s.env, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=60)


def shell_folder(s, name):
    out = wine(s, "reg", "query", SHELL_FOLDERS, "/v", name).stdout
    found = re.search(rf"{name}\s+REG_SZ\s+(.+)", out)
    check(found is not None, f"no {name} folder in the registry")
    return found.group(1).strip()


def on_disk(s, windows_path):
    return s.drive / windows_path[3:].replace("\\", "/")


def key_exists(s, key):
    return wine(s, "reg", "query", key).returncode == 0


@scenario
def uninstaller_cancel_keeps_everything_and_ok_removes_what_the_programs_left(s):
    startup = on_disk(s, shell_folder(s, "Startup"))
    shutdown = on_disk(s, shell_folder(s, "Programs")) / "Shutdown"
    data = s.program_dir / "Data"
    s.options(QueryClose="T")  # the all-users options under HKEY_LOCAL_MACHINE
    wine(s, "reg", "add", "HKCU\\Software\\Ambrel 2.0\\Options", "/v", "QueryClose", "/d", "F", "/f")
    for folder in (startup, shutdown, data):
        folder.mkdir(parents=True, exist_ok=True)
    made = [data / "ambrel.sdd", data / "ambrel.sds", data / "ambrel.log", data / "desktop.ini",
            s.program_dir / "AMBREL.GID", startup / "Ambrel.lnk", shutdown / "Backup.lnk", shutdown / "clean.bat"]
    kept = [startup / "Other.lnk", s.program_dir / "notes.txt", data.parent / "Ambrel.exe"]
    for path in made + kept:
        if not path.exists():
            path.write_text("x")
    check(wine(s, "cmd", "/c", "attrib", "+h", "C:\\Ambrel\\Data\\desktop.ini").returncode == 0, "attrib failed")
    keys = ["HKLM\\Software\\Ambrel 2.0\\Options", "HKCU\\Software\\Ambrel 2.0\\Options"]

    def window():
        s.start_program("Pellorin.exe")
        hwnd = s.wait_title("Uninstall Ambrel")
        s.wait_for(lambda: s.tool("visible", hwnd, check_rc=False)[1].strip() == "1", 60, "the window showing")
        return hwnd

    hwnd = window()
    texts = {name: s.tool("caption", hwnd, ID[name])[1].rstrip("\n").split(" ", 1)[1]
             for name in ("IDC_LABEL1", "IDC_TXTMESSAGE", "IDC_LABEL2_4", "IDC_CMDOK")}
    expect(texts["IDC_LABEL1"], "Important!", "the heading")
    check(texts["IDC_TXTMESSAGE"].startswith('If "All users use the same options and command lines" is not checked'),
          f"the first message reads {texts['IDC_TXTMESSAGE']!r}")
    expect(texts["IDC_LABEL2_4"], "Ok to continue with uninstall?", "the question")
    s.screenshot("uninstaller")
    s.tool("press", hwnd, IDCANCEL)
    check(s.tool("wait-gone", hwnd, 60000, check_rc=False)[0] == 0, "Cancel left the window open")
    check(all(p.exists() for p in made + kept), "Cancel removed something")
    check(all(key_exists(s, k) for k in keys), "Cancel removed a key")

    hwnd = window()
    s.tool("press", hwnd, ID["IDC_CMDOK"])
    rc, out = s.tool("box", "was uninstalled", "OK", 60000, check_rc=False)
    check(rc == 0, "no final message")
    _, title, text = out.split("\n", 2)
    expect((title, text.strip()), ("Pellorin", "Ambrel 2.0 was uninstalled for the current user."), "the final message")
    check(s.tool("wait-gone", hwnd, 60000, check_rc=False)[0] == 0, "the window stays after Ok")
    left = [p.name for p in made if p.exists()]
    expect(left, ["desktop.ini"], "what the programs left that is still there (a hidden file keeps Data)")
    check(data.exists() and not shutdown.exists(), "Data should stay for its hidden file, Shutdown should go")
    check(all(p.exists() for p in kept), "Ok removed something that was not the programs'")
    check(not any(key_exists(s, k) for k in keys), "a key of the options is still there")
    check(not key_exists(s, "HKLM\\Software\\Ambrel 2.0") and not key_exists(s, "HKCU\\Software\\Ambrel 2.0"),
          "the product's key is still there")
