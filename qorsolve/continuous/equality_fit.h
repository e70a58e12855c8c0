// The equality rows as a linear system, bounds left aside: the least-squares solution (by
// CGLS) leaves a residual that is zero when their values agree and otherwise lies on the
// rows whose values disagree with the rest, most on the likeliest culprits.
#pragma once

#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/problem/adjustment_problem.h"

struct EqualityFit {
    // True when the values of the equality rows agree (or there are none); the residual is
    // then empty.
    bool consistent = true;
    // True when the least-squares solution was reached: only then does a residual prove
    // that the values disagree (it is orthogonal to every column).
    bool converged = true;
    // Per hard row the residual (0 for rows that are not equalities), when not consistent.
    std::vector<double> residual;
};

// Stops early, unconverged, when the deadline passes. Throws nothing but std::bad_alloc.
EqualityFit fitEqualities(const AdjustmentProblem& problem, const Deadline& deadline);
