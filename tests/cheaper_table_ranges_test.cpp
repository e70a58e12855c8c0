// The ranges of cheaper tables against brute force: whatever the multipliers, every whole
// table that meets the rows and costs at most the given cost lies inside them; from the
// real-valued optimum's multipliers they are as narrow as the cost allows.
#include "qorsolve/integer/cheaper_table_ranges.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "qorsolve/continuous/continuous_solver.h"
#include "tests/solver_fixtures.h"

namespace {

// Every whole table of `p` that meets the hard rows and costs at most `cost` lies inside `r`;
// returns how many there were.
int tablesInside(const AdjustmentProblem& p, const CheaperTableRanges& r, double cost) {
    int found = 0;
    forEachWholeTable(p, INF, [&](const std::vector<double>& x) {
        if (plainCost(p, x) > cost) return;
        ++found;
        for (size_t j = 0; j < x.size(); ++j) {
            EXPECT_GE(x[j], r.cellLower[j]) << "cell " << j;
            EXPECT_LE(x[j], r.cellUpper[j]) << "cell " << j;
        }
        for (int32_t w = 0; w < p.weak.rowCount(); ++w) {
            const double v = plainRowSum(p.weak, w, x);
            EXPECT_GE(v, r.weakLower[size_t(w)]) << "weak row " << w;
            EXPECT_LE(v, r.weakUpper[size_t(w)]) << "weak row " << w;
        }
    });
    return found;
}

TEST(CheaperTableRanges, HoldEveryCheaperTableWhateverTheMultipliers) {
    std::mt19937_64 random(11);
    int tables = 0;
    for (int trial = 0; trial < 60; ++trial) {
        AdjustmentProblem p = fourRandomCells(random);
        addHardRow(p, {1, 1, 1, 1}, 9, 9);
        addHardRow(p, {1, 0, 1.5, 0}, 3, INF);
        addHardRow(p, {0, 2, 0, 1}, -INF, 8);
        if (trial % 2 == 0) {  // a weak row of whole coefficients, one of a decimal
            addRow(p.weak, {1, -1, 0, 0});
            p.weakTarget.push_back(1.0);
            p.weakWeight.push_back(0.5);
            addRow(p.weak, {0, 0, 0.3, 1});
            p.weakTarget.push_back(2.5);
            p.weakWeight.push_back(2.0);
        }
        const BruteForce optimum = bruteForce(p);
        if (!std::isfinite(optimum.cost)) continue;
        const std::vector<double> lower(4, 0.0), upper(4, 6.0);
        const double cost = optimum.cost + static_cast<double>(random() % 20) / 10.0;

        // The real-valued optimum's multipliers, and any others (some of a sign that does not
        // fit their row), at any centre.
        ContinuousOptions options;
        ContinuousResult relaxed = solveContinuous(p, options);
        ASSERT_EQ(relaxed.status.model, ModelStatus::OPTIMAL);
        std::vector<double> any(3), center(4);
        for (double& y : any) y = static_cast<double>(random() % 41) / 10.0 - 2.0;
        for (double& c : center) c = static_cast<double>(random() % 60) / 10.0;
        for (const auto& [dual, at] : {std::pair{relaxed.hardDual, relaxed.x}, {any, center}}) {
            const CheaperTableRanges r = cheaperTableRanges(p, lower, upper, dual, at, cost);
            ASSERT_TRUE(r.used) << trial;
            EXPECT_LE(r.bound, optimum.cost + 1e-9) << trial;
            for (size_t j = 0; j < 4; ++j) {
                EXPECT_GE(r.cellLower[j], 0.0);
                EXPECT_LE(r.cellUpper[j], 6.0);
            }
            tables += tablesInside(p, r, cost);
        }
    }
    EXPECT_GE(tables, 100);
}

// Two cells of base 100 that must add up to 190: the real-valued optimum is 95 and 95 (cost
// 0.5, the multiplier -0.1), which is whole. Each cell's excess is (v - 95)^2 / 100: at cost
// 0.5 it may not move; up to 0.54 by one (1 / 100 <= 0.02), from 0.54 by two.
TEST(CheaperTableRanges, AsNarrowAsTheCostAllows) {
    AdjustmentProblem p;
    p.base = {100, 100};
    p.lower = {0, 0};
    p.upper = {INF, INF};
    addHardRow(p, {1, 1}, 190, 190);
    const std::vector<double> lower = {0, 0}, upper = {INF, INF}, dual = {-0.1}, center = {95, 95};
    struct Case {
        double cost, lower, upper;
    };
    for (const Case& c :
         {Case{0.5, 95, 95}, Case{0.52, 94, 96}, Case{0.539, 94, 96}, Case{0.54, 93, 97}}) {
        const CheaperTableRanges r = cheaperTableRanges(p, lower, upper, dual, center, c.cost);
        ASSERT_TRUE(r.used);
        EXPECT_NEAR(r.bound, 0.5, 1e-12);
        for (size_t j = 0; j < 2; ++j) {
            EXPECT_EQ(r.cellLower[j], c.lower) << c.cost;
            EXPECT_EQ(r.cellUpper[j], c.upper) << c.cost;
        }
    }
}

TEST(CheaperTableRanges, NotUsedWithoutMultipliersOrACost) {
    AdjustmentProblem p;
    p.base = {2, 3};
    p.lower = {0, 0};
    p.upper = {6, 6};
    addHardRow(p, {1, 1}, 5, 5);
    const std::vector<double> lower = {0, 0}, upper = {6, 6}, center = {2, 3};
    EXPECT_FALSE(cheaperTableRanges(p, lower, upper, {}, center, 1.0).used);
    EXPECT_FALSE(cheaperTableRanges(p, lower, upper, {0.0}, center, INFINITY).used);
    EXPECT_FALSE(cheaperTableRanges(p, lower, upper, {0.0}, {}, 1.0).used);
    // A cost below the bound: no table costs that little, and nothing is narrowed.
    EXPECT_FALSE(cheaperTableRanges(p, lower, upper, {0.0}, center, -1.0).used);
}

}  // namespace
