// A lower bound on the whole-number optimum from the multipliers of the hard rows.
//
// For multipliers y (y_i >= 0 where a row's lower side binds, <= 0 where its upper side
// does), g(y) = sum_i y_i side_i + sum_j min over whole v in the cell's range of
// (c_j(v) - (A^T y)_j v) is at most the cost of every whole-number table that meets the rows
// (c_j the cell's cost, objective.h). Each cell's minimum is at the floor or the ceiling of
// the real one (for (v - base_j)^2 / base_j at base_j (1 + (A^T y)_j / 2)), so g is cheap;
// it starts from the real-valued optimum's multipliers (where it is at least the real-valued
// bound) and climbs by projected subgradient steps towards the best bound of this kind, the
// bound of the chord programme's linear relaxation. The minimising cells form a whole-number
// table that misses the rows by little: a good start for the repair. A fixed number of
// steps: the same bound on every run.
// Only for problems without weak rows (their cost does not split by cells).
#pragma once

#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/problem/adjustment_problem.h"

struct LagrangianResult {
    bool used = false;      // false: weak rows, or no multipliers to start from
    double bound = 0.0;     // the best g found, less a margin for rounding
    std::vector<double> x;  // the minimising cells at the best multipliers
};

// `lowerWhole` and `upperWhole` are the cells' whole-number ranges, `hardDual` the real-valued
// optimum's multipliers, `best` the cost of a table that meets the rows (INFINITY if none):
// it sets the step lengths; `progress`, when given, shows the bound as it rises. Throws
// std::bad_alloc when memory runs out.
LagrangianResult lagrangianBound(const AdjustmentProblem& problem,
                                 const std::vector<double>& lowerWhole,
                                 const std::vector<double>& upperWhole,
                                 const std::vector<double>& hardDual, double best,
                                 const Deadline& deadline, Progress* progress = nullptr);
