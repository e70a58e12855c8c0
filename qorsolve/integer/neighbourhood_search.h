// Improves a whole-number table of a table with a grid by solving small whole-number
// programmes exactly, each over the cells of one block of the table with every other cell held.
//
// A block is the cells whose values in four classes (five, on tables of five classes or more)
// lie in chosen groups of a few values each, every other class held at one value. Within it
// each cell may move by one unit up or down; the programme minimises the change of the cost under
// every hard row through the block (a row's other cells held), so it finds the best combination of
// the box moves inside the block at once, where a local search makes them one by one and stops at
// the first combination no single box improves. A block's table replaces the incumbent only when it
// meets every hard row by the exact rule and costs less. The blocks are visited in a fixed order,
// in passes with the ranges shifted by half a block (with the values' order shuffled by a fixed
// sequence, on five classes or more), until passes improve nothing or the work share is spent:
// simplex iterations and nodes count in the search's work limit, so the same input gives the same
// table.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/core/work_limit.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/adjustment_problem.h"

struct NeighbourhoodResult {
    std::vector<double> x;  // the improved table (the start when nothing improved)
    double objective = 0.0;
    int32_t improvements = 0;  // blocks whose solution replaced the incumbent
    int32_t blocks = 0;        // programmes solved
};

// `start` is a whole-number table that meets every hard row, within `lowerWhole` and
// `upperWhole`. Only for tables with a grid of at least four classes and without weak rows;
// otherwise the start comes back unchanged. The search stops once `work` has spent
// `workUntil` units (or the deadline passes); without `work`, after the passes. `progress`
// (may be null) shows the table's cost beside `bound`. Throws std::bad_alloc when memory
// runs out.
NeighbourhoodResult searchNeighbourhoods(const AdjustmentProblem& problem,
                                         const std::vector<double>& start,
                                         const std::vector<double>& lowerWhole,
                                         const std::vector<double>& upperWhole,
                                         LinearSolver& solver, WorkLimit* work, int64_t workUntil,
                                         const Deadline& deadline, Progress* progress,
                                         double bound);
