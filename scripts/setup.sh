#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Quillbox
# needs. Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang-format
  # the application icon's PNG sizes, rendered from its SVG at build time
  librsvg2-bin
  # Qt 6 (Widgets, DBus, Network come with qtbase) and image plugins (TIFF)
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libgl-dev
  # X11 clipboard, active window, XTest, XInput 2
  libxcb1-dev libxcb-xfixes0-dev libxcb-xtest0-dev libxcb-xinput-dev
  libxcb-keysyms1-dev libx11-dev libx11-xcb-dev
  # Wayland: client library and scanner, xkbcommon for the virtual
  # keyboard's keymap, Qt's Wayland platform plugin
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev qt6-wayland
  # storage, text, hashing, recognition, sound
  libsqlite3-dev libzstd-dev libicu-dev libssl-dev libtesseract-dev libleptonica-dev tesseract-ocr-eng
  libcanberra-dev sound-theme-freedesktop
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # line coverage of src/ (scripts/coverage.sh)
  gcovr
  # desktop for tests and headless runs
  xvfb openbox xclip xdotool x11-utils dbus-x11 fonts-dejavu-core
  # a headless Wayland compositor and its clipboard and key clients
  sway wl-clipboard wtype
  # an XEmbed system tray for the tray item's tests
  trayer
  # GLib's desktop-entry reader (gio launch) for the autostart entry's test;
  # glib-compile-schemas for the GNOME Shell extension's settings
  libglib2.0-bin
  # checks of the Debian package and its installed files (scripts/test-package.sh);
  # the shells whose Tab completion the tests try
  lintian desktop-file-utils appstream bash-completion zsh fish
  # a headless GNOME Shell (43) for the GNOME backend's tests: about 110 MB
  # to download, under two minutes to install
  gnome-shell
  # a GTK 4 text field that the GNOME tests paste into
  python3-gi gir1.2-gtk-4.0
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "quillbox setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
