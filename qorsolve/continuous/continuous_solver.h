// The real-valued adjustment: the exact optimum of the convex problem of adjustment_problem.h
// without the whole-number condition.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/core/settings.h"
#include "qorsolve/core/solve_status.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/adjustment_problem.h"

// The most Newton steps the method takes by default: the tables of the benchmarks converge
// in under 100; a run that needs ten times as many has stalled (NOT_CONVERGED).
inline constexpr int MAX_NEWTON_STEPS = 1000;

struct ContinuousOptions {
    double tolerance = CONTINUOUS_TOLERANCE;  // relative accuracy of rows and optimality conditions
    int newtonStepLimit = MAX_NEWTON_STEPS;   // the most Newton steps before NOT_CONVERGED
    Deadline deadline;                        // never passes unless set
    Progress* progress = nullptr;
    // The solver of the linear programme of the absolute distance (absolute_fit.h); without
    // one, a problem of that distance is NOT_CONVERGED. The method itself does not use it.
    LinearSolverFactory newSolver;
};

// The status, in the two levels of solve_status.h:
// - call NO_MEMORY: memory ran out; nothing else in the result may be used;
// - model OPTIMAL: x meets every row and bound; the KKT residual is below the tolerance;
// - model INFEASIBLE: no real-valued table meets the hard rows and the bounds;
// - model NO_POINT, stop TIME_LIMIT: the deadline passed first; x is the last iterate (it may
//   violate rows);
// - model NOT_CONVERGED: the method stalled, neither converging nor finding a ray: x is the
//   last iterate and the suspect rows are those still violated most. Whether a table exists
//   is open.
struct ContinuousResult {
    SolveStatus status;
    std::vector<double> x;  // one value per adjustable cell
    // One multiplier per hard row: the rate at which the optimum rises as the row's binding
    // bound moves up (> 0: the lower bound binds; < 0: the upper bound binds).
    std::vector<double> hardDual;
    double objective = 0.0;  // F(x)
    double dualBound = 0.0;  // a lower bound on the optimum of F
    // The largest violation of the optimality conditions, each scaled to be relative:
    // - a hard row's distance from [hardLower, hardUpper], over s_i = max(1, sum_j |a_ij x_j|);
    // - complementarity: for hardDual[i] > 0 (< 0), min(|hardDual[i]|, |a_i.x - hardLower_i|
    //   / s_i) (hardUpper_i);
    // - stationarity of each cell: r_j = c_j'(x_j) - (A^T hardDual)_j - (W^T z)_j, the cell's
    //   slope gap (objective.h; c_j'(x) = 2 (x - base_j) / base_j), with the weak multipliers
    //   z_w = -2 weight_w (a_w.x - weakTarget_w) / max(|weakTarget_w|, 1), over
    //   1 + sum_i |a_ij hardDual_i| + sum_w |a_wj z_w|, where a cell at its lower bound counts
    //   only r_j < 0 and one at its upper bound only r_j > 0.
    // The multipliers' signs always fit the rows (hardDual[i] > 0 only where hardLower_i is
    // finite and binds, < 0 only where hardUpper_i is finite and binds).
    double kktResidual = 0.0;
    int newtonSteps = 0;  // work done, for reports
    int cgSteps = 0;
    // When INFEASIBLE or NOT_CONVERGED: hard rows that cannot all hold, as far as the method tells
    // (a candidate set for the conflict search; may be empty when the method cannot tell). Normally
    // the rows of a Farkas ray checked in floating point: with the cell bounds alone they admit no
    // table (not necessarily a smallest such set).
    std::vector<int32_t> suspectRows;
};

// A dual semismooth Newton method (see continuous_solver.cpp). dualBound is the dual value g
// at hardDual, a lower bound on the optimum whatever the status. Weak rows with a weight that
// is not positive are left out (of F too). Problems are reported INFEASIBLE:
// - with a ray as above;
// - with no suspect rows when a cell's bounds cross, or when the problem is malformed (sizes
//   that disagree, a column out of range, a base that is not positive and finite, a NaN): a
//   caller's mistake must not become undefined behaviour;
// - with the rows whose sides cross.
// When the method stalls without converging or finding a ray, or uses up newtonStepLimit, the
// model status is NOT_CONVERGED and the suspect rows are the rows still violated by over 1 %
// of the largest violation.
// The absolute distance, whose response to the multipliers is flat, is not for this method:
// solveRealValued (real_valued.h) hands it to absolute_fit.h.
// Catches allocation failure itself (call status NO_MEMORY); throws nothing.
ContinuousResult solveContinuous(const AdjustmentProblem& problem,
                                 const ContinuousOptions& options);
