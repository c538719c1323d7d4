#!/usr/bin/env python3
"""Static checks of a built Stats.dll, read with the mingw-w64 objdump and
windres of its architecture:

- the export table holds exactly the plain and decorated names of
  export_table.txt for the architecture, each decorated name at the same
  address as its alias, GetNumberOfSets at the same address as
  GetExchgCount0, and the export directory is named Stats.dll;
- the import table names only system DLLs (the plug-in is linked
  statically: no libstdc++, libgcc_s or libwinpthread);
- the resources hold the version information (product name, file version),
  icon 110 and the setup dialog 105.

Usage: check_dll_exports.py --arch x64|x86 --table export_table.txt
                            --version 1.0.0 Stats.dll
Prints one line per check and "N passed, N failed" last; exits 1 on failure.
"""
import argparse
import re
import subprocess
import sys

TRIPLES = {"x64": "x86_64-w64-mingw32", "x86": "i686-w64-mingw32"}

# Import names (lower case) that belong to the system. api-ms-win-* are the
# API sets of the universal C runtime and of the system itself.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll",
    "msvcrt.dll", "ucrtbase.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll",
    "version.dll", "ntdll.dll", "ws2_32.dll", "bcrypt.dll", "uuid.dll", "rpcrt4.dll", "imm32.dll",
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
    report.check(re.search(r'^105 DIALOG(EX)? 0, 0, 186, 68\s*$', rc, re.M) is not None
                 and 'CAPTION "Setup Korvan CONTEST"' in rc, "setup dialog 105")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", choices=sorted(TRIPLES), required=True)
    parser.add_argument("--table", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("dll")
    args = parser.parse_args()
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
    check_exports(report, read_table(args.table, args.arch), dll_name, exports, name_count, forwarders)
    check_imports(report, imports)
    check_resources(report, f"{triple}-windres", args.dll, args.version)

    print(f"{report.passed} passed, {report.failed} failed")
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
