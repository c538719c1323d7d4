#!/usr/bin/env python3
"""Running Windows programs of the end-to-end tests under wine.

Every run uses one wine prefix (WINEPREFIX) under the build folder, made
once by `init` (the first start of wine takes half a minute), with wine's
debug output off. The prefix is a 64-bit one, made through the 64-bit loader
(so it never depends on the 32-bit one, which machines that cannot run i386
programs refuse); where wine32 is installed it runs the x86 programs too.
x64 programs run through the 64-bit loader directly, x86 ones through the
`wine` command, which picks wine32; its X11 driver does not manage
the windows (without a window manager, wine otherwise waits about 2 s at
every window close). Programs that may open windows need an X display: the
tests share one Xvfb server, started by `start-display` and ended by `stop`
(wine's desktop process then stays up between runs, which saves several
seconds a run); without it each such run gets its own `xvfb-run -a`.

Command line:
  wine_support.py init --prefix DIR
  wine_support.py start-display --state FILE
  wine_support.py stop --prefix DIR --state FILE
  wine_support.py run --prefix DIR --folder DIR [--copy FILE]... [--display]
                      [--state FILE] [--timeout S] -- PROGRAM [ARGS...]
`run` empties FOLDER, copies the files into it and runs PROGRAM (a file
name in FOLDER or a path) there; it exits with the program's exit code.
"""
import argparse
import fcntl
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import sys

WINE64_LOADER = "/usr/lib/wine/wine64"


def wine_environment(prefix):
    env = dict(os.environ)
    env["WINEPREFIX"] = os.path.abspath(prefix)
    env["WINEARCH"] = "win64"
    env["WINEDEBUG"] = "-all"
    # No prompts for the .NET and HTML engines, which the tests never use.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    return env


def wine64():
    """The 64-bit loader, or the `wine` command where it is elsewhere."""
    return WINE64_LOADER if os.access(WINE64_LOADER, os.X_OK) else "wine"


def is_x86_program(path):
    """Whether PATH is a 32-bit x86 Windows image (PE machine 0x14c)."""
    try:
        with open(path, "rb") as image:
            data = image.read(4096)
        offset = struct.unpack_from("<I", data, 0x3C)[0]
        return data[offset:offset + 4] == b"PE\0\0" and struct.unpack_from("<H", data, offset + 4)[0] == 0x014C
    except (OSError, struct.error):
        return False


def loader_for(program, folder):
    """The wine command that runs PROGRAM (a path, or a file in FOLDER)."""
    path = program if os.path.isabs(program) else os.path.join(folder, program)
    return "wine" if is_x86_program(path) else wine64()


def init_prefix(prefix, timeout=300):
    """Creates the prefix unless it exists; safe when called concurrently."""
    prefix = os.path.abspath(prefix)
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    with open(prefix + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        env = wine_environment(prefix)
        if not os.path.exists(os.path.join(prefix, "system.reg")):
            subprocess.run([wine64(), "wineboot", "--init"], env=env, timeout=timeout,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
            subprocess.run(["wineserver", "-w"], env=env, timeout=timeout, check=False)
            if not os.path.exists(os.path.join(prefix, "system.reg")):
                raise RuntimeError(f"wineboot did not create the prefix {prefix}")
        if not unmanaged_windows(prefix):
            subprocess.run([wine64(), "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/t",
                            "REG_SZ", "/d", "N", "/f"], env=env, timeout=timeout, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False)
            subprocess.run(["wineserver", "-w"], env=env, timeout=timeout, check=False)
            if not unmanaged_windows(prefix):
                raise RuntimeError(f"the prefix {prefix} does not have Managed=N for the X11 driver")


def unmanaged_windows(prefix):
    """Whether the prefix's X11 driver leaves the windows unmanaged."""
    try:
        with open(os.path.join(prefix, "user.reg"), encoding="latin-1") as user:
            return '"Managed"="N"' in user.read()
    except OSError:
        return False


def fresh_folder(folder):
    if os.path.exists(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)


def windows_path(path):
    """The wine path of a Linux path (drive Z: is the root folder)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def start_display(state):
    """Starts a detached Xvfb on a free display; writes "DISPLAY PID" to state."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp",
                               "-screen", "0", "1280x1024x24"],
                              pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.kill()
        raise RuntimeError("Xvfb did not start")
    os.makedirs(os.path.dirname(os.path.abspath(state)), exist_ok=True)
    with open(state, "w") as f:
        f.write(f":{number} {server.pid}\n")


def shared_display(state):
    """The shared Xvfb's display when it runs, else None."""
    try:
        with open(state) as f:
            display, pid = f.read().split()
        os.kill(int(pid), 0)
        return display
    except (OSError, ValueError):
        return None


def stop(prefix, state):
    """Ends the prefix's wine processes and the shared Xvfb."""
    subprocess.run(["wineserver", "-k"], env=wine_environment(prefix), timeout=60, check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        with open(state) as f:
            pid = int(f.read().split()[1])
        os.kill(pid, signal.SIGTERM)
    except (OSError, ValueError, IndexError):
        pass
    if os.path.exists(state):
        os.remove(state)


def crash_report(stderr):
    """Wine's note of an unhandled exception in the program's stderr (such as
    a thread running in an unloaded DLL), or None. The exit code does not
    always show it: the crash may come after main has returned."""
    for line in stderr.decode("latin-1", "replace").splitlines():
        if "Unhandled page fault" in line or "Unhandled exception" in line:
            return line.strip()
    return None


def run_in_wine(prefix, folder, program_args, display=False, state=None, timeout=300, stdout=None, stderr=None,
                dll_overrides=None):
    """Runs a Windows program with FOLDER as its current folder; returns the
    CompletedProcess. dll_overrides is added to WINEDLLOVERRIDES."""
    env = wine_environment(prefix)
    if dll_overrides:
        env["WINEDLLOVERRIDES"] += ";" + dll_overrides
    command = [loader_for(program_args[0], folder)] + list(program_args)
    if display and not env.get("DISPLAY"):
        shared = shared_display(state) if state else None
        if shared:
            env["DISPLAY"] = shared
        else:
            command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24"] + command
    # Wine itself now and then fails a run before or around the program's own
    # work: its loader trips over two threads loading its drivers at once and
    # dies with a glibc assertion, or (rarely, on a loaded machine) the whole
    # wine process stops making progress. Such a run is repeated once, after
    # the prefix's wine processes were ended; each attempt has the caller's
    # limit, well above what a run needs: a fixed 120 s was too little for
    # the longer runs (2,000 clicks, the platform checks) on a machine
    # loaded with twice as many busy threads as it has cores.
    attempt_timeout = timeout
    result = None
    # The repeat starts from the folder as it was before the first attempt.
    snapshot = tempfile.mkdtemp(prefix="wine-run-")
    shutil.rmtree(snapshot)
    shutil.copytree(folder, snapshot, symlinks=True)
    try:
        return _run_attempts(command, folder, env, attempt_timeout, stdout, stderr, snapshot)
    finally:
        shutil.rmtree(snapshot, ignore_errors=True)


def _run_attempts(command, folder, env, attempt_timeout, stdout, stderr, snapshot):
    result = None
    for attempt in range(2):
        if attempt == 1:
            shutil.rmtree(folder, ignore_errors=True)
            shutil.copytree(snapshot, folder, symlinks=True)
        try:
            result = subprocess.run(command, cwd=folder, env=env, timeout=attempt_timeout, stdout=stdout,
                                    stderr=subprocess.PIPE if stderr is None else stderr)
        except subprocess.TimeoutExpired:
            subprocess.run(["wineserver", "-k"], env=env, timeout=60, check=False)
            if attempt == 1:
                raise
            print(f"note: wine made no progress for {attempt_timeout:.0f} s; running it again",
                  file=sys.stderr)
            continue
        loader_race = result.stderr and b"Inconsistency detected by ld.so" in result.stderr
        if not loader_race or attempt == 1:
            break
        print("note: wine's loader failed before the program ran; running it again", file=sys.stderr)
    if stderr is None and result.stderr:
        sys.stderr.buffer.write(result.stderr)
    return result


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    init = sub.add_parser("init")
    init.add_argument("--prefix", required=True)
    start = sub.add_parser("start-display")
    start.add_argument("--state", required=True)
    end = sub.add_parser("stop")
    end.add_argument("--prefix", required=True)
    end.add_argument("--state", required=True)
    run = sub.add_parser("run")
    run.add_argument("--prefix", required=True)
    run.add_argument("--folder", required=True)
    run.add_argument("--copy", action="append", default=[])
    run.add_argument("--display", action="store_true")
    run.add_argument("--state")
    run.add_argument("--timeout", type=float, default=300)
    run.add_argument("program", nargs=argparse.REMAINDER)
    args = parser.parse_args()

    if args.command == "init":
        init_prefix(args.prefix)
        return 0
    if args.command == "start-display":
        start_display(args.state)
        return 0
    if args.command == "stop":
        stop(args.prefix, args.state)
        return 0
    program = args.program[1:] if args.program[:1] == ["--"] else args.program
    if not program:
        parser.error("no program given")
    init_prefix(args.prefix)
    fresh_folder(args.folder)
    for path in args.copy:
        shutil.copy2(path, args.folder)
    sys.stdout.flush()
    result = run_in_wine(args.prefix, args.folder, program, args.display, args.state, args.timeout,
                         stderr=subprocess.PIPE)
    sys.stderr.buffer.write(result.stderr)
    crash = crash_report(result.stderr)
    if crash:
        print(f"FAIL wine reported a crash: {crash}")
        return result.returncode or 1
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
