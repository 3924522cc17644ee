#!/usr/bin/env python3
"""Prints one table from Google Benchmark JSON files: each figure beside its
baseline and their ratio. The pairing convention is described in the header
of scripts/bench-all.sh. Standard library only."""
import json
import re
import sys
from pathlib import Path

NS_PER_UNIT = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
STANDARD_KEYS = {
    "name", "family_index", "per_family_instance_index", "run_name", "run_type", "repetitions",
    "repetition_index", "threads", "iterations", "real_time", "cpu_time", "time_unit",
    "items_per_second", "bytes_per_second", "label", "error_occurred", "error_message",
    "aggregate_name", "aggregate_unit",
}


def base_name(run_name):
    """The figure's name without the parts that only say how it was run."""
    parts = [p for p in run_name.split("/")
             if p not in ("real_time", "process_time", "manual_time")
             and not re.match(r"(threads|min_time|iterations|repeats|min_warmup_time):", p)]
    return "/".join(parts)


def load(paths):
    runs = []
    for path in paths:
        program = Path(path).stem
        try:
            data = json.loads(Path(path).read_text())
        except (OSError, ValueError) as err:
            print(f"{path}: unreadable ({err})", file=sys.stderr)
            continue
        for b in data.get("benchmarks", []):
            if b.get("run_type", "iteration") != "iteration":
                continue
            run_name = b.get("run_name", b["name"])
            runs.append({
                "program": program,
                "name": b["name"],
                "base": base_name(run_name),
                "threads": b.get("threads", 1),
                "time_ns": b.get("real_time", 0.0) * NS_PER_UNIT.get(b.get("time_unit", "ns"), 1.0),
                "rate": b.get("items_per_second"),
                "label": b.get("label", ""),
                "error": b.get("error_message") if b.get("error_occurred") else None,
                "counters": {k: v for k, v in b.items()
                             if k not in STANDARD_KEYS and isinstance(v, (int, float))},
            })
    return runs


def fmt_time(ns):
    if ns is None:
        return ""
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def fmt_rate(rate):
    if not rate:
        return ""
    for unit, scale in (("M/s", 1e6), ("k/s", 1e3)):
        if rate >= scale:
            return f"{rate / scale:.3g} {unit}"
    return f"{rate:.3g}/s"


def fmt_counters(counters, limits=None):
    """Counters as text; one with a bound ("max:<counter>=<value>" or
    "min:<counter>=<value>" in the label) is shown beside it, and marked OVER
    or UNDER when it passes it."""
    limits = limits or {}
    out = []
    for k, v in counters.items():
        if k == "servers":
            continue
        text = f"{k} {v:.3g}"
        for kind, bound in limits.get(k, []):
            passed = v > bound if kind == "max" else v < bound
            text += f" ({kind} {bound:g}{(', OVER' if kind == 'max' else ', UNDER') if passed else ''})"
        out.append(text)
    return ", ".join(out)


def label_limits(label):
    """The bounds a label sets on counters: "max:peak_rss_mb=800" -> {"peak_rss_mb": [("max", 800.0)]}."""
    limits = {}
    for t in label.split(";"):
        m = re.fullmatch(r"(max|min):(\w+)=([\d.]+)", t.strip())
        if m:
            limits.setdefault(m.group(2), []).append((m.group(1), float(m.group(3))))
    return limits


def summarize(runs):
    baselines = {}   # id(figure run) -> list of baseline runs
    for b in runs:
        m = re.match(r"baseline:(.+)", b["label"])
        if not m:
            continue
        for figure in m.group(1).split(","):
            candidates = [r for r in runs if r["base"] == figure.strip()]
            same = [r for r in candidates if r["threads"] == b["threads"]]
            for r in same or candidates[:1]:
                baselines.setdefault(id(r), []).append(b)
    is_baseline = {id(b) for lst in baselines.values() for b in lst}
    rows = []
    for r in runs:
        if id(r) in is_baseline and id(r) not in baselines:
            continue  # shown beside its figure
        figure = r["name"]
        notes = fmt_counters(r["counters"], label_limits(r["label"]))
        if r["error"]:
            rows.append([r["program"], figure, "ERROR", "", "", "", "", r["error"]])
            continue
        target = re.match(r"target:(\d+)/s", r["label"])
        partners = baselines.get(id(r), [])
        if target:
            per_item = 1e9 / int(target.group(1))
            mine = 1e9 / r["rate"] if r["rate"] else r["time_ns"]
            rows.append([r["program"], figure, fmt_time(mine), fmt_rate(r["rate"]),
                         f"target {int(target.group(1)):,}/s", fmt_time(per_item), f"{mine / per_item:.2f}", notes])
        elif partners:
            limit = next((v for kind, v in label_limits(r["label"]).get("ratio", []) if kind == "max"), None)
            for b in partners:
                ratio = r["time_ns"] / b["time_ns"] if b["time_ns"] else float("nan")
                text = f"{ratio:.2f}"
                if limit is not None:
                    text += f" (max {limit:g}{', OVER' if not ratio <= limit else ''})"
                rows.append([r["program"], figure, fmt_time(r["time_ns"]), fmt_rate(r["rate"]), b["name"],
                             fmt_time(b["time_ns"]), text, notes])
        else:
            rows.append([r["program"], figure, fmt_time(r["time_ns"]), fmt_rate(r["rate"]), "-", "", "", notes])
    return rows


def print_table(rows):
    header = ["program", "figure", "time/op", "rate", "baseline", "baseline time/op", "ratio", "other figures"]
    numeric = {2, 3, 5, 6}
    widths = [max(len(str(x)) for x in col) for col in zip(header, *rows)]
    def line(cells):
        out = []
        for i, (c, w) in enumerate(zip(cells, widths)):
            out.append(str(c).rjust(w) if i in numeric else str(c).ljust(w))
        return "  ".join(out).rstrip()
    print(line(header))
    print(line(["-" * w for w in widths]))
    for r in rows:
        print(line(r))
    print("\nratio = time per operation of the figure / of its baseline (below 1: faster, or beats the target)")


def main(argv):
    if len(argv) < 2:
        print("usage: bench_summary.py FILE.json...", file=sys.stderr)
        return 2
    runs = load(argv[1:])
    if not runs:
        print("no benchmark results", file=sys.stderr)
        return 1
    print_table(summarize(runs))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
