#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds, first argument; default 30). New inputs go to a scratch folder, so
# the seed corpora in fuzz/corpus/ stay as committed.
#
# Memory: no input of a few kilobytes has any business asking for more than
# 64 MB in one allocation, so a larger one fails the run (as a class file with
# 2^31 columns once did), and a run whose resident memory passes 2 GB fails too.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
# libFuzzer takes 0 as "no limit": refuse it (and anything not a count) rather than run forever.
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "fuzz-all.sh: the seconds per target must be a whole number above 0, not '$seconds'" >&2
  exit 2
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
shopt -s nullglob
targets=(build/fuzz/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets"
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in "${targets[@]}"; do
  name=$(basename "$target"); name=${name#fuzz_}
  mkdir -p "$scratch/$name"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "== fuzz $name for ${seconds}s =="
  "$target" -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=2048 -print_final_stats=1 \
    "$scratch/$name" "${seeds[@]}" 2>&1 | tail -n 12
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzz target $name failed"; exit 1; }
done
echo "all fuzz targets ran clean"
