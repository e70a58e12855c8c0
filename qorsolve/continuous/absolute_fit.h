// The real-valued adjustment under the absolute distance, as a linear programme.
//
// With x_j - b_j = p_j - n_j (p_j, n_j >= 0) the cells' cost sum_j |x_j - b_j| / a_j is the
// linear sum_j (p_j + n_j) / a_j; each weak row a_w.x - s_w = t_w keeps its cost
// c_w (s_w - t_w)^2 through a column z_w held above tangents of the parabola, one more added at
// the value found after each solve until the estimate meets the cost to the tolerance (the
// programme's optimum is then a lower bound within the tolerance of F).
//
// The optimality check is the distance's own: with the programme's row multipliers y (and
// the weak multipliers z_w = -2 c_w (a_w.x - t_w)), every cell's price v_j = (A^T y + W^T z)_j
// lies within [-1 / a_j, 1 / a_j] at its base, at the side's slope away from it, as the slope
// gap of objective.h states, over the scale of the continuous result's KKT residual.
#pragma once

#include "qorsolve/continuous/continuous_solver.h"

// The result as solveContinuous gives it: OPTIMAL when the check above holds to the options'
// tolerance, NOT_CONVERGED when it does not or the programme cannot be solved, INFEASIBLE
// (with its suspect rows) as the real-valued method finds it with the chi-square distance
// when the programme has no point, NO_POINT with TIME_LIMIT when the deadline passed.
ContinuousResult solveAbsolute(const AdjustmentProblem& problem, const ContinuousOptions& options);
