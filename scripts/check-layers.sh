#!/usr/bin/env bash
# Refuses includes that break the layering: no Qt Widgets and no X11/xcb
# headers below ui/, linux/ and app/, and no platform headers in linux/ headers.
set -euo pipefail
cd "$(dirname "$0")/../src"
status=0
for layer in content ports capture history core; do
  if hits=$(grep -rnE '#include\s*[<"](QtWidgets|QWidget|QApplication|QLabel|X11/|xcb/|tesseract/|canberra)' "$layer" 2>/dev/null); then
    echo "layer $layer includes what it must not:"; echo "$hits"; status=1
  fi
done
if hits=$(grep -rnE '#include\s*[<"](X11/|xcb/|tesseract/|leptonica/|canberra)' linux --include='*.h' 2>/dev/null); then
  echo "linux/ headers include platform headers (keep them in .cpp files):"; echo "$hits"; status=1
fi
[ $status -eq 0 ] && echo "layering: 1 passed, 0 failed"
exit $status
