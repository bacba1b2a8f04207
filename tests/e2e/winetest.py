"""Shared helpers of the end-to-end tests: run the real exe under the test
session's Wine (prefix, display and server set up by tests/wine/session.sh)."""

import os
import subprocess
import sys

EXE = os.environ["TELM_EXE"]
WINE_RUN = os.environ["TELM_WINE_RUN"]
BUILD_DIR = os.environ["TELM_BUILD_DIR"]
WINE_DIR = os.environ["TELM_WINE_DIR"]
PREFIX = os.path.join(WINE_DIR, "prefix")

# The self-test report of the built-in tool with its defaults, typed out:
# nine CR LF lines of UTF-8 without a byte-order mark.
SELF_TEST_REPORT = (
    "TOOL|21|Varnel|儿科\r\n"
    "LEVEL|1\r\n"
    "OUT|累积损失|750|ml\r\n"
    "OUT|前 8 小时|375|ml\r\n"
    "OUT|前 8 小时速度|46.9|ml/h\r\n"
    "OUT|每日维持量|1250|ml\r\n"
    "VERDICT|轻度脱水，可口服补液盐观察\r\n"
    "DETAIL|累积损失：750 ml 前 8 小时：375 ml 前 8 小时速度：46.9 ml/h 每日维持量：1250 ml \r\n"
    "ERRORS|0\r\n"
).encode("utf-8")


def windows_path(unix_path):
    """The Windows form of a host path, through Wine's Z: drive."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def wine(program, *args, cwd=None, timeout=120, check=False):
    """Runs a Windows program with args; returns the CompletedProcess."""
    return subprocess.run([WINE_RUN, program, *args], cwd=cwd, timeout=timeout,
                          stdin=subprocess.DEVNULL, capture_output=True, check=check)


def scratch_dir(name):
    """A fresh, empty folder under the build tree for one test."""
    path = os.path.join(BUILD_DIR, "e2e-scratch", name)
    subprocess.run(["rm", "-rf", path], check=True)
    os.makedirs(path)
    return path


class Checks:
    """Collects failures so one run reports every broken case, then exits."""

    def __init__(self):
        self.failed = 0
        self.passed = 0

    def equal(self, what, actual, expected):
        if actual == expected:
            self.passed += 1
        else:
            self.failed += 1
            print(f"FAIL {what}:\n  expected {expected!r}\n  actual   {actual!r}", flush=True)

    def true(self, what, condition, detail=""):
        self.equal(what + (f" ({detail})" if detail else ""), bool(condition), True)

    def finish(self):
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        sys.exit(1 if self.failed else 0)
