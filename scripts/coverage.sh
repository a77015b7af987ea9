#!/usr/bin/env bash
# Measures line coverage of src/ by the whole test suite.
#
# Builds an unoptimised, instrumented copy of Quillbox with its tests in
# build-coverage/ (benchmarks off), runs every test there (the X11 tests start
# their own Xvfb), and prints gcovr's line coverage of src/ only. The per-file
# report is left in build-coverage/coverage.txt.
#
# Usage: scripts/coverage.sh [extra ctest arguments]
# COVERAGE_JOBS sets the build's and ctest's parallelism (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=build-coverage
jobs=${COVERAGE_JOBS:-2}

if ! command -v gcovr >/dev/null; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends gcovr
fi

# Debug keeps asserts; -O0 keeps every line its own so counts are exact.
# No compiler cache: objects it hands back name their sources relative to
# another build folder, and gcovr would silently drop those files.
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-O0 -g --coverage" \
  -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
  -DCMAKE_SHARED_LINKER_FLAGS="--coverage" \
  -DQUILLBOX_BUILD_TESTS=ON \
  -DQUILLBOX_BUILD_BENCHMARKS=OFF \
  -DCMAKE_CXX_COMPILER_LAUNCHER= -DCMAKE_C_COMPILER_LAUNCHER= >/dev/null

# The machine is shared: build at low priority.
nice -n 19 cmake --build "$build" -j "$jobs"

# Counters from an earlier run would add to this one.
find "$build" -name '*.gcda' -delete

status=0
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 1200 "$@" || status=$?

gcovr --root "$root" --filter 'src/' --exclude 'tests/' --exclude 'bench/' \
  --gcov-ignore-parse-errors -j "$jobs" \
  --txt "$build/coverage.txt" --print-summary "$build" | grep -E '^(lines|functions|branches):'

if [ "$status" -ne 0 ]; then
  echo "quillbox coverage: some tests failed (ctest exit $status); the figure counts the tests that ran" >&2
fi
exit "$status"
