#!/usr/bin/env bash
# Builds Release and times qorsolve on the examples and on generated adjustment tables: the
# best of RUNS runs (default 3; the machine may be shared), with the status and gap that
# qorsolve reports. Prints one table row per workload.
#
#   examples        every table description in examples/, whole numbers
#   2-class         80 x 60 cells, every 1-class margin, whole numbers
#   3-class 1k      10 x 10 x 10 cells, every 1- and 2-class margin, whole numbers
#   3-class 3.4k    15 x 15 x 15 cells, the same margins, whole numbers
#   3-class 10k     20 x 20 x 25 cells, the same margins, whole numbers
#   4-class 10k     10 x 10 x 10 x 10 cells, the same margins, whole numbers
#   5-class 7.8k    6 x 6 x 6 x 6 x 6 cells, the same margins, whole numbers
#   small 5, 125    the two small tables of tests/e2e/solve-small-*, whole numbers
#   4-class 1M      100 x 50 x 20 x 10 cells, the same margins, --time-limit 10
#   margins 1M      bench/generate_workload margins 100 50 20 10, --continuous
#   ... raking, ... absolute   the 4- and 5-class tables and margins 1M with --distance
#   conflict 10k    the 3-class 10k table with one 2-class margin moved by 7, --conflicts-only
#   conflict 100k   the same with 40 x 50 x 50 cells
#   small random    SMALL_TABLES (default 150) tables of bench/generate_small_table, seeds 1, 2,
#                   ...: the most cells and restrictions, the slowest best time, how many ended
#                   optimal
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-3}
work=${BENCH_DIR:-build-bench/solve}

scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQOR_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc 2>/dev/null || echo 2)" \
  --target qorlex qorsolve generate_workload generate_adjustment generate_small_table >/dev/null
bin=$PWD/build-bench/bin
examples=$PWD/examples

# name | how to make table.txt in the workload's directory | qorsolve options
workloads=(
  "2-class 4.8k|generate_adjustment . 1 80 60|"
  "3-class 1k|generate_adjustment . 2 10 10 10|"
  "3-class 3.4k|generate_adjustment . 2 15 15 15|"
  "3-class 10k|generate_adjustment . 2 20 20 25|"
  "4-class 10k|generate_adjustment . 2 10 10 10 10|"
  "5-class 7.8k|generate_adjustment . 2 6 6 6 6 6|"
  "small 5|cp $PWD/tests/e2e/solve-small-one-class/table.txt .|"
  "small 125|cp $PWD/tests/e2e/solve-small-three-class/table.txt .|"
  "4-class 1M|generate_adjustment . 2 100 50 20 10|--time-limit 10"
  "margins 1M|generate_workload margins . 100 50 20 10|--continuous"
  "4-class 10k raking|generate_adjustment . 2 10 10 10 10|--distance raking"
  "4-class 10k absolute|generate_adjustment . 2 10 10 10 10|--distance absolute"
  "5-class 7.8k raking|generate_adjustment . 2 6 6 6 6 6|--distance raking"
  "5-class 7.8k absolute|generate_adjustment . 2 6 6 6 6 6|--distance absolute"
  "margins 1M raking|generate_workload margins . 100 50 20 10|--continuous --distance raking"
  "margins 1M absolute|generate_workload margins . 100 50 20 10|--continuous --distance absolute"
  "conflict 10k|generate_adjustment . 2 +7 20 20 25|--conflicts-only"
  "conflict 100k|generate_adjustment . 2 +7 40 50 50|--conflicts-only"
)
for description in "$examples"/*/*.txt; do
  grep -q '^ *KLASSEN' "$description" || continue
  name=$(basename "$description" .txt)
  workloads=("example $name|cp -r $(dirname "$description")/. . && cp $name.txt table.txt|" "${workloads[@]}")
done

# The value of "key: value" in qorsolve's report.
field() { sed -n "s/^$1: //p" "$2" | head -n 1; }

# The best of `runs` runs of qorsolve with the given options on the project in this folder,
# in seconds; the last run's report is report.txt.
bestOfRuns() {
  local best= start end
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$bin/qorsolve" --quiet "$@" project >report.txt 2>&1 || true
    end=$(date +%s.%N)
    best=$(awk -v a="$best" -v s="$start" -v e="$end" \
      'BEGIN { t = e - s; if (a == "" || t < a) printf "%.2f", t; else print a }')
  done
  echo "$best"
}

printf '| workload | cells | restrictions | options | seconds (best of %s) | status | gap |\n' "$runs"
printf '|---|---|---|---|---|---|---|\n'
for entry in "${workloads[@]}"; do
  IFS='|' read -r name make options <<<"$entry"
  dir=$work/${name// /-}
  mkdir -p "$dir"
  (
    cd "$dir"
    if ! [ -f project-bin.dat ]; then
      eval "${make/generate_/$bin/generate_}" >/dev/null
      "$bin/qorlex" table.txt project >/dev/null
    fi
    # shellcheck disable=SC2086
    best=$(bestOfRuns $options)
    status=$(field status report.txt)
    [ -n "$status" ] || status="error: $(head -n 1 report.txt)"
    cells=$(field cells report.txt | cut -d ' ' -f 1)
    restrictions=$(awk '/^ *RESTRIKTIONEN/ { on = 1; next } /^ *ENDE/ { on = 0 }
      on && /;/ && !/^ *#/ { n++ } END { print n + 0 }' table.txt)
    printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$name" "${cells:--}" "$restrictions" \
      "${options:-}" "$best" "$status" "$(field gap report.txt)"
  )
done

# Small random tables: one row for all of them.
small=${SMALL_TABLES:-150}
dir=$work/small-random
mkdir -p "$dir"
(
  cd "$dir"
  most=0 restrictions=0 slowest=0 optimal=0 counted=0
  for seed in $(seq "$small"); do
    "$bin/generate_small_table" . "$seed" && "$bin/qorlex" table.txt project >/dev/null || continue
    counted=$((counted + 1))
    best=$(bestOfRuns)
    slowest=$(awk -v a="$slowest" -v b="$best" 'BEGIN { print (b > a ? b : a) }')
    [ "$(field status report.txt)" = optimal ] && optimal=$((optimal + 1))
    cells=$(field cells report.txt | cut -d ' ' -f 1)
    [ "${cells:-0}" -gt "$most" ] && most=$cells
    n=$(grep -c ';' table.txt)
    [ $((n - 2)) -gt "$restrictions" ] && restrictions=$((n - 2))
  done
  printf '| small random %s | up to %s | up to %s |  | %s (slowest) | optimal: %s of %s |  |\n' \
    "$small" "$most" "$restrictions" "$slowest" "$optimal" "$counted"
)
