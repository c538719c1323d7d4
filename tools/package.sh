#!/usr/bin/env bash
# Builds the release for Windows operators:
#   dist/korvan-stats-VERSION-windows.zip holding korvan-stats-VERSION/ with
#   x86/ and x64/ (Stats.dll and korvan-host.exe of each architecture, and
#   the country file cty.dat that korvan-host looks for beside itself, from
#   Debian's hamradio-files, with its licence notice cty-LICENSE.txt), the
#   example kda.dom, the operator's guide as HTML with the pictures it shows,
#   INSTALL.txt and LICENSE.txt.
# VERSION is the project's version in CMakeLists.txt, the one the DLL's
# version resource carries.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

version=$(sed -n 's/^project(korvan_stats VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package.sh: no version in CMakeLists.txt" >&2; exit 1; }
name=korvan-stats-$version

for arch in win64 win32; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" -j "$jobs" --target Stats korvan-host
done

stage=build/package/$name
rm -rf build/package && mkdir -p "$stage/x64" "$stage/x86"
cp build/win64/src/plugin/Stats.dll build/win64/tools/korvan-host/korvan-host.exe "$stage/x64/"
cp build/win32/src/plugin/Stats.dll build/win32/tools/korvan-host/korvan-host.exe "$stage/x86/"
# The country file may be passed on under its MIT licence; its notice goes
# beside each copy.
cty=${KORVAN_CTY:-/usr/share/hamradio-files/cty.dat}
cty_notice=${KORVAN_CTY_NOTICE:-/usr/share/doc/hamradio-files/copyright}
for f in "$cty" "$cty_notice"; do
  [ -f "$f" ] || { echo "package.sh: $f is missing (install hamradio-files)" >&2; exit 1; }
done
for arch in x64 x86; do
  cp "$cty" "$stage/$arch/cty.dat"
  { echo "cty.dat: the country file of country-files.com, as Debian's hamradio-files package"
    echo "($(dpkg-query -W -f='${Version}' hamradio-files 2>/dev/null || echo 'version unknown')) carries it. Its copyright and licence:"
    echo
    cat "$cty_notice"; } > "$stage/$arch/cty-LICENSE.txt"
done
cp samples/kda.dom "$stage/kda.dom"
cp LICENSE "$stage/LICENSE.txt"
sed "s/@VERSION@/$version/" tools/release/INSTALL.txt > "$stage/INSTALL.txt"

# The guide as one HTML page (with the python3-markdown of the system's
# Python, which install-deps.sh installs); every picture it refers to goes
# beside it.
/usr/bin/python3 - "$version" docs/operator-guide.md "$stage/operator-guide.html" <<'PY'
import html, re, sys
import markdown
version, source, target = sys.argv[1:]
text = open(source, encoding="utf-8").read()
body = markdown.markdown(text, extensions=["tables", "fenced_code"])
title = f"Korvan contest statistics {version}: operator's guide"
with open(target, "w", encoding="utf-8", newline="\r\n") as out:
    out.write(f"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>{html.escape(title)}</title>\n"
              "<style>body{max-width:50em;margin:auto;font-family:sans-serif}"
              "table{border-collapse:collapse}td,th{border:1px solid #999;padding:2px 6px}"
              "pre{background:#f4f4f4;padding:4px}</style></head><body>\n" + body + "\n</body></html>\n")
PY
for picture in $(grep -o '!\[[^]]*\]([^)]*)' docs/operator-guide.md | sed 's/.*(\([^) ]*\).*/\1/' | sort -u); do
  mkdir -p "$stage/$(dirname "$picture")"
  cp "docs/$picture" "$stage/$picture"
done
# Text files for Windows: CR LF line ends.
for f in INSTALL.txt LICENSE.txt x64/cty-LICENSE.txt x86/cty-LICENSE.txt; do sed -i 's/\r$//; s/$/\r/' "$stage/$f"; done

mkdir -p dist
rm -f "dist/$name-windows.zip"
(cd build/package && zip -q -r -X "../../dist/$name-windows.zip" "$name")
echo "dist/$name-windows.zip"
