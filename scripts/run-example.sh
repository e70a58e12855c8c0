#!/usr/bin/env bash
# Builds the programs and runs the whole chain on the bundled examples: qorimport makes a
# project of a spreadsheet's files, qorlex translates a table description into the project
# files, qoramp writes the AMPL files, qorsolve adjusts the table itself.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target qorimport qorlex qoramp qordump qorsolve >/dev/null

mkdir -p out
run() { echo "\$ $*"; "build/bin/$@"; }

# From a spreadsheet's base table and published margins to the adjusted table, in two
# commands; the results name the cells as the spreadsheet does.
run qorimport --total Total --margins examples/spreadsheet/margen.csv \
  examples/spreadsheet/bevoelkerung.csv out/bev
run qorsolve --report out/bev.html out/bev
for file in out/bev-adj.csv out/bev-rows.csv; do
  echo
  echo "== $file (the first lines)"
  head -n 4 "$file"
done
echo

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
echo

# The adjusted tables themselves: the proven whole-number optimum, then real-valued cells.
run qorsolve out/tourism
for file in out/tourism-adj.csv out/tourism-rows.csv; do
  echo
  echo "== $file"
  cat "$file"
done
echo
run qorsolve --continuous out/tourism
run qorsolve out/population
echo

# A published total that its parts contradict: qorsolve names the restrictions to check.
run qorlex examples/infeasible/employment.txt out/employment
run qorsolve out/employment || true
