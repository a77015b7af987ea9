#!/usr/bin/env bash
# Plants one include that breaks the layering in a copy of src/ at a time and
# expects scripts/check-layers.sh to refuse it, naming the file and line; the
# untouched copy must pass.
# Usage: check-layers-test.sh [CHECKOUT]   (default: this checkout)
set -uo pipefail

root=$(cd "${1:-"$(dirname "$0")/../.."}" && pwd)
check="$root/scripts/check-layers.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# file | line to plant | what the report must say
cases='
content/Hash.h|#include "ports/Pasteboard.h"|content includes ports/
ports/Pasteboard.h|#include "history/ClipboardItem.h"|ports includes history/
history/ClipboardItem.h|#include "core/AppState.h"|history includes core/
history/HistoryStore.cpp|#include "capture/ClipboardParser.h"|history includes capture/
capture/ClipboardParser.h|#include "linux/desktop/ClipboardMime.h"|capture includes linux/
capture/ClipboardMonitor.cpp|#include "core/PasteService.h"|capture includes core/
core/AppState.h|#include <QWidget>|Qt Widgets header <QWidget>
core/PasteService.cpp|#include <QtWidgets/QApplication>|Qt Widgets header <QtWidgets/QApplication>
core/SearchIndex.h|#include "ui/PanelListModel.h"|core includes ui/
ui/PanelWindow.h|#include "app/AppServices.h"|ui includes app/
ui/settings/SettingsWindow.cpp|#include "linux/x11/X11Pasteboard.h"|ui includes linux/
linux/x11/X11Pasteboard.cpp|#include "history/HistoryStore.h"|linux/x11 includes history/
linux/desktop/ClipboardMime.cpp|#include "linux/x11/XcbConnection.h"|linux/desktop includes linux/x11/
linux/gnome/GnomePasteboard.cpp|#include "linux/wayland/WaylandPasteboard.h"|linux/gnome includes linux/wayland/
linux/desktop/ClipboardMime.h|#include <xcb/xcb.h>|belong in linux/ .cpp files
linux/x11/X11Pasteboard.h|#include "linux/x11/XcbReply_p.h"|a private header is included only by
app/SearchCommands.cpp|#include "linux/desktop/TesseractTextRecognizer.h"|only app/PlatformFactory.cpp names the backends
app/main.cpp|#include "linux/x11/X11Pasteboard.h"|only app/PlatformFactory.cpp names the backends
capture/OCRService.cpp|#include <tesseract/baseapi.h>|belong in linux/ .cpp files
core/SoundManager.cpp|#include <canberra.h>|belong in linux/ .cpp files
history/Pinboard.h|#include "../core/AppState.h"|not by a relative path
ui/CardDelegate.cpp|#include "PanelListModel.h"|names its layer
capture/CMakeLists.txt|target_link_libraries(quillbox_capture PUBLIC quillbox_core)|capture links quillbox_core
linux/x11/CMakeLists.txt|target_link_libraries(quillbox_linux_x11 PRIVATE quillbox_history)|linux/x11 links quillbox_history
linux/desktop/CMakeLists.txt|target_link_libraries(quillbox_linux_desktop PRIVATE quillbox_linux_x11)|linux/desktop links quillbox_linux_x11
linux/gnome/CMakeLists.txt|target_link_libraries(quillbox_linux_gnome PRIVATE quillbox_core)|linux/gnome links quillbox_core
'

mkdir "$work/clean"
cp -r "$root/src" "$work/clean/src"
if ! out=$("$check" "$work/clean" 2>&1); then
  fail "the untouched copy was refused:"; echo "$out"
elif [ "$(echo "$out" | tail -n 1)" != "layering: 1 passed, 0 failed" ]; then
  fail "the untouched copy passed without the summary line: $out"
fi

n=0
while IFS='|' read -r file include expected; do
  [ -n "$file" ] || continue
  n=$((n + 1))
  copy="$work/case$n"
  # Hard links: sed -i writes a new file, so the clean copy stays clean.
  cp -al "$work/clean" "$copy"
  if [ ! -f "$copy/src/$file" ]; then fail "no $file to plant in"; continue; fi
  # Below the first two lines (licence or #pragma once), as a real include.
  sed -i "2a $include" "$copy/src/$file"
  out=$("$check" "$copy" 2>&1)
  status=$?
  if [ $status -ne 1 ]; then
    fail "$file with $include: exit status $status, expected 1"
  elif ! grep -qF "src/$file:3: " <<<"$out" || ! grep -qF "$expected" <<<"$out"; then
    fail "$file with $include: report does not name src/$file:3 ($expected):"; echo "$out"
  elif [ "$(grep -c . <<<"$out")" -ne 2 ]; then
    fail "$file with $include: more than the one planted violation:"; echo "$out"
  else
    echo "ok: $file with $include"
  fi
  rm -rf "$copy"
done <<<"$cases"

echo "layering check: $((n + 1 - failures)) passed, $failures failed"
[ $failures -eq 0 ]
