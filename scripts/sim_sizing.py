#!/usr/bin/env python3
"""Measures how the simulator's wall time and peak memory grow with players,
servers and simulated days on this machine: the figures of the sizing recipe
in docs/simulator-guide.md. Each run is its own process; its peak resident
memory comes from the system's accounting of that process.

usage: scripts/sim_sizing.py [SIMULATOR] [extra simulator options...]
SIMULATOR defaults to build/release/sim/vogame_sim (build it with
cmake --preset release && cmake --build --preset release --target vogame_sim).
Extra options (an activity model, --step-minutes) apply to every run.
"""
import json
import os
import subprocess
import sys
import time

# (servers, players, days, threads)
RUNS = [
    (2, 5_000, 1, False), (2, 20_000, 1, False), (2, 50_000, 1, False), (2, 100_000, 1, False),
    (1, 20_000, 1, False), (4, 20_000, 1, False), (8, 20_000, 1, False),
    (4, 20_000, 1, True),
    (2, 20_000, 3, False),
]


def run(simulator, servers, players, days, threads, extra):
    args = [simulator, "--servers", str(servers), "--players", str(players), "--days", str(days), "--quiet",
            "--format", "json"] + (["--threads"] if threads else []) + extra
    start = time.monotonic()
    child = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
    seconds = time.monotonic() - start
    work = json.loads(out)["work_done"]
    return seconds, usage.ru_maxrss / 1024.0, work["property_changes"], work["kernel_calls"], child.returncode


def main():
    simulator = sys.argv[1] if len(sys.argv) > 1 else "build/release/sim/vogame_sim"
    extra = sys.argv[2:]
    print("| servers | players | days | threads | wall s | peak MB | property changes | changes/s | kernel calls |")
    print("|---:|---:|---:|---|---:|---:|---:|---:|---:|")
    for servers, players, days, threads in RUNS:
        seconds, peak, changes, calls, status = run(simulator, servers, players, days, threads, extra)
        note = "" if status == 0 else " (exit status %d)" % status
        print("| %d | %d | %d | %s | %.1f | %.0f | %d | %.0f | %d |%s" % (
            servers, players, days, "yes" if threads else "no", seconds, peak, changes, changes / seconds, calls,
            note), flush=True)


if __name__ == "__main__":
    main()
