// The LinearSolver on COIN-OR: Clp for linear programmes, CBC for mixed-integer ones. Only the
// program's composition root names it; every stage gets it as a LinearSolverFactory.
#pragma once

#include <memory>

#include "qorsolve/lp/linear_solver.h"

// The failure text of a solve refused because a cost lies beyond what Clp solves exactly
// (CallStatus::OUT_OF_RANGE).
inline constexpr const char* COIN_COSTS_TOO_LARGE =
    "a cost lies beyond the range COIN-OR solves exactly";

// A new COIN-OR solver; nullptr when memory runs out.
std::unique_ptr<LinearSolver> makeCoinSolver();
