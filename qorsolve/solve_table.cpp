#include "qorsolve/solve_table.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "qorsolve/continuous/real_valued.h"
#include "qorsolve/core/settings.h"
#include "qorsolve/core/solve_settings.h"
#include "qorsolve/integer/integer_solver.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/numeric_checks.h"
#include "qorsolve/problem/whole_number_rows.h"
#include "qorsolve/problem/whole_number_system.h"

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

// No table, and nothing of one: for the outcomes without a table.
void dropTable(TableResult& result) {
    result.x.clear();
    result.stage = TableStage::NONE;
    result.rowMultiplier.clear();
}

void continuousTable(const AdjustmentProblem& problem, TableResult& result) {
    ContinuousResult& relaxed = result.relaxed;
    if (!relaxed.status.ok()) {
        result.status = callStatus(relaxed.status.call);
        return;
    }
    switch (relaxed.status.model) {
        case ModelStatus::OPTIMAL:
            result.status = modelStatus(ModelStatus::OPTIMAL);
            result.x = relaxed.x;
            result.stage = TableStage::REAL_VALUED;
            result.rowMultiplier = relaxed.hardDual;
            return;
        case ModelStatus::INFEASIBLE:
        case ModelStatus::NOT_CONVERGED:
            result.status = modelStatus(relaxed.status.model);
            return;
        default:  // NO_POINT: stopped by the time limit
            break;
    }
    result.x = relaxed.x;
    if (!feasiblePoint(problem, result.x)) {
        dropTable(result);
        result.status = modelStatus(ModelStatus::NO_POINT, StopReason::TIME_LIMIT);
        return;
    }
    result.status = modelStatus(ModelStatus::FEASIBLE, StopReason::TIME_LIMIT);
    result.stage = TableStage::REAL_VALUED_STOPPED;
    result.bound = relaxed.dualBound;
    result.gap = relativeGap(adjustmentObjective(problem, result.x), relaxed.dualBound);
}

void integerTable(const AdjustmentProblem& problem, const SolveSettings& settings,
                  const LinearSolverFactory& newSolver, const Deadline& deadline,
                  Progress& progress, TableResult& result) {
    // The real-valued table is the search's centre (in `relaxed`), never a whole-number result.
    dropTable(result);
    // Rows that whole numbers cannot meet by their coefficients alone need no search.
    if (findRowWithoutWholeValue(problem).row >= 0 ||
        !findRowsWithoutWholeSolution(problem).rows.empty()) {
        result.status = modelStatus(ModelStatus::INTEGER_INFEASIBLE);
        return;
    }
    IntegerOptions options;
    options.deadline = deadline;
    options.progress = &progress;
    WorkLimit work(settings.workLimit);
    options.work = &work;
    options.newSolver = newSolver;
    IntegerResult whole = solveInteger(problem, result.relaxed, options);
    result.work = work.spent();
    result.status = whole.status;
    if (!whole.status.ok()) return;
    switch (whole.status.model) {
        case ModelStatus::OPTIMAL:
            break;
        case ModelStatus::FEASIBLE:
            result.bound = whole.bound;
            result.gap = whole.gap;
            break;
        default:  // no table: NO_POINT, INTEGER_INFEASIBLE
            return;
    }
    result.x = std::move(whole.x);
    result.stage = whole.stage;
    if (result.x.size() != problem.base.size()) {
        dropTable(result);
        result.status = callStatus(CallStatus::FAILED);
    }
}

}  // namespace

TableResult solveTable(const AdjustmentProblem& problem, const SolveSettings& settings,
                       const LinearSolverFactory& newSolver, const Deadline& deadline,
                       Progress& progress) {
    TableResult result;
    try {
        // A contradiction below the real-valued method's tolerance, found exactly.
        if (findContradictingParallelRows(problem).first >= 0) {
            result.relaxed.status.call = CallStatus::OK;
            result.relaxed.status.model = ModelStatus::INFEASIBLE;
            result.status = modelStatus(ModelStatus::INFEASIBLE);
            return result;
        }
        ContinuousOptions options;
        options.deadline = deadline;
        options.progress = &progress;
        options.newSolver = newSolver;
        result.relaxed = solveRealValued(problem, options);
        continuousTable(problem, result);
        if (!settings.wholeNumbers()) return result;
        if (result.status.ok() && result.status.model == ModelStatus::FEASIBLE) {
            // A real-valued table that ran out of time is neither whole nor a start for one.
            dropTable(result);
            result.status = modelStatus(ModelStatus::NO_POINT, StopReason::TIME_LIMIT);
        }
        if (result.status.ok() && result.status.model == ModelStatus::OPTIMAL)
            integerTable(problem, settings, newSolver, deadline, progress, result);
    } catch (const std::bad_alloc&) {
        dropTable(result);
        result.status = callStatus(CallStatus::NO_MEMORY);
    }
    return result;
}
