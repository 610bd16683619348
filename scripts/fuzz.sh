#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset: clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a fixed time from its seed corpus in fuzz/corpus, then prints the runs per
# second and the coverage (cov: edges, ft: features) libFuzzer reached.
#
#   bash scripts/fuzz.sh                  20 s a target, as CI runs it
#   bash scripts/fuzz.sh 3600             an hour a target: a campaign
#   bash scripts/fuzz.sh 600 commands_fuzz one target only
#
# What a run finds grows build/fuzz/corpus/<target>; a failing input lands in
# build/fuzz/artifacts/. The exit status is non-zero when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(card_number_fuzz field_file_fuzz commands_fuzz journal_lines_fuzz)

bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)"

out=build/fuzz
mkdir -p "$out/artifacts"
failed=0
summary=()
for target in "${targets[@]}"; do
  corpus="$out/corpus/$target"
  log="$out/$target.log"
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048
           -artifact_prefix="$out/artifacts/$target-")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  echo "== $target for ${seconds} s"
  # New inputs go to the first folder; the seeds in the repository are only read.
  if ! "$out/bin/$target" "${options[@]}" "$corpus" "fuzz/corpus/$target" 2>"$log"; then
    failed=1
    tail -n 40 "$log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
  rate=$(( ${runs:-0} / (${took:-0} > 0 ? ${took:-1} : 1) ))
  summary+=("$(printf '%-18s %10s runs  %7s runs/s  %s' "$target" "${runs:-?}" "$rate" "${coverage:-?}")")
done

echo "== fuzzing summary (${seconds} s a target)"
printf '%s\n' "${summary[@]}"
exit "$failed"
