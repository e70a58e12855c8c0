#include "qorsolve/conflict/whole_number_conflict.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "qorsolve/conflict/conflict_members.h"
#include "qorsolve/conflict/conflict_submodel.h"
#include "qorsolve/core/work_limit.h"
#include "qorsolve/lp/linear_solver.h"

namespace {

constexpr double NOT_KNOWN = std::numeric_limits<double>::quiet_NaN();

// Solves the mixed-integer sub-model: INFEASIBLE as CBC proves it (no ray exists to check),
// FEASIBLE only with a point that, rounded, meets every active member exactly.
ModelStatus solveWhole(LinearSolver& solver, const ConflictSubmodel& sub, const Deadline& limit,
                       Progress* progress) {
    if (progress != nullptr) progress->update("conflict", NOT_KNOWN, NOT_KNOWN);
    if (limit.passed()) return ModelStatus::NO_POINT;
    const LinearResult result = solver.solveInteger(limit, 0.0, {});
    if (result.status.call == CallStatus::NO_MEMORY) throw std::bad_alloc();
    if (!result.status.ok()) return ModelStatus::NOT_CONVERGED;
    if (result.is(ModelStatus::INFEASIBLE)) return ModelStatus::INFEASIBLE;
    if (result.status.stop == StopReason::WORK_LIMIT) {
        if (!result.x.empty() && sub.meets(result.x, true)) return ModelStatus::FEASIBLE;
        return ModelStatus::NO_POINT;
    }
    if (!result.is(ModelStatus::OPTIMAL) && result.status.stop != StopReason::TIME_LIMIT) {
        return ModelStatus::NOT_CONVERGED;
    }
    if (!result.x.empty()) {
        return sub.meets(result.x, true) ? ModelStatus::FEASIBLE : ModelStatus::NOT_CONVERGED;
    }
    return limit.passed() ? ModelStatus::NO_POINT : ModelStatus::NOT_CONVERGED;
}

}  // namespace

ConflictResult findWholeNumberConflict(const AdjustmentProblem& problem,
                                       const ConflictOptions& options) {
    const Deadline& limit = options.deadline;
    ConflictSubmodel sub(problem, ConflictMembers(problem).all(), true);
    std::unique_ptr<LinearSolver> solver = sub.loadedSolver(options.newSolver);
    WorkLimit work(options.settings.workLimit);
    solver->setWorkLimit(&work);
    // The time counts first: the work limit ended the search only when the time had not.
    const auto stopped = [&](ConflictResult result) {
        result.status.stop = limit.passed()     ? StopReason::TIME_LIMIT
                             : work.exhausted() ? StopReason::WORK_LIMIT
                                                : StopReason::NONE;
        return result;
    };
    const ModelStatus whole = solveWhole(*solver, sub, limit, options.progress);
    if (whole == ModelStatus::FEASIBLE) return conflictResult(modelStatus(ModelStatus::FEASIBLE));
    if (whole != ModelStatus::INFEASIBLE) {
        return stopped(conflictResult(modelStatus(ModelStatus::INFEASIBLE)));
    }

    // Blocks of untested members; a block whose removal leaves the rest infeasible goes,
    // otherwise it splits in two, and a single member that cannot go is needed.
    std::vector<std::pair<std::size_t, std::size_t>> blocks;
    const std::size_t count = sub.members().size();
    if (count > 0) blocks.emplace_back(0, count);
    while (!blocks.empty()) {
        const auto [first, last] = blocks.back();
        blocks.pop_back();
        for (std::size_t k = first; k < last; ++k) sub.setActive(k, false, solver.get());
        const ModelStatus verdict = solveWhole(*solver, sub, limit, options.progress);
        if (verdict == ModelStatus::INFEASIBLE) continue;
        for (std::size_t k = first; k < last; ++k) sub.setActive(k, true, solver.get());
        if (verdict != ModelStatus::FEASIBLE) return stopped(notReduced(sub));
        if (last - first > 1) {
            const std::size_t middle = first + (last - first) / 2;
            blocks.emplace_back(middle, last);
            blocks.emplace_back(first, middle);
        }
    }
    ConflictResult result = notReduced(sub);
    result.irreducible = true;
    result.elasticValue = NOT_KNOWN;
    return result;
}
