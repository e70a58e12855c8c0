// The checked input of an AMPL export: cell bounds brought into the model's range, and the
// hard rows sorted by relation, each with a whole-number right-hand side.
#pragma once

#include <cstdint>
#include <vector>

#include "common/base_arrays.h"
#include "common/hard_arrays.h"

// The range every cell's adjusted value is kept in: no cell goes below CELL_LOWER_FLOOR, and
// none above the largest of CELL_UPPER_CAP, CELL_BASE_FACTOR times its base value and its
// lower bound.
inline constexpr double CELL_LOWER_FLOOR = 0.0;
inline constexpr double CELL_UPPER_CAP = 100000.0;
inline constexpr double CELL_BASE_FACTOR = 10.0;

// Raises lower bounds below CELL_LOWER_FLOOR to it and lowers each upper bound to the cell's
// cap when it lies above. Nothing else is changed or checked (a lower bound above the upper
// one passes).
void clampCellBounds(BaseArrays& cells);

// The hard rows sorted into the three relations the model knows.
struct RowLists {
    std::vector<int32_t> rght;  // per row: the right-hand side
    std::vector<int32_t> eq;    // 1-based numbers of the "=" rows, ascending
    std::vector<int32_t> lo;    // 1-based numbers of the ">=" rows, ascending
    std::vector<int32_t> up;    // 1-based numbers of the "<=" rows, ascending

    // True when there is at least one row.
    bool hasRestrictions() const { return !eq.empty() || !lo.empty() || !up.empty(); }
};

enum class RowCheck {
    OK,
    NO_MEMORY,             // the lists cannot be allocated
    UNDEFINED_BOUND_TYPE,  // a row whose relation is not ">=", "<=" or "="
    NON_INTEGER_BOUND,     // a right-hand side with a fraction, or NaN
    BOUND_OUT_OF_RANGE,    // a whole right-hand side without an int32 value (infinity too)
    INCONSISTENT,          // the row arrays are shorter than the row count
};

// Examines the rows in order; the first failing row decides the result, and a row is checked
// for its relation, then for a whole value, then for its range. `lists` is complete only
// when the result is OK.
RowCheck sortRows(const HardArrays& hard, RowLists& lists);

// True when some hard coefficient is not exactly 1, so a row is more than a plain sum.
bool hasWeightedEntries(const HardArrays& hard);
