#!/usr/bin/env bash
# Sets up a fresh machine, then builds and runs every test: the debug build, the
# sanitizer build, each fuzz target for a bounded time, then the Windows build
# (cross-built with MinGW-w64, its tests run under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --browser
jobs=$(nproc)

for preset in debug asan; do
  echo "== $preset build =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset tests =="
  ctest --preset "$preset"
done

scripts/fuzz-all.sh "${FUZZ_SECONDS:-30}"

# Reuses the debug build's simulator for the report comparison.
LINUX_BUILD=build/debug scripts/test-windows.sh
