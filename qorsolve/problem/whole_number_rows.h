// Rows that no table of whole numbers can meet, by their coefficients alone.
//
// A row whose coefficients are all whole numbers takes, over whole-number cells, exactly the
// multiples of their greatest common divisor g. When no multiple of g lies between the row's
// lower and upper value, no whole-number table meets the row, whatever the other rows and the
// cell bounds say ("2 a + 2 b = 15"). Such a row is a conflict by itself, found without search.
// A row of decimal coefficients is taken multiplied to whole ones (wholeMultiplier), within
// the tolerance that rows which are not exact are met to (exact_rows.h): 0.333 a + 1.5 b =
// 452.5 is 333 a + 1500 b = 452500, whose left side takes multiples of 3 only, and the nearest
// to 452500 are 452499 and 452502.
#pragma once

#include <cstdint>
#include <vector>

#include "qorsolve/problem/adjustment_problem.h"

struct RowWithoutWholeValue {
    int32_t row = -1;     // 0-based hard row, or -1 when every row can take a whole value
    double change = 0.0;  // the least move of the row's values that lets it take one
};

RowWithoutWholeValue findRowWithoutWholeValue(const AdjustmentProblem& problem);
