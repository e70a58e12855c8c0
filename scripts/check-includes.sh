#!/usr/bin/env bash
# Checks the shape of qorsolve's includes: a file includes only files of its own room or of a
# room below it (core < problem < lp < continuous < integer < conflict < output < the run at
# the top), and no two modules (a header with its source file) include each other.
# Prints each breach and exits 1 when there is one.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
awk '
  function floorOf(path,   room) {
    if (path !~ /^qorsolve\//) return -1
    room = path; sub(/^qorsolve\//, "", room)
    if (room !~ /\//) return 8
    sub(/\/.*/, "", room)
    return (room in order) ? order[room] : -2
  }
  function moduleOf(path) { sub(/\.(h|cpp)$/, "", path); return path }
  BEGIN {
    n = split("core problem lp continuous integer conflict output", rooms, " ")
    for (i = 1; i <= n; i++) order[rooms[i]] = i
  }
  /^#include "qorsolve\// {
    target = $2; gsub(/"/, "", target)
    from = floorOf(FILENAME); to = floorOf(target)
    if (from == -2) { print FILENAME ": a room of no known floor"; bad = 1 }
    else if (to == -2) { print FILENAME ": includes " target ", a room of no known floor"; bad = 1 }
    else if (to > from) { print FILENAME ": includes " target ", a room above its own"; bad = 1 }
    a = moduleOf(FILENAME); b = moduleOf(target)
    if (a != b) edge[a SUBSEP b] = FILENAME
  }
  END {
    for (key in edge) {
      split(key, pair, SUBSEP)
      if ((pair[2] SUBSEP pair[1]) in edge && pair[1] < pair[2]) {
        print pair[1] " and " pair[2] " include each other"; bad = 1
      }
    }
    exit bad
  }
' $(find qorsolve -name '*.h' -o -name '*.cpp' | sort)
