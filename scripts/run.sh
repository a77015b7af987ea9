#!/usr/bin/env bash
# Sets up the machine, builds, and starts Quillbox. Without a display (a
# headless machine) Quillbox runs on a private Xvfb display, and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
binary="$PWD/build/bin/quillbox"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
  xvfb_pid=$!
  read -r number <&3
  export DISPLAY=":$number"
  openbox >/dev/null 2>&1 &
  openbox_pid=$!
  trap 'kill $openbox_pid $xvfb_pid 2>/dev/null || true' EXIT
  echo "No display found: running Quillbox on a private Xvfb display $DISPLAY."
  echo "Use it from another shell with: DISPLAY=$DISPLAY $binary --help"
  "$binary" "$@"
else
  exec "$binary" "$@"
fi
