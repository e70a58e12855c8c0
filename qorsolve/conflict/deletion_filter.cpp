#include "qorsolve/conflict/deletion_filter.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>
#include <utility>

namespace {

constexpr double NOT_KNOWN = std::numeric_limits<double>::quiet_NaN();
// The second order of removal, which decides each row by an LP of its own, gives up after
// this many LPs (counted, so that every run gives the same set) and leaves the set of the
// first order: enough for every conflict of a few hundred members, which is what a user can
// read.
constexpr std::size_t SECOND_ORDER_SOLVES = 2000;

bool isBound(const ConflictMember& member) {
    return member.kind != ConflictMember::Kind::HARD_ROW;
}

}  // namespace

DeletionFilter::DeletionFilter(const AdjustmentProblem& problem, const ConflictOptions& options)
    : problem_(problem), options_(options), deadline_(options.deadline), sets_(problem) {}

StopReason DeletionFilter::stopReason() const {
    return deadline_.passed() ? StopReason::TIME_LIMIT : StopReason::NONE;
}

void DeletionFilter::tick() {
    if (options_.progress != nullptr) options_.progress->update("conflict", NOT_KNOWN, NOT_KNOWN);
}

// Solves the loaded sub-model. An infeasible verdict stands only with a checked ray (`needed`
// then marks the members it uses); a feasible one only with a checked point.
ModelStatus DeletionFilter::solve(LinearSolver& solver, const ConflictSubmodel& sub,
                                  std::vector<char>& needed) {
    tick();
    if (deadline_.passed()) return ModelStatus::NO_POINT;
    const LinearResult result = solver.solveLinear(deadline_);
    if (result.status.call == CallStatus::NO_MEMORY) throw std::bad_alloc();
    if (result.status.stop == StopReason::TIME_LIMIT) return ModelStatus::NO_POINT;
    if (result.is(ModelStatus::OPTIMAL)) {
        return sub.meets(result.x, false) ? ModelStatus::FEASIBLE : ModelStatus::NOT_CONVERGED;
    }
    if (result.is(ModelStatus::INFEASIBLE)) {
        return sub.certifies(result.rowRay, needed, multiplier_) ? ModelStatus::INFEASIBLE
                                                                 : ModelStatus::NOT_CONVERGED;
    }
    // A failed call, or UNBOUNDED, which a cost of zero cannot be: no verdict.
    return ModelStatus::NOT_CONVERGED;
}

// The same question asked of a fresh solver, from no basis, when a warm-started answer could
// not be checked.
ModelStatus DeletionFilter::solveAfresh(const ConflictSubmodel& sub, std::vector<char>& needed) {
    std::unique_ptr<LinearSolver> fresh = sub.loadedSolver(options_.newSolver);
    return solve(*fresh, sub, needed);
}

ModelStatus DeletionFilter::solveChecked(ConflictSubmodel& sub, std::vector<char>& needed) {
    if (!solver_) solver_ = sub.loadedSolver(options_.newSolver);
    const ModelStatus verdict = solve(*solver_, sub, needed);
    if (verdict != ModelStatus::NOT_CONVERGED) return verdict;
    return solveAfresh(sub, needed);
}

ModelStatus DeletionFilter::start(ConflictSubmodel& sub) {
    solver_.reset();
    std::vector<char> needed;
    const ModelStatus verdict = solveChecked(sub, needed);
    if (verdict == ModelStatus::INFEASIBLE) dropUnneeded(sub, needed);
    if (verdict != ModelStatus::INFEASIBLE && verdict != ModelStatus::NOT_CONVERGED) {
        solver_.reset();
    }
    return verdict;
}

void DeletionFilter::dropUnneeded(ConflictSubmodel& sub, const std::vector<char>& needed) {
    for (std::size_t k = 0; k < sub.members().size(); ++k) {
        if (sub.active(k) && !needed[k]) sub.setActive(k, false, solver_.get());
    }
}

// The filter in two orders of removal, the smaller set kept: the order the members came in
// (default bounds first, rows by their residual), and one that tries wide rows first, then
// default bounds, and single-cell and recently declared restrictions last. Each order can
// miss a small set that the other finds: the first keeps rows where dropping bounds leaves a
// longer chain of rows; the second drops a wide total even where only a longer chain of
// narrow rows then proves the conflict. The second starts from every candidate row, not only
// those the first ray used, and every row through a cell that a declared bound among them
// bounds; it decides each row by itself (its rays drop bounds only), so that the ray's own
// choice does not overrule the order.
ConflictResult DeletionFilter::reduce(ConflictSubmodel& sub) {
    const std::vector<ConflictMember> wide = sets_.widened(sub.members());
    if (oneByOne(sub, true, std::numeric_limits<std::size_t>::max()) != ModelStatus::INFEASIBLE) {
        return notReduced(sub, stopReason());
    }
    std::vector<ConflictMember> best = sub.activeMembers();
    solver_.reset();
    ConflictSubmodel other(problem_, sets_.wideFirst(wide), false);
    if (oneByOne(other, false, SECOND_ORDER_SOLVES) == ModelStatus::INFEASIBLE) {
        const std::vector<ConflictMember> found = other.activeMembers();
        if (found.size() < best.size() ||
            (found.size() == best.size() &&
             sets_.defaultBounds(found) < sets_.defaultBounds(best))) {
            best = found;
        }
    }
    return verify(best);
}

// Relaxes one member at a time: INFEASIBLE when every member was decided (the active members
// are then irreducible as far as the checked verdicts tell), NOT_CONVERGED when a verdict
// stayed open or after `mostSolves` solves, NO_POINT when time ran out. Members that a ray shows
// unneeded go at once: all of them, or with `rowsByRay` false only bounds.
ModelStatus DeletionFilter::oneByOne(ConflictSubmodel& sub, bool rowsByRay,
                                     std::size_t mostSolves) {
    if (!solver_) solver_ = sub.loadedSolver(options_.newSolver);
    bool open = false;
    std::vector<char> needed;
    std::size_t solves = 0;
    for (std::size_t k = 0; k < sub.members().size(); ++k) {
        if (!sub.active(k)) continue;
        if (++solves > mostSolves) return ModelStatus::NOT_CONVERGED;
        sub.setActive(k, false, solver_.get());
        const ModelStatus verdict = solveChecked(sub, needed);
        if (verdict == ModelStatus::INFEASIBLE) {
            if (!rowsByRay) {
                for (std::size_t m = 0; m < needed.size(); ++m) {
                    if (!isBound(sub.members()[m])) needed[m] = 1;
                }
            }
            dropUnneeded(sub, needed);
            continue;
        }
        sub.setActive(k, true, solver_.get());
        if (verdict == ModelStatus::NO_POINT) return verdict;
        if (verdict == ModelStatus::NOT_CONVERGED) open = true;
    }
    return open ? ModelStatus::NOT_CONVERGED : ModelStatus::INFEASIBLE;
}

// Checks the found set from scratch: it cannot hold as a whole, and each member alone can be
// changed to let the rest hold (the least such change is its elastic value).
ConflictResult DeletionFilter::verify(std::vector<ConflictMember> members) {
    ConflictSubmodel found(problem_, std::move(members), false);
    ConflictResult result = notReduced(found);
    std::vector<char> needed;
    if (solveAfresh(found, needed) != ModelStatus::INFEASIBLE) {
        result.status.stop = stopReason();
        return result;
    }
    result.multiplier = multiplier_;
    const std::size_t count = found.members().size();
    bool irreducible = true;
    for (std::size_t k = 0; k < count; ++k) {
        std::vector<char> elastic(count, 0);
        elastic[k] = 1;
        const double change = elasticValue(found, elastic);
        if (!(change > 0.0)) irreducible = false;
        result.memberChange[k] = change;
    }
    result.elasticValue = elasticValue(found, std::vector<char>(count, 1));
    result.irreducible = irreducible;
    if (!irreducible) result.status.stop = stopReason();
    return result;
}

// The optimum of the elastic LP; NaN when the solver gives none.
double DeletionFilter::elasticValue(const ConflictSubmodel& sub, const std::vector<char>& elastic) {
    if (deadline_.passed()) return NOT_KNOWN;
    tick();
    std::unique_ptr<LinearSolver> solver = newSolver(options_.newSolver);
    const LinearModel model = sub.elasticModel(elastic);
    if (!solver || !solver->load(model)) return NOT_KNOWN;
    const LinearResult result = solver->solveLinear(deadline_);
    if (!result.is(ModelStatus::OPTIMAL)) return NOT_KNOWN;
    // The rows and bounds that stayed firm must hold at the point found.
    std::vector<double> x(result.x.begin(),
                          result.x.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                 result.x.size(), sub.model().cost.size())));
    ConflictSubmodel check = sub;
    for (std::size_t k = 0; k < elastic.size(); ++k) {
        if (elastic[k]) check.setActive(k, false, nullptr);
    }
    if (!check.meets(x, false)) return NOT_KNOWN;
    return std::max(result.objective, 0.0);
}
