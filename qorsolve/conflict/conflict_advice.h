// Which member of a conflict is the likely mistake. Each member, changed alone by the least
// amount that lets the others hold, ends the conflict; the figure whose correction leaves the
// adjusted table closest to its base (the least adjustment objective) is the one to check
// first, and members that do equally well are named together, never one picked at random.
#pragma once

#include <string>
#include <vector>

#include "qorsolve/conflict/conflict_line.h"
#include "qorsolve/conflict/conflict_types.h"
#include "qorsolve/core/deadline.h"
#include "qorsolve/problem/adjustment_problem.h"

// Fills conflict.objective for a conflict with known multipliers and member changes: for
// each member that is a hard row or a declared cell bound, the real-valued optimum of the
// whole adjustment with that member's value moved by its change, in the direction its
// multiplier tells (infinity when the whole table still cannot be adjusted: it has another
// conflict that this change does not end). When no member's change lets the whole table be
// adjusted, or the table is too large to solve once per member (counted in cells times
// members, so that every run gives the same answer), the objectives are those of the
// members alone over the cells they cover instead (objectiveOfWholeTable false). NaN where
// the solver gave no answer in time. The objectives use the problem's cells' cost (its
// distance and coefficients); `newSolver` solves those of the absolute distance (without one
// they are NaN). Throws nothing but std::bad_alloc.
void rankConflict(const AdjustmentProblem& problem, ConflictResult& conflict,
                  const Deadline& deadline, const LinearSolverFactory& newSolver = {});

// The "advice: ..." line with its line end, from the report's lines (their change and
// objective). Ranks the restrictions and hard rows by objective (finite before infinite
// before unknown); among infinite or unknown ones by change; names the best, or the group
// that ties with it.
std::string adviceText(const ConflictResult& conflict, const std::vector<ConflictLine>& lines);
