// The result files of a project:
//   <project>-adj.csv       CLASS1,...,CLASSK,base,adjusted,change,relative change: one line
//                           per adjustable cell (per cell of the table with --all-cells); the
//                           classes by their declared names, class1... for a project without
//                           a class name file
//   <project>-rows.csv      restriction,kind,lower,upper,value,slack,binding,change,text,
//                           declared,source: one line per declared restriction, in
//                           declaration order; the last two from the names file (empty
//                           without one)
// Files of the earlier formats (class1,...,base,adjusted and the rows file up to binding)
// are recognised as qorsolve's too, and so are files with columns a later version appended
// (own_output.h).
//   <project>-conflict.csv  the restrictions that cannot all hold (see conflict_report.h)
// A run writes its files into one ResultSet and commits them together, so that after every
// run the result files present are exactly that run's: a table run removes an earlier
// conflict file, an infeasible run an earlier table, and a run that fails leaves none.
// Files are written only where nothing is yet or where qorsolve wrote the file before
// (recognised by its header line, own_output.h), and only qorsolve's own earlier files are
// removed.
#pragma once

#include <string>
#include <vector>

#include "common/project.h"
#include "common/result_set.h"
#include "qorsolve/output/result_paths.h"
#include "qorsolve/problem/adjustment_problem.h"
#include "qorsolve/problem/restriction_check.h"

// Checked before the solve: the files of a table (`table`) may be written and created, the
// earlier results a run would remove are not read-only, and no two result paths name the same
// file. False, with the message (one line and its line end) in `error`, when not.
bool mayWriteResults(const Project& project, bool table, std::string& error);

// Real-valued cells as the table file writes them, without the digits below the solve's
// accuracy (1363, not 1362.9999999999998): RESULT_DIGITS significant digits, kept within
// their cells' bounds, where the table so written meets every hard row and bound by the rule
// of exact_rows.h; else the fewest digits beyond that at which it does, up to 17, which
// reproduce the computed cells exactly. (At 10^12, 12 digits are whole units: "(1) + (2) -
// (3) = 7" over cells that came out whole would move by several units and miss the row.) A
// computed table that misses a row by that rule is written with every digit, as it is.
// `meets` tells whether the written table meets every hard row and bound by that rule.
std::vector<double> writtenCells(const AdjustmentProblem& problem, const std::vector<double>& x,
                                 bool& meets);

// Write the two files of a table into `results`. False, with the message in `error`, when a
// file cannot be created. `allCells` writes the cells of base 0 too (adjusted 0), so that the
// whole table can be rebuilt. The cells of `x` are written exactly as they are (real-valued
// ones already rounded to the digits they are to have); the checks are those of `x`.
bool writeAdjustedTable(const Project& project, const std::vector<double>& x, bool allCells,
                        ResultSet& results, std::string& error);
bool writeRowReport(const Project& project, const std::vector<RestrictionCheck>& checks,
                    ResultSet& results, std::string& error);

// Puts the files of `results` in place and removes qorsolve's earlier result files that the
// set does not include. False, with the message in `error`, when a file could not be written
// whole or an earlier result is read-only: nothing of the set is then left.
bool commitResults(const Project& project, ResultSet& results, std::string& error);

// After a run that failed: the set is discarded and qorsolve's earlier result files removed,
// so that none can pass for this run's (read-only ones stay).
void withdrawResults(const Project& project, ResultSet& results);
