// The structure-aware repair on tables with every margin of one and two classes, built from a
// whole-number table near the base so that a table exists: the repair must find one that
// meets every row, the same one on every run, with or without every cell adjustable.
#include "qorsolve/integer/margin_repair.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <vector>

#include "qorsolve/integer/rounding_repair.h"
#include "tests/solver_fixtures.h"

namespace {

struct Grid {
    std::vector<int32_t> sizes;
    int skipEvery = 0;  // every so many cells is not adjustable (0: all are)
};

// Margins of one and two classes of a table near the base, as equality rows.
AdjustmentProblem marginProblem(const Grid& grid, uint64_t seed) {
    auto cell = [](std::mt19937_64& random) {
        const double base = 1.0 + static_cast<double>(random() % 400) / 10.0;
        const double scale = 0.85 + 0.3 * static_cast<double>(random() % 100) / 100;
        return std::pair(base, std::round(base * scale));
    };
    return marginTable(grid.sizes, grid.skipEvery, seed, cell).problem;
}

TEST(MarginRepair, FindsTheSameTableOfManyMarginsOnEveryRun) {
    const Grid grids[] = {
        {{4, 5, 6}, 0}, {{5, 5, 4, 4}, 0}, {{3, 3, 3, 3, 3}, 0}, {{6, 5, 6}, 7}, {{4, 4, 4, 4}, 5},
    };
    for (const Grid& grid : grids) {
        for (uint64_t seed : {1u, 2u}) {
            AdjustmentProblem p = marginProblem(grid, seed);
            const size_t n = p.base.size();
            std::vector<double> lower(n, 0.0), upper(n, INF), start(n);
            for (size_t j = 0; j < n; ++j) start[j] = std::round(p.base[j]);
            MarginRepairResult first =
                repairMargins(p, start, p.base, lower, upper, Deadline(), nullptr, 0.0);
            ASSERT_TRUE(first.found) << grid.sizes.size() << " classes, seed " << seed;
            EXPECT_TRUE(meetsHardRows(p, first.x));
            for (size_t j = 0; j < n; ++j) EXPECT_EQ(first.x[j], std::round(first.x[j]));
            MarginRepairResult second =
                repairMargins(p, start, p.base, lower, upper, Deadline(), nullptr, 0.0);
            EXPECT_EQ(first.x, second.x);
        }
    }
}

// Threshold accepting from the repaired table: never costlier, every row still met by the
// exact rule, cells whole and within their ranges, the same table on every run; a table
// without a grid comes back as it is.
TEST(MarginRepair, LowerTableCostKeepsEveryRowAndNeverRaisesTheCost) {
    const Grid grids[] = {{{4, 5, 6}, 0}, {{4, 4, 3, 3}, 3}, {{3, 3, 3, 2, 2}, 0}};
    for (const Grid& grid : grids) {
        AdjustmentProblem p = marginProblem(grid, 3);
        const size_t n = p.base.size();
        std::vector<double> lower(n, 0.0), upper(n, INFINITE_BOUND), start(n);
        for (size_t j = 0; j < n; ++j) start[j] = std::round(p.base[j]);
        MarginRepairResult repaired =
            repairMargins(p, start, p.base, lower, upper, Deadline(), nullptr, 0.0);
        ASSERT_TRUE(repaired.found);
        // Every fourth cell may not rise above its value in the repaired table.
        for (size_t j = 0; j < n; j += 4) upper[j] = repaired.x[j];
        std::vector<double> cheaper =
            lowerTableCost(p, repaired.x, p.base, lower, upper, Deadline());
        SCOPED_TRACE(testing::Message() << grid.sizes.size() << " classes");
        EXPECT_TRUE(meetsHardRows(p, cheaper));
        EXPECT_LE(adjustmentObjective(p, cheaper), adjustmentObjective(p, repaired.x));
        for (size_t j = 0; j < n; ++j) {
            EXPECT_EQ(cheaper[j], std::round(cheaper[j]));
            EXPECT_GE(cheaper[j], lower[j]);
            EXPECT_LE(cheaper[j], upper[j]);
        }
        EXPECT_EQ(lowerTableCost(p, repaired.x, p.base, lower, upper, Deadline()), cheaper);
        // Cut short by the deadline: still a table that meets the rows.
        std::vector<double> cut =
            lowerTableCost(p, repaired.x, p.base, lower, upper, Deadline(0.0));
        EXPECT_TRUE(meetsHardRows(p, cut));
        EXPECT_LE(adjustmentObjective(p, cut), adjustmentObjective(p, repaired.x));
    }
    // A box weighs only its cells' costs: where weak rows add to the cost, neither search
    // moves a table that meets the rows.
    AdjustmentProblem weighed = marginProblem({{4, 5, 6}, 0}, 3);
    const size_t n = weighed.base.size();
    std::vector<double> lower(n, 0.0), upper(n, INFINITE_BOUND), start(n);
    for (size_t j = 0; j < n; ++j) start[j] = std::round(weighed.base[j]);
    std::vector<double> met =
        repairMargins(weighed, start, weighed.base, lower, upper, Deadline(), nullptr, 0.0).x;
    // Two units on the corners of a 2x2x2 box, + and - by turns: the rows still hold, at a
    // higher cost that the boxes would take back.
    for (int32_t corner = 0; corner < 8; ++corner) {
        const size_t j = size_t((corner >> 2) * 30 + (corner >> 1 & 1) * 6 + (corner & 1));
        met[j] += std::popcount(uint32_t(corner)) % 2 == 0 ? 2.0 : -2.0;
        ASSERT_GE(met[j], 0.0);
    }
    ASSERT_TRUE(meetsHardRows(weighed, met));
    ASSERT_NE(lowerTableCost(weighed, met, weighed.base, lower, upper, Deadline()), met);
    weighed.weak.start = {0, 1};
    weighed.weak.column = {0};
    weighed.weak.value = {1.0};
    weighed.weakTarget = {met[0]};
    weighed.weakWeight = {1.0};
    EXPECT_EQ(lowerTableCost(weighed, met, weighed.base, lower, upper, Deadline()), met);
    EXPECT_EQ(repairMargins(weighed, met, weighed.base, lower, upper, Deadline(), nullptr, 0.0).x,
              met);

    AdjustmentProblem flat = marginProblem({{4, 5}, 0}, 1);
    const std::vector<double> table(flat.base.size(), 1.0);
    flat.classSizes.clear();
    EXPECT_EQ(lowerTableCost(flat, table, flat.base, table, table, Deadline()), table);
}

TEST(MarginRepair, WithoutAGridSingleCellsMoveAndADeadlineOrCeilingStopsIt) {
    // Cells of one class with a total: no grid is needed.
    AdjustmentProblem p = problemWithRows(4, {{{0, 1, 2, 3}, {1, 1, 1, 1}, 18, 18}});
    p.base = {3.4, 2.6, 7.5, 1.5};
    std::vector<double> lower(4, 0.0), upper(4, INF), start = {3, 3, 8, 2};
    MarginRepairResult r = repairMargins(p, start, p.base, lower, upper, Deadline(), nullptr, 0.0);
    ASSERT_TRUE(r.found);
    EXPECT_TRUE(meetsHardRows(p, r.x));
    // A grid that does not fit the cells is not used.
    p.classSizes = {3};
    p.cellNumber = {0, 1, 2, 3};
    EXPECT_TRUE(repairMargins(p, start, p.base, lower, upper, Deadline(), nullptr, 0.0).found);
    EXPECT_FALSE(repairMargins(p, start, p.base, lower, upper, Deadline(0.0), nullptr, 0.0).found);
    // So does its ceiling of evaluated moves: the first move takes more than one.
    EXPECT_FALSE(repairMargins(p, start, p.base, lower, upper, Deadline(), nullptr, 0.0, 1).found);
}

}  // namespace
