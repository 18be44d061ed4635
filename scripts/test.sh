#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds Tandemix twice (a
# normal build with warnings as errors and an AddressSanitizer +
# UndefinedBehaviorSanitizer build) and runs every test of each through CTest,
# runs the engine's and the player's tests in a ThreadSanitizer build, then
# builds the libFuzzer targets with clang and runs each briefly on its seed
# corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

./scripts/install-deps.sh

JOBS=$(nproc)
# A compiler cache shared by every clone of the tree: paths inside the clone
# are hashed relative to it.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=1
fi
export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
  # Many tests wait on ffmpeg or the disk, so twice as many run as there are cores.
  (cd "$dir" && ctest --output-on-failure -j "$((JOBS * 2))" --timeout 600)
}

echo "== Format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "every source file is formatted"

echo "== Normal build (warnings are errors)"
run_suite build -DTANDEMIX_WERROR=ON

echo "== Debian package"
./scripts/check-package.sh build

if [[ "${TANDEMIX_SKIP_SANITIZERS:-0}" != 1 ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  export LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp
  # -O1 and line tables only: the sanitizers need no more, and it builds far faster.
  run_suite build-asan -DTANDEMIX_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
fi

if [[ "${TANDEMIX_SKIP_SANITIZERS:-0}" != 1 ]]; then
  echo "== ThreadSanitizer build (clang 16): the engine's, the player's and render's tests"
  # clang 16 rather than GCC 12, whose ThreadSanitizer reports races on
  # state that is read and written under one mutex.
  CC=clang-16 CXX=clang++-16 cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANDEMIX_TSAN=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
  cmake --build build-tsan --target test_engine test_playback test_render -j "$JOBS"
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$ROOT/tests/tsan.supp"
  build-tsan/bin/test_engine --gtest_brief=1 &
  engine=$!
  build-tsan/bin/test_playback --gtest_brief=1
  build-tsan/bin/test_render --gtest_brief=1
  wait "$engine"
fi

if [[ "${TANDEMIX_SKIP_FUZZ:-0}" != 1 ]]; then
  echo "== libFuzzer targets (clang), all at once, ${TANDEMIX_FUZZ_SECONDS:-30} s each on their corpora"
  FUZZ_PARALLEL=1 ./scripts/fuzz.sh "${TANDEMIX_FUZZ_SECONDS:-30}"
fi
