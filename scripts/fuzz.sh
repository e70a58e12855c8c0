#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given number of seconds
# (default 60), seeded with the descriptions and binary data files of the tests and
# examples. Findings are written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh --with-tools

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQOR_FUZZ=ON -DQOR_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

corpus=$PWD/build-fuzz/corpus
findings=$PWD/build-fuzz/findings
mkdir -p "$corpus/qorlex" "$corpus/qoramp" "$corpus/project" "$corpus/qorimport" \
  "$corpus/alterability" "$findings"

# Seeds: every table description and every binary data file the tests and examples hold,
# the binary data files of the examples, and the projects of the examples and of the
# descriptions the e2e tests translate, each joined into one input by the separator of
# fuzz/fuzz_setup.h.
find tests/e2e examples fuzz/regressions/qorlex -type f \( -name '*.txt' -o -name '*.tab' -o -name 'table*' \) \
  -size -64k -exec cp -f {} "$corpus/qorlex/" \; 2>/dev/null || true
find tests/e2e fuzz/regressions/qoramp -type f -name '*-bin.dat' -size -64k \
  -exec cp -f {} "$corpus/qoramp/" \; 2>/dev/null || true
find fuzz/regressions/project -type f ! -name .keep -exec cp -f {} "$corpus/project/" \; 2>/dev/null || true
separator=$'\n=== qorfuzz file ===\n'
seed=0
for description in examples/*/*.txt tests/e2e/{lang,out,qoramp,qordump,solve}-*/*.txt; do
  seed=$((seed + 1))
  project=$corpus/seed$seed
  (cd "$(dirname "$description")" &&
    "$OLDPWD/build-fuzz/bin/qorlex" "$(basename "$description")" "$project") >/dev/null 2>&1 || true
  if [ -f "$project-bin.dat" ]; then
    cp "$project-bin.dat" "$corpus/qoramp/seed$seed-bin.dat"
    { cat "$project-lbl.dat"; printf '%s' "$separator"; cat "$project-bin.dat"
      printf '%s' "$separator"; cat "$project-ctr.dat"
      printf '%s' "$separator"; cat "$project-stm.dat"; } >"$corpus/project/seed$seed"
  fi
  rm -f "$project"-*.dat
done

# Descriptions that read a base file, with the file after the separator, as the qorlex
# target takes them: the readers of base files see the fuzzer's bytes.
for description in tests/e2e/{lang-base-files,bad-base-files,base-file-where}/*.tab; do
  name=$(tr -d '\0' <"$description" | sed -n 's/.*\(ASCII\|DBF\)\[\([^]]*\)\].*/\2/p' | head -n 1)
  file=$(dirname "$description")/$name
  [ -n "$name" ] && [ -f "$file" ] || continue
  seed=$((seed + 1))
  { sed "s#\(ASCII\|DBF\)\[$name\]#\1[fuzz.dat]#" "$description"; printf '%s' "$separator"
    cat "$file"; } >"$corpus/qorlex/base$seed"
done

# Spreadsheet files: every base file of qorimport's tests and examples, alone and with each
# margin file beside it.
find tests/e2e/import-* examples/spreadsheet fuzz/regressions/qorimport -type f -name '*.csv' \
  -size -64k -exec cp -f {} "$corpus/qorimport/" \; 2>/dev/null || true
for margins in tests/e2e/import-margin-files/[0-9]*.csv examples/spreadsheet/margen.csv; do
  seed=$((seed + 1))
  base=$(dirname "$margins")/base.csv
  [ -f "$base" ] || base=examples/spreadsheet/bevoelkerung.csv
  { cat "$base"; printf '%s' "$separator"; cat "$margins"; } >"$corpus/qorimport/pair$seed"
done

# The alterability files of the tests, good and bad.
cp -f tests/e2e/solve-alterability/*.csv "$corpus/alterability/" 2>/dev/null || true

export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
status=0
for target in qorlex qoramp project qorimport alterability; do
  extra=()
  [ "$target" = qorlex ] && extra=(-dict=$PWD/fuzz/table.dict)
  echo "== ${target}_fuzz for ${seconds}s"
  build-fuzz/bin/${target}_fuzz "$corpus/$target" "${extra[@]}" -max_total_time="$seconds" \
    -timeout=30 -rss_limit_mb=6144 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$findings/${target}-" 2>&1 | grep -E '^(#[0-9]+ +DONE|==|SUMMARY|stat::number_of_executed_units|artifact_prefix|Test unit written)' || true
  if ls "$findings/${target}-"* >/dev/null 2>&1; then
    echo "findings of ${target}_fuzz:"; ls "$findings/${target}-"*
    status=1
  fi
done
exit $status
