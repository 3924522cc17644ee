#!/usr/bin/env python3
"""scripts/host_contract.py catches a host contract that no longer matches the
code: each change below, made to a copy of the sources, must make --check fail
with a line saying what differs; the untouched copy must pass.

usage: contract_check_test.py SOURCE_DIR"""
import os
import shutil
import subprocess
import sys
import tempfile

FOLDERS = ["module", "record", "top", "Utility", "hostcheck", "docs", "scripts"]


def changed(source, path, old, new, expected, write=False):
    """Copies the sources, replaces old by new in path, and checks that --check
    (after --write when asked) fails with a line holding each expected text."""
    with tempfile.TemporaryDirectory() as root:
        for folder in FOLDERS:
            shutil.copytree(os.path.join(source, folder), os.path.join(root, folder))
        target = os.path.join(root, path)
        with open(target, encoding="utf-8") as f:
            text = f.read()
        if old not in text:
            return [f"{path}: the text to change is gone: {old!r}"]
        with open(target, "w", encoding="utf-8") as f:
            f.write(text.replace(old, new, 1))
        script = os.path.join(root, "scripts", "host_contract.py")
        env = {**os.environ, "VOGAME_SOURCE_ROOT": root}
        if write:
            subprocess.run([sys.executable, script, "--write"], capture_output=True, text=True, env=env)
        run = subprocess.run([sys.executable, script, "--check"], capture_output=True, text=True, env=env)
        problems = [] if run.returncode == 1 else [f"{path}: --check exited {run.returncode} after the change"]
        problems += [f"{path}: no line with {e!r} in:\n{run.stdout}" for e in expected if e not in run.stdout]
        return problems


def main(source):
    failures = []
    with tempfile.TemporaryDirectory() as root:
        for folder in FOLDERS:
            shutil.copytree(os.path.join(source, folder), os.path.join(root, folder))
        run = subprocess.run([sys.executable, os.path.join(root, "scripts", "host_contract.py"), "--check"],
                             capture_output=True, text=True, env={**os.environ, "VOGAME_SOURCE_ROOT": root})
        if run.returncode != 0:
            failures.append("the untouched sources fail:\n" + run.stdout)
    failures += changed(source, "record/ListLock.cpp", '"by a stopped server', '"by a halted server',
                        ["log-line catalogue's text for record/ListLock.cpp ReportTakeover"])
    failures += changed(source, "top/PlayerTopSystem.cpp", "    kernel->DeclareHeartBeat(kList.heartBeat, Contained<H_TopListUpdate>);",
                        "    kernel->DeclareHeartBeat(kList.heartBeat, Contained<H_TopListUpdate>);\n    kernel->GetScene();",
                        ["the generated parts differ from the code"])
    failures += changed(source, "top/PlayerTopSystem.cpp", "    kernel->DeclareHeartBeat(kList.heartBeat, Contained<H_TopListUpdate>);",
                        "    kernel->DeclareHeartBeat(kList.heartBeat, Contained<H_TopListUpdate>);\n    kernel->GetScene();",
                        ["(to be written)", "the library calls GetScene, which the host check never calls"], write=True)
    failures += changed(source, "top/PlayerTopAlwaysWinSystem.cpp", '"PlayerPrizeTimeRec"', '"PlayerPrizeDateRec"',
                        ["the library names the public data PlayerPrizeDateRec"])
    failures += changed(source, "hostcheck/PubDataChecks.cpp", 'Rule rule("record-find"', 'Rule rule("record-search"',
                        ["reports rule record-search, which the contract's rule table lacks"])
    failures += changed(source, "top/PlayerTopList.h", '{"PeerageRank", VT_INT}, {"PeerageExp", VT_INT}',
                        '{"Rank", VT_INT}, {"PeerageExp", VT_INT}',
                        ["the generated parts differ", "the host check's player properties"])
    for failure in failures:
        print(failure)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
