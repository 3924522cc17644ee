#!/usr/bin/env bash
# Sets up a fresh machine, builds the release configuration and runs the
# simulator. Extra arguments go to the simulator (see --help). Only the
# simulator's report reaches standard output; set-up and build write to
# standard error, so "scripts/run-sim.sh --format json > out.json" is JSON.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target vogame_sim >&2
exec build/release/sim/vogame_sim "$@"
