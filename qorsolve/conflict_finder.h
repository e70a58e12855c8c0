// A set of hard rows and cell bounds that cannot all hold, and that is irreducible: with
// exactly these rows and bounds (every other bound free) no table exists, and dropping any
// one member makes one exist.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/adjustment_problem.h"
#include "qorsolve/continuous_solver.h"
#include "qorsolve/deadline.h"
#include "qorsolve/progress.h"

struct ConflictMember {
    enum class Kind { HARD_ROW, CELL_LOWER, CELL_UPPER };
    Kind kind = Kind::HARD_ROW;
    int32_t index = 0;  // 0-based hard row, or 0-based column for a cell bound
};

enum class ConflictStatus {
    FOUND,        // members form an irreducible conflict
    FEASIBLE,     // the rows and bounds can all hold: there is no conflict
    NOT_REDUCED,  // the deadline passed: members cannot all hold, but may not be irreducible
    NO_MEMORY,
    FAILED,
};

struct ConflictOptions {
    bool wholeNumbers = false;  // the conflict of the whole-number problem
    const Deadline* deadline = nullptr;
    Progress* progress = nullptr;
};

struct ConflictResult {
    ConflictStatus status = ConflictStatus::FAILED;
    std::vector<ConflictMember> members;
    // The least total change of right-hand sides and bounds that restores feasibility
    // (the elastic L1 value), when known; NaN otherwise.
    double elasticValue = 0.0;
};

// `hint`, when given, is the INFEASIBLE result of solveContinuous (its suspect rows narrow
// the search on large tables). Throws nothing.
ConflictResult findConflict(const AdjustmentProblem& problem, const ConflictOptions& options,
                            const ContinuousResult* hint);
