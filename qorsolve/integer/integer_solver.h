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
// rows) and its reduced-cost tolerance, kept below the costs of the programme's columns;
// hard rows of the table returned hold to 1e-9 relative.
#pragma once

#include <string>
#include <vector>

#include "qorsolve/continuous/continuous_solver.h"
#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/core/work_limit.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/adjustment_problem.h"
#include "qorsolve/problem/solve_result.h"

struct IntegerOptions {
    double relativeGap = INTEGER_RELATIVE_GAP;
    Deadline deadline;  // never passes unless set
    Progress* progress = nullptr;
    WorkLimit* work = nullptr;      // nullptr: no limit
    LinearSolverFactory newSolver;  // the solver of the programmes (linear_solver.h)
};

// The failure text of a search refused because the programme would hold values beyond 2^53
// (CallStatus::OUT_OF_RANGE).
inline constexpr const char* WHOLE_VALUES_TOO_LARGE =
    "a value of the whole-number programme lies beyond 2^53, where whole numbers are not exact";

struct IntegerResult {
    // OK with OPTIMAL (proven: objective within the relative gap of the bound), FEASIBLE (a
    // table, not proven optimal: the stop reason says which limit ended the search; see bound
    // and gap), NO_POINT (a limit passed before any table was found) or INTEGER_INFEASIBLE
    // (real numbers meet the rows, whole numbers cannot); else the call's failure, among them
    // OUT_OF_RANGE with WHOLE_VALUES_TOO_LARGE where the table's programme would be needed
    // and would hold a value beyond 2^53.
    SolveStatus status;
    std::vector<double> x;                // whole numbers, one per adjustable cell
    double objective = 0.0;               // F(x)
    double bound = 0.0;                   // a lower bound on the whole-number optimum
    double gap = 0.0;                     // relativeGap(objective, bound) (numeric_checks.h)
    TableStage stage = TableStage::NONE;  // the step that found x
};

// `relaxed` is the OPTIMAL result of solveContinuous on the same problem: its table centres
// the search and its dual bound is a bound. Another table (or none) makes the search slower,
// not wrong. Throws nothing; an allocation failure gives NO_MEMORY.
IntegerResult solveInteger(const AdjustmentProblem& problem, const ContinuousResult& relaxed,
                           const IntegerOptions& options);
