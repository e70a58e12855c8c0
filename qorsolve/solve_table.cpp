#include "qorsolve/solve_table.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "qorsolve/exact_rows.h"
#include "qorsolve/integer_solver.h"
#include "qorsolve/numeric_checks.h"
#include "qorsolve/settings.h"
#include "qorsolve/whole_number_rows.h"

namespace {

// The last iterate moved into its cell bounds, when it lies within ROW_TOLERANCE of them,
// and then meets every hard row and bound by the one rule of exact_rows.h.
bool feasiblePoint(const AdjustmentProblem& problem, std::vector<double>& x) {
    if (x.size() != problem.base.size()) return false;
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double slack = ROW_TOLERANCE * std::max(1.0, std::fabs(x[j]));
        if (!std::isfinite(x[j]) || x[j] < problem.lower[j] - slack ||
            x[j] > problem.upper[j] + slack) {
            return false;
        }
        x[j] = std::clamp(x[j], problem.lower[j], problem.upper[j]);
    }
    return meetsHardRowsAndBounds(problem, x);
}

void continuousTable(const AdjustmentProblem& problem, TableResult& result) {
    ContinuousResult& relaxed = result.relaxed;
    if (relaxed.status.call != CallStatus::OK) {
        result.status = TableStatus::NO_MEMORY;
        return;
    }
    switch (relaxed.status.model) {
        case ModelStatus::OPTIMAL:
            result.status = TableStatus::OPTIMAL;
            result.x = relaxed.x;
            return;
        case ModelStatus::INFEASIBLE:
            result.status = TableStatus::INFEASIBLE;
            return;
        case ModelStatus::NOT_CONVERGED:
            result.status = TableStatus::NOT_CONVERGED;
            return;
        default:  // NO_POINT: stopped by the time limit
            break;
    }
    result.x = relaxed.x;
    if (!feasiblePoint(problem, result.x)) {
        result.x.clear();
        result.status = TableStatus::NO_TABLE_IN_TIME;
        return;
    }
    result.status = TableStatus::TIME_LIMIT;
    result.bound = relaxed.dualBound;
    result.gap = relativeGap(adjustmentObjective(problem, result.x), relaxed.dualBound);
}

void integerTable(const AdjustmentProblem& problem, const SolveSettings& settings,
                  const Deadline& deadline, Progress& progress, TableResult& result) {
    // A row that whole numbers cannot meet by its coefficients alone needs no search.
    if (findRowWithoutWholeValue(problem).row >= 0) {
        result.status = TableStatus::INTEGER_INFEASIBLE;
        return;
    }
    IntegerOptions options;
    options.relativeGap = settings.relativeGap;
    options.deadline = &deadline;
    options.progress = &progress;
    WorkLimit work(settings.workLimit);
    options.work = &work;
    IntegerResult whole = solveInteger(problem, result.relaxed, options);
    switch (whole.status) {
        case IntegerStatus::OPTIMAL:
            result.status = TableStatus::OPTIMAL;
            break;
        case IntegerStatus::TIME_LIMIT:
            result.status = TableStatus::TIME_LIMIT;
            result.bound = whole.bound;
            result.gap = whole.gap;
            break;
        case IntegerStatus::WORK_LIMIT:
            result.status = TableStatus::WORK_LIMIT;
            result.bound = whole.bound;
            result.gap = whole.gap;
            break;
        case IntegerStatus::NO_TABLE_IN_TIME:
            result.status = TableStatus::NO_TABLE_IN_TIME;
            return;
        case IntegerStatus::NO_TABLE_IN_WORK:
            result.status = TableStatus::NO_TABLE_IN_WORK;
            return;
        case IntegerStatus::INTEGER_INFEASIBLE:
            result.status = TableStatus::INTEGER_INFEASIBLE;
            return;
        case IntegerStatus::NO_MEMORY:
            result.status = TableStatus::NO_MEMORY;
            return;
        case IntegerStatus::COSTS_TOO_LARGE:
            result.status = TableStatus::COSTS_TOO_LARGE;
            return;
        case IntegerStatus::FAILED:
            result.status = TableStatus::FAILED;
            return;
    }
    result.x = std::move(whole.x);
    if (result.x.size() != problem.base.size()) result.status = TableStatus::FAILED;
}

}  // namespace

TableResult solveTable(const AdjustmentProblem& problem, const SolveSettings& settings,
                       const Deadline& deadline, Progress& progress) {
    TableResult result;
    try {
        // A contradiction below the real-valued method's tolerance, found exactly.
        if (findContradictingParallelRows(problem).first >= 0) {
            result.relaxed.status.call = CallStatus::OK;
            result.relaxed.status.model = ModelStatus::INFEASIBLE;
            result.status = TableStatus::INFEASIBLE;
            return result;
        }
        ContinuousOptions options;
        options.tolerance = settings.continuousTolerance;
        options.deadline = &deadline;
        options.progress = &progress;
        result.relaxed = solveContinuous(problem, options);
        continuousTable(problem, result);
        if (!settings.wholeNumbers) return result;
        if (result.status == TableStatus::TIME_LIMIT) {
            // A real-valued table that ran out of time is neither whole nor a start for one.
            result.x.clear();
            result.status = TableStatus::NO_TABLE_IN_TIME;
        }
        if (result.status == TableStatus::OPTIMAL)
            integerTable(problem, settings, deadline, progress, result);
    } catch (const std::bad_alloc&) {
        result.x.clear();
        result.status = TableStatus::NO_MEMORY;
    }
    return result;
}
