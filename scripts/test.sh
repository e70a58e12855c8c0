#!/usr/bin/env bash
# Builds everything and runs every test: the test suite on a normal build and on a build
# with AddressSanitizer and UndefinedBehaviorSanitizer, the examples under valgrind's
# memcheck (which sees reads of uninitialised memory that the sanitizers do not), qorsolve's
# HTML reports in headless Chromium, then each fuzz target briefly. QOR_QUICK=1 runs the
# normal build's tests only, and needs neither clang nor valgrind nor Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=${QOR_QUICK:-0}
if [ "$quick" = 1 ]; then scripts/install-deps.sh; else scripts/install-deps.sh --with-tools; fi
jobs=$(nproc 2>/dev/null || echo 2)

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
[ "$quick" = 1 ] && exit 0

echo "== the reports of the examples and of a table of 10^6 cells in headless Chromium"
REPORT_BIG=1 scripts/report-check.sh build/bin

echo "== the examples under valgrind"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
memcheck() { valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite "$@" >/dev/null; }
for example in census/persons-ampl population/population tourism/tourism; do
  project="$out/${example#*/}"
  memcheck build/bin/qorlex "examples/$example.txt" "$project"
  memcheck build/bin/qordump "$project"
  memcheck build/bin/qordump --json "$project"
  memcheck build/bin/qoramp "$project"
  memcheck build/bin/qorsolve "$project"
  memcheck build/bin/qorsolve --continuous "$project"
done
# From the spreadsheet example's two files through to the adjusted table.
memcheck build/bin/qorimport --total Total --margins examples/spreadsheet/margen.csv \
  examples/spreadsheet/bevoelkerung.csv "$out/bev"
memcheck build/bin/qordump "$out/bev"
memcheck build/bin/qorsolve --report "$out/bev.html" "$out/bev"
# An example without a table: exit code 1 and the conflict, and no memory error.
memcheck build/bin/qorlex examples/infeasible/employment.txt "$out/employment"
status=0
memcheck build/bin/qorsolve "$out/employment" || status=$?
[ "$status" = 1 ]

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQOR_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan-suppressions.txt \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz"
scripts/fuzz.sh "${QOR_FUZZ_SECONDS:-60}"
