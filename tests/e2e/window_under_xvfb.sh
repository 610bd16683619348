#!/usr/bin/env bash
# The real program on a real X server (Xvfb, the xcb platform), driven with the mouse and
# keyboard as a user would: read the tag at the emulated reader, then write a number onto it with
# the advance by one, and check the fields and the tag.
set -euo pipefail
bin=$1
source "$(dirname "$0")/../../scripts/x11-drive.sh"

trap x11_end_session EXIT
x11_start_session "$bin" 123456789A

failures=0
expect() {
  local what=$1 expected=$2 actual=$3
  if [ "$actual" = "$expected" ]; then
    echo "ok: $what = $actual"
  else
    echo "FAIL: $what is '$actual', expected '$expected'"
    failures=$((failures + 1))
  fi
}

x11_click cmdIDRead
expect txtIDB4 018 "$(x11_field_text txtIDB4)"
expect txtIDB3B0 0878082202 "$(x11_field_text txtIDB3B0)"
expect txtIDB2 086 "$(x11_field_text txtIDB2)"
expect txtIDB1B0 30874 "$(x11_field_text txtIDB1B0)"

x11_click chkIDADD1
x11_type_into txtIDB3B0 4294967295
x11_click cmdIDWrite
expect "txtIDB3B0 after the write" 0000000001 "$(x11_field_text txtIDB3B0)"
expect "the tag's number" "Number: 12FFFFFFFF (hexadecimal, B4 first)" \
  "$("$bin/mf1-field" show | grep '^Number:')"
expect "beeps" 2 "$("$bin/mf1-field" beeps)"
exit "$failures"
