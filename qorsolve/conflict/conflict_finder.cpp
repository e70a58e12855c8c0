#include "qorsolve/conflict/conflict_finder.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "qorsolve/conflict/conflict_advice.h"
#include "qorsolve/conflict/conflict_members.h"
#include "qorsolve/conflict/conflict_submodel.h"
#include "qorsolve/conflict/deletion_filter.h"
#include "qorsolve/conflict/obvious_conflict.h"
#include "qorsolve/conflict/whole_number_conflict.h"
#include "qorsolve/continuous/equality_fit.h"

// How the search works.
//
// Conflicts that need no solver come first (obvious_conflict.h). Whole numbers go to the
// block deletion filter over the mixed-integer problem (whole_number_conflict.h).
//
// Real numbers: candidates come first from the equality rows alone: the residual of their
// least-squares solution (equality_fit.h) lies on the rows whose values disagree, largest on
// the likeliest culprits, so the rows it weighs most (with the bounds of their cells) are
// tried as a small LP first, and wider sets only when that one can hold. Then the continuous
// solver's suspect rows, then the whole problem. A Farkas ray of the first LP that cannot
// hold narrows the set to what the ray uses; the deletion filter (deletion_filter.h) then
// reduces it, rows in the order of their residual so that the likeliest culprits are kept
// where there is a choice, and checks the set it finds from scratch.

namespace {

// The candidate sets the residual gives, tried in turn: the rows whose residual is at least
// this share of the largest. A quarter holds the rows of one contradiction of a few equal
// totals; a hundredth those of a contradiction spread over a chain of margins; 1e-6 every row
// the residual touches beyond rounding.
constexpr double RESIDUAL_SHARES[] = {0.25, 1e-2, 1e-6};

class ConflictSearch {
  public:
    ConflictSearch(const AdjustmentProblem& problem, const ConflictOptions& options)
        : problem_(problem), filter_(problem, options), sets_(problem) {
        const EqualityFit fit = fitEqualities(problem, options.deadline);
        if (!fit.consistent) {
            residualSize_ = fit.residual;
            for (double& r : residualSize_) r = std::fabs(r);
        }
    }

    ConflictResult run(const ContinuousResult* hint) {
        std::unique_ptr<ConflictSubmodel> candidates = residualCandidates();
        if (!candidates && hint != nullptr &&
            (hint->status.model == ModelStatus::INFEASIBLE ||
             hint->status.model == ModelStatus::NOT_CONVERGED) &&
            !hint->suspectRows.empty()) {
            candidates = std::make_unique<ConflictSubmodel>(
                problem_, sets_.ofRows(hint->suspectRows, residualSize_), false);
            if (filter_.start(*candidates) != ModelStatus::INFEASIBLE) candidates.reset();
        }
        if (!candidates) {
            candidates =
                std::make_unique<ConflictSubmodel>(problem_, sets_.all(residualSize_), false);
            switch (filter_.start(*candidates)) {
                case ModelStatus::INFEASIBLE:
                    break;
                case ModelStatus::FEASIBLE:
                    return conflictResult(modelStatus(ModelStatus::FEASIBLE));
                case ModelStatus::NO_POINT:  // the time ran out: nothing proven yet
                    return conflictResult(
                        modelStatus(ModelStatus::INFEASIBLE, StopReason::TIME_LIMIT));
                default:  // NOT_CONVERGED: no proof either way: keep everything and let the
                          // filter try.
                    break;
            }
        }
        return filter_.reduce(*candidates);
    }

  private:
    // The first set of rows the residual points at that cannot hold, narrowed to its ray;
    // nullptr when there is none.
    std::unique_ptr<ConflictSubmodel> residualCandidates() {
        if (residualSize_.empty()) return nullptr;
        const double largest = *std::max_element(residualSize_.begin(), residualSize_.end());
        for (double share : RESIDUAL_SHARES) {
            std::vector<int32_t> rows;
            for (std::size_t i = 0; i < residualSize_.size(); ++i) {
                if (residualSize_[i] >= share * largest) rows.push_back(static_cast<int32_t>(i));
            }
            auto candidates = std::make_unique<ConflictSubmodel>(
                problem_, sets_.ofRows(rows, residualSize_), false);
            if (filter_.start(*candidates) == ModelStatus::INFEASIBLE) return candidates;
        }
        return nullptr;
    }

    const AdjustmentProblem& problem_;
    DeletionFilter filter_;
    ConflictMembers sets_;
    // Per hard row, the size of the least-squares residual of the equality rows (0 for the
    // others); empty when their values agree.
    std::vector<double> residualSize_;
};

ConflictResult failedCall(CallStatus call) {
    ConflictResult result;
    result.status = callStatus(call);
    return result;
}

}  // namespace

ConflictResult findConflict(const AdjustmentProblem& problem, const ConflictOptions& options,
                            const ContinuousResult* hint) {
    if (!options.newSolver) return failedCall(CallStatus::FAILED);
    try {
        ConflictResult result;
        if (!findObviousConflict(problem, options.wholeNumbers, result)) {
            result = options.wholeNumbers ? findWholeNumberConflict(problem, options)
                                          : ConflictSearch(problem, options).run(hint);
        }
        result.wholeNumbers = options.wholeNumbers;
        if (result.irreducible && !options.wholeNumbers) {
            rankConflict(problem, result, options.deadline, options.newSolver);
        }
        return result;
    } catch (const std::bad_alloc&) {
        return failedCall(CallStatus::NO_MEMORY);
    } catch (...) {
        return failedCall(CallStatus::FAILED);
    }
}
