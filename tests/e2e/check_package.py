#!/usr/bin/env python3
"""Checks the Windows release package made by tools/package.sh.

The zip must hold exactly korvan-stats-VERSION/ with x64/ and x86/ (Stats.dll
and korvan-host.exe, each built for its architecture, and cty.dat, the
system's country file, with its licence notice cty-LICENSE.txt), kda.dom, the
operator's guide as HTML with every picture it shows, INSTALL.txt and
LICENSE.txt. Then the unpacked korvan-host.exe of each architecture scores the
sample under wine with the Stats.dll and the cty.dat beside it (no --cty),
twice in one folder (the second run replaces Plugins/kda.dom), and must print
what the native korvan-host prints with the system's country file.

The contents are checked with --check-contents; each --run-arch (x64, x86)
runs that architecture's korvan-host.exe.

Usage: check_package.py [--check-contents] [--run-arch x64|x86]...
                        --zip ZIP --version V --native-host EXE --native-plugin SO
                        --prefix WINEPREFIX --samples DIR --cty FILE --work DIR
                        [--display-state FILE]
"""
import argparse
import os
import re
import struct
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compare_runs  # noqa: E402
import wine_support  # noqa: E402

MACHINES = {"x64": 0x8664, "x86": 0x014C}  # PE file header machine field


def pe_machine(data):
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def check_contents(archive, name, version):
    problems = []
    names = {n for n in archive.namelist() if not n.endswith("/")}
    guide = archive.read(f"{name}/operator-guide.html").decode("utf-8") \
        if f"{name}/operator-guide.html" in names else ""
    pictures = {f"{name}/{src}" for src in re.findall(r'<img[^>]* src="([^"]+)"', guide)}
    expected = {f"{name}/{arch}/{f}" for arch in MACHINES
                for f in ("Stats.dll", "korvan-host.exe", "cty.dat", "cty-LICENSE.txt")}
    expected |= {f"{name}/{f}" for f in ("kda.dom", "operator-guide.html", "INSTALL.txt", "LICENSE.txt")}
    expected |= pictures
    if names != expected:
        problems.append(f"missing {sorted(expected - names)}, unexpected {sorted(names - expected)}")
    for arch, machine in MACHINES.items():
        for f in ("Stats.dll", "korvan-host.exe"):
            path = f"{name}/{arch}/{f}"
            if path in names and pe_machine(archive.read(path)) != machine:
                problems.append(f"{path} is not built for {arch}")
    if "<table>" not in guide or f"statistics {version}" not in guide:
        problems.append("operator-guide.html is not the guide rendered with its tables and version")
    if f"{name}/INSTALL.txt" in names and version.encode() not in archive.read(f"{name}/INSTALL.txt"):
        problems.append("INSTALL.txt does not name the version")
    for arch in MACHINES:
        notice = f"{name}/{arch}/cty-LICENSE.txt"
        if notice in names and b"Permission is hereby granted" not in archive.read(notice):
            problems.append(f"{notice} does not hold the country file's licence")
    if f"{name}/LICENSE.txt" in names and b"MIT License" not in archive.read(f"{name}/LICENSE.txt"):
        problems.append("LICENSE.txt is not the MIT licence")
    return problems


def keep_panel_closed(folder):
    """Settings that keep the setup panel from starting at the next run (the
    runs are about scoring, see compare_sample.py). A run turns "Start"
    over, so this is done before each."""
    os.makedirs(os.path.join(folder, "Plugins"), exist_ok=True)
    with open(os.path.join(folder, "Plugins", "Korvan.ini"), "wb") as settings:
        settings.write(b"[Settings]\r\nStart=1\r\n")


def prepared_folder(path):
    wine_support.fresh_folder(path)
    keep_panel_closed(path)
    return path


def main():
    parser = argparse.ArgumentParser()
    for option in ("--zip", "--version", "--native-host", "--native-plugin", "--prefix", "--samples", "--cty",
                   "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--display-state")
    parser.add_argument("--timeout", type=float, default=300)
    parser.add_argument("--check-contents", action="store_true")
    parser.add_argument("--run-arch", action="append", choices=sorted(MACHINES), default=[])
    args = parser.parse_args()
    name = f"korvan-stats-{args.version}"

    if not os.path.exists(args.zip):
        print(f"FAIL {args.zip} does not exist (tools/package.sh makes it)")
        return 1
    unpacked = os.path.join(args.work, "unpacked")
    wine_support.fresh_folder(unpacked)
    with zipfile.ZipFile(args.zip) as archive:
        problems = check_contents(archive, name, args.version) if args.check_contents else []
        archive.extractall(unpacked)
    for problem in problems:
        print(f"FAIL package: {problem}")

    samples = os.path.abspath(args.samples)
    log, kda = os.path.join(samples, "korvan-sample.adi"), os.path.join(samples, "kda.dom")
    native_folder = prepared_folder(os.path.join(args.work, "native"))
    native = subprocess.run([os.path.abspath(args.native_host), "score", log, "--kda", kda, "--plugin",
                             os.path.abspath(args.native_plugin), "--cty", os.path.abspath(args.cty)],
                            cwd=native_folder, capture_output=True, timeout=args.timeout)
    if native.returncode != 0 or not native.stdout:
        print(f"FAIL the native run exited with {native.returncode}: {native.stderr.decode(errors='replace')}")
        return 1

    wine_support.init_prefix(args.prefix)
    for arch in args.run_arch:
        folder = prepared_folder(os.path.join(args.work, arch))
        exe = os.path.join(unpacked, name, arch, "korvan-host.exe")
        for attempt in ("first", "second"):
            keep_panel_closed(folder)
            run = wine_support.run_in_wine(
                args.prefix, folder,
                [exe, "score", wine_support.windows_path(log), "--kda", wine_support.windows_path(kda)],
                display=True, state=args.display_state, timeout=args.timeout, stdout=subprocess.PIPE,
                stderr=subprocess.PIPE)
            if run.returncode != 0 or run.stdout != native.stdout:
                problems.append(f"{arch} {attempt} run")
                print(f"FAIL {arch}/korvan-host.exe, {attempt} run in one folder: exit {run.returncode}\n" +
                      run.stderr.decode("latin-1") +
                      compare_runs.text_diff(native.stdout, run.stdout, "native", arch))
            else:
                print(f"ok   {arch}/korvan-host.exe, {attempt} run in one folder")
    print("package " + ("FAILED" if problems else "ok"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
