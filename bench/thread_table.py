#!/usr/bin/env python3
"""Turns the JSON of thread_sweep_bench into a Markdown table: per kernel and size, the median
(or the least) time of each thread count and its ratio to one thread, flagged when above the
allowed 1.03. On a machine shared with other work the least time of each is the steadier one.

    bench/thread_table.py sweep.json [--limit 1.03] [--least] [--shared shared.json]

With --shared (a run with KELVARO_SWEEP_SHARED=1), a ratio whose thread count shared no step
of that kernel at that size is marked with a dagger: both ran the same one-thread code, so
the ratio is the machine's noise, not the threads'.
"""

import argparse
import json
import re
import statistics
from collections import defaultdict

NAME = re.compile(r"^BM_(\w+)/n:(\d+)/threads:(\d+)")
TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def runs_of(path):
    """(kernel, n, threads, run) of each measured run of the sweep in the file."""
    with open(path, encoding="utf-8") as f:
        runs = json.load(f)["benchmarks"]
    for run in runs:
        if run.get("run_type") != "iteration" or run.get("error_occurred"):
            continue
        match = NAME.match(run["name"])
        if match:
            yield match.group(1), int(match.group(2)), int(match.group(3)), run


def times_of(path, pick):
    """{(kernel, n): {threads: pick(ms of the repetitions)}} from the file."""
    times = defaultdict(lambda: defaultdict(list))
    for kernel, n, threads, run in runs_of(path):
        times[(kernel, n)][threads].append(run["real_time"] * TO_MS[run["time_unit"]])
    return {key: {t: pick(v) for t, v in by.items()} for key, by in times.items()}


def serial_runs(path):
    """{(kernel, n, threads)} of the runs that cut no loop into ranges."""
    return {(kernel, n, t) for kernel, n, t, run in runs_of(path) if run.get("shared_loops") == 0}


def table(results, limit, what, serial=frozenset()):
    counts = sorted({t for by in results.values() for t in by if t != 1})
    head = ["Kernel", "n", "1 thread"] + [f"{t} threads" for t in counts]
    head += [f"{t} / 1" for t in counts]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    order = []
    for kernel, n in results:
        if kernel not in order:
            order.append(kernel)
    over = noise = 0
    for kernel, n in sorted(results, key=lambda k: (order.index(k[0]), k[1])):
        by = results[(kernel, n)]
        one = by.get(1)
        cells = [kernel, str(n), f"{one:.3f}" if one else "-"]
        cells += [f"{by[t]:.3f}" if t in by else "-" for t in counts]
        for t in counts:
            if one and t in by:
                ratio = by[t] / one
                same_code = (kernel, n, t) in serial
                over += ratio > limit
                noise += ratio > limit and same_code
                text = f"**{ratio:.2f}**" if ratio > limit else f"{ratio:.2f}"
                cells.append(text + (" †" if same_code else ""))
            else:
                cells.append("-")
        lines.append("| " + " | ".join(cells) + " |")
    lines.append("")
    lines.append(f"Times in ms, {what} of the repetitions; {over} ratio(s) above {limit}.")
    if serial:
        lines.append(f"† no step shared: the one-thread code ({noise} of those above {limit}).")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("json")
    parser.add_argument("--limit", type=float, default=1.03)
    parser.add_argument("--least", action="store_true", help="the least time, not the median")
    parser.add_argument("--shared", help="a run with KELVARO_SWEEP_SHARED=1")
    args = parser.parse_args()
    pick, what = (min, "least") if args.least else (statistics.median, "medians")
    serial = serial_runs(args.shared) if args.shared else frozenset()
    print(table(times_of(args.json, pick), args.limit, what, serial))


if __name__ == "__main__":
    main()
