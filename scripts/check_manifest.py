#!/usr/bin/env python3
"""Reads the manifest embedded in each Windows program (its RT_MANIFEST
resource, type 24, read from the PE file's resource section) and checks that
it asks to run as the invoker, never virtualised, and names every Windows
version from Vista to 10 and 11. Exits 1 when a program lacks any of it.

    check_manifest.py PROGRAM.exe...
"""

import struct
import sys

SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}
RT_MANIFEST = 24


def sections(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = pe + 24 + optional_size
    found = []
    for i in range(count):
        virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        found.append((virtual_address, max(virtual_size, raw_size), raw_pointer))
    return resource_rva, found


def offset_of(rva, found):
    for address, size, raw in found:
        if address <= rva < address + size:
            return raw + rva - address
    raise ValueError(f"address {rva:#x} is in no section")


def manifest(path):
    data = open(path, "rb").read()
    resource_rva, found = sections(data)
    if not resource_rva:
        return None
    base = offset_of(resource_rva, found)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            yield name, target

    for kind, target in entries(base):
        if kind != RT_MANIFEST or not target & 0x80000000:
            continue
        for _, language_directory in entries(base + (target & 0x7FFFFFFF)):
            for _, leaf in entries(base + (language_directory & 0x7FFFFFFF)):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                start = offset_of(rva, found)
                return data[start:start + size].decode("utf-8", errors="replace")
    return None


def main(paths):
    failed = False
    for path in paths:
        text = manifest(path)
        missing = []
        if text is None:
            missing.append("a manifest")
        else:
            if 'requestedExecutionLevel level="asInvoker"' not in text:
                missing.append("requestedExecutionLevel asInvoker")
            missing += [f"supportedOS {name}" for guid, name in SUPPORTED_OS.items() if guid not in text]
        print(f"{path}: manifest " + ("ok" if not missing else "LACKS " + ", ".join(missing)))
        failed |= bool(missing)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
