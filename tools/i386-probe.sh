#!/usr/bin/env bash
# Tells whether this machine runs i386 (32-bit x86) Linux programs, which
# 32-bit wine needs: it writes a 96-byte i386 program that exits with 42
# and runs it. Prints "yes", or "no: REASON" naming what failed.
#
# The test tooling may force the answer (to test the skip path on a machine
# that does run them): KORVAN_TEST_I386=no (or yes).
set -uo pipefail
case "${KORVAN_TEST_I386:-}" in
  yes) echo "yes"; exit 0 ;;
  no) echo "no: forced by KORVAN_TEST_I386=no"; exit 0 ;;
  "") ;;
  *) echo "i386-probe.sh: KORVAN_TEST_I386 must be yes or no" >&2; exit 2 ;;
esac

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
program=$dir/exit42
# ELF header (52 bytes), one loadable segment (32 bytes), then the code:
# mov eax,1 (exit); mov ebx,42; int 0x80.
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' > "$program"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >> "$program"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >> "$program"
printf '\x00\x00\x00\x00' >> "$program"
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >> "$program"
printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >> "$program"
printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >> "$program"
chmod +x "$program"
output=$("$program" 2>&1)
status=$?
if [ "$status" -eq 42 ]; then
  echo "yes"
else
  output=${output##*: }
  echo "no: an i386 test program did not run (exit $status${output:+: $output})"
fi
