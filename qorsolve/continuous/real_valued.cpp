#include "qorsolve/continuous/real_valued.h"

#include "qorsolve/continuous/absolute_fit.h"

ContinuousResult solveRealValued(const AdjustmentProblem& problem,
                                 const ContinuousOptions& options) {
    if (problem.objective.distance() == Distance::ABSOLUTE) return solveAbsolute(problem, options);
    return solveContinuous(problem, options);
}
