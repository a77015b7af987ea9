#!/usr/bin/env bash
# Configures and builds Quillbox in build/ (the "default" preset).
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake --preset default >/dev/null
cmake --build --preset default
