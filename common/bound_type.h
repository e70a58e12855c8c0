// Relation codes of restrictions and rows, and the value that stands for "no bound".
#pragma once

#include <cstdint>

enum BoundType : int32_t {
    BOUND_LOWER = 1,  // row sum >= lowerValue  (">")
    BOUND_UPPER = 2,  // row sum <= upperValue  ("<")
    BOUND_RANGE = 3,  // lowerValue <= row sum <= upperValue  ("|")
    BOUND_EQUAL = 4,  // row sum == lowerValue  ("=")
    BOUND_WEAK = 8,   // target value with a weight  ("~")
};

// +NO_BOUND as an upper value means no upper bound, -NO_BOUND as a lower value no lower bound.
inline constexpr double NO_BOUND = 1e38;

// Codes 1 to 4 are hard; every code above 4 is weak.
inline constexpr bool isWeakType(int32_t type) {
    return type > BOUND_EQUAL;
}

// The values a relation reads: its lowerValue for every relation but "<" (an equality's and
// a weak restriction's value is its lowerValue), its upperValue for "<" and ranges.
inline constexpr bool usesLowerValue(int32_t type) {
    return type != BOUND_UPPER;
}
inline constexpr bool usesUpperValue(int32_t type) {
    return type == BOUND_UPPER || type == BOUND_RANGE;
}

// Where a declared restriction is kept in the binary data file.
enum class StoredAs {
    HARD_ROW,    // a row of the hard record
    WEAK_ROW,    // a row of the weak record
    CELL_BOUND,  // a bound of its one cell
};

// Weak restrictions become weak rows, and single-cell ">", "<" and ranges bounds of their
// cell; every other restriction, a single-cell "=" included, becomes a hard row.
inline constexpr StoredAs storedAs(int32_t type, int64_t entryCount) {
    if (isWeakType(type)) return StoredAs::WEAK_ROW;
    if (entryCount == 1 && type < BOUND_EQUAL) return StoredAs::CELL_BOUND;
    return StoredAs::HARD_ROW;
}
