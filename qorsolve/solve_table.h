// The adjustment from start to end: the real-valued optimum, then, for whole numbers, the
// whole-number optimum that starts from it.
#pragma once

#include <vector>

#include "qorsolve/continuous/continuous_solver.h"
#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/core/solve_settings.h"
#include "qorsolve/core/solve_status.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/adjustment_problem.h"
#include "qorsolve/problem/solve_result.h"

// What the solve found (solve_result.h), with the real-valued solve behind it.
// OK with OPTIMAL: x is the proven optimum. FEASIBLE: x meets every row and bound, not proven
// optimal (the stop reason says which limit ended the search; see bound and gap). NO_POINT: a
// limit passed before any table met every row and bound. INFEASIBLE: no real-valued table
// meets the hard rows and bounds. NOT_CONVERGED: the real-valued method stalled, so whether a
// table exists is open. INTEGER_INFEASIBLE: real numbers can, whole numbers cannot.
// OUT_OF_RANGE: the whole-number programme's costs are beyond the solver, or its values beyond
// 2^53 (failure WHOLE_VALUES_TOO_LARGE).
struct TableResult : SolveResult {
    ContinuousResult relaxed;  // the real-valued solve, for the conflict search
};

// The settings decide real or whole numbers and the work limit of the whole-number search (see
// work_limit.h); `newSolver` makes the solvers of the whole-number search. Throws nothing.
TableResult solveTable(const AdjustmentProblem& problem, const SolveSettings& settings,
                       const LinearSolverFactory& newSolver, const Deadline& deadline,
                       Progress& progress);
