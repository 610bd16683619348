# The first steps of every run of the real window: read the tag holding 12 34 56 78 9A into the
# fields, then write 4294967295 with + 1 ticked, and check the fields, the tag and the beeps.
# A screenshot after each press when SHOTS names a folder. Source after x11-drive.sh and
# expect.sh, in a session started with x11_start_session.
read_then_write() {
  local bin=$1 shots=${2:-}
  x11_press cmdIDRead
  if [ -n "$shots" ]; then
    x11_ready_for_press  # the read has ended
    x11_screenshot "$shots/${ZELD_SHOT_PREFIX:-}after-read.png"
  fi
  expect txtIDB4 018 "$(x11_field_text txtIDB4)"
  expect txtIDB3B0 0878082202 "$(x11_field_text txtIDB3B0)"
  expect txtIDB2 086 "$(x11_field_text txtIDB2)"
  expect txtIDB1B0 30874 "$(x11_field_text txtIDB1B0)"

  x11_click chkIDADD1
  x11_type_into txtIDB3B0 4294967295
  x11_press cmdIDWrite
  if [ -n "$shots" ]; then
    x11_ready_for_press  # the write has ended
    x11_screenshot "$shots/${ZELD_SHOT_PREFIX:-}after-write.png"
  fi
  # Read once the write has ended: the copy is taken only between commands.
  expect "txtIDB3B0 after the write" 0000000001 "$(x11_field_text txtIDB3B0)"
  expect "the tag's number" "Number: 12FFFFFFFF (hexadecimal, B4 first)" \
    "$(x11_field_tool "$bin" show | grep '^Number:')"
  expect "beeps" 2 "$(x11_field_tool "$bin" beeps)"
}
