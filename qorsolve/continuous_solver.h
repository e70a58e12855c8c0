// The real-valued adjustment: the exact optimum of the convex problem of adjustment_problem.h
// without the whole-number condition.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/adjustment_problem.h"
#include "qorsolve/deadline.h"
#include "qorsolve/progress.h"

enum class ContinuousStatus {
    OPTIMAL,     // x meets every row and bound; the KKT residual is below the tolerance
    INFEASIBLE,  // no real-valued table meets the hard rows and the bounds
    TIME_LIMIT,  // the deadline passed first; x is the last iterate (it may violate rows)
    NO_MEMORY,
};

struct ContinuousOptions {
    double tolerance = 1e-9;  // relative accuracy of rows and optimality conditions
    const Deadline* deadline = nullptr;
    Progress* progress = nullptr;
};

struct ContinuousResult {
    ContinuousStatus status = ContinuousStatus::NO_MEMORY;
    std::vector<double> x;         // one value per adjustable cell
    std::vector<double> hardDual;  // one multiplier per hard row
    double objective = 0.0;        // F(x)
    double dualBound = 0.0;        // a lower bound on the optimum of F
    double kktResidual = 0.0;      // largest violation of the optimality conditions
    // When INFEASIBLE: hard rows that cannot all hold, as far as the method tells (a candidate
    // set for the conflict search; may be empty when the method cannot tell).
    std::vector<int32_t> suspectRows;
};

// Catches allocation failure itself (status NO_MEMORY); throws nothing.
ContinuousResult solveContinuous(const AdjustmentProblem& problem,
                                 const ContinuousOptions& options);
