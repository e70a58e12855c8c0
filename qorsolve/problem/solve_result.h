// What a solve of the adjustment problem found, handed from the solve (solve_table.h) to the
// outputs, which format it and compute nothing of their own about it. A fact of the solve
// that an output is to show travels here.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/core/solve_status.h"

// The stage whose table the result holds.
enum class TableStage {
    NONE,  // no table
    // The real-valued method's optimum.
    REAL_VALUED,
    // The real-valued method's last iterate, moved into its cell bounds, when the time limit
    // stopped the method with a point that meets every row and bound.
    REAL_VALUED_STOPPED,
    // The whole-number search (integer_solver.h), by the step whose table it kept last:
    ROUNDED,             // the real-valued optimum rounded to whole numbers
    MARGIN_REPAIR,       // repaired by moves between cells of a margin (margin_repair.h)
    ROUNDING_REPAIR,     // rounded and repaired along the rows (rounding_repair.h)
    BOX_MOVES,           // box moves that keep every margin (margin_repair.h)
    SLICE_CYCLES,        // cycles between slices of the table (slice_cycles.h)
    CELL_MOVES,          // moves of one cell or two that keep every hard row (cell_pair_moves.h)
    BLOCK_SEARCH,        // exact programmes over blocks of the table (neighbourhood_search.h)
    PROGRAMME,           // the programme over windows (window_model.h)
    PROGRAMME_REPAIRED,  // the programme's point, rounded and repaired
};

struct SolveResult {
    // The two-level status; OPTIMAL and FEASIBLE have a table in `x`.
    SolveStatus status;
    std::vector<double> x;  // one value per adjustable cell, for OPTIMAL and FEASIBLE
    double bound = 0.0;     // a lower bound on the optimum, for FEASIBLE
    double gap = 0.0;       // relativeGap(objective, bound) (numeric_checks.h)
    int64_t work = -1;      // the whole-number search's work units (work_limit.h); -1: none ran
    TableStage stage = TableStage::NONE;
    // One multiplier per hard row of the problem at the table, where the stage that found it
    // knows them (REAL_VALUED: the rate at which the optimum rises as the row's binding bound
    // moves up, continuous_solver.h); else empty.
    std::vector<double> rowMultiplier;
};
