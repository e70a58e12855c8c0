// The weak restrictions (targets with normalised weights) as a compressed sparse-row matrix.
#pragma once

#include <cstdint>
#include <vector>

struct WeakArrays {
    int32_t rowCount = 0;              // m2
    int32_t columnCount = 0;           // cellCount when m2 > 0, else 0
    int32_t nonzeroCount = 0;          // p2
    std::vector<double> target;        // m2
    std::vector<double> weight;        // m2: declared weight * m2 / sum of weights
    std::vector<int32_t> rowStart;     // m2 + 1
    std::vector<int32_t> columnIndex;  // p2
    std::vector<double> coefficient;   // p2
};
