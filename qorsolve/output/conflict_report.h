// The conflict as the user reads it: each member as the restriction it was declared as (or
// the default cell bound it is), why they cannot all hold, and advice on which one to check
// first; the same members in `<project>-conflict.csv` for scripts.
#pragma once

#include <string>
#include <vector>

#include "common/project.h"
#include "common/result_set.h"
#include "qorsolve/conflict/conflict_finder.h"
#include "qorsolve/output/result_paths.h"
#include "qorsolve/problem/adjustment_problem.h"

// Adds to `lines` (each without its line end) the lines shown after "status: infeasible" /
// "status: integer infeasible": the conflict lines and the advice line; writes
// the conflict file of `place` into `results`, which the caller commits. False, with the error
// line added last, when the file cannot be created.
//
// For a set that cannot hold, irreducible or not: "conflict: N restrictions and bounds cannot all
// hold" ("1 restriction cannot hold" for one), one line per member ("restriction N: TEXT", or
// "bound: cell (names) >= VALUE" / "<= VALUE" for a default bound; a restriction that gave a cell
// both its bounds is listed once; default bounds beyond the 20th line only in the file),
// "why: ..." where the multipliers are known (conflict_explanation.h) and "advice: ..."
// (conflict_advice.h). For the other statuses one "conflict: ..." line that says why none is
// named, and no file.
bool reportConflict(const Project& project, const AdjustmentProblem& problem,
                    const ConflictResult& conflict, const ResultPlace& place, ResultSet& results,
                    std::vector<std::string>& lines);
