// The search for an irreducible conflict (conflict_types.h) of an adjustment problem that has
// no table: the one entry to the search, whose steps conflict_finder.cpp describes.
#pragma once

#include "qorsolve/conflict/conflict_types.h"
#include "qorsolve/continuous/continuous_solver.h"
#include "qorsolve/problem/adjustment_problem.h"

// `hint`, when given, is an INFEASIBLE or NOT_CONVERGED result of solveContinuous (its suspect rows
// narrow the search on large tables: the whole problem is solved only when they give no conflict).
// Every "cannot hold" verdict of the LP solver is checked against its Farkas ray, and every
// "can hold" verdict against the point it gives. With wholeNumbers the search runs until
// options.deadline or the settings' work limit, and gives a set not shown irreducible when either
// runs out. An irreducible set over real numbers comes with its multipliers and, as far as the
// deadline allows, the objectives of rankConflict. Without options.newSolver the call FAILED.
// Throws nothing.
ConflictResult findConflict(const AdjustmentProblem& problem, const ConflictOptions& options,
                            const ContinuousResult* hint);
