#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (build folder build-fuzz)
# and runs each for a while on its seed corpus and dictionary.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); TARGET is script, geometry, project,
# template or compose (default: all). New inputs go to a scratch corpus
# (FUZZ_WORK, default a temporary folder) and never into the tree; a
# finding is written there as crash-*, leak-*, timeout-* or oom-* and the
# script exits non-zero. FUZZ_JOBS runs that many workers per target.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS_PER_TARGET=${1:-60}
shift || true
TARGETS=("$@")
if [[ ${#TARGETS[@]} -eq 0 ]]; then TARGETS=(script geometry project template compose); fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANDEMIX_FUZZ=ON \
  -DTANDEMIX_TESTS=OFF >/dev/null
cmake --build build-fuzz --target fuzzers -j "$(nproc)"

WORK=${FUZZ_WORK:-$(mktemp -d)}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp
status=0
for target in "${TARGETS[@]}"; do
  mkdir -p "$WORK/$target/corpus"
  dict=()
  if [[ -f fuzz/$target.dict ]]; then dict=(-dict="$ROOT/fuzz/$target.dict"); fi
  echo "== fuzz_$target: ${SECONDS_PER_TARGET} s on fuzz/corpus/$target"
  parallel=()
  if [[ ${FUZZ_JOBS:-1} -gt 1 ]]; then parallel=(-jobs="$FUZZ_JOBS" -workers="$FUZZ_JOBS"); fi
  started=$(date +%s)
  # Run from the scratch folder: parallel jobs write their logs (fuzz-N.log) there.
  if ! (cd "$WORK/$target" && "$ROOT/build-fuzz/bin/fuzz_$target" -max_total_time="$SECONDS_PER_TARGET" \
    -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 "${parallel[@]}" -artifact_prefix="$WORK/$target/" \
    "${dict[@]}" "$WORK/$target/corpus" "$ROOT/fuzz/corpus/$target") >"$WORK/$target.log" 2>&1; then
    status=1
    echo "fuzz_$target FOUND A FAULT; its log and reproducer are in $WORK/$target.log and $WORK/$target/"
    tail -40 "$WORK/$target.log"
  fi
  runs=$(cat "$WORK/$target.log" "$WORK/$target"/fuzz-*.log 2>/dev/null |
    grep -o 'stat::number_of_executed_units: *[0-9]*' | awk '{s += $2} END {print s + 0}')
  echo "fuzz_$target: $runs executions in $(($(date +%s) - started)) s"
done
exit $status
