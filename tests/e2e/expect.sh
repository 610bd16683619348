# `expect WHAT EXPECTED ACTUAL`: says ok or FAIL and counts the failures in $failures, which a
# script ends with as its exit status. Source this file.
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
