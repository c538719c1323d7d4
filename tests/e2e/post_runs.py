#!/usr/bin/env python3
"""The live score end to end, against a loopback scoreboard of the test's
own (scoreboard_server.py): `korvan-host post` on the bundled sample and
scenario-runner runs of the exports, natively (korvan-host, libStats.so,
libcurl) or, with --prefix, under wine (korvan-host.exe, Stats.dll, WinHTTP).

Checked: the posted document parses as XML and its figures are those of
`korvan-host score`; form and raw bodies; hostile header texts stay text;
every failure (500, redirect, cut answer, no answer, refused connection,
not an http URL) leaves its own words in LastResult and the log, and no
secret of the URL; GetResult0 stays quick while the server hangs; the
unload returns within 2 s with a post in flight; a score the interval held
back is posted at unload (natively at once; on Windows, where the unload
step may not post, by the thread that holds the library, once the interval
has passed).

Usage: post_runs.py --host EXE --plugin LIB --runner EXE --samples DIR --cty FILE --work DIR
                    [--prefix WINEPREFIX --display-state FILE] [CASE...]
Prints "N passed, N failed" last; exits 1 when a case fails.
"""
import argparse
import concurrent.futures
import os
import re
import subprocess
import sys
import urllib.parse
import xml.etree.ElementTree as ElementTree

import scoreboard_server
import wine_support

SAMPLE_SCORE = "7730625"
QUICK_STATISTICS_MS = 250
UNLOAD_LIMIT_MS = 2000


class Side:
    """Runs the programs natively or under wine, in a folder of the case."""

    def __init__(self, args):
        self.args = args
        self.wine = bool(args.prefix)
        self.name = "wine" if self.wine else "native"

    def path(self, path):
        return wine_support.windows_path(path) if self.wine else os.path.abspath(path)

    def run(self, folder, program, arguments, timeout=180):
        command = [os.path.abspath(program)] + arguments
        if self.wine:
            return wine_support.run_in_wine(self.args.prefix, folder, command, display=True,
                                            state=self.args.display_state, timeout=timeout,
                                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        return subprocess.run(command, cwd=folder, capture_output=True, timeout=timeout)

    def host(self, folder, arguments):
        samples = os.path.abspath(self.args.samples)
        return self.run(folder, self.args.host,
                        arguments[:1] + [self.path(os.path.join(samples, "korvan-sample.adi")),
                                         "--kda", self.path(os.path.join(samples, "kda.dom")),
                                         "--plugin", self.path(self.args.plugin), "--cty", self.path(self.args.cty)]
                        + arguments[1:])


def fresh_case(work, name, settings=""):
    """The case's folder with a settings file that keeps the setup panel
    from starting, and SETTINGS (lines) added."""
    folder = os.path.join(work, name)
    wine_support.fresh_folder(folder)
    os.makedirs(os.path.join(folder, "Plugins"))
    with open(os.path.join(folder, "Plugins", "Korvan.ini"), "wb") as ini:
        ini.write(("[Settings]\r\nStart=1\r\n" + settings).encode("latin-1"))
    return folder


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")
    except OSError:
        return ""


def last_result(folder):
    section = ""
    for line in read(os.path.join(folder, "Plugins", "Korvan.ini")).splitlines():
        line = line.strip()
        if line.startswith("["):
            section = line.strip("[]").lower()
        elif section == "scorereporting" and line.lower().startswith("lastresult="):
            return line.split("=", 1)[1]
    return ""


def sample_figures(side, work):
    """The band rows, totals and score of `korvan-host score` on the sample."""
    folder = fresh_case(work, "score")
    result = side.host(folder, ["score"])
    text = result.stdout.decode("latin-1")
    rows = {}
    for band, qsos, points, dxcc, kda in re.findall(r"^(\S+)\t (-?\d+)\t (-?\d+)\t (-?\d+)\t (-?\d+)", text, re.M):
        name = "total" if band == "Total" else band[:-1] if band.endswith("m") else band
        rows[name] = {"qso": qsos, "point": points, "mult": str(int(dxcc) + int(kda))}
    score = re.search(r"^Score: .* = (\d+)", text, re.M)
    return rows, score.group(1) if score else None


def document_problems(document, figures, expected_texts):
    problems = []
    try:
        root = ElementTree.fromstring(document)
    except ElementTree.ParseError as error:
        return [f"the document is no XML ({error}):\n{document[:400]!r}"]
    if root.tag != "dynamicresults":
        problems.append(f"the root is {root.tag}")
    rows, score = figures
    posted = {}
    for element in root.find("breakdown") if root.find("breakdown") is not None else []:
        if element.get("mode") != "ALL":
            problems.append(f"{element.tag} of band {element.get('band')} has mode {element.get('mode')}")
        posted.setdefault(element.get("band"), {})[element.tag] = element.text
    if posted != rows:
        problems.append(f"the breakdown {posted} is not the statistics' {rows}")
    if root.findtext("score") != score:
        problems.append(f"the score is {root.findtext('score')}, the statistics' {score}")
    if not re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", root.findtext("timestamp") or ""):
        problems.append(f"the timestamp is {root.findtext('timestamp')!r}")
    for path, wanted in expected_texts.items():
        element, _, attribute = path.partition("@")
        found = root.find(element)
        value = None if found is None else found.get(attribute) if attribute else found.text or ""
        if value != wanted:
            problems.append(f"{path} is {value!r}, not {wanted!r}")
    return problems


def no_secret(folder, output):
    everything = output + read(os.path.join(folder, "Plugins", "ScoreReporting.log")) + \
        read(os.path.join(folder, "Plugins", "Korvan.ini")).replace("key=SECRET-KEY", "")
    return [] if "SECRET" not in everything else ["a secret of the URL was written"]


# korvan-host post cases: (server kind, "refused" or a URL; extra
# arguments; lines added to the settings file after section Settings'
# Start=1; exit code; words of the outcome; what the document must say).
POST_CASES = {
    "sample_form": ("ok", ["--contest", "KORVAN-TEST"], "", 0,
                    "HTTP 200: Thanks, score received", {"contest": "KORVAN-TEST", "call": "UN0KVN"}),
    "sample_xml": ("ok", ["--body", "xml"], "", 0, "HTTP 200: Thanks, score received", {"contest": "KORVAN"}),
    "hostile_texts": ("ok", ["--contest", "K<&>\"'X"],
                      "Club=R&D <club> \"A\" 'B'\r\nOperators=UN0KVN & <op>\r\nPower=LOW\" assisted=\"ASSISTED\r\n"
                      "Loc=</stprvoth>&amp;\r\n", 0, "HTTP 200: Thanks, score received",
                      {"contest": "K<&>\"'X", "club": "R&D <club> \"A\" 'B'", "ops": "UN0KVN & <op>",
                       "class@power": "LOW\" assisted=\"ASSISTED", "class@assisted": "NON-ASSISTED",
                       "qth/stprvoth": "</stprvoth>&amp;"}),
    "server_error": ("error", [], "", 5, "HTTP 500: Internal trouble, try later", None),
    "redirect": ("redirect", [], "", 5,
                 "HTTP 302 (a redirect, not followed: set Url to the new address): Moved", None),
    "cut_answer": ("cut", [], "", 5, "HTTP 200, but the connection closed in the middle of the answer", None),
    "no_answer": ("hang", [], "[ScoreReporting]\r\nTimeoutSeconds=1\r\n", 5,
                  "failed: no whole answer within 1 s", None),
    "refused": ("refused", [], "", 5, "failed: no connection to the server (refused or unreachable)", None),
    "not_http": ("ftp://127.0.0.1/post?key=SECRET-KEY", [], "", 5,
                 "not posting: Url is not an http or https address", None),
}


def post_case(side, board, work, figures, name):
    kind, extra, settings, code, words, texts = POST_CASES[name]
    folder = fresh_case(work, name, settings)
    if kind == "refused":
        url = f"http://127.0.0.1:{closed_port()}/refused/{name}/post?key=SECRET-KEY"
    elif "://" in kind:
        url = kind
    else:
        url = board.url(kind, name)
    result = side.host(folder, ["post", "--url", url] + extra)
    output = result.stdout.decode("utf-8", "replace")
    problems = []
    if result.returncode != code:
        problems.append(f"exit code {result.returncode}, not {code}")
    if not last_result(folder).endswith(" UTC " + words):
        problems.append(f"LastResult is {last_result(folder)!r}, not the time and {words!r}")
    if "://" not in kind and f"score {SAMPLE_SCORE} to " not in output:
        problems.append(f"the output {output!r} does not name the score")
    if not output.rstrip().endswith(words):
        problems.append(f"the output {output!r} does not end with {words!r}")
    problems += no_secret(folder, output)
    requests = board.requests_of(name)
    wanted = 0 if kind in ("refused",) or "://" in kind else 1
    if len(requests) != wanted:
        problems.append(f"{len(requests)} requests arrived, not {wanted}")
    if any(r.kind == "moved" for r in board.requests):
        problems.append("the redirect was followed")
    if texts is not None and requests:
        request = requests[0]
        content_type = request.headers.get("Content-Type", "")
        if "--body" in extra:
            document = request.body.decode("utf-8")
            if not content_type.startswith("text/xml"):
                problems.append(f"the raw body came as {content_type}")
        else:
            fields = urllib.parse.parse_qs(request.body.decode("ascii"), strict_parsing=True)
            document = fields.get("xml", [""])[0]
            if content_type != "application/x-www-form-urlencoded" or list(fields) != ["xml"]:
                problems.append(f"the form came as {content_type} with fields {list(fields)}")
        problems += document_problems(document, figures, texts)
    return report(f"{side.name} {name}", problems, result)


def closed_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


SCENARIO_START = """reset - 0 UN0KVN 2026-03-21_00:00 2026-03-21_00:00 UN AS
add UN0KVN DL1ABC 2026-03-21_10:00 14025000 CW 599 599 001 015 DL EU 20m
"""
SECOND_QSO = "add UN0KVN DL2ABC 2026-03-21_10:01 14025000 CW 599 599 002 016 DL EU 20m\n"


def scenario_case(side, board, work, name, kind, settings, steps):
    folder = fresh_case(work, name, "[ScoreReporting]\r\nEnabled=1\r\nUrl=" +
                        board.url(kind, name, f"key=SECRET-KEY&mark={name}/request.seen") + "\r\n" + settings)
    scenario = os.path.join(folder, "case.scn")
    with open(scenario, "w") as f:
        f.write(SCENARIO_START + steps)
    timings_file = os.path.join(folder, "timings.txt")
    result = side.run(folder, side.args.runner, [side.path(side.args.plugin), side.path(scenario),
                                                 "--timings", side.path(timings_file)])
    timings = {}
    for line in read(timings_file).splitlines():
        label, micros = line.split()
        timings.setdefault(label, []).append(int(micros) / 1000.0)
    problems = [] if result.returncode == 0 else [f"the runner exited with {result.returncode}"]
    crash = wine_support.crash_report(result.stderr) if side.wine else None
    if crash:
        problems.append(f"the run crashed: {crash}")
    return folder, result, timings, problems


def hanging_server_case(side, board, work):
    """GetResult0 while a post hangs, then the unload with it in flight."""
    name = "hanging_server"
    folder, result, timings, problems = scenario_case(
        side, board, work, name, "hang", "TimeoutSeconds=30\r\n",
        "result\nawaitfile request.seen\nresult\nresult\nunload\n")
    quick = timings.get("GetResult0", [])[1:]
    if len(quick) != 2 or max(quick) > QUICK_STATISTICS_MS:
        problems.append(f"GetResult0 took {quick} ms while the server hung (at most {QUICK_STATISTICS_MS})")
    unload = timings.get("unload", [None])[0]
    if unload is None or unload > UNLOAD_LIMIT_MS:
        problems.append(f"the unload took {unload} ms with a post in flight (at most {UNLOAD_LIMIT_MS})")
    # Natively the unload step gives the post up and says so; on Windows
    # the post goes on in its thread until the process ends.
    if not side.wine and not last_result(folder).endswith(" UTC failed: given up when the plug-in was unloaded"):
        problems.append(f"LastResult is {last_result(folder)!r}")
    if len(board.requests_of(name)) != 1:
        problems.append(f"{len(board.requests_of(name))} requests arrived, not 1")
    return report(f"{side.name} {name} (GetResult0 {quick} ms, unload {unload} ms)", problems, result)


def held_score_case(side, board, work):
    """A score the interval holds back reaches the board after the unload."""
    name = "held_score"
    folder, result, timings, problems = scenario_case(
        side, board, work, name, "ok", "IntervalMinutes=1\r\n",
        "result\nawaitfile Plugins\\ScoreReporting.log score 5 to\n" + SECOND_QSO +
        "result\nunload\nawaitfile Plugins\\ScoreReporting.log score 10 to\n")
    requests = board.requests_of(name)
    scores = [re.search(r"%3Cscore%3E(\d+)", r.body.decode("ascii")) for r in requests]
    scores = [m.group(1) if m else None for m in scores]
    if scores != ["5", "10"]:
        problems.append(f"the scores posted were {scores}, not ['5', '10']")
    unload = timings.get("unload", [None])[0]
    if unload is None or unload > UNLOAD_LIMIT_MS:
        problems.append(f"the unload took {unload} ms (at most {UNLOAD_LIMIT_MS})")
    if len(requests) == 2:
        gap = requests[1].arrived - requests[0].arrived
        # Natively the unload posts it at once; on Windows it goes when the
        # minute since the first post has passed.
        if side.wine and gap < 59:
            problems.append(f"the held score went {gap:.1f} s after the first, within the interval")
        if not side.wine and gap > 30:
            problems.append(f"the held score went {gap:.1f} s after the first, not at the unload")
    return report(f"{side.name} {name}", problems, result)


def report(name, problems, result):
    """(passed, the verdict's lines): "ok" or "FAIL" with the problems and
    the run's output."""
    if not problems:
        return True, f"ok   {name}"
    lines = [f"FAIL {name}"] + ["  " + problem.replace("\n", "\n  ") for problem in problems]
    for label, stream in (("stdout", result.stdout), ("stderr", result.stderr)):
        if stream:
            lines.append(f"  {label}:\n    " + stream.decode("latin-1").rstrip().replace("\n", "\n    "))
    return False, "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--plugin", required=True)
    parser.add_argument("--runner", required=True)
    parser.add_argument("--samples", required=True)
    parser.add_argument("--cty", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--prefix")
    parser.add_argument("--display-state")
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    # The loopback server is reached directly, whatever proxy the machine has.
    for variable in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
        os.environ.pop(variable, None)
    side = Side(args)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    if side.wine:
        wine_support.init_prefix(args.prefix)
    board = scoreboard_server.Scoreboard(mark_folder=work)
    wanted = set(args.cases) or set(POST_CASES) | {"hanging_server", "held_score"}
    results = []
    try:
        figures = sample_figures(side, work)
        if None in figures or not figures[0]:
            results.append((False, f"FAIL {side.name}: the sample's statistics could not be read"))
        # The cases run side by side, each in its own folder with its own
        # path on the server (the held score alone waits a minute under wine).
        with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
            runs = []
            if "held_score" in wanted:
                runs.append(pool.submit(held_score_case, side, board, work))
            runs += [pool.submit(post_case, side, board, work, figures, name) for name in POST_CASES if name in wanted]
            if "hanging_server" in wanted:
                runs.append(pool.submit(hanging_server_case, side, board, work))
            results += [run.result() for run in runs]
    finally:
        board.stop()
    for _, verdict in results:
        print(verdict)
    passed = sum(1 for ok, _ in results if ok)
    print(f"{passed} passed, {len(results) - passed} failed")
    return 0 if passed == len(results) else 1


if __name__ == "__main__":
    sys.exit(main())
