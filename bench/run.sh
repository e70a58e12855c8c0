#!/usr/bin/env bash
# Builds Release, generates the reference workloads and their halves, and times qorlex and
# qoramp on each: median of RUNS runs (default 3), peak memory from /usr/bin/time -v.
# Prints one table row per workload and program.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-3}
work=${BENCH_DIR:-build-bench/workloads}

scripts/install-deps.sh
if ! [ -x /usr/bin/time ]; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y -qq time >/dev/null; else echo "install GNU time" >&2; exit 1; fi
fi
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQOR_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
bin=$PWD/build-bench/bin

# name: generator arguments
workloads=(
  "margins:margins 100 50 20 10"
  "margins-half:margins 50 50 20 10"
  "sparse:sparse 1000000 10000 1000 10 10 10 10 10 10 10 10"
  "sparse-half:sparse 500000 5000 500 10 10 10 10 10 10 10 5"
)

# qorlex: MB/s of input (description and base file), cells of the full table per second.
# qoramp: MB/s of output (the three AMPL files), adjustable cells per second.
# Median of the runs' elapsed seconds and the largest peak resident set, in MB.
measure() {
  local times=() peak=0 line seconds rss
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$timing" -f '%e %M' "$@" >/dev/null 2>&1
    line=$(tail -n 1 "$timing")
    seconds=${line% *}
    rss=${line#* }
    times+=("$seconds")
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  printf '%s %s\n' "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")" $((peak / 1024))
}

timing=$(mktemp)
trap 'rm -f "$timing"' EXIT

rate() { awk -v n="$1" -v s="$2" -v unit="${3:-1}" 'BEGIN { if (s > 0) printf "%.0f", n / s / unit; else print "-" }'; }

printf '| workload | program | seconds | MB/s | cells/s | restrictions/s | peak RSS MB |\n'
printf '|---|---|---|---|---|---|---|\n'
for entry in "${workloads[@]}"; do
  name=${entry%%:*}
  args=${entry#*:}
  dir=$work/$name
  mkdir -p "$dir"
  [ -f "$dir/table.txt" ] || "$bin/generate_workload" ${args%% *} "$dir" ${args#* }
  (
    cd "$dir"
    cells=$(awk '/^AUSPRAEGUNGEN/ { on = 1; next } /^BASIS/ { on = 0 } on { gsub(";", ""); p = (p ? p : 1) * $3 } END { print p }' table.txt)
    restrictions=$(grep -c -E '[=<>~|] *[-0-9.]+( [-0-9.]+)?;$' table.txt)
    input=$(stat -c %s table.txt base.* | awk "{ s += \$1 } END { print s }")
    read -r seconds peak < <(measure "$bin/qorlex" table.txt project)
    printf '| %s | qorlex | %s | %s | %s | %s | %s |\n' "$name" "$seconds" \
      "$(rate "$input" "$seconds" 1e6)" "$(rate "$cells" "$seconds")" \
      "$(rate "$restrictions" "$seconds")" "$peak"
    read -r seconds peak < <(measure "$bin/qoramp" project)
    output=$(stat -c %s project.mod project.dat project.txt | awk '{ s += $1 } END { print s }')
    columns=$(head -n 1 project.txt | cut -d ' ' -f 1)
    printf '| %s | qoramp | %s | %s | %s | %s | %s |\n' "$name" "$seconds" \
      "$(rate "$output" "$seconds" 1e6)" "$(rate "$columns" "$seconds")" \
      "$(rate "$restrictions" "$seconds")" "$peak"
  )
done
