#!/usr/bin/env bash
# Checks that every include in src/ respects the layering in
# docs/architecture.md, without building anything:
#  - a quoted include names its layer ("core/AppState.h"), and a layer
#    includes only itself and the layers it may use (table below);
#  - a layer's CMakeLists.txt links only the libraries of those layers;
#  - no Qt Widgets header below ui/;
#  - the backends under linux/ are layers of their own (linux/desktop,
#    linux/x11, linux/wayland, linux/gnome), and in app/ only the platform factory
#    (app/PlatformFactory.cpp) includes them;
#  - X11, xcb, Wayland, Tesseract, Leptonica and libcanberra headers only in
#    linux/ .cpp files and linux/ private headers (*_p.h), which only linux/
#    .cpp files and other linux/ private headers include, so nothing else
#    ever sees them.
# The compiler cannot catch an upward include of a header-only type (every
# target sees all of src/), so this script is the one guard.
#
# Usage: check-layers.sh [TREE]   TREE is a checkout or its src/ folder
#                                 (default: this checkout).
# Prints each violation as file:line and exits 1; on success the last line
# is "layering: 1 passed, 0 failed".
set -euo pipefail

tree=${1:-"$(dirname "$0")/.."}
if [ -d "$tree/src" ]; then src="$tree/src"; else src="$tree"; fi
if [ ! -d "$src" ]; then
  echo "check-layers: no source tree at $tree" >&2
  exit 2
fi

# Which layers each layer may include, itself included. The chain
# content <- ports <- history <- capture <- core <- ui <- app, with the Linux
# backends beside it seeing only the vocabulary, the ports and what every
# Linux session shares (linux/desktop), and only app/ knowing them.
allowed='
content:       content
ports:         content ports
history:       content ports history
capture:       content ports history capture
core:          content ports history capture core
ui:            content ports history capture core ui
app:           content ports history capture core ui app linux/desktop linux/x11 linux/wayland linux/gnome
linux/desktop: content ports linux/desktop
linux/x11:     content ports linux/desktop linux/x11
linux/wayland: content ports linux/desktop linux/wayland
linux/gnome:   content ports linux/desktop linux/gnome
'
# The one file of app/ that names concrete backends.
factory='app/PlatformFactory.cpp'

# Qt Widgets class headers: the module's own list where Qt is installed
# (only its CamelCase names: its lowercase files include forwards to Qt Gui
# such as qaction.h), and the common ones otherwise.
widgets='QWidget QApplication QLabel QPushButton QToolButton QAbstractButton
QMainWindow QDialog QLineEdit QTextEdit QPlainTextEdit QMenu QMenuBar
QSystemTrayIcon QStyle QStyleOption QStylePainter QStyledItemDelegate
QAbstractItemView QListView QTreeView QTableView QScrollArea QScrollBar
QLayout QBoxLayout QVBoxLayout QHBoxLayout QGridLayout QFormLayout QFrame
QCheckBox QComboBox QSpinBox QTabWidget QTabBar QMessageBox QFileDialog
QGraphicsView QToolTip QSplitter QStackedWidget QSlider QRadioButton
QKeySequenceEdit QListWidget QTreeWidget QProgressBar QGroupBox'
for dir in /usr/include/*/qt6/QtWidgets /usr/include/qt6/QtWidgets; do
  if [ -d "$dir" ]; then
    for header in "$dir"/Q[A-Z]*; do
      name=${header##*/}
      if [[ $name =~ ^Q[A-Za-z0-9]+$ && $name != QtWidgets* ]]; then widgets+=" $name"; fi
    done
  fi
done

mapfile -t files < <(cd "$src" && find . -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' -o -name CMakeLists.txt \) | sed 's|^\./||' | LC_ALL=C sort)
mapfile -t -O ${#files[@]} files < <(cd "$src" && find . -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | LC_ALL=C sort)
if [ ${#files[@]} -eq 0 ]; then
  echo "check-layers: no sources under $src" >&2
  exit 2
fi

violations=$(cd "$src" && awk -v allowed="$allowed" -v widgets="$widgets" -v factory="$factory" '
  BEGIN {
    n = split(allowed, lines, "\n")
    for (i = 1; i <= n; i++) {
      if (lines[i] !~ /:/) continue
      split(lines[i], parts, ":")
      layer = parts[1]; gsub(/[ \t]/, "", layer)
      known[layer] = 1
      uses[layer] = parts[2]; gsub(/^[ \t]+|[ \t]+$/, "", uses[layer])
      m = split(parts[2], list, " ")
      for (j = 1; j <= m; j++) may[layer, list[j]] = 1
    }
    m = split(widgets, list, /[ \t\n]+/)
    for (j = 1; j <= m; j++) if (list[j] != "") widget[list[j]] = 1
  }
  function report(rule) { printf "src/%s:%d: %s\n", FILENAME, FNR, rule }
  # A path'"'"'s layer: its first folder, or its first two under linux/.
  function layerOf(path,    parts) {
    split(path, parts, "/")
    return parts[1] == "linux" && parts[3] != "" ? parts[1] "/" parts[2] : parts[1]
  }
  FNR == 1 {
    layer = layerOf(FILENAME)
    if (!(layer in known)) {
      printf "src/%s:1: %s is not a layer (docs/architecture.md lists them)\n", FILENAME, layer
    }
    isLinuxSource = (layer ~ /^linux\// && (FILENAME ~ /\.cpp$/ || FILENAME ~ /_p\.h$/))
    isCMake = (FILENAME ~ /CMakeLists\.txt$/)
  }
  # A layer library links only the libraries of the layers it may use.
  isCMake {
    line = $0
    sub(/#.*/, "", line)
    while (match(line, /quillbox_[a-z0-9_]+/)) {
      linked = substr(line, RSTART + 9, RLENGTH - 9)
      line = substr(line, RSTART + RLENGTH)
      library = "quillbox_" linked
      sub(/^linux_/, "linux/", linked)
      if ((layer in known) && (linked in known) && !((layer, linked) in may))
        report(layer " links " library ": " layer " may use only " uses[layer])
    }
    next
  }
  /^[ \t]*#[ \t]*include[ \t]*[<"]/ {
    line = $0
    sub(/^[ \t]*#[ \t]*include[ \t]*/, "", line)
    quoted = substr(line, 1, 1) == "\""
    target = substr(line, 2)
    sub(/[">].*/, "", target)
    top = layerOf(target)
    base = target; sub(/.*\//, "", base)

    if (quoted && target ~ /(^|\/)\.\.(\/|$)/) {
      report("\"" target "\": include other layers by their layer name, not by a relative path")
    } else if (top in known) {
      if ((layer in known) && !((layer, top) in may))
        report(layer " includes " top "/ (" target "): " layer " may include only " uses[layer])
      else if (layer == "app" && top ~ /^linux\// && FILENAME != factory)
        report("app includes " top "/ (" target "): only " factory " names the backends")
    } else if (quoted && target !~ /\.moc$/ && target !~ /^moc_/) {
      report("\"" target "\": a quoted include names its layer (\"layer/File.h\")")
    }

    if (!quoted && layer != "ui" && layer != "app" &&
        (top == "QtWidgets" || (base in widget))) {
      report(layer " includes the Qt Widgets header <" target ">: widgets belong in ui/ and app/")
    }
    if (quoted && target ~ /_p\.h$/ && !(layer ~ /^linux\// && FILENAME ~ /(\.cpp|_p\.h)$/)) {
      report("\"" target "\": a private header is included only by linux/ .cpp files and private headers")
    }
    if (!quoted && !isLinuxSource &&
        (top == "X11" || top == "xcb" || top == "tesseract" || top == "leptonica" ||
         base ~ /^canberra(-[a-z]+)?\.h$/ || base ~ /^wayland-[a-z-]+\.h$/ || base ~ /-client-protocol\.h$/)) {
      report("<" target ">: X11, xcb, Wayland, Tesseract, Leptonica and libcanberra headers belong in linux/ .cpp files")
    }
  }
' "${files[@]}")

if [ -n "$violations" ]; then
  echo "$violations"
  echo "layering: 0 passed, 1 failed ($(echo "$violations" | wc -l) violations)"
  exit 1
fi
echo "layering: 1 passed, 0 failed"
