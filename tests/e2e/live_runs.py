#!/usr/bin/env python3
"""The operator windows end to end: `korvan-host live` scripts played with
korvan-host.exe and Stats.dll under wine (x64 or x86, the host object in the
MTA and in an STA) and, where given, with korvan-host and libStats.so.

Each case gives the settings file the run starts from, the script, the
command lines the journal must hold, what the observations must show
(only the fields named; "left"/"top" only where the platform has them) and
the pixels its snapshots must have. The native run's journal, commands,
settings and window texts must equal the wine run's.

Usage: live_runs.py --win-host EXE --win-plugin DLL --prefix WINEPREFIX --work DIR
                    --samples DIR --cty FILE [--native-host EXE --native-plugin SO]
                    [--apartment mta --apartment sta] [--display-state FILE] [CASE...]
Prints "N passed, N failed" last; exits 1 when a case fails.
"""
import argparse
import json
import os
import shutil
import struct
import subprocess
import sys
import time

import wine_support

PANEL_BACKGROUND = (255, 250, 198)
GREEN = (0, 255, 0)
GREY = (240, 240, 240)

# The start of a panel with the host running: the mode the settings ask
# for, then the refresh the panel posts itself, which reads the frequency
# and right after it the worked call (the window thread is idle again
# before the script may start a new phase).
START = """
wait-window panel open
expect <MODE:CW>
expect <BAUDRATE:27>
reads 1
settle
"""

CASES = {
    # No stored mode: CW and its rate, CW face green, SSB grey.
    "start_without_mode": dict(
        script=START + "observe start\nsnapshot start\n",
        journal=["0 command <MODE:CW>", "0 command <BAUDRATE:27>"],
        observations={"start": dict(commands=["<MODE:CW>", "<BAUDRATE:27>"],
                                    windows=[dict(kind="panel", title="Setup Korvan-2026", visible=True,
                                                  topmost=True, left=10, top=400,
                                                  checks={"KDA area": 0, "DXCC": 0, "Window on top": 0})],
                                    settings={"setup_Mode": None})},
        pixels={"start-panel": [("background", (3, 3), PANEL_BACKGROUND),
                                ("CW face", ("1003", 0.1, 0.5), GREEN),
                                ("SSB face", ("1005", 0.1, 0.5), GREY)]}),
    "start_with_ssb": dict(
        settings="setup_Mode=SSB",
        script="wait-window panel open\nexpect <MODE:SSB>\nsettle\nobserve start\n",
        journal=["0 command <MODE:SSB>"],
        observations={"start": dict(commands=["<MODE:SSB>"])}),
    # A stored mode in other letter case: nothing is sent.
    "start_with_lower_case_ssb": dict(
        settings="setup_Mode=ssb",
        script="wait-window panel open\nsettle\nobserve start\n",
        journal=[],
        observations={"start": dict(commands=[], settings={"setup_Mode": "ssb"})}),
    "clicks_switch_the_mode": dict(
        # The panel stores the mode after it has sent the commands.
        script=START + "click ssb\nexpect <MODE:SSB>\nwait-setting setup_Mode SSB\nsettle\nobserve ssb\nclick cw\n"
                       "expect <MODE:CW>\nexpect <BAUDRATE:27>\nwait-setting setup_Mode CW\nsettle\nobserve cw\n",
        journal=["0 command <MODE:CW>", "0 command <BAUDRATE:27>", "0 command <MODE:SSB>",
                 "0 command <MODE:CW>", "0 command <BAUDRATE:27>"],
        observations={"ssb": dict(commands=["<MODE:CW>", "<BAUDRATE:27>", "<MODE:SSB>"],
                                  settings={"setup_Mode": "SSB"}),
                      "cw": dict(commands=["<MODE:CW>", "<BAUDRATE:27>"], settings={"setup_Mode": "CW"})}),
    # A stored x of 0 means the default 10; -50 is taken as it is.
    "position_from_the_settings": dict(
        settings="Setup_x=0\r\nSetup_y=-50",
        script=START + "observe start\n",
        journal=["0 command <MODE:CW>", "0 command <BAUDRATE:27>"],
        observations={"start": dict(windows=[dict(kind="panel", left=10, top=-50, topmost=True)])}),
    "russian_labels": dict(
        own_call=None,  # the sample's own call, a UN station
        script=START + "observe start\n",
        journal=["0 command <MODE:CW>", "0 command <BAUDRATE:27>"],
        observations={"start": dict(windows=[dict(kind="panel", title="Установки Korvan-2026",
                                                  checks={"Районы КДА": 0, "Страны DXCC": 0, "Поверх окон": 0})])}),
    # Without a host the panel works all the same.
    "host_not_running": dict(
        automation="not-running",
        script="wait-window panel open\nclick ssb\nwait-setting setup_Mode SSB\nsettle\nobserve ssb\n",
        journal=[],
        observations={"ssb": dict(commands=[], settings={"setup_Mode": "SSB"})}),
    "host_absent": dict(
        automation="absent",
        script="wait-window panel open\nclick ssb\nwait-setting setup_Mode SSB\nsettle\nobserve ssb\n",
        journal=[],
        observations={"ssb": dict(commands=[], settings={"setup_Mode": "SSB"})}),
    # The host goes away mid-run: calls fail, the panel stays usable.
    "host_disconnects": dict(
        script=START + "disconnect\nclick ssb\nwait-setting setup_Mode SSB\nsettle\nobserve ssb\nclick cw\n"
                       "wait-setting setup_Mode CW\nsettle\nobserve cw\n",
        journal=["0 command <MODE:CW>", "0 command <BAUDRATE:27>"],
        observations={"ssb": dict(commands=["<MODE:CW>", "<BAUDRATE:27>"], settings={"setup_Mode": "SSB"},
                                  windows=[dict(kind="panel", visible=True)]),
                      "cw": dict(commands=[], settings={"setup_Mode": "CW"})}),
    # Esc closes the panel, Enter does not.
    "enter_and_esc": dict(
        script=START + "key panel enter\nsettle\nwait-window panel open\nkey panel esc\n"
                       "wait-window panel closed\nobserve closed\n",
        journal=["0 command <MODE:CW>", "0 command <BAUDRATE:27>"],
        observations={"closed": dict(windows=[])}),
}

# The live refresh: both windows open from the settings; a part of the log
# replayed and scored, then the rig on 20 m, a worked call entered (the
# DXCC window's worked-with view, its 20 m row highlighted), cleared on 40 m
# (the band view), keep-on-top reopening both windows topmost, and Esc
# hiding the KDA window while the refresh keeps retitling it.
REFRESH_SCRIPT = START + """
wait-window kda open
wait-window dxcc open
observe start
add 40
result
freq 14025000
check UN7XYZ 20m CW
expect <SP1>
settle
observe 20m
call UN7LV
freq 14025400
check UN7LV 20m CW
expect <SP1>
settle
observe worked-with
snapshot worked
call-none
freq 7030000
check UN7XYZ 40m CW
expect <SP1>
settle
observe 40m
snapshot band
freq 7030400
click ontop
expect <SP1>
wait-setting setup_window_on_top 1
settle
observe ontop
key kda esc
wait-window kda hidden
freq 3510000
check UN7XYZ 80m CW
expect <SP1>
settle
observe hidden-80m
"""
WORKED_WITH = (255, 255, 198)
CURRENT_BAND = (198, 255, 255)


def refresh_windows(band, kda, dxcc, kda_ticked, kda_visible=True, topmost=False):
    return [dict(kind="kda", title=f"Korvan-2026 KDA on {band} {kda} of 210", visible=kda_visible, topmost=topmost,
                 ticked=kda_ticked),
            dict(kind="dxcc", title=f"Korvan-2026 DXCC worked on {band} {dxcc} of 338" if dxcc else None,
                 visible=True, topmost=topmost)]


CASES["live_refresh"] = dict(
    settings="setup_view_KDA=1\r\nsetup_view_DXCC=1",
    script=REFRESH_SCRIPT,
    journal=["0 command <MODE:CW>", "0 command <BAUDRATE:27>", "1 command <SP1>", "3 command <SP1>",
             "5 command <SP1>", "6 command <SP1>", "7 command <SP1>"],
    observations={
        # No band yet (0 Hz): the windows keep their resource titles.
        "start": dict(windows=[dict(kind="kda", title="KDA", ticked=[]), dict(kind="dxcc", title="DXCC")]),
        "20m": dict(commands=["<SP1>"], windows=refresh_windows("20m", 2, 7, ["K03", "M012"])),
        "worked-with": dict(windows=[dict(kind="dxcc", title="Korvan 2026 worked with UN7LV ")]),
        "40m": dict(windows=refresh_windows("40m", 2, 10, ["O07", "Q04"])),
        "ontop": dict(windows=refresh_windows("40m", 2, 10, ["O07", "Q04"], topmost=True),
                      settings={"setup_window_on_top": "1"}),
        "hidden-80m": dict(windows=refresh_windows("80m", 5, 5, ["J12", "L08", "M10", "Q01", "Q17"],
                                                   kda_visible=False, topmost=True)),
    },
    pixels={"worked-dxcc": [("the 20 m row", ("1003", 0.97, 4.5 / 7), CURRENT_BAND),
                            ("the 40 m row", ("1003", 0.97, 3.5 / 7), WORKED_WITH),
                            ("the 15 m row", ("1003", 0.97, 5.5 / 7), WORKED_WITH)],
            "band-dxcc": [("the band view", ("1003", 0.97, 0.9), PANEL_BACKGROUND)]})


# korvan-host's host object on its own, called by a stand-in plug-in
# (com_client_plugin.cpp) from a thread of its own: a check of "HOST" makes
# one round of calls (item 5, an unknown member the first time, the
# frequency, "<SP1>"), answered with what the script set; after the host
# goes away every call of the held object fails.
CLIENT_SCRIPT = """
freq 14025000
call UN7ABC
check HOST 20m CW
expect <SP1>
call-none
check HOST 20m CW
expect <SP1>
call-int 7
check HOST 20m CW
expect <SP1>
disconnect
check HOST 20m CW
wait-file host-answers.txt 4
"""
CLIENT_JOURNAL = ["2 item 5", "2 refused 99 flags 1 arguments 0", "2 frequency", "2 command <SP1>",
                  "3 item 5", "3 frequency", "3 command <SP1>", "4 item 5", "4 frequency", "4 command <SP1>"]
CLIENT_ANSWERS = ["item 00000000 8 UN7ABC|refused 80020003|frequency 00000000 14025000|command 00000000",
                  "item 00000000 8 |refused 00000000|frequency 00000000 14025000|command 00000000",
                  "item 00000000 3 7|refused 00000000|frequency 00000000 14025000|command 00000000"]


def run_client(args, apartment):
    folder = os.path.join(args.work, f"host_object-{apartment}")
    case = dict(script=CLIENT_SCRIPT, own_call="DL1KVN")
    prepare_folder(folder, case)
    started = time.monotonic()
    result = wine_support.run_in_wine(
        args.prefix, folder,
        [os.path.abspath(args.win_host)] + live_arguments(case, folder, wine_support.windows_path, args.samples,
                                                           args.cty) +
        ["--apartment", apartment, "--plugin", wine_support.windows_path(args.client_plugin)],
        display=True, state=args.display_state, timeout=args.timeout, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    seconds = time.monotonic() - started
    journal, _ = read_run(folder)
    problems = []
    if result.returncode != 0:
        problems.append(f"korvan-host.exe exited with {result.returncode}")
    if journal != CLIENT_JOURNAL:
        problems.append(f"journal {journal}, expected {CLIENT_JOURNAL}")
    answers_file = os.path.join(folder, "work", "host-answers.txt")
    answers = open(answers_file).read().splitlines() if os.path.exists(answers_file) else []
    if answers[:3] != CLIENT_ANSWERS:
        problems.append(f"answers {answers[:3]}, expected {CLIENT_ANSWERS}")
    last = answers[3].split("|") if len(answers) > 3 else []
    if len(last) != 4 or any(part.split()[1] == "00000000" for part in (last[0], last[2], last[3])):
        problems.append(f"after the disconnect the calls must fail: {answers[3:] or 'no answer'}")
    return print_result(f"host_object ({apartment})", problems, result, seconds)


def run_without_rpc_service(args):
    """Without wine's RPC service the running object table is out of reach:
    korvan-host says so and exits with its own code, 4, instead of running
    as a host that is not running."""
    folder = os.path.join(args.work, "no_rpc_service")
    case = dict(script="settle\n")
    prepare_folder(folder, case)
    env = wine_support.wine_environment(args.prefix)
    subprocess.run(["wineserver", "-k"], env=env, timeout=60, check=False)
    started = time.monotonic()
    try:
        result = wine_support.run_in_wine(
            args.prefix, folder,
            [os.path.abspath(args.win_host)] + live_arguments(case, folder, wine_support.windows_path, args.samples,
                                                               args.cty),
            display=True, state=args.display_state, timeout=args.timeout, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, dll_overrides="rpcss.exe=d")
    finally:
        subprocess.run(["wineserver", "-k"], env=env, timeout=60, check=False)
    problems = []
    if result.returncode != 4:
        problems.append(f"korvan-host.exe exited with {result.returncode}, expected 4")
    if b"RPC" not in result.stderr:
        problems.append("the message does not name the RPC error")
    return print_result("no_rpc_service", problems, result, time.monotonic() - started)


# 2,000 face-colour changes must not change the process's GDI object count
# (up to LEAK_SLACK objects fewer after: wine frees cached objects of its own
# meanwhile, seen up to 4; a double delete per click would show as hundreds).
LEAK_CLICKS = 2000
LEAK_SLACK = 20


def leak_script():
    lines = [START]
    for _ in range(10):  # every object a click needs exists before the count
        lines.append("click ssb\nexpect <MODE:SSB>\nclick cw\nexpect <MODE:CW>\n")
    lines.append("gdi before\n")
    for _ in range(LEAK_CLICKS // 2):
        lines.append("click ssb\nexpect <MODE:SSB>\nclick cw\nexpect <MODE:CW>\n")
    lines.append("settle\ngdi after\n")
    return "".join(lines)


def refresh_leak_script():
    """2,000 refreshes with the KDA and DXCC windows open, each one retitling
    both windows and repainting the DXCC window's info button. A call check
    asks for a refresh only once the previous one has ended, so each round
    checks until the refresh at the new frequency has sent its command."""
    lines = [START, "wait-window kda open\nwait-window dxcc open\nadd 40\nresult\n"]
    for i in range(10 + LEAK_CLICKS):
        if i == 10:
            lines.append("gdi before\n")
        lines.append(f"freq {14025000 + (i % 2) * 1000}\nexpect <SP1> checking UN7XYZ 20m CW\n")
    lines.append("settle\ngdi after\n")
    return "".join(lines)


def read_bmp(path):
    """(width, height, pixel(x, y) -> (r, g, b)) of a 24-bit BMP file."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise ValueError(f"{path} has {bits} bits a pixel, not 24")
    stride = (width * 3 + 3) & ~3
    bottom_up = height > 0
    height = abs(height)

    def pixel(x, y):
        row = height - 1 - y if bottom_up else y
        b, g, r = data[offset + row * stride + x * 3: offset + row * stride + x * 3 + 3]
        return (r, g, b)
    return width, height, pixel


def check_pixels(case, folder, observations):
    problems = []
    for image, checks in case.get("pixels", {}).items():
        kind = image.rsplit("-", 1)[1]
        window = next((w for o in observations for w in o.get("windows", []) if w["kind"] == kind), None)
        path = os.path.join(folder, image + ".bmp")
        if not os.path.exists(path):
            problems.append(f"no snapshot {image}.bmp")
            continue
        width, height, pixel = read_bmp(path)
        for what, where, colour in checks:
            if isinstance(where[0], str):  # inside a control, at fractions of its width and height
                rect = (window or {}).get("controls", {}).get(where[0])
                if not rect:
                    problems.append(f"{image}: the observation has no rectangle of control {where[0]}")
                    continue
                x = int(rect[0] + (rect[2] - rect[0]) * where[1])
                y = int(rect[1] + (rect[3] - rect[1]) * where[2])
            else:
                x, y = where
            if not (0 <= x < width and 0 <= y < height):
                problems.append(f"{image}: {what} at ({x}, {y}) lies outside the {width}x{height} image")
            elif pixel(x, y) != colour:
                problems.append(f"{image}: {what} at ({x}, {y}) is RGB{pixel(x, y)}, not RGB{colour}")
    return problems


def check_observations(case, observations, placed):
    problems = []
    by_label = {o["label"]: o for o in observations}
    for label, expected in case.get("observations", {}).items():
        seen = by_label.get(label)
        if seen is None:
            problems.append(f"no observation {label}")
            continue
        if "commands" in expected and seen["commands"] != expected["commands"]:
            problems.append(f"{label}: commands {seen['commands']}, expected {expected['commands']}")
        for key, value in expected.get("settings", {}).items():
            if seen["settings"].get(key) != value:
                problems.append(f"{label}: setting {key} is {seen['settings'].get(key)!r}, expected {value!r}")
        if "windows" in expected:
            if expected["windows"] == [] and seen["windows"]:
                problems.append(f"{label}: windows {[w['kind'] for w in seen['windows']]}, expected none")
            for want in expected["windows"]:
                window = next((w for w in seen["windows"] if w["kind"] == want["kind"]), None)
                if window is None:
                    problems.append(f"{label}: no {want['kind']} window")
                    continue
                for key, value in want.items():
                    if value is None or (key in ("left", "top") and not placed):
                        continue
                    if key == "ticked":
                        ticked = sorted(k for k, v in window.get("checks", {}).items() if v)
                        if ticked != sorted(value):
                            problems.append(f"{label}: {want['kind']} ticks {ticked}, expected {sorted(value)}")
                        continue
                    if window.get(key) != value:
                        problems.append(f"{label}: {want['kind']} {key} is {window.get(key)!r}, expected {value!r}")
    return problems


def prepare_folder(folder, case):
    wine_support.fresh_folder(folder)
    os.makedirs(os.path.join(folder, "work", "Plugins"))
    settings = case.get("settings")
    if settings:
        with open(os.path.join(folder, "work", "Plugins", "Korvan.ini"), "wb") as f:
            f.write(("[Settings]\r\n" + settings + "\r\n").encode("cp1251"))
    with open(os.path.join(folder, "script.txt"), "w") as f:
        f.write(case["script"])


def live_arguments(case, folder, path, samples, cty):
    own = case.get("own_call", "DL1KVN")
    words = ["live", path(os.path.join(samples, "korvan-sample.adi")), "--kda", path(os.path.join(samples, "kda.dom")),
             "--cty", path(cty), "--workdir", path(os.path.join(folder, "work")),
             "--script", path(os.path.join(folder, "script.txt")), "--journal", path(os.path.join(folder, "journal.txt")),
             "--observe", path(os.path.join(folder, "observe.jsonl")),
             "--snapshots", path(os.path.join(folder, "snapshots")),
             "--automation", case.get("automation", "registered")]
    if own:
        words += ["--call", own]
    return words


def read_run(folder):
    journal = open(os.path.join(folder, "journal.txt"), encoding="utf-8").read().splitlines() \
        if os.path.exists(os.path.join(folder, "journal.txt")) else None
    path = os.path.join(folder, "observe.jsonl")
    observations = [json.loads(line) for line in open(path, encoding="utf-8")] if os.path.exists(path) else []
    return journal, observations


def run_case(args, name, case, apartment):
    folder = os.path.join(args.work, f"{name}-{apartment}")
    prepare_folder(folder, case)
    started = time.monotonic()
    result = wine_support.run_in_wine(
        args.prefix, folder,
        [os.path.abspath(args.win_host)] + live_arguments(case, folder, wine_support.windows_path, args.samples,
                                                           args.cty) + ["--apartment", apartment],
        display=True, state=args.display_state, timeout=args.timeout, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    seconds = time.monotonic() - started
    journal, observations = read_run(folder)
    problems = []
    if result.returncode != 0:
        problems.append(f"korvan-host.exe exited with {result.returncode}")
    crash = wine_support.crash_report(result.stderr)
    if crash:
        problems.append(f"wine reported a crash: {crash}")
    if journal is None:
        problems.append("no journal")
    elif "journal" in case:
        calls = [line for line in journal if " command " in line or " refused" in line]
        if calls != case["journal"]:
            problems.append(f"journal commands {calls}, expected {case['journal']}")
    problems += check_observations(case, observations, placed=True)
    problems += check_pixels(case, os.path.join(folder, "snapshots"), observations)
    if "leak" in case:
        counts = {o["label"]: o.get("gdi") for o in observations if "gdi" in o}
        if counts.get("before") is None:
            print(f"note {name}: the platform gives no GDI object count; the leak is not measured")
        elif counts.get("after") is None or not 0 <= counts["before"] - counts["after"] <= LEAK_SLACK:
            problems.append(f"GDI objects {counts.get('before')} before {LEAK_CLICKS} clicks, {counts.get('after')} after")
    if args.native_host and apartment == args.apartment[0] and "leak" not in case:
        problems += compare_native(args, name, case, journal, observations)
    ok = print_result(f"{name} ({apartment})", problems, result, seconds)
    return ok


def compare_native(args, name, case, wine_journal, wine_observations):
    folder = os.path.join(args.work, f"{name}-native")
    prepare_folder(folder, case)
    native = subprocess.run([os.path.abspath(args.native_host)] +
                            live_arguments(case, folder, os.path.abspath, args.samples, args.cty) +
                            ["--plugin", os.path.abspath(args.native_plugin)],
                            capture_output=True, timeout=args.timeout)
    journal, observations = read_run(folder)
    problems = []
    if native.returncode != 0:
        problems.append(f"the native korvan-host exited with {native.returncode}: "
                        f"{native.stderr.decode('utf-8', 'replace').strip()}")
    if journal != wine_journal:
        problems.append(f"the native journal differs:\n  native {journal}\n  wine   {wine_journal}")
    for a, b in zip(observations, wine_observations):
        for key in ("label", "commands", "settings"):
            if a.get(key) != b.get(key):
                problems.append(f"{a.get('label')}: native {key} {a.get(key)}, wine {b.get(key)}")
        same = [{k: w.get(k) for k in ("kind", "title", "visible", "checks")} for w in a.get("windows", [])]
        other = [{k: w.get(k) for k in ("kind", "title", "visible", "checks")} for w in b.get("windows", [])]
        if same != other:
            problems.append(f"{a.get('label')}: native windows {same}, wine {other}")
    if len(observations) != len(wine_observations):
        problems.append(f"{len(observations)} native observations, {len(wine_observations)} under wine")
    return problems


def print_result(label, problems, result, seconds):
    if problems:
        print(f"FAIL {label} ({seconds:.1f} s)")
        for problem in problems:
            print("  " + problem.replace("\n", "\n  "))
        if result.stderr:
            print("  stderr:\n    " + result.stderr.decode("utf-8", "replace").rstrip().replace("\n", "\n    "))
    else:
        print(f"ok   {label} ({seconds:.1f} s)")
    sys.stdout.flush()
    return not problems


def main():
    parser = argparse.ArgumentParser()
    for option in ("--win-host", "--prefix", "--work", "--samples", "--cty"):
        parser.add_argument(option, required=True)
    parser.add_argument("--win-plugin", help="Stats.dll, copied beside korvan-host.exe")
    parser.add_argument("--native-host")
    parser.add_argument("--native-plugin")
    parser.add_argument("--apartment", action="append", choices=["mta", "sta"])
    parser.add_argument("--display-state")
    parser.add_argument("--timeout", type=float, default=300)
    parser.add_argument("--leak", action="store_true", help="also the GDI leak runs (MTA)")
    parser.add_argument("--client-plugin", help="com-client-plugin.dll: test the host object on its own first")
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    args.apartment = args.apartment or ["mta", "sta"]
    args.work = os.path.abspath(args.work)
    args.samples = os.path.abspath(args.samples)
    args.cty = os.path.abspath(args.cty)

    # korvan-host.exe finds Stats.dll beside itself, as an installed host does.
    bin_folder = os.path.join(args.work, "bin")
    wine_support.fresh_folder(bin_folder)
    shutil.copy2(args.win_host, bin_folder)
    if args.win_plugin:
        shutil.copy2(args.win_plugin, bin_folder)
    args.win_host = os.path.join(bin_folder, os.path.basename(args.win_host))
    wine_support.init_prefix(args.prefix)

    cases = dict(CASES)
    if args.leak:
        cases["no_gdi_leak"] = dict(script=leak_script(), leak=True)
        cases["no_gdi_leak_refresh"] = dict(script=refresh_leak_script(), leak=True,
                                            settings="setup_view_KDA=1\r\nsetup_view_DXCC=1")
    names = args.cases or list(cases)
    passed = failed = 0
    if args.client_plugin and not args.cases:
        if run_without_rpc_service(args):
            passed += 1
        else:
            failed += 1
        for apartment in args.apartment:
            if run_client(args, apartment):
                passed += 1
            else:
                failed += 1
    for name in names:
        for apartment in (args.apartment if "leak" not in cases[name] else args.apartment[:1]):
            if run_case(args, name, cases[name], apartment):
                passed += 1
            else:
                failed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
