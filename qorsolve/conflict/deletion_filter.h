// The deletion filter over real numbers: from a set of hard rows and cell bounds that cannot
// all hold, it relaxes one member at a time in a warm-started LP; when the rest still cannot
// hold, the member goes, otherwise it stays. Every "cannot hold" verdict counts only with a
// ray that passes the certificate check (warm-started simplex runs have been seen to call
// feasible sub-models infeasible), every "can hold" only with a point that meets every
// active member; anything else is asked again of a fresh solver, and a member whose verdict
// stays open is kept. The set found is then checked from scratch.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "qorsolve/conflict/conflict_members.h"
#include "qorsolve/conflict/conflict_submodel.h"
#include "qorsolve/conflict/conflict_types.h"
#include "qorsolve/core/deadline.h"
#include "qorsolve/core/solve_status.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/adjustment_problem.h"

class DeletionFilter {
  public:
    // Uses options.newSolver and options.progress; stops at options.deadline.
    DeletionFilter(const AdjustmentProblem& problem, const ConflictOptions& options);

    // Solves `sub` with every member active; when it cannot hold, switches off the members
    // the ray does not use, and keeps the solver warm for reduce(). Throws std::bad_alloc
    // when memory runs out.
    ModelStatus start(ConflictSubmodel& sub);

    // Reduces the members `start` left to an irreducible set, checks it from scratch and
    // gives it with each member's elastic value and the proof's multipliers: irreducible, or
    // not when a verdict stayed open or time ran out. Throws std::bad_alloc when
    // memory runs out.
    ConflictResult reduce(ConflictSubmodel& sub);

  private:
    ModelStatus solve(LinearSolver& solver, const ConflictSubmodel& sub, std::vector<char>& needed);
    ModelStatus solveAfresh(const ConflictSubmodel& sub, std::vector<char>& needed);
    ModelStatus solveChecked(ConflictSubmodel& sub, std::vector<char>& needed);
    void dropUnneeded(ConflictSubmodel& sub, const std::vector<char>& needed);
    ModelStatus oneByOne(ConflictSubmodel& sub, bool rowsByRay, std::size_t mostSolves);
    ConflictResult verify(std::vector<ConflictMember> members);
    double elasticValue(const ConflictSubmodel& sub, const std::vector<char>& elastic);
    void tick();
    // Why a set was not reduced: TIME_LIMIT once the deadline passed, else NONE (a verdict
    // stayed open).
    StopReason stopReason() const;

    const AdjustmentProblem& problem_;
    const ConflictOptions& options_;
    const Deadline& deadline_;
    ConflictMembers sets_;
    std::unique_ptr<LinearSolver> solver_;  // warm, holding the sub-model being reduced
    std::vector<double> multiplier_;        // per member, of the last ray that passed its check
};
