#!/usr/bin/env bash
# Installs the Debian package as a user would, with apt, and checks it: the
# installed files validate, lintian finds no error, the manual page renders,
# and the installed program answers, starts on a display of its own, records
# a copy and quits. Removes the package again, whatever happened. Packages the
# build in build/ (scripts/test.sh has built it): nothing is built twice.
#   scripts/test-package.sh [PACKAGE.deb]   (a package built already)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
if dpkg-query -W -f='${Status}' quillbox 2>/dev/null | grep -q "install ok installed"; then
  echo "test-package: quillbox is installed on this machine already; remove it first" >&2
  exit 1
fi

deb=${1:-$(bash scripts/package.sh | tail -n1)}
deb=$(realpath "$deb")
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q quillbox >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

step() { printf '\ntest-package: %s\n' "$*"; }
fail() {
  echo "test-package: FAILED: $*" >&2
  [ -f "$work/quillbox.log" ] && sed 's/^/  log: /' "$work/quillbox.log" >&2
  exit 1
}
# Polls a command for up to $1 seconds.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 10))); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

step "installing $deb with apt"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb"

step "the version in the changelog is the package's"
[ "$(dpkg-parsechangelog -l data/debian/changelog -S Version)" = "$version" ] ||
  fail "data/debian/changelog does not start with version $version"

step "validating the installed files"
desktop-file-validate /usr/share/applications/io.github.quillbox.Quillbox.desktop
# Offline: the screenshots' addresses are not fetched.
appstreamcli validate --no-net /usr/share/metainfo/io.github.quillbox.Quillbox.metainfo.xml
for size in 16 22 24 32 48 64 128 256 512; do
  [ -f "/usr/share/icons/hicolor/${size}x${size}/apps/io.github.quillbox.Quillbox.png" ] ||
    fail "no ${size}x${size} icon"
done
[ -f /usr/share/icons/hicolor/symbolic/apps/io.github.quillbox.Quillbox-symbolic.svg ] ||
  fail "no symbolic icon"
man_text=$(MANWIDTH=80 man -l /usr/share/man/man1/quillbox.1.gz 2>&1)
grep -q "paste-stack" <<<"$man_text" || fail "the manual page lists no commands"
# As bash-completion finds it on demand, the first time quillbox<Tab> is typed.
bash -c 'source /usr/share/bash-completion/bash_completion && __load_completion quillbox &&
  COMP_WORDS=(quillbox pa) COMP_CWORD=1 && _quillbox && echo "${COMPREPLY[*]}"' |
  grep -qx "pause paste paste-stack paste-next" || fail "bash does not complete quillbox pa<Tab>"

step "lintian (errors fail; warnings are listed)"
lintian --fail-on error --tag-display-limit 0 "$deb"

step "the installed program"
[ "$(/usr/bin/quillbox --version)" = "Quillbox $version" ] || fail "--version says $(/usr/bin/quillbox --version)"
/usr/bin/quillbox --help | grep -q "^Usage: quillbox" || fail "--help"

step "starting on a private X display with a private home"
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
pids+=($!)
read -r -t 20 number <&3 || fail "Xvfb did not start"
mkdir -p "$work/home" "$work/config" "$work/data" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
export DISPLAY=":$number" HOME="$work/home" XDG_CONFIG_HOME="$work/config"
export XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
unset WAYLAND_DISPLAY QUILLBOX_PLATFORM OMP_THREAD_LIMIT GLIBC_TUNABLES
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
openbox >/dev/null 2>&1 &
pids+=($!)
/usr/bin/quillbox >"$work/quillbox.log" 2>&1 &
pids+=($!)
wait_for 60 /usr/bin/quillbox status || fail "quillbox status never saw it running"

step "a copy is recorded"
text="copied while testing the package $$"
printf '%s' "$text" | xclip -selection clipboard 2>/dev/null
wait_for 30 sh -c '/usr/bin/quillbox list | grep -qF "$1"' _ "$text" || fail "the copy was not recorded"
/usr/bin/quillbox list

step "quit"
/usr/bin/quillbox quit
wait_for 20 sh -c '! /usr/bin/quillbox status' || fail "it did not quit"

step "removing the package"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q quillbox
[ ! -e /usr/bin/quillbox ] || fail "/usr/bin/quillbox is still there"
echo "test-package: all checks passed"
