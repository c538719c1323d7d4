#!/usr/bin/env python3
"""Takes the screenshots of the operator windows that the guide shows:
korvan-host.exe live under wine starts the panel once with an English
station (own call DL1KVN) and once with a Kazakh one (the sample's UN0KVN,
whose prefix makes the panel Russian) and writes docs/panel-en.png and
docs/panel-ru.png; then, with the KDA and DXCC windows open and part of
the sample scored, the rig on 20 m and UN7LV entered, docs/kda-window.png
and docs/dxcc-worked-with.png, and with the call cleared
docs/dxcc-band-view.png.

Usage: panel_screenshots.py --win-host EXE --win-plugin DLL --prefix WINEPREFIX
                            --samples DIR --cty FILE --work DIR --docs DIR
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import zlib

import live_runs
import wine_support

SCRIPT = """
wait-window panel open
expect <MODE:CW>
expect <BAUDRATE:27>
settle
snapshot shot
"""


WINDOWS_SCRIPT = SCRIPT.replace("snapshot shot", "") + """
wait-window kda open
wait-window dxcc open
add all
result
freq 14025000
call UN7LV
check UN7LV 20m CW
expect <SP1>
settle
snapshot worked
call-none
freq 14026000
check UN7XYZ 20m CW
expect <SP1>
settle
snapshot band
"""


def write_png(path, width, height, pixel):
    rows = b"".join(b"\0" + bytes(c for x in range(width) for c in pixel(x, y)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser()
    for option in ("--win-host", "--win-plugin", "--prefix", "--samples", "--cty", "--work", "--docs"):
        parser.add_argument(option, required=True)
    parser.add_argument("--display-state")
    args = parser.parse_args()
    bin_folder = os.path.join(os.path.abspath(args.work), "bin")
    wine_support.fresh_folder(bin_folder)
    shutil.copy2(args.win_host, bin_folder)
    shutil.copy2(args.win_plugin, bin_folder)
    host = os.path.join(bin_folder, os.path.basename(args.win_host))
    wine_support.init_prefix(args.prefix)
    shots = {"en": {"shot-panel": "panel-en"}, "ru": {"shot-panel": "panel-ru"},
             "windows": {"worked-kda": "kda-window", "worked-dxcc": "dxcc-worked-with", "band-dxcc": "dxcc-band-view"}}
    runs = (("en", "DL1KVN", SCRIPT, None), ("ru", None, SCRIPT, None),
            ("windows", "DL1KVN", WINDOWS_SCRIPT, "setup_view_KDA=1\r\nsetup_view_DXCC=1"))
    for language, own_call, script, settings in runs:
        folder = os.path.join(os.path.abspath(args.work), language)
        case = dict(script=script, own_call=own_call, settings=settings)
        live_runs.prepare_folder(folder, case)
        result = wine_support.run_in_wine(
            args.prefix, folder,
            [host] + live_runs.live_arguments(case, folder, wine_support.windows_path, os.path.abspath(args.samples),
                                              os.path.abspath(args.cty)),
            display=True, state=args.display_state, timeout=120, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        for snapshot, name in shots[language].items():
            bmp = os.path.join(folder, "snapshots", snapshot + ".bmp")
            if result.returncode != 0 or not os.path.exists(bmp):
                sys.stderr.buffer.write(result.stderr)
                print(f"no {snapshot} screenshot (exit code {result.returncode})")
                return 1
            width, height, pixel = live_runs.read_bmp(bmp)
            target = os.path.join(args.docs, name + ".png")
            write_png(target, width, height, pixel)
            print(f"wrote {target} ({width}x{height})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
