// One run of qorsolve: reads a project's three files, adjusts its table and writes
// <project>-adj.csv and <project>-rows.csv, or names the restrictions that conflict.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// `args` are the command-line arguments after the program name. Messages and the summary go
// to `out`; the progress line goes to standard error, only when `terminal` (standard error is
// a terminal) and without --quiet, and so does the warning that the description changed since
// the project was made. Returns the exit code: 0 after a written table (optimal,
// or the best one when the time limit ended the search) and after --conflicts-only found the
// restrictions feasible; 1 otherwise, with nothing written but the conflict file.
int runQorsolve(const std::vector<std::string>& args, std::ostream& out, bool terminal);
