#!/usr/bin/env bash
# Installs the Debian 12 packages that building, playing and testing need, and only those missing.
# --package adds what making the Debian package needs, --test that and what the tests need.
# Run as root (or with sudo available). Safe to run again: it does nothing when all are present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  qt6-translations-l10n  # the toolkit's own texts (file dialog, edit menus) in Portuguese
  libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsodium-dev     # the joint deal and the end-to-end encryption of internet tables
  libmosquitto-dev  # the MQTT client of internet tables
  libsqlite3-dev    # the history of every hand
  qt6-charts-dev    # the statistics window's charts
  libqt6opengl6-dev # Qt Charts' CMake package needs the OpenGL module's
  fonts-dejavu-core
)
if [ "${1:-}" = "--package" ] || [ "${1:-}" = "--test" ]; then
  # The Debian package: CPack finds its dependencies with dpkg-shlibdeps, which needs file.
  packages+=(dpkg-dev file)
fi
if [ "${1:-}" = "--test" ]; then
  # Checks of the package: lintian, the menu entry, the AppStream file.
  packages+=(lintian desktop-file-utils appstream fakeroot)
  # Screenshots and GUI tests under a virtual display; pdftotext reads the printed rules back.
  packages+=(xvfb xauth poppler-utils)
  # The game played through the accessibility bus, as a screen reader reads it.
  packages+=(at-spi2-core dbus python3-pyatspi gir1.2-atspi-2.0)
  # A real broker for the internet tables' tests, with certificates made by the tests.
  packages+=(mosquitto openssl)
  # The fuzz build: clang, and libFuzzer with the sanitizer runtimes (not pulled in by clang).
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
