#!/usr/bin/env python3
"""Checks that 32-bit programs load on Windows 95, 98 and NT 4.

Reads each program's import table and looks every imported function up in
the lists of packaging/oldest-windows/ (one file per DLL). A function passes
only when both Windows 95 and NT 4 export it and carry it out; a DLL without
a list, a function not in its list, one those systems lack and one that 95
and 98 export only as a stub are each refused with the version that first
has it. Prints each program's import count and verdict; exits 1 when any
program is refused.

    check_imports.py PROGRAM.exe...
    check_imports.py --list PROGRAM.exe     prints the imports, one per line
"""
import struct
import sys
from pathlib import Path

LISTS = Path(__file__).resolve().parent.parent / "packaging" / "oldest-windows"


class NotAProgram(Exception):
    pass


def read_program(path):
    """(machine, (system version, subsystem version), [(dll in lower case,
    function name or '#ordinal')]) of a PE file."""
    data = Path(path).read_bytes()
    if data[:2] != b"MZ":
        raise NotAProgram(f"{path}: not a program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotAProgram(f"{path}: no PE header")
    sections_count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x10B:
        directories, thunk_size, ordinal_flag = optional + 96, 4, 0x80000000
    elif magic == 0x20B:
        directories, thunk_size, ordinal_flag = optional + 112, 8, 1 << 63
    else:
        raise NotAProgram(f"{path}: unknown optional header {magic:#x}")
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    sections = []
    for i in range(sections_count):
        at = optional + optional_size + 40 * i
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
        sections.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise NotAProgram(f"{path}: address {rva:#x} outside every section")

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii")

    versions = (struct.unpack_from("<HH", data, optional + 40), struct.unpack_from("<HH", data, optional + 48))
    found = []
    if not import_rva:
        return machine, versions, found
    at = offset(import_rva)
    while True:
        lookup, _, _, name_rva, first = struct.unpack_from("<IIIII", data, at)
        if not name_rva:
            break
        dll = text(name_rva).lower()
        thunk = offset(lookup or first)
        while True:
            entry = struct.unpack_from("<Q" if thunk_size == 8 else "<I", data, thunk)[0]
            if not entry:
                break
            if entry & ordinal_flag:
                found.append((dll, f"#{entry & 0xFFFF}"))
            else:
                found.append((dll, text((entry & 0x7FFFFFFF) + 2)))
            thunk += thunk_size
        at += 20
    return machine, versions, found


def imports_of(path):
    return read_program(path)[2]


def read_lists(folder=LISTS):
    """{dll: {function: (on 95 and 98, on NT 4, documented minimum)}}.

    Each list line is: name, then "yes", "stub" or "no" for Windows 95 and 98,
    then "yes" or "no" for NT 4, then the minimum the function's reference
    gives, as free text."""
    lists = {}
    for path in sorted(folder.glob("*.txt")):
        functions = {}
        for number, line in enumerate(path.read_text().splitlines(), 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split(None, 3)
            if len(fields) < 4 or fields[1] not in ("yes", "stub", "no") or fields[2] not in ("yes", "no"):
                raise ValueError(f"{path.name}:{number}: expected NAME 95 NT4 MINIMUM, got {line!r}")
            functions[fields[0]] = (fields[1], fields[2], fields[3])
        lists[path.stem.lower() + ".dll"] = functions
    return lists


def refusals(imports, lists):
    """The reasons, one per import that would stop the program loading or
    working on Windows 95, 98 or NT 4."""
    reasons = []
    for dll, function in imports:
        known = lists.get(dll)
        if known is None:
            reasons.append(f"{dll} {function}: no list for {dll}")
            continue
        entry = known.get(function)
        if entry is None:
            reasons.append(f"{dll} {function}: not in the list (add it with its documented minimum)")
            continue
        on_9x, on_nt4, minimum = entry
        if on_9x == "stub":
            reasons.append(f"{dll} {function}: Windows 95 and 98 export it only as a stub ({minimum})")
        elif on_9x == "no" or on_nt4 == "no":
            reasons.append(f"{dll} {function}: needs {minimum}")
    return reasons


def main(argv):
    if len(argv) == 3 and argv[1] == "--list":
        for dll, function in imports_of(argv[2]):
            print(dll, function)
        return 0
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    lists = read_lists()
    status = 0
    for program in argv[1:]:
        try:
            machine, versions, imports = read_program(program)
        except (NotAProgram, OSError) as error:
            print(f"{program}: {error}")
            status = 1
            continue
        reasons = refusals(imports, lists)
        if machine != 0x14C:
            reasons.append(f"not a 32-bit x86 program (machine {machine:#x})")
        # The loaders of 95 and NT 4 refuse a program that asks for a later system.
        for what, (major, minor) in zip(("system", "subsystem"), versions):
            if (major, minor) > (4, 0):
                reasons.append(f"asks for {what} version {major}.{minor}; Windows 95 and NT 4 are 4.0")
        dlls = len({dll for dll, _ in imports})
        verdict = "loads on Windows 95, 98 and NT 4" if not reasons else f"REFUSED ({len(reasons)} reasons)"
        print(f"{Path(program).name}: {len(imports)} imports from {dlls} DLLs, {verdict}")
        for reason in reasons:
            print(f"    {reason}")
        if reasons:
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
