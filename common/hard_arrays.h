// The hard restrictions as a compressed sparse-row matrix over the columns of BaseArrays.
#pragma once

#include <cstdint>
#include <vector>

struct HardArrays {
    int32_t rowCount = 0;              // m
    int32_t columnCount = 0;           // cellCount when m > 0, else 0
    int32_t nonzeroCount = 0;          // p
    std::vector<int32_t> boundType;    // m: BoundType 1 to 4
    std::vector<double> lowerValue;    // m
    std::vector<double> upperValue;    // m
    std::vector<int32_t> rowStart;     // m + 1: rowStart[0] = 0, rowStart[m] = p
    std::vector<int32_t> columnIndex;  // p
    std::vector<double> coefficient;   // p
};
