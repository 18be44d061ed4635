#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (build folder build-fuzz)
# and runs each for a while on its seed corpus and dictionary.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); TARGET is script, geometry, project,
# template, compose or media (default: all). New inputs go to a scratch corpus
# (FUZZ_WORK, default a temporary folder), never into the tree; a finding
# is written there as crash-*, leak-*, timeout-* or oom-* with the log, and
# the script exits 1.
#   FUZZ_PARALLEL=1  runs the targets at the same time instead of in turn.
#   FUZZ_JOBS=N      runs N workers for each target (long sessions).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS_PER_TARGET=${1:-60}
shift || true
TARGETS=("$@")
if [[ ${#TARGETS[@]} -eq 0 ]]; then TARGETS=(script geometry project template compose media); fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANDEMIX_FUZZ=ON \
  -DTANDEMIX_TESTS=OFF >/dev/null
cmake --build build-fuzz --target fuzzers -j "$(nproc)"

WORK=${FUZZ_WORK:-$(mktemp -d)}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp

# Runs one target; its output goes to $WORK/TARGET.log.
run_target() {
  local target=$1
  mkdir -p "$WORK/$target/corpus"
  local extra=()
  if [[ -f fuzz/$target.dict ]]; then extra+=(-dict="$ROOT/fuzz/$target.dict"); fi
  if [[ ${FUZZ_JOBS:-1} -gt 1 ]]; then extra+=(-jobs="$FUZZ_JOBS" -workers="$FUZZ_JOBS"); fi
  # From the scratch folder: parallel workers write their fuzz-N.log there.
  (cd "$WORK/$target" && "$ROOT/build-fuzz/bin/fuzz_$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=30 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$WORK/$target/" "${extra[@]}" \
    "$WORK/$target/corpus" "$ROOT/fuzz/corpus/$target") >"$WORK/$target.log" 2>&1
}

# Says what a finished target did; returns 1 when it found a fault.
report_target() {
  local target=$1 code=$2
  local runs
  runs=$(cat "$WORK/$target.log" "$WORK/$target"/fuzz-*.log 2>/dev/null |
    grep -o 'stat::number_of_executed_units: *[0-9]*' | awk '{s += $2} END {print s + 0}')
  if [[ $code -ne 0 ]]; then
    echo "fuzz_$target FOUND A FAULT ($runs executions); log and reproducer: $WORK/$target.log, $WORK/$target/"
    tail -40 "$WORK/$target.log"
    return 1
  fi
  echo "fuzz_$target: $runs executions in $SECONDS_PER_TARGET s, nothing found"
}

echo "== Fuzzing ${TARGETS[*]}, $SECONDS_PER_TARGET s each (scratch folder $WORK)"
status=0
if [[ ${FUZZ_PARALLEL:-0} == 1 ]]; then
  declare -A pids
  for target in "${TARGETS[@]}"; do
    run_target "$target" &
    pids[$target]=$!
  done
  for target in "${TARGETS[@]}"; do
    code=0
    wait "${pids[$target]}" || code=$?
    report_target "$target" "$code" || status=1
  done
else
  for target in "${TARGETS[@]}"; do
    code=0
    run_target "$target" || code=$?
    report_target "$target" "$code" || status=1
  done
fi
exit $status
