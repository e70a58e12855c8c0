// Equality rows that no table of whole numbers can meet together, by their coefficients alone.
//
// Each row may take a whole value on its own, and the rows together may hold in real numbers,
// and still no whole numbers meet them all: "(1) + (2) = 2000001; (1) - (2) = 0" asks for
// 2 (1) = 2000001. Half the first row plus half the second is the cell (1), a whole number,
// and the same half-sums of the values are 1000000.5. A search over whole numbers cannot see
// that from its relaxations, which all hold, and branches until a limit ends it.
//
// The check is exact: over whole numbers, A t = b has a solution if and only if the Hermite
// form of A (A U = [H 0], U whole with determinant +-1, H lower triangular) solves H y = b in
// whole numbers, row by row; where it does not, the form gives the weights of a combination of
// rows that proves it, and only a proof checked on the rows counts. Cell bounds play no part: a set
// that fails here fails with any bounds. Only rows that pin a sum to one whole value take part
// (decimal ones multiplied to whole coefficients); ranges and single rows are left to the other
// checks.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/problem/adjustment_problem.h"

struct RowsWithoutWholeSolution {
    // 0-based hard rows that no whole-number table meets together, irreducible: every row
    // less lets the others hold. Empty when no such set was found.
    std::vector<int32_t> rows;
    // One per row: the least change of that row's value alone that lets the others hold.
    std::vector<double> change;
    // The proof, checked on the rows: one whole weight per row, such that the rows times their
    // weights add up to a sum that counts every cell a multiple of `divisor` (> 1) times, while
    // their values times the weights add up to no multiple of it, the first weight > 0. Empty
    // where a decimal row's weight would not be whole or the sum of values reaches 2^53; the
    // rows are found all the same.
    std::vector<double> weight;
    double divisor = 0.0;
};

// Rows sharing cells are checked together, in sets of up to LARGEST_SYSTEM entries (rows
// squared times cells: the check of one set with its reduction to an irreducible one).
// Larger sets, and sets whose reduction would leave whole numbers of 2^40, are not checked.
inline constexpr int64_t LARGEST_SYSTEM = 20000000;

// Throws std::bad_alloc when memory runs out.
RowsWithoutWholeSolution findRowsWithoutWholeSolution(const AdjustmentProblem& problem);
