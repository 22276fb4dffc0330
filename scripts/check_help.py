#!/usr/bin/env python3
"""Checks the help project against the programs: every context number the
code opens help with (src/shared/HelpContexts.h) has a topic in the map
(help/context.h, the project's [ALIAS]), every map entry names a page that
exists and is compiled in, and no page, contents or index entry points at a
page or picture that is not there. Exits 1 at the first fault it finds, naming
it.

    check_help.py [REPOSITORY]
"""

import re
import sys
from pathlib import Path

ROOT = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[1])
HELP = ROOT / "help"


def fail(message):
    print(f"help: {message}")
    sys.exit(1)


def sections(project):
    found, current = {}, None
    for line in project.read_text().splitlines():
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        heading = re.fullmatch(r"\[(\w+)\]", line)
        if heading:
            current = found.setdefault(heading.group(1).upper(), [])
        elif current is not None:
            current.append(line)
    return found


def main():
    code = dict(re.findall(r"constexpr unsigned long (kHelp\w+) = (\d+);",
                           (ROOT / "src/shared/HelpContexts.h").read_text()))
    if not code:
        fail("no context numbers in src/shared/HelpContexts.h")
    # A number written into a call instead of a name would escape the check.
    for source in sorted((ROOT / "src").rglob("*.cpp")):
        for number, line in enumerate(source.read_text(errors="replace").splitlines(), 1):
            if re.search(r"ShowHelp(Topic)?\(.*,\s*\d+\s*\)", line):
                fail(f"{source.relative_to(ROOT)}:{number} opens help with a bare number")

    mapped = {name: int(number) for name, number in
              re.findall(r"#define\s+(IDH_\w+)\s+(\d+)", (HELP / "context.h").read_text())}
    by_number = {number: name for name, number in mapped.items()}
    project = sections(HELP / "ambrel.hhp")
    aliases = dict(line.split("=", 1) for line in project.get("ALIAS", []))
    files = project.get("FILES", [])
    if project.get("MAP") != ["#include context.h"]:
        fail("the project's [MAP] must be '#include context.h'")

    # One table: each number the programs open, its name, its page.
    for constant, number in sorted(code.items(), key=lambda item: int(item[1])):
        name = by_number.get(int(number))
        if not name:
            fail(f"{constant} ({number}) has no entry in help/context.h")
        page = aliases.get(name)
        if not page:
            fail(f"{name} ({number}) has no page in the project's [ALIAS]")
        if page not in files:
            fail(f"{name} ({number}) names {page}, which [FILES] does not compile in")
        if not (HELP / page).is_file():
            fail(f"{name} ({number}) names {page}, which does not exist")
    for name, page in aliases.items():
        if name not in mapped:
            fail(f"[ALIAS] {name} has no number in help/context.h")
        if not (HELP / page).is_file():
            fail(f"[ALIAS] {name} names {page}, which does not exist")

    compiled = set(files)
    for path in sorted(HELP.rglob("*")):
        relative = path.relative_to(HELP).as_posix()
        if path.is_file() and path.suffix.lower() in (".htm", ".html", ".css", ".png", ".gif", ".jpg"):
            if relative not in compiled:
                fail(f"{relative} is not in the project's [FILES]")
    for entry in files:
        if not (HELP / entry).is_file():
            fail(f"[FILES] lists {entry}, which does not exist")

    options = dict(line.split("=", 1) for line in project.get("OPTIONS", []))
    for key in ("Contents file", "Index file", "Default topic"):
        if not (HELP / options.get(key, "-")).is_file():
            fail(f"the project's {key} {options.get(key)!r} does not exist")

    pages = [HELP / entry for entry in files if entry.endswith(".htm")]
    for page in pages + [HELP / options["Contents file"], HELP / options["Index file"]]:
        text = page.read_text(errors="replace")
        targets = re.findall(r'(?:href|src)\s*=\s*"([^"]*)"', text, re.I)
        targets += re.findall(r'<param\s+name="Local"\s+value="([^"]*)"', text, re.I)
        for target in targets:
            if re.match(r"[a-z]+:", target, re.I):
                fail(f"{page.name} links outside the help: {target}")
            file = target.split("#", 1)[0]
            if file and not (page.parent / file).is_file():
                fail(f"{page.name} links to {target}, which does not exist")
            if file and (page.parent / file).suffix.lower() in (".htm", ".png", ".gif", ".jpg") and \
                    (page.parent / file).resolve().relative_to(HELP.resolve()).as_posix() not in compiled:
                fail(f"{page.name} links to {file}, which is not compiled in")
        if page.suffix == ".htm" and not re.search(r"<title>[^<]+</title>", text, re.I):
            fail(f"{page.name} has no title")
    print(f"help: {len(code)} context numbers mapped, {len(pages)} pages, every link resolves")


if __name__ == "__main__":
    main()
