// The conflict search's vocabulary, shared by its steps and by what reports a conflict: a
// member (a hard row or a cell bound), the options of a search and what it found. A conflict
// is a set of hard rows and cell bounds that cannot all hold; an irreducible one is one from
// which no member can be dropped: with exactly these rows and bounds (every other bound free)
// no table exists, and without any one of them one does.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/core/solve_settings.h"
#include "qorsolve/core/solve_status.h"
#include "qorsolve/lp/linear_solver.h"

struct ConflictMember {
    enum class Kind { HARD_ROW, CELL_LOWER, CELL_UPPER };
    Kind kind = Kind::HARD_ROW;
    int32_t index = 0;  // 0-based hard row, or 0-based column for a cell bound
};

struct ConflictOptions {
    // The run's settings. Their work limit bounds the whole-number search (work_limit.h):
    // without a time limit it alone ends that search, so that every run names the same set.
    SolveSettings settings;
    bool wholeNumbers = false;  // the conflict of the whole-number problem
    Deadline deadline;          // never passes unless set
    Progress* progress = nullptr;
    LinearSolverFactory newSolver;  // the solver of the sub-problems (linear_solver.h)
};

struct ConflictResult {
    // What the search found, in the words of solve_status.h. A call that is not OK (NO_MEMORY,
    // FAILED) gave no answer, and nothing below counts. Otherwise the model is FEASIBLE when
    // the rows and bounds can all hold (there is no conflict), or INFEASIBLE: the members
    // cannot all hold, and `irreducible` tells whether the search showed that every one of
    // them is needed. Where it did not, the stop reason names the limit that ended it where
    // one did: WORK_LIMIT when the work limit ran out and the time had not, TIME_LIMIT when
    // the time ran out (otherwise a verdict stayed open).
    SolveStatus status = modelStatus(ModelStatus::INFEASIBLE);
    bool irreducible = false;
    // Irreducible: the conflict; otherwise a set that cannot hold, the smallest found in time.
    // Default bounds come before declared restrictions where the search had a choice.
    std::vector<ConflictMember> members;
    // The least total change of the members' values (right-hand sides and bounds) that lets
    // them all hold (the elastic L1 value), when known; NaN otherwise. The whole problem
    // needs at least this much change.
    double elasticValue = 0.0;
    // One per member: the least change of that member's value alone that lets the other
    // members hold; NaN when not known (always for whole numbers).
    std::vector<double> memberChange;
    // One per member, or empty when not known (for whole numbers, except with a divisor): the
    // member's weight in the combination that proves the conflict. Each member read as "expression
    // >= value" (a row or bound the proof uses from below) or "expression <= value" (from above)
    // gets a weight > 0 or < 0; the weighted expressions cancel in every cell, while the weighted
    // values add up to more than 0: the combination says 0 >= something positive.
    std::vector<double> multiplier;
    // A whole-number proof instead (divisor > 1): the multipliers are whole weights whose
    // combination of the members counts every cell a multiple of `divisor` times, while the
    // members' values times the weights add up to no multiple of it. 0 otherwise.
    double divisor = 0.0;
    // One per member, or empty: how far the adjusted table has to move (the adjustment
    // objective) once that member's value alone is changed by its memberChange; NaN where not
    // known, or for default bounds. See conflict_advice.h.
    std::vector<double> objective;
    // True when `objective` is that of the whole table; false when it is that of the members
    // alone (the whole table still had another conflict, or is too large to solve for each).
    bool objectiveOfWholeTable = false;
    bool wholeNumbers = false;  // the conflict is one of the whole-number problem
};
