// The values each cell and each weak row may take in a table that costs no more than a given
// one, from the rows' multipliers.
//
// For multipliers y of the hard rows (signs that fit the rows) and u of the weak rows, every
// table x that meets the hard rows costs
//   F(x) >= L + sum_j e_j(x_j) + sum_w e_w(a_w . x),
// where L = sum_i y_i side_i + sum_j min h_j + sum_w min h_w is the Lagrangian bound, h_j(v) =
// c_j(v) - lambda_j v with c_j the cell's cost (objective.h) and lambda = A^T y + W^T u,
// h_w(s) = c_w (s - t_w)^2 + u_w s, and e = h - min h >= 0 is each term's excess over its
// least value. A table that costs
// at most C therefore has every term's excess at most C - L: each cell lies within a whole
// interval around the least point of its h, and each weak row's value within an interval
// around its own. With the real-valued optimum's multipliers the least points are that
// optimum, and the intervals are some units wide where C is near the bound: a search may
// leave out every value outside them, because the table of cost C is already at hand.
#pragma once

#include <vector>

#include "qorsolve/problem/adjustment_problem.h"

struct CheaperTableRanges {
    bool used = false;  // false: no multipliers, or the cost is not finite
    // Per cell, whole numbers within the cell's range [lower, upper].
    std::vector<double> cellLower, cellUpper;
    // Per weak row, the real interval of its value a_w . x.
    std::vector<double> weakLower, weakUpper;
    double bound = 0.0;  // L, the Lagrangian bound at these multipliers
};

// The ranges of every table of cost at most `cost` that meets the hard rows, with each cell
// whole within [lower_j, upper_j] (whole bounds). `hardDual` holds the hard rows' multipliers
// (a multiplier whose sign does not fit its row counts as 0); `center` is the point whose
// weak rows' values fix the weak multipliers (the real-valued optimum, where the weak terms'
// least points are then its values). Throws std::bad_alloc when memory runs out.
CheaperTableRanges cheaperTableRanges(const AdjustmentProblem& problem,
                                      const std::vector<double>& lower,
                                      const std::vector<double>& upper,
                                      const std::vector<double>& hardDual,
                                      const std::vector<double>& center, double cost);
