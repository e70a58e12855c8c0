#!/usr/bin/env bash
# Builds everything and runs every test: the test suite on a normal build and on a build
# with AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target briefly.
# QOR_QUICK=1 runs the normal build's tests only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-tools
jobs=$(nproc 2>/dev/null || echo 2)

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
[ "${QOR_QUICK:-0}" = 1 ] && exit 0

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQOR_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz"
scripts/fuzz.sh "${QOR_FUZZ_SECONDS:-60}"
