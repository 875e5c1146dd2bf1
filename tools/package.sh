#!/usr/bin/env bash
# Installs what is missing, builds the game alone (no tests, no benchmarks) in build-deb/ and makes
# its Debian package there: build-deb/truco-zanforte_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --package
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRUCO_BUILD_TESTS=OFF \
  -DTRUCO_BUILD_BENCH=OFF >/dev/null
cmake --build build-deb --target truco-zanforte truco_package_docs
(cd build-deb && cpack -G DEB)
