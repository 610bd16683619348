#!/usr/bin/env bash
# The program's command line, with no display at all: --help and --version answer and exit 0,
# anything else is refused with exit status 2 and a reason.
set -uo pipefail
zeld=$1/zeld
version=$2
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

source "$(dirname "$0")/expect.sh"
run() {
  out=$("$zeld" "$@" 2>"$scratch/err")
  status=$?
  err=$(cat "$scratch/err")
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for option in --version -v; do
  run "$option"
  expect "$option: status" 0 "$status"
  expect "$option: output" "zeld $version" "$out"
done
for option in --help -h; do
  run "$option"
  expect "$option: status" 0 "$status"
  expect "$option: usage line" "用法：zeld [--help | --version | --database 地址]" "$(head -n1 <<<"$out")"
  expect "$option: no errors" "" "$err"
done
run --bogus
expect "--bogus: status" 2 "$status"
expect "--bogus: reason" "zeld：不认识的选项 '--bogus'（见 zeld --help）" "$err"
expect "--bogus: no output" "" "$out"
run --database
expect "--database without a URL: status" 2 "$status"
expect "--database without a URL: reason" "zeld：--database 后面要写数据库的地址（见 zeld --help）" "$err"
run --version extra
expect "an extra argument: status" 2 "$status"
expect "an extra argument: reason" "zeld：多余的参数 'extra'（见 zeld --help）" "$err"
expect_done
