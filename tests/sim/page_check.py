#!/usr/bin/env python3
"""Opens the simulator's pages (--html) in headless Chromium and checks them as a
person would see them: the page loads from its one file without asking for
anything else, no console error and no script exception, and every chart drew
its points, bars and markers. Keeps screenshots of the default run's page: the whole (sim_page.png) and its
top at a reduced scale (sim_page_small.png, the picture in the README).

Chromium is driven through its DevTools protocol over a pipe (fds 3 and 4), so
nothing but Debian's chromium package is needed. Where it is missing the check
is skipped with exit status 77 and a line saying why.

With REDIS_URL set (a server of the caller's), a run of server processes over
Redis, one of them killed, is checked too. With VOGAME_PAGE_SHORT_RUN set (the
sanitizer build), a shorter run stands in for the default one.

usage: page_check.py [RUNNER] SIMULATOR OUTPUT_FOLDER"""
import base64
import fcntl
import json
import os
import shutil
import subprocess
import tempfile
import time

import check_run

SKIP = 77
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--remote-debugging-pipe", "--window-size=1366,900", "--hide-scrollbars", "--mute-audio"]

# (name, options, charts at least, markers at least, screenshot kept as)
PAGES = [
    ("default run", [], 14, 3, "sim_page.png"),
    ("a server stopped holding a lock", ["--servers", "2", "--players", "300", "--hours", "30",
                                         "--stop-server", "2@1:10:00"], 14, 2, None),
    ("no players", ["--players", "0", "--hours", "2"], 14, 0, None),
]
if os.environ.get("VOGAME_PAGE_SHORT_RUN"):
    # Under the sanitizers a default run takes a minute: a day of a fifth of it shows the same.
    PAGES[0] = ("a shorter run (sanitizer build)", ["--players", "1000", "--hours", "30"], 14, 1, "sim_page.png")
if os.environ.get("REDIS_URL"):
    PAGES.append(("server processes over Redis, one killed",
                  ["--servers", "2", "--players", "60", "--hours", "3", "--processes", "--fresh",
                   "--store", os.environ["REDIS_URL"] + "/page", "--kill-server", "2@1:01:00"], 16, 2, None))


class Browser:
    """One headless Chromium, spoken to in the DevTools protocol: JSON messages
    ended by a NUL byte, commands on its fd 3, answers and events on its fd 4."""

    def __init__(self, executable, profile):
        # Moved above 4 first, so the child's dup2 onto 3 and 4 clobbers none of them.
        def high(fd):
            moved = fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10)
            os.close(fd)
            return moved
        to_child, self._to_browser = map(high, os.pipe())
        self._from_browser, from_child = map(high, os.pipe())

        def plumb():
            os.dup2(to_child, 3)
            os.dup2(from_child, 4)

        self.process = subprocess.Popen([executable] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile, "about:blank"],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, preexec_fn=plumb, pass_fds=(3, 4))
        os.close(to_child)
        os.close(from_child)
        self._buffer = b""
        self._next = 0
        self.events = []

    def _read(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("Chromium did not answer in time")
            chunk = os.read(self._from_browser, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed its pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, params=None, session=None, timeout=60):
        self._next += 1
        message = {"id": self._next, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._read(deadline)
            if answer.get("id") == self._next:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer.get("result", {})
            self.events.append(answer)

    def wait_for(self, method, timeout=60):
        deadline = time.monotonic() + timeout
        for i, event in enumerate(self.events):
            if event.get("method") == method:
                return self.events.pop(i)
        while True:
            event = self._read(deadline)
            if event.get("method") == method:
                return event
            self.events.append(event)

    def close(self):
        try:
            self.send("Browser.close", timeout=10)
        except (RuntimeError, TimeoutError, OSError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        os.close(self._from_browser)


def complaints(events, page_url):
    """Console errors, exceptions and requests for anything but the page itself."""
    found = []
    for e in events:
        method, params = e.get("method"), e.get("params", {})
        if method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
            found.append("console error: " + " ".join(str(a.get("value", a.get("description", "")))
                                                     for a in params.get("args", [])))
        elif method == "Runtime.exceptionThrown":
            details = params.get("exceptionDetails", {})
            found.append("exception: " + details.get("exception", {}).get("description", details.get("text", "")))
        elif method == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
            found.append("log error: " + params["entry"].get("text", ""))
        elif method == "Network.requestWillBeSent":
            url = params.get("request", {}).get("url", "")
            if url != page_url and not url.startswith("data:"):
                found.append("the page asked for " + url)
    return found


def check_page(browser, path, charts_at_least, markers_at_least, screenshot):
    failures = []
    target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
    session = browser.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
    browser.events.clear()
    for domain in ("Page", "Runtime", "Log", "Network"):
        browser.send(domain + ".enable", session=session)
    browser.send("Emulation.setDeviceMetricsOverride",
                 {"width": 1366, "height": 900, "deviceScaleFactor": 1, "mobile": False}, session=session)
    url = "file://" + os.path.abspath(path)
    browser.send("Page.navigate", {"url": url}, session=session)
    browser.wait_for("Page.loadEventFired")
    result = browser.send("Runtime.evaluate", {
        "expression": """JSON.stringify(window.runPage ? {
            charts: window.runPage.check(),
            canvases: document.querySelectorAll('canvas').length,
            // A drawn chart leaves pixels of colour on its canvas.
            inked: window.runPage.charts.map(c => {
                const d = c.ctx.getImageData(0, 0, c.canvas.width, c.canvas.height).data;
                let n = 0;
                for (let i = 3; i < d.length; i += 4) if (d[i] !== 0) ++n;
                return n;
            }),
            tables: document.querySelectorAll('section.report').length
        } : null)""", "returnByValue": True}, session=session)
    state = json.loads(result["result"]["value"]) if result.get("result", {}).get("value") else None
    failures += complaints(browser.events, url)
    if state is None:
        failures.append("the page's script did not run to its end (no window.runPage)")
    else:
        charts = state["charts"]
        if len(charts) < charts_at_least:
            failures.append(f"{len(charts)} charts, not at least {charts_at_least}")
        if state["canvases"] != len(charts):
            failures.append(f"{state['canvases']} canvases for {len(charts)} charts")
        for chart, inked in zip(charts, state["inked"]):
            if chart["elements"] == 0 or chart["width"] == 0 or chart["height"] == 0 or inked < 1000:
                failures.append(f"chart {chart['id']} drew nothing: {chart}, {inked} pixels inked")
        markers = max((c["markers"] for c in charts), default=0)
        if markers < markers_at_least:
            failures.append(f"at most {markers} markers drawn on a chart, not at least {markers_at_least}")
        if state["tables"] < 8:
            failures.append(f"{state['tables']} sections of the report's tables")
    if screenshot:
        size = browser.send("Page.getLayoutMetrics", session=session)["cssContentSize"]
        shot = browser.send("Page.captureScreenshot", {
            "format": "png", "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": 1366, "height": size["height"], "scale": 1}}, session=session)
        with open(screenshot, "wb") as f:
            f.write(base64.b64decode(shot["data"]))
        # The top of the page at a reduced scale: the picture beside the README's command.
        small = browser.send("Page.captureScreenshot", {
            "format": "png", "clip": {"x": 0, "y": 0, "width": 1366, "height": 1060, "scale": 0.6}}, session=session)
        with open(screenshot.replace(".png", "_small.png"), "wb") as f:
            f.write(base64.b64decode(small["data"]))
    browser.send("Target.closeTarget", {"targetId": target})
    return failures


def main(runner, simulator, out_dir):
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if chromium is None:
        print("skipped: no chromium on this machine (Debian's package chromium; scripts/setup.sh --browser "
              "installs it)")
        return SKIP
    os.makedirs(out_dir, exist_ok=True)
    failures, passed = [], 0
    with tempfile.TemporaryDirectory(prefix="vogame-page-") as temp:
        browser = Browser(chromium, os.path.join(temp, "profile"))
        try:
            browser.send("Target.setDiscoverTargets", {"discover": False})
            for name, options, charts, markers, screenshot in PAGES:
                page = os.path.join(out_dir, "sim_page_" + str(PAGES.index((name, options, charts, markers,
                                                                            screenshot))) + ".html")
                stale = "2000" if "--processes" in options else "50"
                run = subprocess.run(runner + [simulator, "--quiet", "--html", page] + options, capture_output=True,
                                     text=True, check=False, env={**os.environ, "VOGAME_LOCK_STALE_MS": stale})
                if run.returncode != 0:
                    failures.append(f"{name}: the simulator exited with {run.returncode}\n{run.stderr}")
                    continue
                found = check_page(browser, page, charts, markers,
                                   os.path.join(out_dir, screenshot) if screenshot else None)
                failures += [f"{name}: {f}" for f in found]
                passed += not found
        finally:
            browser.close()
    return check_run.closing(failures, passed, len(PAGES) - passed)


if __name__ == "__main__":
    check_run.run(main, __doc__)
