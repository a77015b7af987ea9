#!/usr/bin/env bash
# Builds the Debian package from the ordinary build folder (build/, preset
# "default"), so a build that ran the tests is packaged as it is. Prints the
# package's path as its last line: build/package/quillbox_VERSION_ARCH.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >&2
rm -f build/package/quillbox_*.deb
(cd build && cpack -G DEB >&2)
ls build/package/quillbox_*.deb
