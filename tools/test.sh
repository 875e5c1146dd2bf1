#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, three times over:
#   build/       the normal build: every test, the million-hand soak included;
#   build-asan/  the same suite under AddressSanitizer + UndefinedBehaviorSanitizer (no benchmarks);
#   build-fuzz/  clang + libFuzzer: each parser's fuzz target for a short, bounded time;
# and the Debian package made from build/, checked by tools/package-check.sh.
# Arguments go to every ctest run (e.g. -L soak, -LE soak, -R Framer).
# TRUCO_JOBS sets the parallelism (default 2); TRUCO_FUZZ_SECONDS how long each fuzzer runs (20).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --test

jobs="${TRUCO_JOBS:-2}"
fuzz_seconds="${TRUCO_FUZZ_SECONDS:-20}"

run() {  # run DIR: build DIR and run its tests
  cmake --build "$1" -j"$jobs"
  (cd "$1" && ctest --output-on-failure --timeout 900 -j"$jobs" "${@:2}")
}

echo "== normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
run build "$@"

echo "== Debian package (from build/)"
tools/package-check.sh build

echo "== sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRUCO_SANITIZE=ON \
  -DTRUCO_BUILD_BENCH=OFF
# Leak checking stays on; undefined behaviour aborts (-fno-sanitize-recover) with its stack.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
run build-asan "$@"

echo "== fuzz build (clang, libFuzzer, ${fuzz_seconds} s per target)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DTRUCO_FUZZ=ON -DTRUCO_FUZZ_SECONDS="$fuzz_seconds"
run build-fuzz "$@"
