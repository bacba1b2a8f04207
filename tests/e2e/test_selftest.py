"""The real exe's headless self-test: command-line forms, report bytes and
exit codes, under Wine."""

import os
import subprocess

from winetest import SELF_TEST_REPORT as REPORT, Checks, scratch_dir, windows_path, EXE, WINE_RUN

LAUNCH = os.environ["TELM_LAUNCH"]


def run_exact(command_tail, cwd):
    """Runs the exe with exactly this text after its quoted path as the raw
    command line (the launcher passes it on unchanged)."""
    env = dict(os.environ)
    env["TELM_CMDLINE"] = f'"{windows_path(EXE)}"{command_tail}'
    return subprocess.run([WINE_RUN, LAUNCH], cwd=cwd, env=env, timeout=120,
                          stdin=subprocess.DEVNULL, capture_output=True)



checks = Checks()


def run_case(name, command_tail, expected_files):
    """Runs the exe with the raw command_tail in a fresh folder;
    expected_files are the names (relative to it) that must hold the report.
    No other file may appear."""
    folder = scratch_dir("selftest-" + name)
    result = run_exact(command_tail, folder)
    checks.equal(f"{name}: exit code", result.returncode, 0)
    found = sorted(os.path.relpath(os.path.join(root, f), folder)
                   for root, _, files in os.walk(folder) for f in files)
    checks.equal(f"{name}: files written", found, sorted(expected_files))
    for relative in expected_files:
        path = os.path.join(folder, relative)
        if os.path.exists(path):
            with open(path, "rb") as f:
                checks.equal(f"{name}: bytes of {relative}", f.read(), REPORT)
    return folder


run_case("named", " --selftest out.txt", ["out.txt"])
run_case("default", " --selftest", ["selftest.txt"])
run_case("blanks-only", " --selftest    ", ["selftest.txt"])
run_case("empty-quotes", ' --selftest ""', ["selftest.txt"])
run_case("quoted-blank", ' --selftest "my report.txt" x', ["my report.txt"])
run_case("open-quote", ' --selftest "open ended.txt', ["open ended.txt"])
run_case("unquoted-blank", " --selftest my report.txt", ["my"])
run_case("glued", " --selftest=r.txt", ["=r.txt"])
run_case("inside-a-word", " x--selftesty.txt", ["y.txt"])
run_case("twice", " --selftest --selftest", ["--selftest"])
run_case("chinese-name", " --selftest 报告.txt", ["报告.txt"])
run_case("other-args-first", " /x --selftest r.txt ignored", ["r.txt"])

# A 600-character path keeps its first 519 characters.
long_parts = ["a" * 200, "b" * 200, "c" * 198]
long_path = "\\".join(long_parts)
assert len(long_path) == 600
cut = long_path[:519]
folder = scratch_dir("selftest-long")
os.makedirs(os.path.join(folder, long_parts[0], long_parts[1]))
result = run_exact(" --selftest " + long_path, folder)
checks.equal("long path: exit code", result.returncode, 0)
target = os.path.join(folder, *cut.split("\\"))
checks.true("long path: report under the first 519 characters", os.path.exists(target), target)
if os.path.exists(target):
    with open(target, "rb") as f:
        checks.equal("long path: bytes", f.read(), REPORT)

# An absolute path; an existing file is replaced, not appended to.
folder = scratch_dir("selftest-absolute")
report = os.path.join(folder, "abs.txt")
with open(report, "wb") as f:
    f.write(b"old content that is longer than nothing" * 100)
result = run_exact(" --selftest " + windows_path(report), folder)
checks.equal("absolute: exit code", result.returncode, 0)
with open(report, "rb") as f:
    checks.equal("absolute: bytes", f.read(), REPORT)

# A report that cannot be written still ends with the evaluation's code.
folder = scratch_dir("selftest-unwritable")
result = run_exact(' --selftest "' + windows_path(os.path.join(folder, "missing", "r.txt")) + '"',
                   folder)
checks.equal("unwritable: exit code", result.returncode, 0)
checks.equal("unwritable: nothing written", os.listdir(folder), [])

checks.finish()
