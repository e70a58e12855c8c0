// The conflict of the whole-number problem: real numbers can meet every hard row and bound,
// whole numbers cannot. A deletion filter over the mixed-integer problem relaxes members in
// blocks that halve when the rest can hold, as long as the work limit (and the deadline, when
// the run has one) allows; counted work, not seconds, ends it, so every run names the same
// set.
#pragma once

#include "qorsolve/conflict/conflict_types.h"
#include "qorsolve/problem/adjustment_problem.h"

// The irreducible set, FEASIBLE when whole numbers can meet everything, or a set not shown
// irreducible (stop WORK_LIMIT when the work limit, not the time, ran out). Member changes and
// the elastic value are not known. Throws std::bad_alloc when memory runs out.
ConflictResult findWholeNumberConflict(const AdjustmentProblem& problem,
                                       const ConflictOptions& options);
