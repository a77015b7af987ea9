#!/usr/bin/env bash
# Builds the unit test programs with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (the "asan" preset) and runs
# them. The X11 and end-to-end programs wait on timeouts of a few hundred
# milliseconds that a sanitized build overruns on a loaded machine, so they
# run in the ordinary build only (see README).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
[ -f build-asan/CMakeCache.txt ] || cmake --preset asan >/dev/null
unit_tests=(content_tests capture_tests clipboard_monitor_tests screenshot_tests history_tests
            core_tests paste_tests app_tests)
cmake --build --preset asan --target "${unit_tests[@]}"
ctest --preset asan --label-exclude 'x11|e2e' "$@"
