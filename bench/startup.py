#!/usr/bin/env python3
"""Size, imports and start-up cost of TelmMedTool.exe, written as JSON.

The self-test of the exe and a do-nothing exe of the same toolchain run
side by side under one private Wine session, alternately, so that both see
the same load; the median of the pairs' ratios is the start-up cost.

usage: startup.py EXE BASELINE_EXE SESSION_DIR OUT_JSON [RUNS]
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "cmake"))
from delay_imports import delay_imports  # noqa: E402
SESSION = os.path.join(ROOT, "tests", "wine", "session.sh")
WINE_RUN = os.path.join(ROOT, "cmake", "wine-run.sh")
OBJDUMP = "x86_64-w64-mingw32-objdump"
STRIP = "x86_64-w64-mingw32-strip"

# DLLs that every Windows installation carries; anything else (a MinGW
# runtime DLL above all) would have to be shipped beside the exe.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "advapi32.dll",
    "comctl32.dll", "comdlg32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll",
    "shlwapi.dll", "uxtheme.dll", "dwmapi.dll", "version.dll", "ntdll.dll",
    "imm32.dll", "winmm.dll", "ucrtbase.dll",
}


def is_system_dll(name):
    name = name.lower()
    return name in SYSTEM_DLLS or name.startswith("api-ms-win-")


def imported_dlls(exe):
    out = subprocess.run([OBJDUMP, "-p", exe], check=True, capture_output=True,
                         text=True).stdout
    return sorted({line.split(":", 1)[1].strip() for line in out.splitlines()
                   if line.strip().startswith("DLL Name:")})


def stripped_size(exe, work):
    copy = os.path.join(work, "stripped.exe")
    subprocess.run([STRIP, "-o", copy, exe], check=True)
    return os.path.getsize(copy)


def timed_run(args, env, cwd):
    start = time.perf_counter()
    status = subprocess.run([WINE_RUN] + args, env=env, cwd=cwd,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL).returncode
    return time.perf_counter() - start, status


def main():
    exe, baseline, session, out_path = (os.path.abspath(a) for a in sys.argv[1:5])
    runs = int(sys.argv[5]) if len(sys.argv) > 5 else 21
    os.makedirs(session, exist_ok=True)
    work = os.path.join(session, "work")
    os.makedirs(work, exist_ok=True)

    # The DLLs loaded at start, and those bound on first call: both ship
    # with the exe or not.
    dlls = imported_dlls(exe)
    delayed = sorted({dll for dll, _ in delay_imports(exe)})
    result = {
        "stripped_bytes": stripped_size(exe, work),
        "baseline_stripped_bytes": stripped_size(baseline, work),
        "dlls": dlls,
        "delay_loaded_dlls": delayed,
        "foreign_dlls": [d for d in dlls + delayed if not is_system_dll(d)],
    }

    env = dict(os.environ, TELM_WINE_DIR=session)
    report = os.path.join(work, "selftest.txt")
    selftest = [exe, "--selftest", report]
    subprocess.run([SESSION, "start", session, "--no-display"], check=True)
    try:
        # Warm-up: the first starts fill Wine's caches for both programs.
        for _ in range(2):
            timed_run([baseline], env, work)
            timed_run(selftest, env, work)
        ours, base, statuses = [], [], set()
        for i in range(runs):
            # Alternate the order too, so neither always runs second.
            pair = [(base, [baseline]), (ours, selftest)]
            for times, args in (pair if i % 2 == 0 else pair[::-1]):
                seconds, status = timed_run(args, env, work)
                times.append(seconds)
                if args is selftest:
                    statuses.add(status)
    finally:
        subprocess.run([SESSION, "stop", session], check=False)

    result.update({
        "runs": runs,
        "selftest_median_ms": statistics.median(ours) * 1000,
        "baseline_median_ms": statistics.median(base) * 1000,
        "selftest_exit_codes": sorted(statuses),
        "selftest_report_bytes": os.path.getsize(report) if os.path.exists(report) else 0,
    })
    # Other builds on the machine change the load from one second to the
    # next: each pair ran back to back under about the same load, so the
    # median of the pairs' ratios drifts far less than the ratio of medians.
    result["start_ratio"] = statistics.median(o / b for o, b in zip(ours, base))
    with open(out_path, "w") as f:
        json.dump(result, f, indent=2)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
