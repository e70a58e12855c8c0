// The adjustable cells of a table: the cells with a positive base value, one column each.
#pragma once

#include <cstdint>
#include <vector>

struct BaseArrays {
    int32_t tableSize = 0;           // cells of the full table
    int32_t cellCount = 0;           // adjustable cells (columns)
    std::vector<int32_t> cellIndex;  // full-table cell number of each column, ascending
    std::vector<double> base;        // base value of each column, > 0
    std::vector<double> lower;       // lower bound of the adjusted value
    std::vector<double> upper;       // upper bound of the adjusted value
};
