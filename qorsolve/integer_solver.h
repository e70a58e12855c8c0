// The whole-number adjustment: the proven optimum of the adjustment problem with every cell
// a whole number, starting from the real-valued optimum.
//
// Accuracy: OPTIMAL means objective - bound <= relativeGap * |objective| (1e-9 by default),
// where the bound is that of a mixed-integer programme whose costs equal F on the whole
// numbers it ends at and lie below F elsewhere, so no table is better by more than the gap.
// That holds for the weak rows too: a row with whole coefficients has a whole-number value
// and its cost is modelled exactly like a cell's; a row with a fractional coefficient is
// estimated from below by tangents, refined until the estimate is exact at the table found.
// The proof rests on the simplex method's feasibility tolerance (1e-7 on the programme's
// rows); hard rows of the table returned hold to 1e-9 relative.
#pragma once

#include <string>
#include <vector>

#include "qorsolve/adjustment_problem.h"
#include "qorsolve/continuous_solver.h"
#include "qorsolve/deadline.h"
#include "qorsolve/linear_solver.h"
#include "qorsolve/progress.h"
#include "qorsolve/work_limit.h"

enum class IntegerStatus {
    OPTIMAL,             // proven: objective within the relative gap of the bound
    TIME_LIMIT,          // a whole-number table, not proven optimal: see bound and gap
    NO_TABLE_IN_TIME,    // the deadline passed before any whole-number table was found
    WORK_LIMIT,          // as TIME_LIMIT, but the work limit ended the search
    NO_TABLE_IN_WORK,    // as NO_TABLE_IN_TIME, for the work limit
    INTEGER_INFEASIBLE,  // real numbers meet the rows, whole numbers cannot
    NO_MEMORY,
    FAILED,  // the solver gave up: `failure` says why when it is known
};

struct IntegerOptions {
    double relativeGap = 1e-9;
    const Deadline* deadline = nullptr;
    Progress* progress = nullptr;
    WorkLimit* work = nullptr;      // nullptr: no limit
    LinearSolverFactory newSolver;  // the solver of the programmes (linear_solver.h)
};

struct IntegerResult {
    IntegerStatus status = IntegerStatus::FAILED;
    std::vector<double> x;   // whole numbers, one per adjustable cell
    double objective = 0.0;  // F(x)
    double bound = 0.0;      // a lower bound on the whole-number optimum
    double gap = 0.0;        // (objective - bound) / max(|objective|, 1e-10)
    // FAILED: the solver's call status (FAILED or OUT_OF_RANGE) and its reason, when it gave one.
    CallStatus call = CallStatus::OK;
    std::string failure;
};

// `relaxed` is the OPTIMAL result of solveContinuous on the same problem: its table centres
// the search and its dual bound is a bound. Another table (or none) makes the search slower,
// not wrong. Throws nothing; an allocation failure gives NO_MEMORY.
IntegerResult solveInteger(const AdjustmentProblem& problem, const ContinuousResult& relaxed,
                           const IntegerOptions& options);
