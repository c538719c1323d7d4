#!/usr/bin/env python3
"""Plays scenarios through the native plug-in (libStats.so) and through the
Windows one (Stats.dll under wine64), each in a fresh folder, and compares
what they give: the runner's stdout and exit code, and every file the run
left in its folder. Settings files (*.ini) are compared by section, key and
value (key and section names ignoring case, as the profile functions read
them); every other file, such as the bad-QSO file, byte for byte.

Usage: compare_runs.py --native-runner EXE --native-plugin SO
                       --win-runner EXE --win-plugin DLL --prefix WINEPREFIX
                       --work DIR [--display-state FILE] SCENARIO...
Prints "N passed, N failed" last; exits 1 when a scenario differs.
"""
import argparse
import difflib
import os
import subprocess
import sys

import wine_support


def produced_files(folder):
    """{relative path with '/': bytes} of every file under folder."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            files[os.path.relpath(path, folder).replace(os.sep, "/")] = open(path, "rb").read()
    return files


def parse_ini(data):
    """{section: {key: value}} with lower-case names and trimmed values."""
    sections = {}
    current = None
    for raw in data.decode("latin-1").splitlines():
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and "]" in line:
            current = sections.setdefault(line[1:line.index("]")].strip().lower(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            value = value.strip()
            if len(value) >= 2 and value[0] == value[-1] and value[0] in "\"'":
                value = value[1:-1]
            current[key.strip().lower()] = value
    return sections


def text_diff(a, b, name_a, name_b):
    return "".join(difflib.unified_diff(a.decode("latin-1").splitlines(True), b.decode("latin-1").splitlines(True),
                                        name_a, name_b))


def compare_folders(native, wine):
    """Differences between the files of the two runs, as messages."""
    problems = []
    a, b = produced_files(native), produced_files(wine)
    for name in sorted(a.keys() - b.keys()):
        problems.append(f"only the native run made {name}")
    for name in sorted(b.keys() - a.keys()):
        problems.append(f"only the wine run made {name}")
    for name in sorted(a.keys() & b.keys()):
        if name.lower().endswith(".ini"):
            if parse_ini(a[name]) != parse_ini(b[name]):
                problems.append(f"{name} differs in its settings:\n  native {parse_ini(a[name])}\n"
                                f"  wine   {parse_ini(b[name])}")
        elif a[name] != b[name]:
            problems.append(f"{name} differs:\n" + text_diff(a[name], b[name], f"native/{name}", f"wine/{name}"))
    return problems


def run_scenario(args, scenario):
    name = os.path.splitext(os.path.basename(scenario))[0]
    native_folder = os.path.join(args.work, name, "native")
    wine_folder = os.path.join(args.work, name, "wine")
    wine_support.fresh_folder(native_folder)
    wine_support.fresh_folder(wine_folder)

    native = subprocess.run([os.path.abspath(args.native_runner), os.path.abspath(args.native_plugin),
                             os.path.abspath(scenario)],
                            cwd=native_folder, capture_output=True, timeout=args.timeout)
    wine = wine_support.run_in_wine(
        args.prefix, wine_folder,
        [os.path.abspath(args.win_runner), wine_support.windows_path(args.win_plugin),
         wine_support.windows_path(scenario)],
        display=True, state=args.display_state, timeout=args.timeout, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    problems = []
    if native.returncode != 0:
        problems.append(f"the native run exited with {native.returncode}")
    if wine.returncode != 0:
        problems.append(f"the wine run exited with {wine.returncode}")
    crash = wine_support.crash_report(wine.stderr)
    if crash:
        problems.append(f"the wine run crashed: {crash}")
    if native.stdout != wine.stdout:
        problems.append("the outputs differ:\n" + text_diff(native.stdout, wine.stdout, "native", "wine"))
    problems += compare_folders(native_folder, wine_folder)

    return print_verdict(scenario, problems, native, wine,
                         f"{len(produced_files(native_folder))} files")


def print_verdict(name, problems, native, wine, detail=""):
    """Prints "ok" or "FAIL" with the problems and both runs' stderr; true when ok."""
    if problems:
        print(f"FAIL {name}")
        for problem in problems:
            print("  " + problem.replace("\n", "\n  "))
        for label, result in (("native", native), ("wine", wine)):
            if result.stderr:
                print(f"  {label} stderr:\n    " + result.stderr.decode("latin-1").rstrip().replace("\n", "\n    "))
    else:
        lines = native.stdout.count(b"\n")
        print(f"ok   {name} ({lines} lines of output{', ' + detail if detail else ''})")
    return not problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--native-runner", required=True)
    parser.add_argument("--native-plugin", required=True)
    parser.add_argument("--win-runner", required=True)
    parser.add_argument("--win-plugin", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--display-state", help="state file of the shared Xvfb (wine_support.py start-display)")
    parser.add_argument("--timeout", type=float, default=300)
    parser.add_argument("scenarios", nargs="+")
    args = parser.parse_args()

    wine_support.init_prefix(args.prefix)
    passed = failed = 0
    for scenario in args.scenarios:
        if run_scenario(args, scenario):
            passed += 1
        else:
            failed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
