// The search over blocks on tables with every margin of one and two classes, started from a
// whole-number table that meets them (the one they were summed from) with the base moved
// away from it: an improvement must keep every row exact and every cell within its range,
// and two runs must give the same table.
#include "qorsolve/integer/neighbourhood_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "qorsolve/integer/rounding_repair.h"
#include "qorsolve/lp/coin_solver.h"
#include "tests/solver_fixtures.h"

namespace {

struct Case {
    std::vector<int32_t> sizes;
    int skipEvery;  // every so many cells is not adjustable (0: all are)
    bool improves;  // whether the search must find a better table
};

// The known table of whole numbers from 1 to 40, the base moved from it by up to 2.
MarginTable marginInstance(const Case& c, uint64_t seed) {
    return marginTable(c.sizes, c.skipEvery, seed, [](std::mt19937_64& random) {
        const double value = 1.0 + static_cast<double>(random() % 40);
        return std::pair(std::max(0.5, value + static_cast<double>(random() % 41) / 10.0 - 2.0),
                         value);
    });
}

TEST(NeighbourhoodSearch, ImprovesOnlyByTablesThatMeetEveryRowTheSameOnEveryRun) {
    const Case cases[] = {
        {{3, 3, 3, 3}, 0, true},
        {{3, 3, 3, 3, 3}, 0, true},  // five classes of three values: one block, the table
        {{4, 3, 3, 3, 3}, 5, true},  // values shuffled per pass; cells left out
        {{6, 5, 4, 3}, 7, true},     // ranges shifted between passes; cells left out
        {{5, 5, 5}, 0, false},       // three classes: not searched
    };
    for (const Case& c : cases) {
        MarginTable in = marginInstance(c, 3);
        const AdjustmentProblem& p = in.problem;
        const size_t n = p.base.size();
        // Every third cell may not rise above its value in the start table.
        std::vector<double> lower(n, 0.0), upper(n, INF);
        for (size_t j = 0; j < n; j += 3) upper[j] = in.table[j];
        auto run = [&]() {
            std::unique_ptr<LinearSolver> solver = makeCoinSolver();
            WorkLimit work(100000);
            return searchNeighbourhoods(p, in.table, lower, upper, *solver, &work, 50000,
                                        Deadline(), nullptr, 0.0);
        };
        NeighbourhoodResult first = run();
        const double before = adjustmentObjective(p, in.table);
        SCOPED_TRACE(testing::Message() << c.sizes.size() << " classes, first " << c.sizes[0]);
        EXPECT_TRUE(meetsHardRows(p, first.x));
        EXPECT_EQ(first.objective, adjustmentObjective(p, first.x));
        EXPECT_LE(first.objective, before);
        EXPECT_EQ(first.improvements > 0, c.improves);
        if (!c.improves) {
            EXPECT_EQ(first.x, in.table);
        }
        for (size_t j = 0; j < n; ++j) {
            EXPECT_EQ(first.x[j], std::round(first.x[j]));
            EXPECT_GE(first.x[j], lower[j]);
            EXPECT_LE(first.x[j], upper[j]);
        }
        EXPECT_EQ(run().x, first.x);
    }
}

TEST(NeighbourhoodSearch, StopsWhenItsShareOfTheWorkIsSpent) {
    MarginTable in = marginInstance({{4, 4, 4, 4}, 0, true}, 5);
    const size_t n = in.problem.base.size();
    std::vector<double> lower(n, 0.0), upper(n, INF);
    std::unique_ptr<LinearSolver> solver = makeCoinSolver();
    WorkLimit work(1000);
    work.spend(600);
    NeighbourhoodResult r = searchNeighbourhoods(in.problem, in.table, lower, upper, *solver, &work,
                                                 600, Deadline(), nullptr, 0.0);
    EXPECT_EQ(r.blocks, 0);
    EXPECT_EQ(r.x, in.table);
    EXPECT_EQ(work.spent(), 600);
    // With less of the share left than a block's setup counts, one block is solved.
    NeighbourhoodResult some = searchNeighbourhoods(in.problem, in.table, lower, upper, *solver,
                                                    &work, 700, Deadline(), nullptr, 0.0);
    EXPECT_EQ(some.blocks, 1);
    EXPECT_GE(work.spent(), 700);
    EXPECT_TRUE(meetsHardRows(in.problem, some.x));
}

// A block's table is checked on the rows through the block only where the start meets every
// row; from a start that misses one (cell 0 below a bound it may not rise to), no block's table
// is taken, however much cheaper. A passed deadline stops the search before its first block.
TEST(NeighbourhoodSearch, TakesNoTableFromABrokenStartAndStopsAtAPassedDeadline) {
    const struct {
        const char* name;
        bool brokenStart;
        Deadline deadline;
    } cases[] = {
        {"a start that meets every row", false, Deadline()},
        {"a start that misses a row", true, Deadline()},
        {"a passed deadline", false, Deadline(0.0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Blocks of up to 4 values of each class: most leave cell 0 out.
        MarginTable in = marginInstance({{6, 5, 4, 3}, 0, true}, 3);
        AdjustmentProblem& p = in.problem;
        const size_t n = p.base.size();
        std::vector<double> lower(n, 0.0), upper(n, INF);
        if (c.brokenStart) {
            upper[0] = in.table[0];
            std::vector<double> coefficients(n, 0.0);
            coefficients[0] = 1.0;
            addHardRow(p, coefficients, in.table[0] + 1.0, INF);
        }
        std::unique_ptr<LinearSolver> solver = makeCoinSolver();
        WorkLimit work(100000);
        const NeighbourhoodResult r = searchNeighbourhoods(p, in.table, lower, upper, *solver,
                                                           &work, 50000, c.deadline, nullptr, 0.0);
        const bool improves = !c.brokenStart && c.deadline.remaining() > 0.0;
        EXPECT_EQ(r.improvements > 0, improves);
        if (improves) {
            EXPECT_TRUE(meetsHardRows(p, r.x));
        } else {
            EXPECT_EQ(r.x, in.table);
        }
        if (c.deadline.limited()) {
            EXPECT_EQ(r.blocks, 0);
        }
    }
}

}  // namespace
