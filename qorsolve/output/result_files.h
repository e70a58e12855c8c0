// The result files of a project, under its name or the prefix of --output (result_paths.h),
// their fields separated by a comma or, for a spreadsheet of another locale, by ';' or a tab,
// with a decimal point or a decimal comma (csv_text.h):
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
// run the result files present at its place are exactly that run's: a table run removes an
// earlier conflict file, an infeasible run an earlier table, and a run that fails leaves none.
// The files under other prefixes stay as they are, so that runs can stand side by side.
// Files are written only where nothing is yet or where qorsolve wrote the file before
// (recognised by its header line, own_output.h), and only qorsolve's own earlier files are
// removed.
#pragma once

#include <string>
#include <vector>

#include "common/project.h"
#include "common/result_set.h"
#include "qorsolve/output/result_paths.h"
#include "qorsolve/output/written_table.h"

// Checked before the solve, once mayUsePlace allowed the place and its lock is held: the
// files of a table (`table`) may be written and created, the
// earlier results a run would remove are not read-only, and no two result paths name the same
// file. False, with the message (one line and its line end) in `error`, when not.
bool mayWriteResults(const ResultPlace& place, bool table, std::string& error);

// Write the two files of a table into `results`. False, with the message in `error`, when a
// file cannot be created. `allCells` writes the cells of base 0 too (adjusted 0), so that the
// whole table can be rebuilt. The cells of `x` are written exactly as they are (real-valued
// ones already rounded to the digits they are to have: written_table.h); the rows file
// formats the table's checks and changes.
bool writeAdjustedTable(const Project& project, const ResultPlace& place,
                        const std::vector<double>& x, bool allCells, ResultSet& results,
                        std::string& error);
bool writeRowReport(const Project& project, const ResultPlace& place, const WrittenTable& table,
                    ResultSet& results, std::string& error);

// Puts the files of `results` in place and removes qorsolve's earlier result files that the
// set does not include. False, with the message in `error`, when a file could not be written
// whole or an earlier result is read-only: nothing of the set is then left.
bool commitResults(const ResultPlace& place, ResultSet& results, std::string& error);

// After a run that failed: the set is discarded and qorsolve's earlier result files removed,
// so that none can pass for this run's (read-only ones stay).
void withdrawResults(const ResultPlace& place, ResultSet& results);
