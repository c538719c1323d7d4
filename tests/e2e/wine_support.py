#!/usr/bin/env python3
"""Running Windows programs of the end-to-end tests under wine64.

Every run uses one wine prefix (WINEPREFIX) under the build folder, made
once by `init` (the first start of wine takes half a minute), with wine's
debug output off. Programs that may open windows run inside `xvfb-run -a`
when no display is set.

Command line:
  wine_support.py init --prefix DIR
  wine_support.py run --prefix DIR --folder DIR [--copy FILE]... [--display]
                      [--timeout S] -- PROGRAM [ARGS...]
`run` empties FOLDER, copies the files into it and runs PROGRAM (a file
name in FOLDER or a path) there; it exits with the program's exit code.
"""
import argparse
import fcntl
import os
import shutil
import subprocess
import sys


def wine_environment(prefix):
    env = dict(os.environ)
    env["WINEPREFIX"] = os.path.abspath(prefix)
    env["WINEARCH"] = "win64"
    env["WINEDEBUG"] = "-all"
    # No prompts for the .NET and HTML engines, which the tests never use.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    return env


def init_prefix(prefix, timeout=300):
    """Creates the prefix unless it exists; safe when called concurrently."""
    prefix = os.path.abspath(prefix)
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    with open(prefix + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(os.path.join(prefix, "system.reg")):
            return
        env = wine_environment(prefix)
        subprocess.run(["wineboot", "--init"], env=env, timeout=timeout,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        subprocess.run(["wineserver", "-w"], env=env, timeout=timeout, check=False)
        if not os.path.exists(os.path.join(prefix, "system.reg")):
            raise RuntimeError(f"wineboot did not create the prefix {prefix}")


def fresh_folder(folder):
    if os.path.exists(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)


def windows_path(path):
    """The wine path of a Linux path (drive Z: is the root folder)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_command(program_args, display):
    command = ["wine"] + list(program_args)
    if display and not os.environ.get("DISPLAY") and shutil.which("xvfb-run"):
        command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24"] + command
    return command


def run_in_wine(prefix, folder, program_args, display=False, timeout=300, stdout=None, stderr=None):
    """Runs a Windows program with FOLDER as its current folder; returns the
    CompletedProcess. The wine server is waited for, so that the prefix is
    quiet when the next run starts."""
    env = wine_environment(prefix)
    try:
        return subprocess.run(wine_command(program_args, display), cwd=folder, env=env,
                              timeout=timeout, stdout=stdout, stderr=stderr)
    finally:
        subprocess.run(["wineserver", "-w"], env=env, timeout=60, check=False)


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    init = sub.add_parser("init")
    init.add_argument("--prefix", required=True)
    run = sub.add_parser("run")
    run.add_argument("--prefix", required=True)
    run.add_argument("--folder", required=True)
    run.add_argument("--copy", action="append", default=[])
    run.add_argument("--display", action="store_true")
    run.add_argument("--timeout", type=float, default=300)
    run.add_argument("program", nargs=argparse.REMAINDER)
    args = parser.parse_args()

    if args.command == "init":
        init_prefix(args.prefix)
        return 0
    program = args.program[1:] if args.program[:1] == ["--"] else args.program
    if not program:
        parser.error("no program given")
    init_prefix(args.prefix)
    fresh_folder(args.folder)
    for path in args.copy:
        shutil.copy2(path, args.folder)
    sys.stdout.flush()
    return run_in_wine(args.prefix, args.folder, program, args.display, args.timeout).returncode


if __name__ == "__main__":
    sys.exit(main())
