#!/usr/bin/env python3
"""Prints the benchmark table from the JSON of engine_bench and startup.py;
with --check, also tests the goals and exits 1 when one is missed.

usage: report.py [--check] ENGINE_JSON STARTUP_JSON
"""
import json
import sys

# Goals. The evaluator reads each number with strtod, so strtod alone is its
# floor; the rest of the reading may add at most 60% to it for `maint`.
MAX_MAINT_OVER_STRTOD = 1.6
MIN_SPEEDUP_MUPARSER = 20.0
MIN_SPEEDUP_MATHEVAL = 10.0
MAX_STRIPPED_BYTES = 400 * 1024
MAX_START_RATIO = 1.1


def medians(path):
    """Median CPU time in ns of every benchmark, by name."""
    with open(path) as f:
        data = json.load(f)
    found = {}
    # Random interleaving shuffles the rows; registration order reads better.
    rows = sorted(data["benchmarks"], key=lambda row: row.get("family_index", 0))
    for row in rows:
        if row.get("run_type") == "aggregate" and row.get("aggregate_name") != "median":
            continue
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[row.get("time_unit", "ns")]
        # Without repetitions there is one plain row per benchmark.
        found[row["run_name"]] = row["cpu_time"] * scale
    return found


def ratio(a, b):
    return a / b if a is not None and b else None


def cell(value, digits=1, width=9):
    return f"{value:{width}.{digits}f}" if value is not None else f"{'-':>{width}}"


def formula_rows(times):
    names = [n.split("/", 1)[1] for n in times if n.startswith("ours/")]
    rows = []
    for name in names:
        get = lambda kind: times.get(f"{kind}/{name}")
        ours = get("ours")
        rows.append({
            "name": name,
            "ours": ours,
            "strtod": get("strtod"),
            "over_strtod": ratio(ours, get("strtod")),
            "mu": get("muparser_oneshot"),
            "mu_eval": get("muparser_eval"),
            "mu_speedup": ratio(get("muparser_oneshot"), ours),
            "me": get("matheval_oneshot"),
            "me_speedup": ratio(get("matheval_oneshot"), ours),
        })
    return rows


def print_table(rows, times, startup):
    head = (f"{'formula':<20} {'ours ns':>9} {'strtod':>9} {'ours/str':>9} "
            f"{'muP 1shot':>10} {'muP eval':>9} {'muP/ours':>9} "
            f"{'mev 1shot':>10} {'mev/ours':>9}")
    print(head)
    print("-" * len(head))
    for r in rows:
        print(f"{r['name']:<20} {cell(r['ours'])} {cell(r['strtod'])} "
              f"{cell(r['over_strtod'], 2)} {cell(r['mu'], 0, 10)} {cell(r['mu_eval'])} "
              f"{cell(r['mu_speedup'])} {cell(r['me'], 0, 10)} {cell(r['me_speedup'])}")
    print("-" * len(head))
    for name, ns in times.items():
        if name.split("/", 1)[0] in ("evaluateTool", "generateReport", "formatValue"):
            print(f"{name:<30} {cell(ns, 1, 12)} ns")
    print("-" * len(head))
    s = startup
    print(f"{'stripped exe':<30} {s['stripped_bytes'] / 1024:12.1f} KB"
          f"  (do-nothing exe {s['baseline_stripped_bytes'] / 1024:.1f} KB)")
    print(f"{'imported DLLs':<30} {' '.join(s['dlls'])}")
    print(f"{'delay-loaded DLLs':<30} {' '.join(s.get('delay_loaded_dlls', []))}")
    print(f"{'self-test under Wine':<30} {s['selftest_median_ms']:12.1f} ms"
          f"  exit {','.join(map(str, s['selftest_exit_codes']))}")
    print(f"{'do-nothing exe under Wine':<30} {s['baseline_median_ms']:12.1f} ms"
          f"  (medians of {s['runs']} alternating runs)")
    print(f"{'self-test / do-nothing':<30} {s['start_ratio']:12.3f}  (median of the pairs)")
    print("(CPU time per call, median of the repetitions; ratios are peer / ours "
          "except ours/str)")


def missed_goals(rows, startup):
    missed = []
    maint = next((r for r in rows if r["name"] == "maint"), None)
    if maint is None or maint["over_strtod"] is None:
        missed.append("maint: no measurement")
    elif maint["over_strtod"] > MAX_MAINT_OVER_STRTOD:
        missed.append(f"maint: {maint['over_strtod']:.2f} x strtod > {MAX_MAINT_OVER_STRTOD}")
    for r in rows:
        if r["mu_speedup"] is not None and r["mu_speedup"] < MIN_SPEEDUP_MUPARSER:
            missed.append(f"{r['name']}: muparser only {r['mu_speedup']:.1f} x slower")
        if r["me_speedup"] is not None and r["me_speedup"] < MIN_SPEEDUP_MATHEVAL:
            missed.append(f"{r['name']}: libmatheval only {r['me_speedup']:.1f} x slower")
    if not any(r["mu_speedup"] for r in rows) or not any(r["me_speedup"] for r in rows):
        missed.append("a peer library was measured on no formula")
    if startup["stripped_bytes"] >= MAX_STRIPPED_BYTES:
        missed.append(f"stripped exe {startup['stripped_bytes']} bytes")
    if startup["foreign_dlls"]:
        missed.append("non-system DLLs: " + " ".join(startup["foreign_dlls"]))
    if startup["selftest_exit_codes"] != [0]:
        missed.append(f"self-test exit codes {startup['selftest_exit_codes']}")
    if startup["start_ratio"] > MAX_START_RATIO:
        missed.append(f"self-test start {startup['start_ratio']:.3f} x do-nothing exe")
    return missed


def main():
    args = sys.argv[1:]
    check = "--check" in args
    args = [a for a in args if a != "--check"]
    times = medians(args[0])
    with open(args[1]) as f:
        startup = json.load(f)
    rows = formula_rows(times)
    if not check:
        print_table(rows, times, startup)
        return 0
    missed = missed_goals(rows, startup)
    for line in missed:
        print("MISSED  " + line)
    if missed:
        return 1
    print("all goals met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
