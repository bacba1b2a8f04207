#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into corpus/<target>/ from the
formulas, values, format codes and command lines that the unit tests use.
Run it again after adding cases to the unit tests; the seeds are kept in the
repository so that every fuzz run starts from the same ground."""
import ast
import hashlib
import math
import pathlib
import re
import struct

HERE = pathlib.Path(__file__).resolve().parent
UNIT = HERE.parent / "unit"


def c_strings(path, wide):
    """The string literals of a C++ file (narrow or wide), unescaped."""
    prefix = 'L"' if wide else '(?<![LA-Za-z_])"'
    text = path.read_text(encoding="utf-8")
    for match in re.finditer(prefix + r'((?:[^"\\\n]|\\.)*)"', text):
        raw = match.group(1)
        try:
            yield ast.literal_eval('"' + raw.replace("\\v", "\\x0b").replace("\\f", "\\x0c") + '"')
        except (ValueError, SyntaxError):
            continue


def write(target, data):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    name = hashlib.sha1(data).hexdigest()[:16]
    (folder / name).write_bytes(data)


def expression_seeds():
    formulas = set()
    for name in ("expression_tests.cpp", "tool_tests.cpp", "self_test_tests.cpp"):
        for text in c_strings(UNIT / name, wide=False):
            if text.isascii():
                formulas.add(text)
    for text in sorted(formulas):
        write("fuzz_expression", text.encode("ascii"))
    return len(formulas)


VALUES = [0.0, -0.0, 2.5, 3.5, 46.875, -0.4, 12.345, 1.9, -0.5, -1.0, 750.0, 1250.0, 109.375,
          1e-5, 1e300, -1e300, 1e75, 1e78, 9.3e18, 0.125, 0.005, 1.005, math.inf, -math.inf,
          math.nan, 5e-324, 2932896.0, -719163.0]
CODES = ["f0", "f1", "f2", "f3", "int", "pct", "date", "F0", "", "f"]
DAYS = [0, -1, 19723, 2932896, 2932897, -719162, -719163, 2**63 - 1, -2**63, 11016]


def format_seeds():
    count = 0
    for i, value in enumerate(VALUES):
        for code in CODES:
            day = DAYS[(i + len(code)) % len(DAYS)]
            write("fuzz_format", struct.pack("<dqB", value, day, 0) + code.encode("ascii"))
            count += 1
    write("fuzz_format", struct.pack("<dqB", 2.5, 0, 1))  # null code
    return count + 1


def command_line_seeds():
    lines = [t for t in c_strings(UNIT / "command_line_tests.cpp", wide=True) if "selftest" in t
             or "TelmMedTool" in t]
    lines.append("TelmMedTool.exe --selftest " + "p" * 600)
    lines.append('TelmMedTool.exe --selftest "' + "q" * 600 + '"')
    for line in lines:
        for capacity in (520, 1, 13, 519):
            data = struct.pack("<H", capacity - 1) + line.encode("utf-16-le")
            write("fuzz_command_line", data)
    return len(lines) * 4


def tool_seeds():
    # FuzzedDataProvider reads these as choices; any bytes make a definition.
    count = 0
    for kind in range(0, 14):
        for fill in (0x00, 0x41, 0x7F, 0xFF):
            write("fuzz_tool", bytes([kind, fill]) * 64 + bytes(range(kind, kind + 64)))
            count += 1
    return count


POWERS = [(2, 10), (10, -5), (10, 22), (10, 23), (64, 0.3333333333333333), (-27, 0.3333333333333333),
          (-2, 3), (2, -1074), (2, 1024), (1.0000001, 1e7), (1.1, 100), (0, -1), (-0.0, -1),
          (3.468438555951103, 0.5), (1e-300, 2), (0.5, 1074), (15, 5), (-8, 1 / 3)]


def portable_math_seeds():
    for base, exponent in POWERS:
        write("fuzz_portable_math", struct.pack("<ddd", base, exponent, 1.0))
    return len(POWERS)


if __name__ == "__main__":
    print("fuzz_expression", expression_seeds())
    print("fuzz_format", format_seeds())
    print("fuzz_command_line", command_line_seeds())
    print("fuzz_tool", tool_seeds())
    print("fuzz_portable_math", portable_math_seeds())
