// Conflicts that need no solver: a cell whose bounds cross, a row whose sides cross or that
// has no entries and excludes 0, two rows over the same cells with proportional whole
// coefficients whose values contradict each other, and, over whole numbers, a row or a set of
// equality rows that no whole numbers can meet by their coefficients alone.
#pragma once

#include "qorsolve/conflict/conflict_types.h"
#include "qorsolve/problem/adjustment_problem.h"

// True, with `result` the irreducible conflict, when there is such a conflict. Throws
// std::bad_alloc when memory runs out.
bool findObviousConflict(const AdjustmentProblem& problem, bool wholeNumbers,
                         ConflictResult& result);
