#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test. Tests that need a desktop
# start their own Xvfb display with openbox, so no display is needed here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
ctest --preset default "$@"
