// A whole-number table for tables with many margins: round the real-valued optimum, then
// repair the rows it breaks with moves that respect the table's classes.
//
// Moving one unit from one cell to another that differs from it in a single class changes
// only the rows through exactly one of the two; with margins over one and two classes, those
// are the margins that involve that class. So a move mends a violated margin while the other
// margins stay as they are, where a single-cell move breaks every margin through the cell.
// The search: take a violated row (in a fixed pseudo-random order), try every single-cell move
// and every such pair move that starts in the row, and make the one that lowers the weighted
// violation most (ties: the lower cost). When no move lowers it, the weights of the violated
// rows rise by one, which moves the search out of the dead end (a breakout). Once the table
// meets every row, moves that keep every row lower its cost: a unit +1/-1 on the corners of a
// box over three classes (its other classes held) changes no margin of one or two classes.
// A box's cost is that of its cells, so problems with weak rows go without the boxes.
//
// Everything is counted in moves and evaluations, never in seconds: the same input gives the
// same table. Each search ends after a fixed number of evaluations (and boxes) whatever the
// table's size. The deadline only cuts the search short.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/problem/adjustment_problem.h"

// The moves a repair evaluates at most, whatever the table's size: the first table's ceiling
// lies above what a 4-class table of 10^6 cells needs for its first table, far above what
// tables of 10^4 cells need. Once a table is in hand, a repair only looks for a cheaper one,
// and a failed repair would spend the whole ceiling: the smaller ceiling then
// (docs/solver-notes.md).
inline constexpr int64_t FIRST_TABLE_EVALUATIONS = 300'000'000;
inline constexpr int64_t CHEAPER_TABLE_EVALUATIONS = 20'000'000;
// Below those ceilings a repair evaluates at most so many moves a cell, plus a few for tiny
// tables: a repair that finds a table needs far fewer a cell, and one that finds none would
// otherwise spend the whole ceiling on a small table that the programme then solves at once.
inline constexpr int64_t EVALUATIONS_PER_CELL = 2'000;
inline constexpr int64_t EVALUATIONS_PER_TABLE = 100'000;

struct MarginRepairResult {
    bool found = false;
    std::vector<double> x;  // whole numbers within the cells' whole-number ranges
    int64_t moves = 0;      // moves made, for reports
};

// `start` is the whole-number table to repair, within `lowerWhole` and `upperWhole` (the
// cells' whole-number ranges), `center` the real-valued optimum the cost moves lean towards,
// `bound` a lower bound for the progress line, `maxEvaluations` the moves it may evaluate
// before it gives up (fewer on small tables, see EVALUATIONS_PER_CELL). Without the problem's grid
// (classSizes and cellNumber) only single-cell moves are tried. Throws std::bad_alloc when memory
// runs out.
MarginRepairResult repairMargins(const AdjustmentProblem& problem, const std::vector<double>& start,
                                 const std::vector<double>& center,
                                 const std::vector<double>& lowerWhole,
                                 const std::vector<double>& upperWhole, const Deadline& deadline,
                                 Progress* progress, double bound,
                                 int64_t maxEvaluations = FIRST_TABLE_EVALUATIONS);

// Lowers the cost of `table`, which meets every hard row, by box moves that keep every row,
// with threshold accepting (moves that raise the cost a little are made early on, fewer and
// fewer later), and returns the cheapest table met: never costlier than `table`. A fixed
// number of moves per cell, counted, never timed; the deadline only cuts it short. Tables
// without the problem's grid, and problems with weak rows, come back unchanged. Throws
// std::bad_alloc when memory runs out.
std::vector<double> lowerTableCost(const AdjustmentProblem& problem,
                                   const std::vector<double>& table,
                                   const std::vector<double>& center,
                                   const std::vector<double>& lowerWhole,
                                   const std::vector<double>& upperWhole, const Deadline& deadline);
