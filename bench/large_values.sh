#!/usr/bin/env bash
# Builds Release and runs qorsolve on small tables of large values at several work limits:
# TABLES (default 120) tables of bench/generate_large_values (seeds 1, 2, ...) and the
# reproducers of tests/e2e/solve-ends-*, each at --work-limit 10^3, 10^4, 10^5 and the
# default. Prints, per limit, how the runs ended, the slowest run, and the largest time per
# work unit beyond the run at 10^3 (its seconds less those at 10^3, over its units less those
# at 10^3, where it did 1,000 units more), which stays about the same from limit to limit when
# every unit costs a bounded time: the time of a run is then at most a fixed cost plus a
# constant times its limit. One run each: the figures are maxima over many tables.
set -euo pipefail
cd "$(dirname "$0")/.."
tables=${TABLES:-120}
work=${BENCH_DIR:-build-bench/large-values}

scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQOR_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc 2>/dev/null || echo 2)" \
  --target qorlex qorsolve generate_large_values >/dev/null
bin=$PWD/build-bench/bin

mkdir -p "$work"
projects=()
for seed in $(seq "$tables"); do
  dir=$work/$seed
  mkdir -p "$dir"
  [ -f "$dir/table.txt" ] || "$bin/generate_large_values" "$dir" "$seed"
  "$bin/qorlex" "$dir/table.txt" "$dir/p" >/dev/null 2>&1 && projects+=("$dir")
done
for case in tests/e2e/solve-ends-*/; do
  dir=$work/$(basename "$case")
  mkdir -p "$dir"
  cp "$case/table.txt" "$dir/table.txt"
  "$bin/qorlex" "$dir/table.txt" "$dir/p" >/dev/null 2>&1 && projects+=("$dir")
done

# One run of qorsolve on the project in $1 at work limit $2 (empty: the default); its summary
# is $1/summary-LIMIT.txt, with the seconds measured from outside on its last line. A guard
# of 600 s keeps the bench itself ending.
run() {
  local start end summary=$1/summary-${2:-default}.txt
  start=$(date +%s.%N)
  timeout 600 "$bin/qorsolve" --quiet ${2:+--work-limit "$2"} "$1/p" >"$summary" 2>&1 || true
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "wall: %.3f\n", e - s }' >>"$summary"
}
field() { sed -n "s/^$1: //p" "$2" | head -n 1; }
units() { sed -n 's/^work: \([0-9]*\) of.*/\1/p' "$1"; }

printf '| work limit | tables | optimal | work limit | no table | other | slowest (s) | slowest, up to 1,000 cells (s) | largest ms per 1,000 units beyond 10^3 |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'
for limit in 1000 10000 100000 ""; do
  optimal=0 stopped=0 none=0 other=0 slowest=0 slowestSmall=0 perUnit=0
  for dir in "${projects[@]}"; do
    run "$dir" "$limit"
    summary=$dir/summary-${limit:-default}.txt
    seconds=$(field wall "$summary")
    cells=$(sed -n 's/^cells: \([0-9]*\) adjustable.*/\1/p' "$summary")
    case $(field status "$summary") in
      optimal) optimal=$((optimal + 1)) ;;
      "work limit") stopped=$((stopped + 1)) ;;
      *) if grep -q 'No table' "$summary"; then none=$((none + 1)); else other=$((other + 1)); fi ;;
    esac
    slowest=$(awk -v a="$slowest" -v b="$seconds" 'BEGIN { print (b > a ? b : a) }')
    if [ "${cells:-0}" -le 1000 ]; then
      slowestSmall=$(awk -v a="$slowestSmall" -v b="$seconds" 'BEGIN { print (b > a ? b : a) }')
    fi
    first=$dir/summary-1000.txt
    u=$(units "$summary") u0=$(units "$first")
    if [ -n "$limit" ] && [ "$limit" = 1000 ]; then continue; fi
    if [ -n "$u" ] && [ -n "$u0" ] && [ "$u" -ge $((u0 + 1000)) ]; then
      perUnit=$(awk -v a="$perUnit" -v t="$seconds" -v t0="$(field wall "$first")" -v u="$u" \
        -v u0="$u0" 'BEGIN { r = (t - t0) * 1e6 / (u - u0); print (r > a ? r : a) }')
    fi
  done
  printf '| %s | %s | %s | %s | %s | %s | %.2f | %.2f | %s |\n' "${limit:-default}" \
    "${#projects[@]}" "$optimal" "$stopped" "$none" "$other" "$slowest" "$slowestSmall" \
    "$([ "$limit" = 1000 ] && echo - || printf '%.3f' "$perUnit")"
done
