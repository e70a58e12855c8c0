#!/usr/bin/env bash
# Builds Release, generates the reference workloads, and times qorlex and qoramp on each: the
# best of RUNS runs (default 3), peak memory from /usr/bin/time -v, and beside each program
# the write floor: the best time of dd writing as many bytes as the program's output files
# hold into the same folder, and the program's time as a multiple of it.
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
  "slices:slices 10000 200 10 10 10 10 10 10 10 10"
  "whole:whole 1 100 10 10 10 10 10 10 10 10"
)

timing=$(mktemp)
trap 'rm -f "$timing"' EXIT

now() { date +%s%N; }

# Runs a command RUNS times after removing the files it writes (the arguments before --),
# and after each run times dd writing the bytes those files then hold, in the same folder.
# Prints the best seconds of the command, its largest peak resident set in MB, the bytes
# written and the best seconds of dd.
measure() {
  local outputs=() best='' floor='' peak=0 start seconds rss bytes=0
  while [ "$1" != -- ]; do outputs+=("$1"); shift; done
  shift
  for _ in $(seq "$runs"); do
    rm -f "${outputs[@]}"
    start=$(now)
    /usr/bin/time -o "$timing" -f '%M' "$@" >/dev/null 2>&1
    seconds=$(( $(now) - start ))
    rss=$(tail -n 1 "$timing")
    [ "$rss" -gt "$peak" ] && peak=$rss
    [ -z "$best" ] || [ "$seconds" -lt "$best" ] && best=$seconds
    bytes=$(stat -c %s "${outputs[@]}" | awk '{ s += $1 } END { print s }')
    rm -f floor.tmp
    start=$(now)
    dd if=/dev/zero of=floor.tmp bs=1M count="$bytes" iflag=count_bytes status=none
    seconds=$(( $(now) - start ))
    [ -z "$floor" ] || [ "$seconds" -lt "$floor" ] && floor=$seconds
    rm -f floor.tmp
  done
  printf '%s %s %s %s\n' "$(awk -v n="$best" 'BEGIN { printf "%.3f", n / 1e9 }')" \
    $((peak / 1024)) "$bytes" "$(awk -v n="$floor" 'BEGIN { printf "%.3f", n / 1e9 }')"
}

rate() { awk -v n="$1" -v s="$2" -v unit="${3:-1}" 'BEGIN { if (s > 0) printf "%.0f", n / s / unit; else print "-" }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }'; }

printf '| workload | program | seconds | output MB | write floor s | × floor | MB/s | cells/s | restrictions/s | peak RSS MB |\n'
printf '|---|---|---|---|---|---|---|---|---|---|\n'
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
    read -r seconds peak bytes floor < <(measure project-lbl.dat project-bin.dat project-ctr.dat -- \
      "$bin/qorlex" table.txt project)
    printf '| %s | qorlex | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$name" "$seconds" \
      "$(rate "$bytes" 1 1e6)" "$floor" "$(ratio "$seconds" "$floor")" \
      "$(rate "$input" "$seconds" 1e6)" "$(rate "$cells" "$seconds")" \
      "$(rate "$restrictions" "$seconds")" "$peak"
    read -r seconds peak bytes floor < <(measure project.mod project.dat project.txt -- \
      "$bin/qoramp" project)
    columns=$(head -n 1 project.txt | cut -d ' ' -f 1)
    printf '| %s | qoramp | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$name" "$seconds" \
      "$(rate "$bytes" 1 1e6)" "$floor" "$(ratio "$seconds" "$floor")" \
      "$(rate "$bytes" "$seconds" 1e6)" "$(rate "$columns" "$seconds")" \
      "$(rate "$restrictions" "$seconds")" "$peak"
  )
done
