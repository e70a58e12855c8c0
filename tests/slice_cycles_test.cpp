// Cycles between two planes: a table whose only cheaper neighbour lies a cycle of six cells away
// (every box move is blocked by a cell fixed at its value) must reach the base; a cycle that
// would change a row other than the margins must not be made; and a table of many margins,
// some cells not adjustable, must get cheaper without losing a row.
#include "qorsolve/integer/slice_cycles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "qorsolve/integer/margin_repair.h"
#include "qorsolve/integer/rounding_repair.h"
#include "tests/solver_fixtures.h"

namespace {

// A 2 x 3 x 3 table of base 100 with every margin of one and two classes at the base's. The
// table is base + P in the first slice and base - P in the second, with P the cycle
// (0,0)+ (0,1)- (1,1)+ (1,2)- (2,2)+ (2,0)-: it meets every margin. The cells where P is 0
// are held at the base, so every box over the slices meets one of them and cannot move.
struct SixCycle {
    AdjustmentProblem problem;
    std::vector<double> table, lower, upper;
};

SixCycle sixCycle() {
    const double pattern[3][3] = {{1, -1, 0}, {0, 1, -1}, {-1, 0, 1}};
    SixCycle s;
    AdjustmentProblem& p = s.problem;
    p.classSizes = {2, 3, 3};
    for (int32_t n = 0; n < 18; ++n) {
        const int32_t slice = n / 9, j = n / 3 % 3, k = n % 3;
        const double change = pattern[j][k] * (slice == 0 ? 1 : -1);
        p.cellNumber.push_back(n);
        p.base.push_back(100.0);
        p.lower.push_back(0.0);
        p.upper.push_back(INF);
        s.table.push_back(100.0 + change);
        s.lower.push_back(pattern[j][k] == 0 ? 100.0 : 0.0);
        s.upper.push_back(pattern[j][k] == 0 ? 100.0 : 1000.0);
    }
    addMarginRows(p, p.base);
    return s;
}

TEST(SliceCycles, CancelsACycleThatNoBoxMoveReaches) {
    SixCycle s = sixCycle();
    ASSERT_TRUE(meetsHardRows(s.problem, s.table));
    // The box moves find nothing: the cycle is the only way down.
    EXPECT_EQ(lowerTableCost(s.problem, s.table, s.problem.base, s.lower, s.upper, Deadline()),
              s.table);
    EXPECT_EQ(cancelSliceCycles(s.problem, s.table, s.lower, s.upper, Deadline()), s.problem.base);
}

TEST(SliceCycles, LeavesACycleThatWouldChangeAnotherRow) {
    // A row over the first cell alone, met where it stands: the cycle would move it.
    SixCycle s = sixCycle();
    std::vector<double> first(18, 0.0);
    first[0] = 1.0;
    addHardRow(s.problem, first, 101.0, 101.0);
    EXPECT_EQ(cancelSliceCycles(s.problem, s.table, s.lower, s.upper, Deadline()), s.table);
}

TEST(SliceCycles, LowersTheCostAndKeepsEveryRow) {
    // From the whole-number table the margins were taken from, 20 % below the base on average;
    // with cells that are not adjustable and a class of one value too.
    struct Grid {
        std::vector<int32_t> sizes;
        int skipEvery;
    };
    const Grid grids[] = {
        {{5, 4, 6}, 0}, {{4, 4, 3, 3}, 5}, {{3, 3, 3, 2, 2}, 0}, {{4, 1, 5, 3}, 3}};
    for (const Grid& grid : grids) {
        MarginTable m = marginTable(grid.sizes, grid.skipEvery, 7, [](std::mt19937_64& random) {
            const double base = 1.0 + static_cast<double>(random() % 400) / 10.0;
            return std::pair(base, std::round(base * (0.6 + 0.004 * double(random() % 100))));
        });
        const AdjustmentProblem& p = m.problem;
        const std::vector<double> lower(p.base.size(), 0.0), upper(p.base.size(), INF);
        const std::vector<double> cycled = cancelSliceCycles(p, m.table, lower, upper, Deadline());
        EXPECT_TRUE(meetsHardRows(p, cycled)) << grid.sizes.size() << " classes";
        EXPECT_LT(adjustmentObjective(p, cycled), adjustmentObjective(p, m.table));
        for (double v : cycled) EXPECT_EQ(v, std::round(v));
        EXPECT_EQ(cycled, cancelSliceCycles(p, m.table, lower, upper, Deadline()));
    }
}

}  // namespace
