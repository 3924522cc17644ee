#!/usr/bin/env bash
# Sets up a fresh machine, builds the release configuration and runs the
# simulator. Extra arguments go to the simulator (see --help). Only the
# simulator's report reaches standard output; set-up and build write to
# standard error, so "scripts/run-sim.sh --format json > out.json" is JSON.
#
# "--store redis" (the word alone) runs the servers over a private
# redis-server on a free loopback port, with nothing persisted, stopped by its
# process id at the end (see scripts/with-redis.sh); "--store redis://..."
# uses the server named.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target vogame_sim >&2
args=("$@")
private=0
for i in "${!args[@]}"; do
  if [ "${args[$i]}" = "--store" ] && [ "${args[$((i + 1))]:-}" = "redis" ]; then
    private=1
    args[$((i + 1))]='$REDIS_URL'
  fi
  # Paths are the caller's, not the project folder this script runs in.
  case "${args[$i]}" in
    --html|--rules|--resources|--library)
      next="${args[$((i + 1))]:-}"
      if [ -n "$next" ] && [ "${next#/}" = "$next" ]; then args[$((i + 1))]="$caller/$next"; fi ;;
  esac
done
if [ "$private" = 1 ]; then
  # The placeholder is replaced inside the wrapper, where REDIS_URL is known.
  exec scripts/with-redis.sh bash -c 'a=("$@"); for i in "${!a[@]}"; do [ "${a[$i]}" = "\$REDIS_URL" ] && a[$i]="$REDIS_URL/world"; done; exec build/release/sim/vogame_sim "${a[@]}"' run-sim "${args[@]}"
fi
exec build/release/sim/vogame_sim "${args[@]}"
