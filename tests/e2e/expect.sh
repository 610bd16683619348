# `expect WHAT EXPECTED ACTUAL` says ok or FAIL and counts both; `expect_done` prints the tally
# and exits with the number of failures. Source this file.
passes=0
failures=0
expect() {
  local what=$1 expected=$2 actual=$3
  if [ "$actual" = "$expected" ]; then
    echo "ok: $what = $actual"
    passes=$((passes + 1))
  else
    echo "FAIL: $what is '$actual', expected '$expected'"
    failures=$((failures + 1))
  fi
}
expect_done() {
  echo "$(basename "$0" .sh): $passes passed, $failures failed"
  exit "$failures"
}
