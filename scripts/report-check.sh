#!/usr/bin/env bash
# Opens qorsolve's HTML report of each example in headless Chromium: the page must name
# nothing to fetch or run, load without a console message, and show the expected number of
# heat-map cells (or, for the example without a table, the conflict). Each page is printed
# to PDF on A4, its pages counted, and where a case says so held to at most that many. A
# screenshot and the PDF of each page go to a temporary directory, or to REPORT_SHOTS when
# that names one. REPORT_BIG=1 also checks the report of a generated table of 10^6 cells, its
# size and its time. Skipped, with a message, where Chromium is not installed; failed there
# instead under QOR_REQUIRE_CHROMIUM=1 (the CI run), so that the check cannot quietly vanish.
#
#   scripts/report-check.sh [BIN_DIR]      (default build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(cd "${1:-build/bin}" && pwd)
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  if [ "${QOR_REQUIRE_CHROMIUM:-0}" = 1 ]; then
    echo "FAIL report check: chromium is not installed (scripts/install-deps.sh --with-tools)"
    exit 1
  fi
  echo "report check skipped: chromium is not installed (scripts/install-deps.sh --with-tools)"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shots=${REPORT_SHOTS:-$work/shots}
mkdir -p "$shots"

# Chromium without anything that reaches out: a fresh profile, no network services.
chrome() {
  local profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --enable-logging=stderr --v=0 --hide-scrollbars "$@"
}

failures=0
fail() {
  echo "FAIL $1"
  failures=$((failures + 1))
}

# The pages of a PDF: its page objects, "/Type /Page" (not the page tree's "/Pages"), which
# Chromium writes uncompressed.
pdf_pages() {
  grep -aoE '/Type ?/Page\b' "$1" | wc -l
}

# check NAME PROJECT EXPECTED_CELLS MOST_PAGES [qorsolve options]: the report of an adjusted
# project, or, for EXPECTED_CELLS "conflict", of a project without a table; printed on at most
# MOST_PAGES pages of A4 ("-" for no bound).
check() {
  local name=$1 project=$2 expected=$3 most=$4
  shift 4
  local page=$work/$name.html before=$failures
  "$bin/qorsolve" --quiet "$@" --report "$page" "$project" >"$work/$name.out" || true
  if ! [ -s "$page" ]; then
    fail "$name: no report ($(head -n 1 "$work/$name.out"))"
    return
  fi
  if grep -Eiq '<script|<link|<img|<iframe|<object|src=|href=|@import|url\(' "$page"; then
    fail "$name: the page refers to something outside it"
  fi
  chrome --dump-dom "file://$page" >"$work/$name.dom" 2>"$work/$name.log" ||
    fail "$name: chromium failed to load the page"
  chrome --window-size=1200,1800 --screenshot="$shots/$name.png" "file://$page" \
    >/dev/null 2>>"$work/$name.log" || fail "$name: chromium failed to take the screenshot"
  if grep -q ':CONSOLE' "$work/$name.log"; then
    fail "$name: console messages: $(grep ':CONSOLE' "$work/$name.log" | head -n 3)"
  fi
  [ -s "$shots/$name.png" ] || fail "$name: no screenshot"
  local cells
  cells=$(grep -o '<rect class="cell' "$work/$name.dom" | wc -l || true)
  if [ "$expected" = conflict ]; then
    grep -q '<pre class="conflict">conflict: [0-9]' "$work/$name.dom" ||
      fail "$name: the page shows no conflict"
    expected=0
  fi
  [ "$cells" = "$expected" ] || fail "$name: $cells heat-map cells, expected $expected"
  # The page as it prints: A4 by its own styles, without the browser's header and footer.
  local pages=0
  if chrome --no-pdf-header-footer --print-to-pdf="$shots/$name.pdf" "file://$page" \
    >/dev/null 2>>"$work/$name.log"; then
    pages=$(pdf_pages "$shots/$name.pdf")
    grep -aq '/MediaBox \[0 0 594\.9' "$shots/$name.pdf" || fail "$name: not printed on A4"
  else
    fail "$name: chromium failed to print the page"
  fi
  [ "$pages" -gt 0 ] || fail "$name: the PDF has no pages"
  [ "$most" = - ] || [ "$pages" -le "$most" ] ||
    fail "$name: printed on $pages pages, expected at most $most"
  [ "$failures" != "$before" ] ||
    echo "ok $name: $cells heat-map cells, $(wc -c <"$page") bytes, $pages printed pages"
}

# The examples: classes of 3 x 2 (one map), 4 x 3 x 2 and 3 x 4 x 2 (three maps each).
translate() { "$bin/qorlex" "$1" "$work/$2" >/dev/null || fail "$2: qorlex failed"; }
translate examples/census/persons.txt persons
translate examples/census/persons-ampl.txt persons-ampl
translate examples/population/population.txt population
translate examples/tourism/tourism.txt tourism
translate examples/infeasible/employment.txt employment
check persons "$work/persons" 6 2
check persons-ampl "$work/persons-ampl" 6 2
# The 24 cells of the population example print on at most 2 pages.
check population "$work/population" 26 2
check population-continuous "$work/population" 26 2 --continuous
check tourism "$work/tourism" 26 2
check employment "$work/employment" conflict -
# A project of qorimport: the cells and classes by their labels as written.
"$bin/qorimport" --total Total --margins examples/spreadsheet/margen.csv \
  examples/spreadsheet/bevoelkerung.csv "$work/bev" >/dev/null || fail "bev: qorimport failed"
check spreadsheet "$work/bev" 26 2
grep -q 'Zürich' "$work/spreadsheet.dom" || fail "spreadsheet: the page shows no label as written"

# A table of 20 x 20 x 10 cells with its 850 margins of one and two classes prints on at most 12
# pages: three maps of 20 x 20 and 20 x 10 squares, the restrictions cut to those that moved
# most.
mkdir -p "$work/t4000"
(cd "$work/t4000" && "$bin/generate_adjustment" . 2 20 20 10 >/dev/null &&
  "$bin/qorlex" table.txt project >/dev/null) || fail "t4000: the table was not made"
check t4000 "$work/t4000/project" 800 12 --continuous
grep -q 'Printed: the 50 that moved most of 850' "$work/t4000.dom" ||
  fail "t4000: the page does not say that print lists the 50 that moved most"

if [ "${REPORT_BIG:-0}" = 1 ]; then
  # 100 x 50 x 20 x 10 cells: the maps group 100 characteristics into 20 bins and 50 into
  # 17, so 20*17 + 20*20 + 20*10 + 17*20 + 17*10 + 20*10 cells.
  mkdir -p "$work/big"
  (cd "$work/big" && "$bin/generate_adjustment" . 1 100 50 20 10 >/dev/null &&
    "$bin/qorlex" table.txt project >/dev/null)
  check big "$work/big/project" 1650 - --continuous
  size=$(wc -c <"$work/big.html")
  seconds=$(stat -c '%.9Y' "$work/big/project-rows.csv" "$work/big.html" | paste -sd ' ' |
    awk '{ printf "%.2f", $2 - $1 }')
  echo "big: report of $size bytes, written in $seconds s after the rows file"
  [ "$size" -lt 2000000 ] || fail "big: report of $size bytes"
fi

[ -z "${REPORT_SHOTS:-}" ] || echo "screenshots: $shots"
if [ "$failures" -gt 0 ]; then
  echo "$failures report checks failed"
  exit 1
fi
