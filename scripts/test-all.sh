#!/usr/bin/env bash
# Sets up a fresh machine, then builds and runs every test: the debug build, the
# sanitizer build and each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

for preset in debug asan; do
  echo "== $preset build =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset tests =="
  ctest --preset "$preset"
done

if [ -x scripts/fuzz-all.sh ]; then
  scripts/fuzz-all.sh "${FUZZ_SECONDS:-30}"
fi
