#!/usr/bin/env python3
"""Prints the delay-import table of a 64-bit Windows exe, one "dll function"
line per function (DLL names in lower case, "#N" for an import by ordinal).

usage: delay_imports.py EXE

These functions are bound by __delayLoadHelper2 on their first call, not at
start (see delay-load.cmake). objdump does not read this table, and GNU ld
leaves its data-directory entry empty: the descriptors are then found by the
symbols that dlltool gives them, so a stripped exe without the entry cannot
be read (exit status 1).
"""
import struct
import subprocess
import sys

NM = "x86_64-w64-mingw32-nm"
DESCRIPTOR_BYTES = 32
DESCRIPTOR_SYMBOL = "__DELAY_IMPORT_DESCRIPTOR_"


class Image:
    """The sections of a PE32+ file, read by relative virtual address."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        optional = pe + 24
        if (self.data[pe:pe + 4] != b"PE\0\0"
                or struct.unpack_from("<H", self.data, optional)[0] != 0x20B):
            raise ValueError(f"{path} is not a 64-bit PE image")
        section_count, = struct.unpack_from("<H", self.data, pe + 6)
        optional_size, = struct.unpack_from("<H", self.data, pe + 20)
        self.image_base, = struct.unpack_from("<Q", self.data, optional + 24)
        # Data directory 13: the delay-import descriptors.
        self.delay_directory, = struct.unpack_from("<I", self.data, optional + 112 + 13 * 8)
        # Each as (virtual size, address, raw size, file offset).
        self.sections = [struct.unpack_from("<IIII", self.data, optional + optional_size + 40 * i + 8)
                         for i in range(section_count)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError(f"address {rva:#x} lies in no section")

    def read(self, fmt, rva):
        return struct.unpack_from(fmt, self.data, self.offset(rva))

    def name(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")


def descriptor_addresses(image, path):
    if image.delay_directory:
        found = []
        rva = image.delay_directory
        while any(image.read("<8I", rva)):
            found.append(rva)
            rva += DESCRIPTOR_BYTES
        return found
    nm = subprocess.run([NM, path], capture_output=True, text=True)
    if nm.returncode != 0 or not nm.stdout.strip():
        raise ValueError(f"{path} has neither a delay-import directory nor symbols to find it by")
    return [int(fields[0], 16) - image.image_base
            for fields in (line.split() for line in nm.stdout.splitlines())
            if len(fields) == 3 and fields[2].startswith(DESCRIPTOR_SYMBOL)]


def delay_imports(path):
    """(dll, function) of every delay-imported function; ValueError when unreadable."""
    image = Image(path)
    found = []
    for rva in descriptor_addresses(image, path):
        attributes, dll, _, _, names = image.read("<5I", rva)
        # Attribute bit 0 clear: the oldest layout, with addresses for RVAs.
        shift = 0 if attributes & 1 else image.image_base
        dll = image.name(dll - shift).lower()
        entry = names - shift
        while thunk := image.read("<Q", entry)[0]:
            by_ordinal = thunk >> 63
            found.append((dll, f"#{thunk & 0xFFFF}" if by_ordinal else image.name((thunk & 0x7FFFFFFF) + 2)))
            entry += 8
    return found


def main():
    try:
        for dll, function in delay_imports(sys.argv[1]):
            print(dll, function)
    except (OSError, ValueError, struct.error) as error:
        print(error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
