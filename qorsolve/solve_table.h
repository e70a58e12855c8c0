// The adjustment from start to end: the real-valued optimum, then, for whole numbers, the
// whole-number optimum that starts from it.
#pragma once

#include <vector>

#include "qorsolve/adjustment_problem.h"
#include "qorsolve/continuous_solver.h"
#include "qorsolve/deadline.h"
#include "qorsolve/progress.h"
#include "qorsolve/settings.h"

enum class TableStatus {
    OPTIMAL,             // x is the proven optimum
    TIME_LIMIT,          // x meets every row and bound, not proven optimal: see bound and gap
    NO_TABLE_IN_TIME,    // the deadline passed before any table met every row and bound
    WORK_LIMIT,          // as TIME_LIMIT, but the work limit ended the search
    NO_TABLE_IN_WORK,    // as NO_TABLE_IN_TIME, for the work limit
    INFEASIBLE,          // no real-valued table meets the hard rows and bounds
    NOT_CONVERGED,       // the real-valued method stalled: whether a table exists is open
    INTEGER_INFEASIBLE,  // real numbers can, whole numbers cannot
    NO_MEMORY,
    COSTS_TOO_LARGE,  // the whole-number programme's costs are beyond the solver's range
    FAILED,
};

struct TableResult {
    TableStatus status = TableStatus::FAILED;
    std::vector<double> x;     // one value per adjustable cell, for OPTIMAL and TIME_LIMIT
    double bound = 0.0;        // a lower bound on the optimum, for TIME_LIMIT and WORK_LIMIT
    double gap = 0.0;          // relativeGap(objective, bound) (numeric_checks.h)
    ContinuousResult relaxed;  // the real-valued solve, for the conflict search
};

// The settings decide real or whole numbers, the work limit of the whole-number search (see
// work_limit.h) and the accuracy of each stage. Throws nothing.
TableResult solveTable(const AdjustmentProblem& problem, const SolveSettings& settings,
                       const Deadline& deadline, Progress& progress);
