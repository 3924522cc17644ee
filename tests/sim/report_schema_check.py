#!/usr/bin/env python3
"""Runs the simulator in each shape its JSON report can take and validates
every report against the schema (--echo must leave standard output to it); then checks that a refused option exits with
status 2, one line on standard error and nothing on standard output, and that
--progress writes one line per simulated day where standard error is no terminal.

With REDIS_URL set (redis://127.0.0.1:PORT, a server of the caller's), it also
checks the report of servers in processes of their own sharing that Redis.

usage: report_schema_check.py [RUNNER] SIMULATOR SCHEMA
RUNNER runs the simulator where it cannot run by itself (Wine for a Windows
cross-build)."""
import json
import os
import subprocess

import jsonschema

import check_run

# (what the shape shows, options, exit status, check of the shape's own parts)
SHAPES = [
    ("one server", ["--servers", "1", "--players", "300", "--hours", "30", "--seed", "5"], 0,
     lambda r: r["prize_letters"]["count"] == 1 and r["player_list_reply"]["reply"]["well_formed"]
     and r["store"]["kind"] == "memory" and r["processes"] is None
     and r["work_done"]["timing"] is None and r["world"]["seed"] == 5
     and r["activity"]["defaults"] and r["activity"]["logouts"] == 0
     and [k["kind"] for k in r["library_log"]["by_kind"]] == ["daily prize letter"]
     and len(r["timeline"]["samples"]) == 30 and r["timeline"]["round_trips"] is None
     and all(len(l["rows"]) == 30 for l in r["timeline"]["lists"])),
    ("several servers on threads, the longest top lists", ["--servers", "3", "--players", "300", "--hours", "3",
                                                           "--threads", "--top", "150"], 0,
     lambda r: r["world"]["server_threads"] and len(r["charm_leaderboard"]["top"]) == 150),
    ("no requests, wall-clock figures, an empty win-streak list",
     ["--servers", "2", "--players", "200", "--days", "1", "--no-requests", "--timing"], 0,
     lambda r: not r["world"]["client_requests"] and r["work_done"]["requests_by_message"] == []
     and r["work_done"]["timing"] is not None and r["win_streak_leaderboard"]["top"] == []),
    ("no players", ["--players", "0", "--hours", "1"], 0,
     lambda r: r["player_list_reply"] is None and r["nation_report"] is None),
    ("a server stopped holding a lock, taken over and restarted",
     ["--servers", "2", "--players", "200", "--hours", "5", "--stop-server", "2@1:02:00"], 0,
     lambda r: r["work_done"]["locks"]["takeovers"] >= 1
     and r["work_done"]["locks"]["stopped_servers"][0]["restarted"] is not None
     and all(l["whole"] for l in r["work_done"]["locks"]["lists"])
     and any(k["kind"] == "lock taken over" and k["alert"] for k in r["library_log"]["by_kind"])
     and sum(sum(s["takeovers"]) for s in r["timeline"]["servers"]) == r["work_done"]["locks"]["takeovers"]),
    ("missing sibling modules", ["--players", "40", "--hours", "1", "--without", "LetterSystem",
                                 "--without", "VirtualRecSystem"], 1,
     lambda r: not r["world"]["modules"]["all_started"] and r["world"]["modules"]["failures"]
     and r["nation_report"] is None
     and any(k["kind"] == "missing sibling" for k in r["library_log"]["by_kind"])),
    ("half the players online, rates changed, the library's log lines echoed to standard error",
     ["--players", "300", "--hours", "30", "--online", "0.5", "--rate", "fight=0.4", "--echo"], 0,
     lambda r: not r["activity"]["defaults"] and r["activity"]["online"] == 0.5
     and r["activity"]["logouts"] > 0 and r["activity"]["logouts"] == r["activity"]["logins_again"]
     and r["library_log"]["line_count"] >= 1),
]
if os.environ.get("REDIS_URL"):
    SHAPES.append(("servers in processes of their own over Redis",
                   ["--servers", "2", "--players", "60", "--hours", "1", "--processes", "--fresh",
                    "--store", os.environ["REDIS_URL"] + "/schema"], 0,
                   lambda r: r["store"]["kind"] == "redis" and r["processes"]["started"] == 2
                   and r["store"]["round_trips"] and r["player_list_reply"] is None
                   and sum(r["timeline"]["round_trips"]) > 0
                   and all(o["round_trips"] is not None for o in r["timeline"]["operations"])))


def main(runner, simulator, schema_path):
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failures = []
    for what, options, status, check in SHAPES:
        # A short stale-lock bound, so that a takeover costs the run little; over
        # Redis, where every kernel call is a round trip, a bound that short
        # would take live locks over.
        stale = "2000" if "--processes" in options else "50"
        run = subprocess.run(runner + [simulator, "--quiet", "--format", "json"] + options, capture_output=True,
                             text=True, check=False, env={**os.environ, "VOGAME_LOCK_STALE_MS": stale})
        if run.returncode != status:
            failures.append(f"{what}: exit status {run.returncode}, not {status}\n{run.stderr}")
            continue
        try:
            report = json.loads(run.stdout)
        except ValueError as err:
            failures.append(f"{what}: not JSON ({err})")
            continue
        if "--echo" in options and "[log " not in run.stderr:
            failures.append(f"{what}: --echo wrote no log line to standard error")
        errors = [f"  {e.json_path}: {e.message}" for e in validator.iter_errors(report)]
        if errors:
            failures.append(f"{what}: the report breaks the schema\n" + "\n".join(errors[:20]))
        elif not check(report):
            failures.append(f"{what}: the report lacks what this shape shows\n{run.stdout[:4000]}")

    # A bad setting of the library's reaches the report (its log line, an alert), not only the library's log.
    bad = subprocess.run(runner + [simulator, "--quiet", "--format", "json", "--players", "20", "--hours", "1"],
                         capture_output=True, text=True, check=False, env={**os.environ, "VOGAME_LOCK_STALE_MS": "abc"})
    kinds = json.loads(bad.stdout)["library_log"]["by_kind"] if bad.returncode == 0 else []
    if [(k["kind"], k["lines"], k["alert"]) for k in kinds] != [("bad setting", 2, True)]:
        failures.append(f"a bad VOGAME_LOCK_STALE_MS: exit status {bad.returncode}, library log {kinds}")

    refused = subprocess.run(runner + [simulator, "--seed", "99999999999999999999999"], capture_output=True, text=True,
                             check=False)
    if refused.returncode != 2 or refused.stdout or refused.stderr.count("\n") != 1:
        failures.append(f"a refused option: exit status {refused.returncode}, output {refused.stdout!r}, "
                        f"error {refused.stderr!r}")

    # Standard error is no terminal here: a line per simulated day with --progress
    # (the last, shorter day at the end), none without.
    days = []
    for progress in ([], ["--progress"]):
        run = subprocess.run(runner + [simulator, "--players", "40", "--hours", "30"] + progress, capture_output=True,
                             text=True, check=False)
        days.append([line for line in run.stderr.splitlines() if line.startswith("simulating")])
    if days[0] or [line.split(",")[0] for line in days[1]] != ["simulating: day 1 of 2 done",
                                                                "simulating: day 2 of 2 done"]:
        failures.append(f"progress lines without and with --progress: {days}")

    return check_run.closing(failures, len(SHAPES) + 3 - len(failures), len(failures))


if __name__ == "__main__":
    check_run.run(main, __doc__)
