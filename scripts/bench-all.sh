#!/usr/bin/env bash
# Builds the release configuration, runs every benchmark program (bench/*.cpp,
# one program bench_<name> each) with JSON output and a short minimum time, and
# prints one summary table: each figure beside its baseline, measured in the
# same run, and their ratio.
#
# Pairing convention (read by scripts/bench_summary.py):
#   - A baseline benchmark names the figure(s) it is the baseline of in its
#     label: state.SetLabel("baseline:<figure>[,<figure>...]"), where <figure>
#     is the figure's benchmark name without the "/real_time" and "/threads:N"
#     parts (for example "baseline:BM_LockUnlock" or
#     "baseline:UseCVarList/names_20_chars"). With several thread counts, the
#     figure run with the baseline's thread count is paired.
#   - A figure measured against a fixed target instead carries the label
#     "target:<items>/s"; its baseline is the time per item that the target allows.
#   - A label may add bounds on counters, separated by ";": for example
#     "target:20000/s;max:peak_rss_mb=800" or "min:moves_per_s=500". The summary
#     shows each bound beside its counter and marks a counter past it OVER (a
#     maximum) or UNDER (a minimum). "max:ratio=2" bounds the ratio to the
#     figure's baseline the same way.
#   - ratio = the figure's time per operation / the baseline's. Below 1 the
#     figure is faster than its baseline (or beats its target).
#   - Benchmarks without a partner are listed with their own figures only.
#
# Usage: scripts/bench-all.sh [seconds per benchmark, default 0.2]
# Environment: BENCH_JSON_DIR keeps the raw JSON files there (default: a
# temporary folder, removed at the end).
set -euo pipefail
cd "$(dirname "$0")/.."
min_time="${1:-0.2}"
scripts/setup.sh
cmake --preset release >/dev/null
targets=()
for src in bench/*.cpp; do
  name=$(basename "$src" .cpp)
  targets+=("bench_$name")
done
cmake --build --preset release -j 2 --target "${targets[@]}" >&2

if [ -n "${BENCH_JSON_DIR:-}" ]; then
  out="$BENCH_JSON_DIR"
  mkdir -p "$out"
else
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi
for t in "${targets[@]}"; do
  echo "running $t" >&2
  build/release/bench/"$t" --benchmark_format=json --benchmark_min_time="$min_time" >"$out/$t.json"
done
python3 scripts/bench_summary.py "$out"/*.json
