// Lowers the cost of a whole-number table by moves along cycles between two planes of the
// table.
//
// Take two classes b and c. A plane is a slice of the table over b and c: the cells with one
// value of every other class. Two planes differ in one or more of those values. Moving a unit
// from cell (j, k) of one plane to cell (j, k) of the other keeps every margin over b and c
// together, and a set of such moves whose units sum to zero along every value j of b and every
// value k of c keeps every other margin of one or two classes as well (along j in each plane,
// along k in each plane, over each plane as a whole). Such a set is a circulation in the graph
// whose nodes are the values of b and c and whose edges are the pairs (j, k); the cheapest one
// is a min-cost circulation, and a cycle of negative cost in its residual graph lowers the
// table's cost (the box moves over three classes are cycles of length four between planes
// that differ in one class). Cycles are found by Bellman-Ford and cancelled, for every pair of
// planes of every pair of classes, until a pass finds none or the work runs out.
//
// A cycle is made only when it leaves the value of every hard row through its cells as it
// was, so the table meets every row it met; rows that are not such margins stop a block.
// Everything is counted, never timed: the same table gives the same result.
#pragma once

#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/problem/adjustment_problem.h"

// `table` meets every hard row and lies within `lowerWhole` and `upperWhole`. Tables without a
// grid of at least three classes, and problems with weak rows (whose cost is not the cells'),
// come back unchanged. The deadline only cuts the search short. `progress` (may be null) shows
// the table's cost beside `bound`. Throws std::bad_alloc when memory runs out.
std::vector<double> cancelSliceCycles(const AdjustmentProblem& problem,
                                      const std::vector<double>& table,
                                      const std::vector<double>& lowerWhole,
                                      const std::vector<double>& upperWhole,
                                      const Deadline& deadline, Progress* progress = nullptr,
                                      double bound = 0.0);
