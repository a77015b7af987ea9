#!/usr/bin/env bash
# Builds the unit and X11 test programs with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (the "asan" preset) and runs
# them, each X11 program on an Xvfb display of its own. The end-to-end
# programs drive the built application as a separate process and run in the
# ordinary build only.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
[ -f build-asan/CMakeCache.txt ] || cmake --preset asan >/dev/null
tests=(content_tests capture_tests clipboard_monitor_tests screenshot_tests history_tests
       core_tests paste_tests app_tests
       ui_card_tests ui_settings_tests ui_panel_tests
       x11_frontmost_tests x11_pasteboard_tests x11_colorsampler_tests x11_services_tests
       x11_paste_tests x11_hotkey_tests x11_pastekey_tests
       desktop_portal_tests wayland_clipboard_tests wayland_input_tests)
cmake --build --preset asan --target "${tests[@]}"
# Only the programs built above: the others (end to end, the GNOME Shell's,
# the scripts) belong to the ordinary build.
ctest --preset asan -R "^($(IFS='|'; echo "${tests[*]}"))\$" "$@"
