// A table as the run writes it, and what its outputs show of it, computed once before any
// of them is written: the result files (result_files.h), the report (report_file.h) and the
// summary (summary.h) only format it. A fact of the solve reaches an output through here.
#pragma once

#include <cstdint>
#include <vector>

#include "common/project.h"
#include "qorsolve/core/solve_status.h"
#include "qorsolve/problem/adjustment_problem.h"
#include "qorsolve/problem/restriction_check.h"
#include "qorsolve/problem/solve_result.h"

// How the solve of a written table ended, and the settings that bear on what its outputs say.
struct SolveOutcome {
    // OPTIMAL, or FEASIBLE with the limit that stopped the search.
    SolveStatus status = modelStatus(ModelStatus::OPTIMAL);
    TableStage stage = TableStage::NONE;
    double bound = 0.0;       // a lower bound on the optimum, when not proven
    double gap = 0.0;         // relative gap between the objective and the bound, when not proven
    int64_t work = -1;        // the whole-number search's work units; -1: real-valued mode
    int64_t workAllowed = 0;  // ... and its limit
    bool weakIgnored = false;
    bool wholeNumbers = true;  // false: a real-valued table, whose rows are met to a tolerance
    double seconds = 0.0;

    bool proven() const { return status.model == ModelStatus::OPTIMAL; }
};

// A restriction's value over the table less its value over the base table.
struct RestrictionChange {
    double value = 0.0;
    // How far `value` may lie from the change the written numbers give: 0 between exact whole
    // values (then `value` is exact); else each exact value's rounding to a double (2^-53 of
    // it) and the error of any other (restriction_check.h), added.
    double error = 0.0;
};

struct WrittenTable {
    std::vector<double> x;  // one value per adjustable cell, as the table file writes it
    // Whether `x` meets every hard row and cell bound by the rule of exact_rows.h. No table
    // that misses one is written.
    bool meets = false;
    std::vector<RestrictionCheck> checks;    // one per declared restriction, over `x`
    std::vector<RestrictionChange> changes;  // one per declared restriction
    // One per declared restriction where the solve knows the hard rows' multipliers
    // (SolveResult::rowMultiplier), else empty: the multiplier of the restriction's hard row,
    // NaN for a restriction without one hard row of its own (weak, or a cell's bound).
    std::vector<double> multiplier;
    SolveOutcome outcome;
};

// The table of `solve` (OPTIMAL or FEASIBLE) as it is written, in whole numbers unless
// `realValued`: whole numbers as they are, real-valued cells by writtenCells; its checks, each
// restriction's change from the base table and its multiplier, and the outcome's status,
// stage, bound, gap and work from `solve`. The outcome's settings (weakIgnored, workAllowed)
// and seconds are the caller's to set.
WrittenTable writtenTable(const Project& project, const AdjustmentProblem& problem,
                          const SolveResult& solve, bool realValued);

// Each restriction's change from the base table (one check per declared restriction over
// the base table's cells, summed as the checks of `checks` are).
std::vector<RestrictionChange> restrictionChanges(const Project& project,
                                                  const std::vector<RestrictionCheck>& checks);

// Real-valued cells as the table file writes them, without the digits below the solve's
// accuracy (1363, not 1362.9999999999998): RESULT_DIGITS significant digits, kept within
// their cells' bounds, where the table so written meets every hard row and bound by the rule
// of exact_rows.h; else the fewest digits beyond that at which it does, up to 17, which
// reproduce the computed cells exactly. (At 10^12, 12 digits are whole units: "(1) + (2) -
// (3) = 7" over cells that came out whole would move by several units and miss the row.) A
// computed table that misses a row by that rule is written with every digit, as it is.
// `meets` tells whether the written table meets every hard row and bound by that rule.
std::vector<double> writtenCells(const AdjustmentProblem& problem, const std::vector<double>& x,
                                 bool& meets);
