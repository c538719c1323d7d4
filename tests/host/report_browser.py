#!/usr/bin/env python3
"""Opens pages of `korvan-host report` in headless Chromium and checks them.

Chromium is driven through its DevTools protocol over a pipe (no network
port): the page is loaded, the console and the browser's log are watched
for errors, the DOM after load is inspected, and a full-page screenshot is
taken at desktop width.

  sample   the report of the bundled sample: every section and chart is
           there, each chart has a title and its numbers, nothing was
           fetched, no console error
  hostile  the report of a log full of markup, quotes, right-to-left and
           other non-ASCII texts: none of it became an element or an
           attribute, all of it shows as text

Usage: report_browser.py CASE --host EXE --plugin LIB --samples DIR --cty FILE
                         --work DIR [--screenshot PNG]
Prints "N passed, N failed" last; exits 1 when a check failed.
"""
import argparse
import base64
import json
import os
import select
import shutil
import subprocess
import sys
import time

LIMIT = 120  # seconds for any one answer of the browser

SECTIONS = ["summary", "rates", "multipliers", "stations", "problems", "band-changes"]
CHARTS = ["rate-by-band", "rate-by-mode", "cumulative-qsos", "cumulative-score", "cumulative-multipliers",
          "new-multipliers", "band-changes-chart"]

# What the page holds after load, as one JSON text.
INSPECT = r"""JSON.stringify({
  charset: document.characterSet,
  sections: [...document.querySelectorAll('section')].map(s => s.id),
  charts: [...document.querySelectorAll('figure.chart-figure')].map(f => ({
    id: f.id,
    caption: (f.querySelector('figcaption') || {}).textContent || '',
    svgTitle: (f.querySelector('svg.chart > title') || {}).textContent || '',
    marks: f.querySelectorAll('svg.chart rect, svg.chart polyline').length,
    numbers: f.querySelectorAll('details table tr').length,
    width: f.querySelector('svg.chart').getBoundingClientRect().width})),
  grids: document.querySelectorAll('svg.kda-grid').length,
  gridCells: document.querySelectorAll('svg.kda-grid rect').length,
  scripts: document.querySelectorAll('script').length,
  foreign: document.querySelectorAll('img, iframe, object, embed, link, base, form, input, a[href]:not([href^="#"])').length,
  handlers: [...document.querySelectorAll('*')].filter(e => [...e.attributes].some(a => a.name.startsWith('on'))).length,
  resources: performance.getEntriesByType('resource').length,
  text: document.body.textContent,
  title: document.title,
  scoreLine: (document.querySelector('.score') || {}).textContent || '',
  problemRows: document.querySelectorAll('#problems table tr').length - 1,
  pageWidth: document.documentElement.scrollWidth
})"""


class Browser:
    """Chromium with its DevTools protocol on file descriptors 3 and 4."""

    def __init__(self, profile):
        to_browser_read, self.to_browser = os.pipe()
        self.from_browser, from_browser_write = os.pipe()

        def connect():
            os.dup2(to_browser_read, 100)
            os.dup2(from_browser_write, 101)
            os.dup2(100, 3)
            os.dup2(101, 4)

        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
             "--user-data-dir=" + profile, "--remote-debugging-pipe", "about:blank"],
            preexec_fn=connect, pass_fds=(3, 4), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_read)
        os.close(from_browser_write)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        self.session = None

    def close(self):
        try:
            self.call("Browser.close", session=False)
        except Exception:  # noqa: BLE001 - the browser is going anyway
            pass
        try:
            self.process.wait(timeout=LIMIT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)

    def _receive(self, deadline):
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.from_browser], [], [], left)[0]:
                raise TimeoutError("no answer from the browser within %d s" % LIMIT)
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise RuntimeError("the browser closed its pipe (exit code %s)" % self.process.poll())
            self.buffer += chunk
        message, _, self.buffer = self.buffer.partition(b"\0")
        return json.loads(message)

    def call(self, method, params=None, session=True):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + LIMIT
        while True:
            answer = self._receive(deadline)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError("%s: %s" % (method, answer["error"]))
                return answer.get("result", {})
            if "method" in answer:
                self.events.append(answer)

    def wait_for_event(self, method):
        deadline = time.monotonic() + LIMIT
        for event in self.events:
            if event["method"] == method:
                return event
        while True:
            event = self._receive(deadline)
            if "method" in event:
                self.events.append(event)
                if event["method"] == method:
                    return event

    def open(self, url):
        target = self.call("Target.createTarget", {"url": "about:blank"}, session=False)["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True},
                                 session=False)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.call(domain + ".enable")
        self.call("Page.navigate", {"url": url})
        self.wait_for_event("Page.loadEventFired")

    def errors(self):
        """Console errors, uncaught exceptions and error entries of the browser's log."""
        found = []
        for event in self.events:
            method, params = event["method"], event.get("params", {})
            if method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                found.append("console: " + json.dumps(params.get("args")))
            elif method == "Runtime.exceptionThrown":
                found.append("exception: " + json.dumps(params.get("exceptionDetails")))
            elif method == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
                found.append("log: " + params["entry"].get("text", ""))
        return found

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in result:
            raise RuntimeError("evaluation failed: %s" % result["exceptionDetails"])
        return result["result"]["value"]

    def screenshot(self, path, width):
        """The whole page at the given width."""
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": 800, "deviceScaleFactor": 1, "mobile": False})
        height = self.call("Page.getLayoutMetrics")["cssContentSize"]["height"]
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": int(height) + 1, "deviceScaleFactor": 1, "mobile": False})
        data = self.call("Page.captureScreenshot", {"format": "png", "captureBeyondViewport": True})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        return int(height)


class Checks:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL " + what)


def adif_record(call, time_on, band, mode, sent, received):
    fields = [("CALL", call), ("QSO_DATE", "20260321"), ("TIME_ON", time_on), ("BAND", band), ("MODE", mode),
              ("STX_STRING", sent), ("SRX_STRING", received), ("STATION_CALLSIGN", "UN0KVN")]
    return "".join("<%s:%d>%s" % (name, len(value.encode()), value) for name, value in fields) + "<EOR>\n"


# Texts a log may carry into the page: each must show as text and as
# nothing else. (Calls are read in capitals.)
HOSTILE_CALL = "<SCRIPT>ALERT(1)</SCRIPT>"
HOSTILE_EXCHANGES = ['"><img src=x onerror=alert(2)>', "'; --<b>bold</b>",
                     "\u05e9\u05dc\u05d5\u05dd \u202eRTL\u202c \u0645\u0631\u062d\u0628\u0627",
                     "\u041f\u0440\u0438\u0432\u0435\u0442 &amp; \u00e9\u00e8"]


def make_hostile_log(path):
    records = [adif_record("UN7AB", "1200", "20m", "CW", "001", "A01"),
               adif_record(HOSTILE_CALL, "1201", "20m", "CW", "002", "002")]
    # Exchanges of Kazakh stations that are no KDA codes: listed under Problems.
    for n, exchange in enumerate(HOSTILE_EXCHANGES):
        records.append(adif_record("UN7A%s" % "CDEF"[n], "12%02d" % (2 + n), "20m", "CW", "%03d" % (3 + n), exchange))
    with open(path, "w", encoding="utf-8") as f:
        f.write("hostile texts\n<EOH>\n" + "".join(records))


def run_report(args, log, page, kda=None):
    command = [args.host, "report", log, "--plugin", args.plugin, "--cty", args.cty, "--out", page,
               "--workdir", os.path.join(args.work, "plugin-files")]
    if kda:
        command += ["--kda", kda]
    result = subprocess.run(command, capture_output=True, timeout=600)
    if result.returncode != 0:
        sys.exit("korvan-host report failed (%d): %s" % (result.returncode, result.stderr.decode(errors="replace")))
    return result.stdout.decode()


def check_sample(args, browser, checks, page):
    printed = run_report(args, os.path.join(args.samples, "korvan-sample.adi"), page,
                         kda=os.path.join(args.samples, "kda.dom"))
    browser.open("file://" + page)
    errors = browser.errors()
    checks.check(not errors, "no console error after load: " + "; ".join(errors))
    dom = json.loads(browser.evaluate(INSPECT))
    checks.check(dom["charset"] == "UTF-8", "the page is read as UTF-8, not " + dom["charset"])
    checks.check(dom["sections"] == SECTIONS, "sections %s" % dom["sections"])
    charts = {chart["id"]: chart for chart in dom["charts"]}
    checks.check(sorted(charts) == sorted(CHARTS), "charts %s" % sorted(charts))
    for chart in dom["charts"]:
        name = chart["id"]
        checks.check(chart["caption"] and chart["svgTitle"], name + " has a caption and an SVG title")
        checks.check(chart["marks"] > 0, name + " draws bars or lines")
        checks.check(chart["numbers"] > 1, name + " has its numbers in a table")
        checks.check(0 < chart["width"] <= 720, "%s is %.0f pixels wide" % (name, chart["width"]))
    checks.check(dom["grids"] == 5 and dom["gridCells"] == 5 * 210, "five KDA grids of 210 cells: %d grids, %d cells"
                 % (dom["grids"], dom["gridCells"]))
    checks.check(dom["scripts"] == 0 and dom["handlers"] == 0, "no script and no event handler")
    checks.check(dom["foreign"] == 0 and dom["resources"] == 0, "nothing fetched or linked: %d elements, %d resources"
                 % (dom["foreign"], dom["resources"]))
    score_line = printed.splitlines()[0]
    checks.check(dom["scoreLine"] == score_line, "the page's score line %r is the one printed, %r"
                 % (dom["scoreLine"], score_line))
    checks.check(dom["problemRows"] == 42, "42 QSOs under Problems, not %d" % dom["problemRows"])
    shot = os.path.join(args.work, "sample-report.png")
    height = browser.screenshot(shot, 1100)
    checks.check(os.path.getsize(shot) > 10000, "a screenshot was taken")
    checks.check(dom["pageWidth"] <= 1100, "no sideways scrolling at desktop width (%d)" % dom["pageWidth"])
    print("screenshot %s (1100 x %d)" % (shot, height))
    if args.screenshot:
        shutil.copyfile(shot, args.screenshot)


def check_hostile(args, browser, checks, page):
    log = os.path.join(args.work, "hostile.adi")
    make_hostile_log(log)
    run_report(args, log, page)
    browser.open("file://" + page)
    errors = browser.errors()
    checks.check(not errors, "no console error after load: " + "; ".join(errors))
    dom = json.loads(browser.evaluate(INSPECT))
    checks.check(dom["scripts"] == 0, "no script element (%d)" % dom["scripts"])
    checks.check(dom["handlers"] == 0, "no event handler attribute (%d)" % dom["handlers"])
    checks.check(dom["foreign"] == 0, "no image, frame, link or form (%d)" % dom["foreign"])
    bold = browser.evaluate("document.querySelectorAll('b').length")
    checks.check(bold == 0, "no <b> from the log (%d)" % bold)
    for text in [HOSTILE_CALL] + HOSTILE_EXCHANGES:
        checks.check(text in dom["text"], "shown as text: %r" % text)
    checks.check(dom["problemRows"] == len(HOSTILE_EXCHANGES), "each hostile exchange under Problems")
    browser.screenshot(os.path.join(args.work, "hostile-report.png"), 1100)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=["sample", "hostile"])
    for option in ("--host", "--plugin", "--samples", "--cty", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--screenshot", help="also copy the sample's screenshot here")
    args = parser.parse_args()
    for name in ("host", "plugin", "samples", "cty", "work"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    if shutil.which("chromium") is None:
        sys.exit("chromium is not installed (tools/install-deps.sh all installs it)")

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(os.path.join(args.work, "plugin-files", "Plugins"))
    # A contest start with Start set opens no setup panel.
    with open(os.path.join(args.work, "plugin-files", "Plugins", "Korvan.ini"), "wb") as f:
        f.write(b"[Settings]\r\nStart=1\r\n")
    checks = Checks()
    browser = Browser(os.path.join(args.work, "profile"))
    try:
        page = os.path.join(args.work, args.case + ".html")
        (check_sample if args.case == "sample" else check_hostile)(args, browser, checks, page)
    finally:
        browser.close()
    print("%d passed, %d failed" % (checks.passed, checks.failed))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
