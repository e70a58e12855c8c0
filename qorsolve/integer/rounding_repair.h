// A first whole-number table: round the real-valued optimum, then repair the hard rows it
// breaks by moving single cells one unit at a time.
//
// The repair is a local search on the total row violation: it takes a violated row at random
// and moves the cell of that row that lowers the violation most (ties: the least increase of
// the cells' cost), sometimes a random one of them, never undoing a cell's last move at once.
// A few such walks with more or less randomness run one after the other; the cheapest table
// is kept. Then chains of moves lower its cost: one cell a unit towards the real-valued
// optimum, a few greedy moves that mend the rows it breaks, kept when the table holds again
// and costs less.
// On tables with all 2-class margins the violations travel between rows and cancel out; this
// finds a table far sooner than branching does. It proves nothing: a failure says nothing
// about whether a table exists.
#pragma once

#include <cmath>
#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/core/solve_status.h"
#include "qorsolve/problem/adjustment_problem.h"

struct RoundingResult {
    // In the words of solve_status.h: FEASIBLE when x meets every hard row and cell bound by
    // the rule of exact_rows.h; NO_POINT when no table was found within the search's time and
    // work, which says nothing about whether one exists (also for arguments that do not fit
    // the problem); or the call NO_MEMORY.
    SolveStatus status = modelStatus(ModelStatus::NO_POINT);
    std::vector<double> x;  // for FEASIBLE: whole numbers within the cells' whole-number ranges
};

// `lowerWhole` and `upperWhole` are the cells' whole-number ranges (lowerWhole <= upperWhole),
// `center` the table to round, each one value per cell. Takes at most a fifth of the time left
// before the deadline, and a fixed amount of work that grows with the table. Shows phase
// "repair" on `progress` (if any) with `bound` as the bound. Throws nothing; an allocation
// failure gives NO_MEMORY.
RoundingResult roundAndRepair(const AdjustmentProblem& problem, const std::vector<double>& center,
                              const std::vector<double>& lowerWhole,
                              const std::vector<double>& upperWhole, const Deadline& deadline,
                              Progress* progress = nullptr, double bound = NAN);

// Whether whole-number `x` meets every hard row and cell bound: exactly, rows of fractional
// coefficients to ROW_TOLERANCE (exact_rows.h).
bool meetsHardRows(const AdjustmentProblem& problem, const std::vector<double>& x);
