#!/usr/bin/env python3
"""The skip path of the x86 runtime tests, on any machine: with the i386
probe's answer forced to "no" (KORVAN_TEST_I386=no), a fresh configure of
this source tree registers every x86 runtime test as skipped, with a reason
that names the probe's answer, while the static checks of the x86 images
still run and pass, and ctest ends green.

Usage: x86_skip_path.py --source DIR --win64 DIR --win32 DIR --work DIR
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

RUNTIME_TESTS = ["e2e_wine_test_host_x86", "e2e_wine_platform_x86", "e2e_wine_file_viewer_x86", "e2e_live_x86",
                 "e2e_package_x86", "e2e_korvan_host_sample_x86"]
STATIC_TESTS = ["e2e_exports_win32", "e2e_imports_korvan_host_x86"]


def main():
    parser = argparse.ArgumentParser()
    for option in ("--source", "--win64", "--win32", "--work"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    env = dict(os.environ, KORVAN_TEST_I386="no")
    answer = subprocess.run(["bash", os.path.join(args.source, "tools", "i386-probe.sh")], env=env,
                            capture_output=True, text=True).stdout.strip()
    problems = []
    if answer != "no: forced by KORVAN_TEST_I386=no":
        problems.append(f"the forced probe answered {answer!r}")

    build = os.path.join(args.work, "build")
    shutil.rmtree(build, ignore_errors=True)
    configure = subprocess.run(
        ["cmake", "-S", args.source, "-B", build, "-G", "Ninja", "-DKORVAN_BUILD_TESTS=ON", "-DKORVAN_BUILD_BENCH=OFF",
         f"-DKORVAN_WIN64_BUILD_DIR={args.win64}", f"-DKORVAN_WIN32_BUILD_DIR={args.win32}", f"-DKORVAN_I386={answer}"],
        env=env, capture_output=True, text=True)
    if configure.returncode != 0:
        print(configure.stdout + configure.stderr)
        print("FAIL the configure failed")
        return 1

    names = RUNTIME_TESTS + STATIC_TESTS
    run = subprocess.run(["ctest", "--test-dir", build, "-V", "-R", "^(" + "|".join(names) + ")$"],
                         capture_output=True, text=True)
    output = run.stdout + run.stderr
    if run.returncode != 0:
        problems.append(f"ctest exited with {run.returncode}")
    for name in RUNTIME_TESTS:
        if not re.search(rf"Test +#\d+: {name} \.+\*\*\*Skipped", output):
            problems.append(f"{name} is not reported as skipped")
    for name in STATIC_TESTS:
        if not re.search(rf"Test +#\d+: {name} \.+ +Passed", output):
            problems.append(f"{name} did not pass")
    reason = "SKIPPED: x86 runtime test skipped: this machine does not run i386 programs " \
             "(no: forced by KORVAN_TEST_I386=no)"
    if output.count(reason) != len(RUNTIME_TESTS):
        problems.append(f"not every skipped test printed the reason {reason!r}")
    for problem in problems:
        print("FAIL " + problem)
    if problems:
        print(output)
        return 1
    print(f"ok   {len(RUNTIME_TESTS)} x86 runtime tests skipped with the reason, {len(STATIC_TESTS)} static checks passed")
    shutil.rmtree(build, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
