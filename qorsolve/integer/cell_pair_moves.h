// Lowers the cost of a whole-number table by moving one cell, or two cells together, by one
// unit while every hard row still holds.
//
// A cell moved alone changes every row through it. Where that breaks a hard row, a second cell
// of that row may move with it and keep the row, as a unit moved from one term of a sum to
// another keeps the sum; where it breaks several rows, the second cell must lie in each of
// them, so it is sought in the shortest. Where the cell alone breaks nothing, a second cell of
// a row through it may still pay: one that shares a weak row with it (their changes of that
// row's value offset each other), or one that needs the room the first move leaves in an
// inequality row. A second cell that shares no row with the first moves as well alone, so
// it is not tried as a partner.
//
// Each cell in turn, down and up, takes the move that lowers the cost most; passes over all
// cells go on until one lowers nothing or the evaluations run out. Of a long row only a
// window of cells is weighed as partners, elsewhere in each pass; a pass that weighed such a
// window is not the last for lowering nothing. Everything is counted,
// never timed: the same table gives the same result. Moves are weighed in double precision
// and each one taken is checked against its rows by the rule of exact_rows.h.
#pragma once

#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/problem/adjustment_problem.h"

// `table` meets every hard row and lies within `lowerWhole` and `upperWhole` (each one value
// per cell). The result does too, and costs no more. Tables of more than PAIRED_CELLS cells
// come back unchanged. The deadline only cuts the search short. Throws std::bad_alloc when
// memory runs out.
std::vector<double> improveByCellPairs(const AdjustmentProblem& problem,
                                       const std::vector<double>& table,
                                       const std::vector<double>& lowerWhole,
                                       const std::vector<double>& upperWhole,
                                       const Deadline& deadline);

// Above this many cells one pass over them would take most of the evaluations, and the rows
// by cell would add to the memory of the largest tables, whose programme is never built.
inline constexpr int32_t PAIRED_CELLS = 100000;
