#!/usr/bin/env python3
"""Static checks of a built Stats.dll, read with the mingw-w64 objdump and
windres of its architecture:

- the export table holds exactly the plain and decorated names of
  export_table.txt for the architecture, each decorated name at the same
  address as its alias, GetNumberOfSets at the same address as
  GetExchgCount0, and the export directory is named Stats.dll;
- the import table names only system DLLs (the plug-in is linked
  statically: no libstdc++, libgcc_s or libwinpthread);
- the resources hold the version information (product name, file version)
  and icon 110;
- the dialog templates 105, 106 and 108, read back from the resource
  section of the image: their sizes, styles and captions, every box of the
  KDA grid (106) against src/resources/kda_grid_table.inc, and the info button of
  the DXCC window (108).

With --imports-only (for korvan-host.exe) only the architecture of the
image and its import table are checked.

Usage: check_dll_exports.py --arch x64|x86 --table export_table.txt
                            --grid kda_grid_table.inc --version 1.0.0 Stats.dll
       check_dll_exports.py --arch x64|x86 --imports-only korvan-host.exe
Prints one line per check and "N passed, N failed" last; exits 1 on failure.
"""
import argparse
import re
import struct
import subprocess
import sys

TRIPLES = {"x64": "x86_64-w64-mingw32", "x86": "i686-w64-mingw32"}

# Import names (lower case) that belong to the system. api-ms-win-* are the
# API sets of the universal C runtime and of the system itself.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll",
    "msvcrt.dll", "ucrtbase.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll",
    "version.dll", "ntdll.dll", "ws2_32.dll", "bcrypt.dll", "uuid.dll", "rpcrt4.dll", "imm32.dll",
    "winhttp.dll",
}


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what, detail=""):
        if ok:
            self.passed += 1
            print(f"ok   {what}")
        else:
            self.failed += 1
            print(f"FAIL {what}" + (f": {detail}" if detail else ""))


def read_table(path, arch):
    """(alias, decorated) pairs of the architecture's column."""
    column = {"x86": 1, "x64": 2}[arch]
    rows = []
    with open(path, encoding="ascii") as f:
        for line in f:
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            fields = line.split()
            if len(fields) != 3:
                sys.exit(f"{path}: expected three columns: {line!r}")
            rows.append((fields[0], fields[column]))
    return rows


def parse_objdump(text):
    """The export directory name, {export name: RVA}, forwarders and the
    imported DLL names, from `objdump -p`."""
    dll_name = None
    addresses = {}  # export address table index -> RVA
    names = []      # (index, name)
    imports = []
    forwarders = []
    section = None
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("The Export Tables"):
            section = "edata"
        elif stripped.startswith("Export Address Table --"):
            section = "eat"
            continue
        elif stripped.startswith("[Ordinal/Name Pointer] Table"):
            section = "names"
            continue
        elif stripped.startswith("The Import Tables"):
            section = "idata"
        elif not stripped and section in ("eat", "names"):
            section = None
        if section == "edata":
            m = re.match(r"Name\s+[0-9a-fA-F]+\s+(\S+)$", stripped)
            if m:
                dll_name = m.group(1)
        elif section == "eat":
            m = re.match(r"\[\s*(\d+)\]\s+\+base\[\s*\d+\]\s+([0-9a-fA-F]+)\s+(Export|Forwarder) RVA", stripped)
            if m:
                addresses[int(m.group(1))] = int(m.group(2), 16)
                if m.group(3) == "Forwarder":
                    forwarders.append(int(m.group(1)))
        elif section == "names":
            # "[   3] name", newer binutils: "[   3] +base[   4]  0000 name"
            m = re.match(r"\[\s*(\d+)\](?:\s+\+base\[\s*\d+\])?(?:\s+[0-9a-fA-F]{4})?\s+(\S+)$", stripped)
            if m:
                names.append((int(m.group(1)), m.group(2)))
        if section == "idata":
            m = re.match(r"DLL Name:\s+(\S+)", stripped)
            if m:
                imports.append(m.group(1))
    exports = {}
    for index, name in names:
        exports[name] = addresses.get(index)
    return dll_name, exports, len(names), forwarders, imports


def check_exports(report, rows, dll_name, exports, name_count, forwarders):
    report.check(dll_name == "Stats.dll", "export directory is named Stats.dll", f"found {dll_name!r}")
    expected = {alias for alias, _ in rows} | {decorated for _, decorated in rows}
    report.check(name_count == len(expected) == 2 * len(rows),
                 f"exactly {2 * len(rows)} exported names", f"found {name_count}")
    missing = sorted(expected - exports.keys())
    extra = sorted(exports.keys() - expected)
    report.check(not missing, "every name of the table is exported", f"missing {missing}")
    report.check(not extra, "no name outside the table is exported", f"extra {extra}")
    report.check(not forwarders, "no export is forwarded", f"forwarded indices {forwarders}")
    unequal = [alias for alias, decorated in rows
               if alias in exports and decorated in exports and exports[alias] != exports[decorated]]
    absent = [alias for alias, decorated in rows if exports.get(alias) is None or exports.get(decorated) is None]
    report.check(not unequal and not absent, "each decorated name and its alias share one address",
                 f"differ: {unequal}, unresolved: {absent}")
    report.check(exports.get("GetNumberOfSets") is not None
                 and exports.get("GetNumberOfSets") == exports.get("GetExchgCount0"),
                 "GetNumberOfSets and GetExchgCount0 share one body")
    plain = [exports[alias] for alias, _ in rows if exports.get(alias) is not None]
    distinct = len(set(plain))
    report.check(distinct == len(rows) - 1, "the other functions have bodies of their own",
                 f"{distinct} distinct addresses for {len(rows)} functions")


def check_imports(report, imports):
    report.check(bool(imports), "the import table was read")
    foreign = [d for d in imports if d.lower() not in SYSTEM_DLLS and not d.lower().startswith("api-ms-win-")]
    report.check(not foreign, "only system DLLs are imported", f"also {foreign} (all: {imports})")


def check_resources(report, windres, dll, version):
    result = subprocess.run([windres, "-i", dll, "-J", "coff", "-O", "rc"],
                            capture_output=True, text=True, errors="replace")
    report.check(result.returncode == 0, "windres reads the resources", result.stderr.strip())
    rc = result.stdout
    report.check(re.search(r"^\S+\s+VERSIONINFO", rc, re.M) is not None, "VERSIONINFO is present")
    report.check('VALUE "ProductName", "Korvan contest statistics"' in rc, "product name")
    report.check(f'VALUE "FileVersion", "{version}"' in rc, f"file version {version}")
    numeric = ", ".join((version.split(".") + ["0"] * 4)[:4])
    report.check(re.search(rf"FILEVERSION {re.escape(numeric)}\b", rc) is not None, f"numeric file version {numeric}")
    report.check(re.search(r"^110 14 ", rc, re.M) is not None, "icon group 110")


# Window and control styles of the dialog templates.
WS_POPUP, WS_VISIBLE, WS_CHILD = 0x80000000, 0x10000000, 0x40000000
WS_CAPTION, WS_SYSMENU, WS_THICKFRAME = 0x00C00000, 0x00080000, 0x00040000
WS_CLIPCHILDREN, WS_CLIPSIBLINGS, WS_TABSTOP = 0x02000000, 0x04000000, 0x00010000
DS_MODALFRAME, DS_SETFONT = 0x80, 0x40
WS_EX_STATICEDGE, WS_EX_CLIENTEDGE = 0x20000, 0x200
BS_AUTOCHECKBOX, BS_OWNERDRAW, BS_TYPEMASK, BS_NOTIFY, BS_FLAT = 0x3, 0xB, 0xF, 0x4000, 0x8000
BUTTON_CLASS = 0x80  # the ordinal; windres writes a CONTROL's class by name
RT_DIALOG = 5


def dialog_resources(image):
    """{dialog id: template bytes} from the resource section of a PE image."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, _ = struct.unpack_from("<II", image, directories + 2 * 8)
    table = optional + optional_size
    spans = []
    for i in range(sections):
        virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<8xIIII", image, table + 40 * i)
        spans.append((rva, max(virtual_size, raw_size), raw_offset))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return rva - start + raw
        raise ValueError(f"RVA {rva:#x} lies in no section")

    base = offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<12xHH", image, base + directory)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", image, base + directory + 16 + 8 * i)
            yield name, target

    dialogs = {}
    for type_id, type_target in entries(0):
        if type_id != RT_DIALOG or not type_target & 0x80000000:
            continue
        for name, name_target in entries(type_target & 0x7FFFFFFF):
            for _, language_target in entries(name_target & 0x7FFFFFFF):
                data_rva, size = struct.unpack_from("<II", image, base + language_target)
                start = offset(data_rva)
                dialogs[name] = image[start:start + size]
    return dialogs


class TemplateReader:
    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def text_or_ordinal(self):
        if self.take("H") == 0xFFFF:
            return self.take("H")
        self.at -= 2
        return self.text()

    def align(self):
        self.at = (self.at + 3) & ~3


def parse_dialog(data):
    """A DIALOG or DIALOGEX template as a dict; controls as a list of dicts."""
    r = TemplateReader(data)
    extended = struct.unpack_from("<HH", data, 0) == (1, 0xFFFF)
    if extended:
        _, _, _, ex_style, style, count, x, y, cx, cy = r.take("HHIIIHhhhh")
    else:
        style, ex_style, count, x, y, cx, cy = r.take("IIHhhhh")
    dialog = {"style": style, "ex_style": ex_style, "size": (x, y, cx, cy),
              "menu": r.text_or_ordinal(), "class": r.text_or_ordinal(), "caption": r.text(), "controls": []}
    if style & DS_SETFONT:
        dialog["point_size"] = r.take("H")
        if extended:
            r.take("HBB")
        dialog["font"] = r.text()
    for _ in range(count):
        r.align()
        if extended:
            _, ex, st, x, y, cx, cy, cid = r.take("IIIhhhhI")
        else:
            st, ex, x, y, cx, cy, cid = r.take("IIhhhhH")
        control = {"style": st, "ex_style": ex, "rect": (x, y, cx, cy), "id": cid,
                   "class": r.text_or_ordinal(), "caption": r.text_or_ordinal()}
        creation_data = r.take("H")
        r.at += creation_data
        dialog["controls"].append(control)
    return dialog


def read_grid(path):
    """[(id, caption, x, y, width)] of the grid table, in its order."""
    pattern = re.compile(r'^KDA_GRID_BOX\((\d+),\s*"(\w+)",\s*"(\w+)",\s*(\d+),\s*(\d+),\s*(\d+)\)')
    boxes = []
    with open(path, encoding="ascii") as f:
        for line in f:
            m = pattern.match(line.strip())
            if m:
                boxes.append((int(m.group(1)), m.group(3), int(m.group(4)), int(m.group(5)), int(m.group(6))))
    return boxes


def is_button(control):
    kind = control["class"]
    return kind == BUTTON_CLASS or (isinstance(kind, str) and kind.lower() == "button")


def has_all(value, bits):
    return value & bits == bits


def check_dialogs(report, dll, grid_path):
    with open(dll, "rb") as f:
        image = f.read()
    try:
        templates = dialog_resources(image)
    except (ValueError, struct.error) as error:
        report.check(False, "the dialog resources are read from the image", str(error))
        return
    report.check({105, 106, 108} <= templates.keys(), "dialogs 105, 106 and 108 are present",
                 f"found {sorted(templates)}")
    dialogs = {}
    for number in (105, 106, 108):
        if number in templates:
            try:
                dialogs[number] = parse_dialog(templates[number])
            except (struct.error, UnicodeDecodeError, IndexError) as error:
                report.check(False, f"dialog {number} parses", str(error))

    setup = dialogs.get(105)
    if setup:
        report.check(setup["size"] == (0, 0, 186, 68) and setup["caption"] == "Setup Korvan CONTEST"
                     and has_all(setup["style"], WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
                     "setup dialog 105: size, caption, modal pop-up with caption and system menu",
                     f"{setup['size']} {setup['caption']!r} {setup['style']:#x}")

    grid = dialogs.get(106)
    if grid:
        frame = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN | WS_CLIPSIBLINGS
        report.check(grid["size"] == (0, 0, 207, 322) and grid["caption"] == "KDA" and has_all(grid["style"], frame)
                     and grid["ex_style"] & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE) == WS_EX_STATICEDGE | WS_EX_CLIENTEDGE
                     and (grid.get("point_size"), grid.get("font")) == (8, "MS Sans Serif"),
                     "KDA dialog 106: 207 x 322, \"KDA\", visible sizable pop-up, static and client edges, 8 pt font",
                     f"{grid['size']} {grid['caption']!r} {grid['style']:#x} {grid['ex_style']:#x}")
        expected = read_grid(grid_path)
        report.check(len(expected) == 210, "the grid table holds 210 boxes", f"{len(expected)}")
        found = [(c["id"], c["caption"], *c["rect"]) for c in grid["controls"]]
        wanted = [(box_id, caption, x, y, width, 10) for box_id, caption, x, y, width in expected]
        differences = [f"{w} != {f}" for w, f in zip(wanted, found) if w != f]
        report.check(len(found) == len(wanted) and not differences,
                     "every box of dialog 106 has the id, caption, position and size of the grid table",
                     f"{len(found)} controls; " + "; ".join(differences[:5]))
        wrong_style = [c["id"] for c in grid["controls"]
                       if not is_button(c) or c["style"] & BS_TYPEMASK != BS_AUTOCHECKBOX
                       or not has_all(c["style"], WS_CHILD | WS_VISIBLE | WS_TABSTOP)]
        report.check(not wrong_style, "every box is a visible automatic check box with a tab stop",
                     f"not so: {wrong_style[:10]}")

    dxcc = dialogs.get(108)
    if dxcc:
        frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN | WS_CLIPSIBLINGS
        report.check(dxcc["size"] == (0, 0, 271, 135) and dxcc["caption"] == "DXCC"
                     and has_all(dxcc["style"], frame) and not dxcc["style"] & WS_VISIBLE,
                     "DXCC dialog 108: 271 x 135, \"DXCC\", sizable pop-up, hidden until shown",
                     f"{dxcc['size']} {dxcc['caption']!r} {dxcc['style']:#x}")
        controls = dxcc["controls"]
        button = controls[0] if len(controls) == 1 else None
        report.check(button is not None and button["id"] == 1003 and is_button(button)
                     and button["caption"] == "Button1" and button["rect"] == (0, 0, 271, 134)
                     and button["style"] & BS_TYPEMASK == BS_OWNERDRAW
                     and has_all(button["style"], BS_FLAT | BS_NOTIFY | WS_TABSTOP | WS_VISIBLE),
                     "dialog 108 holds only the owner-drawn info button 1003 at 0, 0, 271, 134",
                     f"{controls}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", choices=sorted(TRIPLES), required=True)
    parser.add_argument("--table")
    parser.add_argument("--version")
    parser.add_argument("--grid", help="src/resources/kda_grid_table.inc")
    parser.add_argument("--imports-only", action="store_true")
    parser.add_argument("dll")
    args = parser.parse_args()
    if not args.imports_only and not (args.table and args.version and args.grid):
        parser.error("--table, --version and --grid are needed unless --imports-only is given")
    triple = TRIPLES[args.arch]
    report = Report()

    dump = subprocess.run([f"{triple}-objdump", "-p", args.dll], capture_output=True, text=True, errors="replace")
    if dump.returncode != 0:
        print(dump.stderr)
        print("0 passed, 1 failed")
        return 1
    report.check(f"file format pei-{'x86-64' if args.arch == 'x64' else 'i386'}" in dump.stdout,
                 f"{args.dll} is a {args.arch} image")
    dll_name, exports, name_count, forwarders, imports = parse_objdump(dump.stdout)
    if args.imports_only:
        check_imports(report, imports)
        print(f"{report.passed} passed, {report.failed} failed")
        return 1 if report.failed else 0
    check_exports(report, read_table(args.table, args.arch), dll_name, exports, name_count, forwarders)
    check_imports(report, imports)
    check_resources(report, f"{triple}-windres", args.dll, args.version)
    check_dialogs(report, args.dll, args.grid)

    print(f"{report.passed} passed, {report.failed} failed")
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
