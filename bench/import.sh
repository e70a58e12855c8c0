#!/usr/bin/env bash
# Builds Release and times qorimport against qorlex on what qorimport wrote, side by side: a
# spreadsheet base table of 10^6 lines (4 classes of 100, 50, 20 and 10) with 9,880 margin
# lines (every 1- and 2-class margin), from bench/generate_spreadsheet. The two programs run
# in turn, RUNS times each (default 9); each row gives the best seconds (wall clock, and the
# CPU time of that run) and the largest peak resident set from GNU time, and the last row
# qorimport's best over qorlex's best. Each program writes its files where none are, as the
# other does.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-9}
work=${BENCH_DIR:-build-bench/import}

scripts/install-deps.sh
if ! [ -x /usr/bin/time ]; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y -qq time >/dev/null; else echo "install GNU time" >&2; exit 1; fi
fi
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQOR_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc 2>/dev/null || echo 2)" \
  --target qorimport qorlex generate_spreadsheet >/dev/null
bin=$PWD/build-bench/bin
mkdir -p "$work"
[ -f "$work/base.csv" ] || "$bin/generate_spreadsheet" "$work" 100 50 20 10
cd "$work"
timing=$(mktemp)
trap 'rm -f "$timing"' EXIT

# One run of a program: its wall-clock and CPU seconds and its peak resident set in MB.
once() {
  /usr/bin/time -o "$timing" -f '%e %U %S %M' "$@" >/dev/null
  awk '{ printf "%.2f %.2f %d\n", $1, $2 + $3, $4 / 1024 }' "$timing"
}

"$bin/qorimport" --margins margins.csv base.csv p >/dev/null
load=$(cut -d ' ' -f 1-3 /proc/loadavg)
declare -A best cpu peak
for _ in $(seq "$runs"); do
  for program in qorimport qorlex; do
    if [ "$program" = qorimport ]; then
      rm -f p-*
      read -r seconds used rss < <(once "$bin/qorimport" --margins margins.csv base.csv p)
    else
      rm -f q-*.dat
      read -r seconds used rss < <(once "$bin/qorlex" p-table.txt q)
    fi
    if [ -z "${best[$program]:-}" ] || awk -v a="$seconds" -v b="${best[$program]}" 'BEGIN { exit !(a < b) }'; then
      best[$program]=$seconds
      cpu[$program]=$used
    fi
    [ "$rss" -gt "${peak[$program]:-0}" ] && peak[$program]=$rss
  done
done
for f in lbl bin ctr cls; do cmp -s "p-$f.dat" "q-$f.dat" || { echo "p-$f.dat and q-$f.dat differ" >&2; exit 1; }; done

echo "load average before the runs: $load, after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
printf '| program | input | seconds | CPU seconds | peak RSS MB |\n|---|---|---|---|---|\n'
printf '| qorimport | base.csv (%d MB), margins.csv | %s | %s | %s |\n' \
  "$(($(stat -c %s base.csv) / 1000000))" "${best[qorimport]}" "${cpu[qorimport]}" "${peak[qorimport]}"
printf '| qorlex | p-table.txt, p-base.csv (%d MB) | %s | %s | %s |\n' \
  "$(($(stat -c %s p-base.csv) / 1000000))" "${best[qorlex]}" "${cpu[qorlex]}" "${peak[qorlex]}"
awk -v a="${best[qorimport]}" -v b="${best[qorlex]}" -v m="${peak[qorimport]}" -v n="${peak[qorlex]}" \
  'BEGIN { printf "| qorimport / qorlex | | %.2f | | %.2f |\n", a / b, m / n }'
