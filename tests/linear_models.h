// Small linear and mixed-integer programmes written out densely, for the tests of the solvers
// behind LinearSolver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "qorsolve/lp/linear_solver.h"

// rows: one {coefficients over all columns} per row; zeros are left out.
inline LinearModel makeModel(const std::vector<std::vector<double>>& rows,
                             std::vector<double> rowLower, std::vector<double> rowUpper,
                             std::vector<double> columnLower, std::vector<double> columnUpper,
                             std::vector<double> cost) {
    LinearModel m;
    for (const auto& row : rows) {
        for (std::size_t j = 0; j < row.size(); ++j) {
            if (row[j] == 0.0) continue;
            m.rows.column.push_back(static_cast<int32_t>(j));
            m.rows.value.push_back(row[j]);
        }
        m.rows.start.push_back(static_cast<int64_t>(m.rows.column.size()));
    }
    m.rowLower = std::move(rowLower);
    m.rowUpper = std::move(rowUpper);
    m.columnLower = std::move(columnLower);
    m.columnUpper = std::move(columnUpper);
    m.cost = std::move(cost);
    return m;
}

// min -5x - 4y: 6x + 4y <= 24, x + 2y <= 6, x, y >= 0 whole; the LP optimum is (3, 1.5) at
// -21, the whole-number optimum (4, 0) at -20.
inline LinearModel smallKnapsack() {
    constexpr double INF = INFINITE_BOUND;
    LinearModel m =
        makeModel({{6, 4}, {1, 2}}, {-INF, -INF}, {24, 6}, {0, 0}, {INF, INF}, {-5, -4});
    m.isInteger = {1, 1};
    return m;
}
