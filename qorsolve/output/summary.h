// The summary of a written table on standard output, one fact a line as "key: value":
//   status: optimal                       or "time limit" / "work limit", whichever ended the
//                                         search (then also the gap line)
//   gap: 1.5e-05 (0.0015 %, bound 41.2)   relative gap to the best proven bound
//   distance: raking                      the cells' cost, when it is not chi2 (--distance)
//   objective: 41.25                      F of the written table
//   cells: 24 adjustable, 7 changed      a cell counts as changed when its written value
//                                         differs from its base at all
//   largest change: +3 at (North, 1), 12 to 15
//   hard restrictions: 12, 5 binding      hard rows and cell bounds as declared; ", 1 not met"
//                                         for a single-cell restriction that a later one on
//                                         the same side of its cell replaced
//   checked to a tolerance: restrictions 4 and 7     whole-number tables only, and only where
//                                         a hard restriction has a coefficient that is not a
//                                         short decimal (exact_rows.h), so that it is met to
//                                         ROW_TOLERANCE, not exactly; at most three named, then
//                                         "and 12 more"
//   weak restrictions: 3, weighted deviation 0.75   ("3 ignored, ..." with --ignore-weak)
//   work: 1520 of 200000 units             the work of the whole-number search and its limit
//                                         (work_limit.h); not in real-valued mode
//   seconds: 0.12
#pragma once

#include <ostream>

#include "common/project.h"
#include "qorsolve/output/written_table.h"
#include "qorsolve/problem/adjustment_problem.h"

// The summary of `table`, whose outcome has its seconds set.
void printSummary(std::ostream& out, const Project& project, const AdjustmentProblem& problem,
                  const WrittenTable& table);
