# The program as a screen reader hears it, for the end-to-end scripts: Qt's accessibility on, and
# `hear`, which asks read_aloud.py (AT-SPI) about the running program. Source this file.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
hear() { /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/read_aloud.py" zeld "$@" || true; }
# `hear_when EXPECTED ARGS...` prints what `hear ARGS...` says once it says EXPECTED, or what it
# said last when x11-drive.sh's time limit passes. Source x11-drive.sh first.
hear_when() {
  local expected=$1
  shift
  x11_await_output "$expected" hear "$@"
}
# `expect_heard WHAT EXPECTED ARGS...` checks, as expect.sh's `expect`, what `hear ARGS...` says
# once it says EXPECTED or the time limit has passed. Source expect.sh too.
expect_heard() { expect "$1" "$2" "$(hear_when "$2" "${@:3}")"; }
