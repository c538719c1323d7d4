#!/usr/bin/env bash
# Installs what building and testing needs on a fresh Debian machine.
set -euo pipefail
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
# wine32 runs the x86 DLL and test programs; it needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_update=1
fi
packages=(
  cmake g++ ninja-build
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64
  wine wine64 wine32:i386 xvfb
  libgtest-dev libgmock-dev libbenchmark-dev
  hamradio-files python3 python3-markdown
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
elif [ -n "${need_update:-}" ]; then
  $SUDO apt-get update -q
fi
