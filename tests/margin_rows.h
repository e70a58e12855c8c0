// Every margin of one and two classes as equality rows, for the tests of the whole-number
// search on generated tables.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "qorsolve/adjustment_problem.h"

// Adds to `p` one row per margin of one class and of each pair of classes over its adjustable
// cells (p.classSizes, p.cellNumber), each equal to the sum of `table` (one value per
// adjustable cell) over its cells.
inline void addMarginRows(AdjustmentProblem& p, const std::vector<double>& table) {
    const size_t k = p.classSizes.size();
    auto index = [&](int32_t n, size_t c) {
        for (size_t d = k; d-- > c + 1;) n /= p.classSizes[d];
        return n % p.classSizes[c];
    };
    for (size_t c1 = 0; c1 < k; ++c1) {
        for (size_t c2 = c1; c2 < k; ++c2) {  // c2 == c1: the margins of one class
            std::map<std::pair<int32_t, int32_t>, std::vector<int32_t>> rows;
            for (size_t j = 0; j < p.base.size(); ++j) {
                rows[{index(p.cellNumber[j], c1), index(p.cellNumber[j], c2)}].push_back(
                    static_cast<int32_t>(j));
            }
            for (const auto& [key, cells] : rows) {
                double sum = 0.0;
                for (int32_t j : cells) {
                    p.hard.column.push_back(j);
                    p.hard.value.push_back(1.0);
                    sum += table[static_cast<size_t>(j)];
                }
                p.hard.start.push_back(static_cast<int64_t>(p.hard.column.size()));
                p.hardLower.push_back(sum);
                p.hardUpper.push_back(sum);
            }
        }
    }
}
