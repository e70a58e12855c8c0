#include "qorsolve/problem/numeric_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qorsolve/core/settings.h"

namespace {

constexpr double INF = INFINITE_BOUND;

// Rows of one, two or more cells, written as (coefficient, cell) lists.
SparseRows rowsOf(const std::vector<std::vector<std::pair<double, int32_t>>>& terms) {
    SparseRows rows;
    for (const auto& row : terms) {
        for (auto [a, j] : row) {
            rows.value.push_back(a);
            rows.column.push_back(j);
        }
        rows.start.push_back(static_cast<int64_t>(rows.column.size()));
    }
    return rows;
}

struct RayCase {
    std::string name;
    std::vector<std::vector<std::pair<double, int32_t>>> rows;
    std::vector<double> rowLower, rowUpper, columnLower, columnUpper, ray;
    std::vector<double> expected;  // empty: no proof
};

TEST(NumericChecks, CertifiedRayProvesOnlyRealContradictions) {
    const std::vector<std::pair<double, int32_t>> sum = {{1, 0}, {1, 1}};  // x0 + x1
    const std::vector<std::pair<double, int32_t>> x0 = {{1, 0}};
    const std::vector<double> noUpper = {INF, INF}, zeros = {0, 0};
    const std::vector<RayCase> cases = {
        // x0 + x1 >= 10 and x0 + x1 <= 9: y = (1, -1) proves it, whatever the sign given.
        {"two rows", {sum, sum}, {10, -INF}, {INF, 9}, zeros, noUpper, {2, -2}, {1, -1}},
        {"negated", {sum, sum}, {10, -INF}, {INF, 9}, zeros, noUpper, {-3, 3}, {1, -1}},
        // The rows can both hold: no ray proves anything.
        {"feasible", {sum, sum}, {9, -INF}, {INF, 10}, zeros, noUpper, {1, -1}, {}},
        // A row against the cell bounds: x0 + x1 >= 30 with both cells at most 10.
        {"bounds", {sum}, {30}, {INF}, zeros, {10, 10}, {5}, {1}},
        // The same with a cell without an upper bound: no proof.
        {"open cell", {sum}, {30}, {INF}, zeros, {10, INF}, {1}, {}},
        // A multiplier on a side that is infinite proves nothing.
        {"wrong side", {sum, sum}, {10, -INF}, {INF, 9}, zeros, noUpper, {1, 1}, {}},
        // Rounding noise on a third row is dropped, not taken as a multiplier.
        {"noise",
         {x0, x0, {{1, 1}}},
         {10, -INF, -INF},
         {INF, 9, INF},
         zeros,
         noUpper,
         {1, -1, 1e-14},
         {1, -1, 0}},
        // A contradiction of 1 in 10^12 is below the margin.
        {"below margin", {x0, x0}, {1e12 + 1, -INF}, {INF, 1e12}, {0}, {INF}, {1, -1}, {}},
        // One of 1 in 10^6 is a proof.
        {"above margin", {x0, x0}, {1e6 + 1, -INF}, {INF, 1e6}, {0}, {INF}, {1, -1}, {1, -1}},
        {"zero ray", {x0}, {1}, {INF}, {0}, {0}, {0}, {}},
        {"not a number", {x0}, {1}, {INF}, {0}, {0}, {std::nan("")}, {}},
        {"wrong length", {x0}, {1}, {INF}, {0}, {0}, {1, 1}, {}},
    };
    for (const RayCase& c : cases) {
        const SparseRows rows = rowsOf(c.rows);
        const std::vector<double> ray =
            certifiedRay(rows, c.rowLower, c.rowUpper, c.columnLower, c.columnUpper, c.ray);
        EXPECT_EQ(ray, c.expected) << c.name;
    }
}

TEST(NumericChecks, WeakCostAndGap) {
    EXPECT_DOUBLE_EQ(weakRowCost(2.0, 0.5), 2.0);  // a target below 1 counts as 1
    EXPECT_DOUBLE_EQ(weakRowCost(2.0, -400.0), 0.005);
    EXPECT_DOUBLE_EQ(relativeGap(100.0, 98.0), 0.02);
    EXPECT_DOUBLE_EQ(relativeGap(100.0, 101.0), 0.0);  // a bound above never gives a negative gap
    EXPECT_DOUBLE_EQ(relativeGap(0.0, 0.0), 0.0);
    EXPECT_DOUBLE_EQ(relativeGap(1e-12, 0.0), 1e-12 / GAP_FLOOR);
}

TEST(SparseRows, ByColumnsKeepsEveryEntryInRowOrder) {
    const SparseRows rows = rowsOf({{{1, 2}, {2, 0}}, {}, {{3, 2}, {4, 1}, {5, 0}}});
    const SparseColumns columns = byColumns(rows, 4);
    EXPECT_EQ(columns.columnCount(), 4);
    EXPECT_EQ(columns.start, (std::vector<int64_t>{0, 2, 3, 5, 5}));
    EXPECT_EQ(columns.row, (std::vector<int32_t>{0, 2, 2, 0, 2}));
    EXPECT_EQ(columns.value, (std::vector<double>{2, 5, 4, 1, 3}));
    EXPECT_DOUBLE_EQ(rowSum(rows, 2, {1, 10, 100, 0}), 345.0);
}

// Rows of ones need no values by column: the same entries, and every value read as 1.
TEST(SparseRows, ColumnsWithoutValuesReadAsOnes) {
    const SparseRows ones = rowsOf({{{1, 2}, {1, 0}}, {{1, 1}}});
    EXPECT_TRUE(allValuesOne(ones));
    EXPECT_FALSE(allValuesOne(rowsOf({{{1, 2}, {-1, 0}}})));
    const SparseColumns full = byColumns(ones, 3);
    const SparseColumns bare = byColumns(ones, 3, false);
    EXPECT_EQ(bare.start, full.start);
    EXPECT_EQ(bare.row, full.row);
    EXPECT_EQ(bare.values(), nullptr);
    for (int64_t k = 0; k < 3; ++k) {
        EXPECT_EQ(entryValue(bare.values(), k), entryValue(full.values(), k));
    }
}

}  // namespace
