#!/usr/bin/env python3
"""Scores the sample log with korvan-host natively (libStats.so) and with
korvan-host.exe and Stats.dll under wine, each in a fresh working folder,
and checks that both print the same bytes, exit alike and leave the same
files (settings files compared by key and value, the others byte for byte).

Usage: compare_sample.py --native-host EXE --native-plugin SO
                         --win-host EXE --win-plugin DLL --prefix WINEPREFIX
                         --samples DIR --cty FILE --work DIR
Prints "N passed, N failed" last; exits 1 when a run differs.
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import compare_runs  # noqa: E402
import wine_support  # noqa: E402

# name: korvan-host arguments; {log_adi}, {log_cbr}, {kda} are replaced by
# the sample files' paths as each side names them.
RUNS = {
    "score_adif_text": ["score", "{log_adi}", "--kda", "{kda}"],
    "score_cabrillo_html": ["score", "{log_cbr}", "--kda", "{kda}", "--html", "stats.html"],
    "check_after_replay": ["check", "UN5P", "--band", "40m", "--mode", "SSB", "{log_cbr}", "--kda", "{kda}"],
    "remove_one_qso": ["remove", "{log_adi}", "--kda", "{kda}", "--call", "UN9GWA", "--band", "10m",
                       "--mode", "CW", "--time", "2026-03-21 1258"],
    "report_page": ["report", "{log_adi}", "--kda", "{kda}", "--out", "report.html"],
}


def fill(template, paths):
    return [word.format(**paths) for word in template]


def run_pair(args, name, template, win_bin):
    native_folder = os.path.join(args.work, name, "native")
    wine_folder = os.path.join(args.work, name, "wine")
    wine_support.fresh_folder(native_folder)
    wine_support.fresh_folder(wine_folder)
    # The comparison is about scoring: keep the plug-in's setup panel from
    # starting (a reset that finds "Start" set starts no window thread).
    # Under wine a process that ends while that thread is still bringing
    # its window up is now and then killed by wine itself.
    for folder in (native_folder, wine_folder):
        os.makedirs(os.path.join(folder, "Plugins"))
        with open(os.path.join(folder, "Plugins", "Korvan.ini"), "wb") as settings:
            settings.write(b"[Settings]\r\nStart=1\r\n")
    samples = os.path.abspath(args.samples)
    files = {"log_adi": os.path.join(samples, "korvan-sample.adi"),
             "log_cbr": os.path.join(samples, "korvan-sample.cbr"),
             "kda": os.path.join(samples, "kda.dom")}

    native = subprocess.run([os.path.abspath(args.native_host)] + fill(template, files) +
                            ["--plugin", os.path.abspath(args.native_plugin), "--cty", os.path.abspath(args.cty)],
                            cwd=native_folder, capture_output=True, timeout=args.timeout)
    win_files = {key: wine_support.windows_path(path) for key, path in files.items()}
    wine = wine_support.run_in_wine(
        args.prefix, wine_folder,
        [os.path.join(win_bin, "korvan-host.exe")] + fill(template, win_files) +
        ["--cty", wine_support.windows_path(args.cty)],
        display=True, state=args.display_state, timeout=args.timeout, stdout=subprocess.PIPE,
        stderr=subprocess.PIPE)

    problems = []
    if native.returncode != 0:
        problems.append(f"the native run exited with {native.returncode}")
    if wine.returncode != native.returncode:
        problems.append(f"the wine run exited with {wine.returncode}, the native one with {native.returncode}")
    if not native.stdout and not os.path.exists(os.path.join(native_folder, "stats.html")):
        problems.append("the native run printed nothing")
    if native.stdout != wine.stdout:
        problems.append("the outputs differ:\n" +
                        compare_runs.text_diff(native.stdout, wine.stdout, "native", "wine"))
    problems += compare_runs.compare_folders(native_folder, wine_folder)

    return compare_runs.print_verdict(name, problems, native, wine)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--native-host", "--native-plugin", "--win-host", "--win-plugin", "--prefix", "--samples",
                   "--cty", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--timeout", type=float, default=300)
    parser.add_argument("--display-state", help="state file of the shared Xvfb (else each run gets its own)")
    args = parser.parse_args()

    # korvan-host.exe finds Stats.dll beside itself, as an installed host does.
    win_bin = os.path.join(args.work, "bin")
    wine_support.fresh_folder(win_bin)
    shutil.copy2(args.win_host, win_bin)
    shutil.copy2(args.win_plugin, win_bin)
    wine_support.init_prefix(args.prefix)

    passed = failed = 0
    for name, template in RUNS.items():
        if run_pair(args, name, template, win_bin):
            passed += 1
        else:
            failed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
