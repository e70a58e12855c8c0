// The numerical questions several stages ask, each answered once: does a ray prove that no
// point exists, what a weak row's deviation costs, and how far a table may be from the
// optimum. Whether a table meets a row is answered by exact_rows.h.
#pragma once

#include <vector>

#include "qorsolve/problem/sparse_rows.h"

// A Farkas certificate for  rowLower <= A x <= rowUpper,  columnLower <= x <= columnUpper.
//
// Take multipliers y with y_i > 0 only where rowLower_i is finite and y_i < 0 only where
// rowUpper_i is finite. The rows force y . (A x) >= sum_{y_i > 0} y_i rowLower_i +
// sum_{y_i < 0} y_i rowUpper_i; within the column bounds, y . (A x) is at most
// sum_j max(c_j columnLower_j, c_j columnUpper_j) with c = A^T y. When the first exceeds the
// second by more than CERTIFICATE_MARGIN of the size of both sums' terms, no point exists.
//
// Returns `ray` or its negation, whichever is such a proof, scaled to a largest |y_i| of 1
// with multipliers below RAY_NOISE of it set to 0; empty when neither is. Throws
// std::bad_alloc when memory runs out.
std::vector<double> certifiedRay(const SparseRows& rows, const std::vector<double>& rowLower,
                                 const std::vector<double>& rowUpper,
                                 const std::vector<double>& columnLower,
                                 const std::vector<double>& columnUpper, std::vector<double> ray);

// The weight of a weak row's squared deviation in the objective: its stored weight over
// max(|target|, 1), so that a deviation counts by its share of the target.
double weakRowCost(double weight, double target);

// (objective - bound) / max(|objective|, GAP_FLOOR), never below 0.
double relativeGap(double objective, double bound);
