// The checked input of an AMPL export: cell bounds brought into the model's range, and the
// hard rows sorted by relation, each with a whole-number right-hand side. The records are
// read in place from the binary data file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/binary_data_file.h"
#include "qoramp/qoramp_error.h"

// The range every cell's adjusted value is kept in: no cell goes below CELL_LOWER_FLOOR, and
// none above the largest of CELL_UPPER_CAP, CELL_BASE_FACTOR times its base value and its
// lower bound.
inline constexpr double CELL_LOWER_FLOOR = 0.0;
inline constexpr double CELL_UPPER_CAP = 100000.0;
inline constexpr double CELL_BASE_FACTOR = 10.0;

// A cell's lower bound in the model: raised to CELL_LOWER_FLOOR when below it.
inline double modelLower(double lower) {
    return lower < CELL_LOWER_FLOOR ? CELL_LOWER_FLOOR : lower;
}

// A cell's upper bound in the model: lowered to the cell's cap when it lies above. A table of
// counts above the fixed cap stays feasible: the cap grows with the base, and never cuts below
// a bound the description set. Nothing is checked (a lower bound above the upper one passes).
inline double modelUpper(double base, double lower, double upper) {
    const double cap = std::max({CELL_UPPER_CAP, CELL_BASE_FACTOR * base, modelLower(lower)});
    return upper > cap ? cap : upper;
}

// The hard rows grouped by the three relations the model knows.
struct RowLists {
    std::vector<int32_t> rightSides;  // per row: the right-hand side
    std::vector<int32_t> equalRows;   // 1-based numbers of the "=" rows, ascending
    std::vector<int32_t> lowerRows;   // 1-based numbers of the ">=" rows, ascending
    std::vector<int32_t> upperRows;   // 1-based numbers of the "<=" rows, ascending
    int32_t failedRow = -1;           // after a failed check: the 0-based row that failed it

    // True when there is at least one row.
    bool hasRestrictions() const {
        return !equalRows.empty() || !lowerRows.empty() || !upperRows.empty();
    }
};

// Checks the rows in order and groups them by relation. The first failing row decides the
// result, and a row is checked for its relation (UNDEFINED_BOUND_TYPE), then for a whole
// value (NON_INTEGER_BOUND), then for its range (BOUND_OUT_OF_RANGE); NO_MEMORY when the
// lists cannot be allocated, INVALID_FILE when the row arrays are shorter than the row count.
// `lists` is complete only when the result is OK.
QorampError checkAndGroupRows(const RowsView& hard, RowLists& lists);

// True when some hard coefficient is not exactly 1, so a row is more than a plain sum.
bool hasWeightedEntries(const RowsView& hard);
