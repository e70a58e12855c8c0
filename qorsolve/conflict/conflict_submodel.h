// A subset of the hard rows and cell bounds of an adjustment problem as one linear programme,
// with its members switched on and off, and the checks that turn a solver's answer about it
// into a verdict: a ray that proves the active members cannot all hold, or a point that shows
// they can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "qorsolve/conflict/conflict_types.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/adjustment_problem.h"

// What a checked solve of a sub-model proved, its verdict, is a ModelStatus (solve_status.h):
// - INFEASIBLE: a ray that passed the certificate check proves it (over whole numbers, the
//   mixed-integer search does);
// - FEASIBLE: a point that meets every active row and bound shows it;
// - NOT_CONVERGED: no answer passed its check: the question is open;
// - NO_POINT: the deadline or the work limit ended the solve first.
// Out-of-memory is no verdict: it ends the whole search (findConflict gives
// CallStatus::NO_MEMORY).

// The member rows over the columns they use, each column bounded only by the bounds that are
// members. Switching a member off makes its row or bound side infinite.
class ConflictSubmodel {
  public:
    // Throws std::bad_alloc when memory runs out.
    ConflictSubmodel(const AdjustmentProblem& problem, std::vector<ConflictMember> members,
                     bool wholeNumbers);

    const std::vector<ConflictMember>& members() const { return members_; }
    bool active(std::size_t k) const { return active_[k] != 0; }
    const LinearModel& model() const { return model_; }
    std::vector<ConflictMember> activeMembers() const;
    // A new solver from `factory` holding this model. Throws std::bad_alloc when there is no
    // solver or it cannot hold the model (memory ran out).
    std::unique_ptr<LinearSolver> loadedSolver(const LinearSolverFactory& factory) const;

    // Switches member k on or off, here and in `solver` when one is given.
    void setActive(std::size_t k, bool on, LinearSolver* solver);

    // True when `ray` (or its negation) proves that the active rows and bounds cannot all hold
    // (certifiedRay, numeric_checks.h). `needed` then tells, per member, whether the proof
    // uses it, and `multiplier` gives each member's weight in the proof (see
    // ConflictResult::multiplier).
    bool certifies(const std::vector<double>& ray, std::vector<char>& needed,
                   std::vector<double>& multiplier) const;

    // True when x, a point of a simplex solve, meets every active row and bound within
    // SIMPLEX_POINT_TOLERANCE (settings.h); with wholeNumbers, when x rounded to whole
    // numbers meets them by the rule of exact_rows.h.
    bool meets(const std::vector<double>& x, bool wholeNumbers) const;

    // The LP that finds the least total change of the values of the members marked in
    // `elastic` that lets all active members hold.
    LinearModel elasticModel(const std::vector<char>& elastic) const;

  private:
    void applyBounds(std::size_t k);
    bool meetsWhole(const std::vector<double>& x) const;

    const AdjustmentProblem* problem_;
    bool wholeNumbers_ = false;
    std::vector<ConflictMember> members_;
    std::vector<int32_t> place_;   // per member: its local row, or its local column
    std::vector<int32_t> column_;  // per local column: the problem's column
    std::vector<char> active_;
    LinearModel model_;
};

// A result of `status` that names no members and knows no values.
ConflictResult conflictResult(SolveStatus status);
// INFEASIBLE, not irreducible, with the active members of `sub`: they cannot all hold, but may
// be reducible; `stop` names the limit that ended the search, if one did.
ConflictResult notReduced(const ConflictSubmodel& sub, StopReason stop = StopReason::NONE);
