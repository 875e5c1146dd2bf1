#!/usr/bin/env bash
# Builds the Debian package from a configured build folder and checks it as a user would meet it:
# lintian finds no error, the menu entry and the AppStream file validate, and the program
# unpacked into a throwaway root answers --version without a display, then starts headless,
# writes its files into a temporary data folder (none into the folder it was started from) and
# ends cleanly on SIGTERM.
#   tools/package-check.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
wait_s=60

fail() { echo "package check: $*" >&2; exit 1; }

echo "-- package"
cmake --build "$build" --target truco-zanforte truco_package_docs
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
app_id=$(sed -n 's/^TRUCO_APP_ID:STRING=//p' "$build/CMakeCache.txt")
deb="$build/truco-zanforte_${version}_amd64.deb"
rm -f "$deb"
(cd "$build" && cpack -G DEB >/dev/null) || fail "cpack failed"
[ -f "$deb" ] || fail "no $deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[[ "$depends" == *libqt6widgets6* ]] || fail "the dependencies were not computed from the libraries"

echo "-- lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/fs"

echo "-- desktop-file-validate, appstreamcli"
desktop-file-validate "$root/fs/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$root/fs/usr/share/metainfo/$app_id.metainfo.xml"
for size in 16 22 24 32 48 64 128 256; do
  icon="$root/fs/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  file -b "$icon" | grep -q "PNG image data, $size x $size" || fail "icon $icon is not $size px"
done
[ -s "$root/fs/usr/share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "no scalable icon"
cmp resources/Frases.ini "$root/fs/usr/share/games/truco-zanforte/Frases.ini" ||
  fail "the shipped Frases.ini differs from the source"

echo "-- the unpacked program"
program="$root/fs/usr/games/truco-zanforte"
got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version)
[ "$got" = "Truco Zanforte $version" ] || fail "--version said: $got"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help | grep -q '^Uso: ' ||
  fail "--help"

# Starts the program headless from $root/work with $root/xdg as its data home.
start() {
  (cd "$root/work" && exec env QT_QPA_PLATFORM=offscreen HOME="$root/home" \
     XDG_DATA_HOME="$root/xdg" XDG_CONFIG_HOME="$root/config" XDG_RUNTIME_DIR="$root/run" \
     "$program") &
  pid=$!
}
# Waits until the program catches SIGTERM (its handler in place, as /proc says), sends it and
# checks that the program ended by itself with status 0 within the time.
end_with_sigterm() {
  local i mask
  for ((i = 0; i < wait_s * 10; i++)); do
    mask=$(sed -n 's/^SigCgt:\s*//p' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$mask" ] && (((0x$mask >> 14) & 1)) && break
    sleep 0.1
  done
  kill -TERM "$pid"
  for ((i = 0; i < wait_s * 10; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "the program did not end after SIGTERM"
  fi
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
}
wait_for() {  # wait_for PATH
  local i
  for ((i = 0; i < wait_s * 10; i++)); do
    [ -e "$1" ] && return 0
    sleep 0.1
  done
  fail "$1 never appeared"
}

data="$root/xdg/Truco"
mkdir -p "$root/work" "$root/home"
mkdir -m 700 "$root/run"
# First start: the data folder is made, the box "Conf.dll not found" waits for a click that the
# signal replaces, and the default settings are written into the data folder.
start
wait_for "$data"
end_with_sigterm
[ "$(od -An -tx1 "$data/Conf.dll" | tr -d ' \n')" = "313131000f0000ff" ] ||
  fail "Conf.dll in the data folder is not the default record"
[ -z "$(ls -A "$root/work")" ] || fail "the program wrote into the folder it was started from"
echo "first start: $(ls "$data" | tr '\n' ' ')in the data folder, nothing in the working folder"

# Files of an older copy in the working folder: taken over once into an empty data folder.
rm -rf "$data"
printf '221\000\000\000\200\000' >"$root/work/Conf.dll"  # Manilha Velha, No Escuro, navy
for balance in 6 5 4 3 2 1; do  # "ZECA", 7 won, 1 lost, the balance; six rows
  printf "\004ZECA\000\000\000\000\000\000\000\007\000\000\000\001\000\000\000\\$(printf %03o "$balance")\000\000\000"
done >"$root/work/Recordes.qdx"
[ "$(stat -c %s "$root/work/Recordes.qdx")" -eq 144 ] || fail "test records file is not 144 bytes"
cp "$root/work/Conf.dll" "$root/old-conf"
cp "$root/work/Recordes.qdx" "$root/old-records"
start
wait_for "$data/Recordes.qdx"
end_with_sigterm
cmp "$data/Conf.dll" "$root/old-conf" || fail "Conf.dll was not taken over byte for byte"
cmp "$data/Recordes.qdx" "$root/old-records" || fail "Recordes.qdx was not taken over byte for byte"
cmp "$root/work/Conf.dll" "$root/old-conf" || fail "the old Conf.dll changed"
cmp "$root/work/Recordes.qdx" "$root/old-records" || fail "the old Recordes.qdx changed"
echo "take-over: Conf.dll and Recordes.qdx copied byte for byte, the old ones untouched"
echo "package check: $deb passed"
