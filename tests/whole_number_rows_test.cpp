#include "qorsolve/problem/whole_number_rows.h"

#include <gtest/gtest.h>

#include "tests/solver_fixtures.h"

namespace {

struct Case {
    const char* what;
    std::vector<double> coefficients;  // one row over as many cells
    double lower;
    double upper;
    int32_t row;  // expected: 1 (the row after a harmless first one) or -1
    double change;
};

TEST(WholeNumberRows, RowsNoWholeTableMeets) {
    const Case cases[] = {
        {"even sum, odd value", {2, 2}, 15, 15, 1, 1},
        {"even sum, even value", {2, 2}, 16, 16, -1, 0},
        {"one cell, fraction", {1}, 2.5, 2.5, 1, 0.5},
        {"range between multiples", {3, -6}, 4, 5, 1, 1},
        {"range reaching a multiple", {3, -6}, 4, 6, -1, 0},
        {"coefficient not whole", {1.5}, 3, 3, -1, 0},
        {"decimals whose whole multiples share 3", {0.75, 2.25}, 1, 1, 1, 0.25},
        {"decimals that reach the value", {0.75, 2.25}, 1.5, 1.5, -1, 0},
        // 3 a - 9 b = 4 in whole numbers, whatever the cells' ranges.
        {"decimals of mixed signs over open cells", {0.75, -2.25}, 1, 1, 1, 0.25},
        {"decimals of mixed signs that reach the value", {0.75, -2.25}, 1.5, 1.5, -1, 0},
        {"a quarter unit off the half units at 7e7", {0.5, -1}, 71309810.75, 71309810.75, 1, 0.25},
        {"on the half units at 7e7", {0.5, -1}, 71309810.5, 71309810.5, -1, 0},
        {"open upper side", {4}, 1, INF, -1, 0},
        {"negative values", {-4, 2}, -7, -7, 1, 1},
        {"one unit off a multiple at 6e9", {3, 3}, 6000000001, 6000000001, 1, 1},
        {"a multiple at 6e9", {3, 3}, 6000000003, 6000000003, -1, 0},
        {"one unit off a multiple at 3e15", {3, 3}, 3e15 + 1, 3e15 + 1, 1, 1},
        {"a fractional value at 1e9", {1}, 1000000000.5, 1000000000.5, 1, 0.5},
        {"range without a whole number at 1e9", {1}, 1000000000.25, 1000000000.75, 1, 0.25},
    };
    for (const Case& c : cases) {
        AdjustmentProblem problem =
            problemWithRows(static_cast<int32_t>(c.coefficients.size()), {});
        // A first row every whole table can meet, so the one found is the second.
        addHardRow(problem, std::vector<double>(c.coefficients.size(), 1.0), 0.0, INF);
        addHardRow(problem, c.coefficients, c.lower, c.upper);
        const RowWithoutWholeValue found = findRowWithoutWholeValue(problem);
        EXPECT_EQ(found.row, c.row) << c.what;
        if (c.row >= 0) {
            EXPECT_DOUBLE_EQ(found.change, c.change) << c.what;
        }
    }
}

}  // namespace
