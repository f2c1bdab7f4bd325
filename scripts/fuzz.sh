#!/usr/bin/env bash
# The short fuzz run of ./quorvane test. Source this file, then:
#   run_fuzzers BUILD_DIR [SECONDS]
# runs every fuzz target built in BUILD_DIR for an equal share of SECONDS (default 60)
# in total, each from its corpus in BUILD_DIR/tests/fuzz/corpus/NAME (kept between runs,
# so coverage grows), and prints one line per target with the inputs it ran. Returns
# non-zero when a target finds a crash or a broken property; the input that did it is
# left in BUILD_DIR/tests/fuzz/findings/. Without built targets (no clang) it says so
# and returns 0.

run_fuzzers() {
  local build=${1:?usage: run_fuzzers BUILD_DIR [SECONDS]}
  local seconds=${2:-60}
  local dir="$build/tests/fuzz/targets"
  local targets=() target
  for target in "$dir"/*_fuzzer; do
    [ -x "$target" ] && targets+=("$target")
  done
  if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz: no fuzz targets in $dir (clang or libclang-rt-14-dev missing): skipped"
    return 0
  fi
  local each=$((seconds / ${#targets[@]}))
  [ "$each" -lt 1 ] && each=1
  local failed=0 total=0 name corpus findings log runs
  for target in "${targets[@]}"; do
    name=$(basename "$target")
    corpus="$build/tests/fuzz/corpus/$name"
    findings="$build/tests/fuzz/findings/$name"
    log="$build/tests/fuzz/$name.log"
    mkdir -p "$corpus" "$findings"
    if "$target" -max_total_time="$each" -print_final_stats=1 -artifact_prefix="$findings/" \
      "$corpus" >"$log" 2>&1; then
      runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
      echo "fuzz: $name: ${runs:-?} inputs in ${each} s, no finding"
      total=$((total + ${runs:-0}))
    else
      echo "fuzz: $name: FINDING, see $log and $findings/"
      tail -n 30 "$log"
      failed=1
    fi
  done
  echo "fuzz: $total inputs in total"
  return $failed
}
