#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks, by purpose:
#   install-deps.sh main   building the plug-in and korvan-host natively and
#                          scoring a log (compiler, CMake, Ninja, country file)
#   install-deps.sh all    also what building every configuration and running
#                          every test needs (mingw-w64, wine, clang, Xvfb,
#                          GoogleTest, Benchmark, Python's markdown, libcurl's
#                          development files for the live score, Chromium
#                          for the report pages); wine32
#                          only where this machine runs i386 programs
#                          (tools/i386-probe.sh, or KORVAN_I386 as it printed)
set -euo pipefail
cd "$(dirname "$0")/.."
purpose=${1:-all}
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo

packages=(cmake g++ ninja-build hamradio-files)
if [ "$purpose" = all ]; then
  packages+=(
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64
    wine wine64 xvfb zip
    libgtest-dev libgmock-dev libbenchmark-dev libcurl4-openssl-dev
    python3 python3-markdown
    chromium
  )
  i386=${KORVAN_I386:-$(bash tools/i386-probe.sh)}
  if [ "$i386" = yes ]; then
    # wine32 runs the x86 DLL and test programs; it needs the i386 architecture.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      $SUDO dpkg --add-architecture i386
      need_update=1
    fi
    packages+=(wine32:i386)
  fi
elif [ "$purpose" != main ]; then
  echo "install-deps.sh: the purpose is main or all, not '$purpose'" >&2
  exit 2
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -q
  # The main job needs no recommended extras; the test tool chain is
  # installed as Debian recommends it (wine's fonts and drivers among them).
  recommends=()
  [ "$purpose" = main ] && recommends=(--no-install-recommends)
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${recommends[@]}" "${missing[@]}"
elif [ -n "${need_update:-}" ]; then
  $SUDO apt-get update -q
fi
