#include "qorsolve/solve_table.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "qorsolve/exact_rows.h"
#include "qorsolve/integer_solver.h"
#include "qorsolve/whole_number_rows.h"

namespace {

// How far a last iterate may miss a row or bound, relative to the size of its terms, and
// still count as a table.
constexpr double FEASIBILITY_TOLERANCE = 1e-7;

bool within(double value, double lower, double upper, double scale) {
    const double slack = FEASIBILITY_TOLERANCE * std::max(1.0, scale);
    return value >= lower - slack && value <= upper + slack;
}

// The iterate moved into its cell bounds, when it then meets every hard row.
bool feasiblePoint(const AdjustmentProblem& problem, std::vector<double>& x) {
    if (x.size() != problem.base.size()) return false;
    for (std::size_t j = 0; j < x.size(); ++j) {
        if (!std::isfinite(x[j]) ||
            !within(x[j], problem.lower[j], problem.upper[j], std::fabs(x[j]))) {
            return false;
        }
        x[j] = std::clamp(x[j], problem.lower[j], problem.upper[j]);
    }
    for (int32_t r = 0; r < problem.hard.rowCount(); ++r) {
        double size = 0.0;
        for (int64_t k = problem.hard.start[static_cast<std::size_t>(r)];
             k < problem.hard.start[static_cast<std::size_t>(r) + 1]; ++k) {
            const auto e = static_cast<std::size_t>(k);
            size += std::fabs(problem.hard.value[e] *
                              x[static_cast<std::size_t>(problem.hard.column[e])]);
        }
        const auto i = static_cast<std::size_t>(r);
        if (!within(rowSum(problem.hard, r, x), problem.hardLower[i], problem.hardUpper[i], size)) {
            return false;
        }
    }
    return true;
}

double relativeGap(double objective, double bound) {
    return std::max(0.0, objective - bound) / std::max(std::fabs(objective), 1e-10);
}

void continuousTable(const AdjustmentProblem& problem, TableResult& result) {
    ContinuousResult& relaxed = result.relaxed;
    switch (relaxed.status) {
        case ContinuousStatus::OPTIMAL:
            result.status = TableStatus::OPTIMAL;
            result.x = relaxed.x;
            return;
        case ContinuousStatus::INFEASIBLE:
            result.status = TableStatus::INFEASIBLE;
            return;
        case ContinuousStatus::NOT_CONVERGED:
            result.status = TableStatus::NOT_CONVERGED;
            return;
        case ContinuousStatus::NO_MEMORY:
            result.status = TableStatus::NO_MEMORY;
            return;
        case ContinuousStatus::TIME_LIMIT:
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

void integerTable(const AdjustmentProblem& problem, const Deadline& deadline, Progress& progress,
                  int64_t workLimit, TableResult& result) {
    // A row that whole numbers cannot meet by its coefficients alone needs no search.
    if (findRowWithoutWholeValue(problem).row >= 0) {
        result.status = TableStatus::INTEGER_INFEASIBLE;
        return;
    }
    IntegerOptions options;
    options.deadline = &deadline;
    options.progress = &progress;
    WorkLimit work(workLimit);
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

TableResult solveTable(const AdjustmentProblem& problem, bool wholeNumbers,
                       const Deadline& deadline, Progress& progress, int64_t workLimit) {
    TableResult result;
    try {
        // A contradiction below the real-valued method's tolerance, found exactly.
        if (findContradictingParallelRows(problem).first >= 0) {
            result.relaxed.status = ContinuousStatus::INFEASIBLE;
            result.status = TableStatus::INFEASIBLE;
            return result;
        }
        ContinuousOptions options;
        options.deadline = &deadline;
        options.progress = &progress;
        result.relaxed = solveContinuous(problem, options);
        continuousTable(problem, result);
        if (!wholeNumbers) return result;
        if (result.status == TableStatus::TIME_LIMIT) {
            // A real-valued table that ran out of time is neither whole nor a start for one.
            result.x.clear();
            result.status = TableStatus::NO_TABLE_IN_TIME;
        }
        if (result.status == TableStatus::OPTIMAL)
            integerTable(problem, deadline, progress, workLimit, result);
    } catch (const std::bad_alloc&) {
        result.x.clear();
        result.status = TableStatus::NO_MEMORY;
    }
    return result;
}
