#!/usr/bin/env bash
# The program's start against a bare Qt window (bench/bare_window.cpp): each started and ended
# at its first paint (ZELD_EXIT_AT_FIRST_PAINT), the two in turn, pair by pair, on a virtual X
# server (xcb) and on the offscreen platform; prints each one's median wall time and peak memory
# and the medians of the pairs' ratios, program / bare.
#
#   bash bench/startup_vs_bare.sh [PAIRS] [BUILD_FOLDER]     (default: 31 pairs, build/default)
#
# Both run on a private, empty data folder, so the journal the program opens is a new one; with
# ZELD_BENCH_JOURNAL=<file>, that file is the journal (e.g. one of a million lines). With
# ZELD_BENCH_BEFORE=<folder> holding an earlier build's zeld, that one runs in each round too, so
# that a change is timed before and after in the same run. Needs
# the benchmarks built (cmake --build --preset default) and GNU time. The Windows programs under
# Wine, on the virtual X server only: ZELD_RUNNER=wine ZELD_EXE=.exe, a folder holding zeld.exe
# and bare_window.exe with their DLLs, and WINEPREFIX set (its journal is the one in use).
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-31}
bin=${2:-build/default}/bin
runner=${ZELD_RUNNER:-}
exe=${ZELD_EXE:-}
before=${ZELD_BENCH_BEFORE:-}
for program in zeld bare_window; do
  [ -f "$bin/$program$exe" ] || { echo "startup_vs_bare: no $bin/$program (build it first)" >&2; exit 1; }
done
[ -z "$before" ] || [ -f "$before/zeld$exe" ] || { echo "startup_vs_bare: no $before/zeld" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "startup_vs_bare: needs GNU time (apt-get install time)" >&2; exit 1; }
# shellcheck source=../scripts/x11-drive.sh
source scripts/x11-drive.sh

scratch=$(mktemp -d)
trap 'x11_stop_virtual_screen; rm -rf "$scratch"' EXIT
export XDG_DATA_HOME="$scratch/data" ZELD_EXIT_AT_FIRST_PAINT=1
if [ -n "${ZELD_BENCH_JOURNAL:-}" ]; then
  mkdir -p "$scratch/data/zeld"
  cp "$ZELD_BENCH_JOURNAL" "$scratch/data/zeld/written-tags.csv"
fi

# One run: "<wall ms> <peak KiB>".
run_once() {
  local start end
  start=$EPOCHREALTIME
  # shellcheck disable=SC2086 # the runner, if any, is a word of its own
  /usr/bin/time -f '%M' -o "$scratch/rss" $runner "$@" >/dev/null 2>&1 || true
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" -v m="$(cat "$scratch/rss")" 'BEGIN { printf "%.2f %d\n", (e - s) * 1000, m }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

measure() {
  local platform=$1 i
  if [ -n "$runner" ]; then
    platform=$runner  # Qt's own platform for Windows, on the virtual X server
    unset QT_QPA_PLATFORM
  else
    export QT_QPA_PLATFORM=$platform
  fi
  : >"$scratch/pairs"
  # One of each first, not counted: the files are then in the page cache for both.
  run_once "$bin/zeld$exe" >/dev/null
  run_once "$bin/bare_window$exe" >/dev/null
  [ -z "$before" ] || run_once "$before/zeld$exe" >/dev/null
  for ((i = 0; i < pairs; i++)); do
    echo "$(run_once "$bin/zeld$exe") $(run_once "$bin/bare_window$exe")" \
      "$([ -z "$before" ] || run_once "$before/zeld$exe")" >>"$scratch/pairs"
  done
  printf '%-9s %3d pairs  first paint: zeld %6.1f ms, bare %6.1f ms, ratio %.3f   peak memory: zeld %6d KiB, bare %6d KiB, ratio %.3f\n' \
    "$platform" "$pairs" \
    "$(awk '{ print $1 }' "$scratch/pairs" | median)" "$(awk '{ print $3 }' "$scratch/pairs" | median)" \
    "$(awk '{ print $1 / $3 }' "$scratch/pairs" | median)" \
    "$(awk '{ print $2 }' "$scratch/pairs" | median)" "$(awk '{ print $4 }' "$scratch/pairs" | median)" \
    "$(awk '{ print $2 / $4 }' "$scratch/pairs" | median)"
  [ -z "$before" ] ||
    printf '%-9s %3d pairs  first paint: before %6.1f ms, ratio %.3f   peak memory: before %6d KiB, ratio %.3f\n' \
      "$platform" "$pairs" \
      "$(awk '{ print $5 }' "$scratch/pairs" | median)" "$(awk '{ print $5 / $3 }' "$scratch/pairs" | median)" \
      "$(awk '{ print $6 }' "$scratch/pairs" | median)" "$(awk '{ print $6 / $4 }' "$scratch/pairs" | median)"
}

x11_start_virtual_screen
measure xcb
[ -n "$runner" ] || measure offscreen
