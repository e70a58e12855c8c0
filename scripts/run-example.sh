#!/usr/bin/env bash
# Builds the programs and runs the whole chain on the bundled example: qorlex translates
# the table description into the project files, qoramp writes the AMPL files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target qorlex qoramp qordump >/dev/null

mkdir -p out
run() { echo "\$ $*"; "build/bin/$@"; }

# The worked example: a table description read through to the three project files.
run qorlex examples/census/persons.txt out/census
for file in out/census-lbl.dat out/census-bin.dat out/census-ctr.dat; do
  echo "   $file: $(wc -c <"$file") bytes"
done
echo

# The whole chain on a population table: project files, a look into them, the AMPL files.
run qorlex examples/population/population.txt out/population
run qordump --rows out/population
run qoramp out/population
for file in out/population.mod out/population.dat out/population.txt; do
  echo
  echo "== $file"
  cat "$file"
done
echo

# Weak restrictions, cell bounds and a weighted restriction.
run qorlex examples/tourism/tourism.txt out/tourism
run qoramp out/tourism
echo "   AMPL files: out/tourism.mod out/tourism.dat out/tourism.txt"
