// The real-valued adjustment under the problem's distance: the dual Newton method
// (continuous_solver.h) for the distances with a smooth response, the linear programme of
// absolute_fit.h for the absolute distance. The result as solveContinuous states it.
#pragma once

#include "qorsolve/continuous/continuous_solver.h"

ContinuousResult solveRealValued(const AdjustmentProblem& problem,
                                 const ContinuousOptions& options);
