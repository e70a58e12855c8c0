#!/usr/bin/env bash
# Runs one end-to-end case: a folder holding the input files, the command to run and what
# must come out of it.
#
#   command    one line of shell, run inside a scratch copy of the folder, with qorlex and
#              qoramp first on PATH
#   stdout     the exact standard output
#   stderr     the exact standard error (optional; when missing it must be empty)
#   exit       the exit code
#   expected/  files that must exist afterwards, byte for byte (paths relative to the folder)
#   absent     paths, one a line, that must not exist afterwards (optional)
set -u
bindir=$1
case_dir=$2
name=$(basename "$case_dir")
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
cp -R "$case_dir/." "$scratch/"
rm -rf "$scratch/expected" "$scratch/stdout" "$scratch/stderr" "$scratch/exit" "$scratch/absent"

cd "$scratch" || exit 1
PATH="$bindir:$PATH" bash -c "$(cat "$case_dir/command")" >"$scratch/.stdout" 2>"$scratch/.stderr" </dev/null
status=$?

failed=0
fail() { echo "$name: $*"; failed=1; }

expected_exit=$(cat "$case_dir/exit")
[ "$status" = "$expected_exit" ] || fail "exit code $status, expected $expected_exit"
if ! cmp -s "$scratch/.stdout" "$case_dir/stdout"; then
  fail "standard output differs:"; diff "$case_dir/stdout" "$scratch/.stdout" | head -20
fi
if [ -f "$case_dir/stderr" ]; then
  cmp -s "$scratch/.stderr" "$case_dir/stderr" || { fail "standard error differs:"; cat "$scratch/.stderr" | head -5; }
elif [ -s "$scratch/.stderr" ]; then
  fail "unexpected standard error:"; head -5 "$scratch/.stderr"
fi
if [ -d "$case_dir/expected" ]; then
  while IFS= read -r -d '' want; do
    rel=${want#"$case_dir/expected/"}
    if [ ! -f "$scratch/$rel" ]; then
      fail "missing file $rel"
    elif ! cmp -s "$want" "$scratch/$rel"; then
      fail "file $rel differs"; cmp "$want" "$scratch/$rel" | head -3
    fi
  done < <(find "$case_dir/expected" -type f -print0)
fi
if [ -f "$case_dir/absent" ]; then
  while IFS= read -r rel; do
    [ -z "$rel" ] && continue
    [ -e "$scratch/$rel" ] && fail "file $rel should not exist"
  done < "$case_dir/absent"
fi
exit $failed
