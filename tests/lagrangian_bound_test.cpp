// The Lagrangian bound against brute force: for any multipliers it stays below the
// whole-number optimum, and from the real-valued optimum's multipliers it is at least the
// real-valued bound.
#include "qorsolve/integer/lagrangian_bound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "qorsolve/continuous/continuous_solver.h"
#include "tests/solver_fixtures.h"

namespace {

TEST(LagrangianBound, StaysBelowTheWholeNumberOptimum) {
    std::mt19937_64 random(7);
    int checked = 0;
    for (int trial = 0; trial < 30; ++trial) {
        AdjustmentProblem p = fourRandomCells(random);
        // Equalities, a lower side, an upper side and a range, whole and fractional.
        addHardRow(p, {1, 1, 0, 0}, 7, 7);
        addHardRow(p, {0, 0, 1, 1}, 5, 5);
        addHardRow(p, {1, 0, 1.5, 0}, 4, INF);
        addHardRow(p, {0, 2, 0, 1}, -INF, 9);
        addHardRow(p, {1, 0, 0, 1}, 3, 8);
        const double optimum = bruteForce(p).cost;
        if (!std::isfinite(optimum)) continue;
        ++checked;
        const std::vector<double> lower(4, 0.0), upper(4, 6.0);

        ContinuousOptions options;
        ContinuousResult relaxed = solveContinuous(p, options);
        ASSERT_EQ(relaxed.status.model, ModelStatus::OPTIMAL);
        LagrangianResult fromOptimum =
            lagrangianBound(p, lower, upper, relaxed.hardDual, optimum, Deadline());
        ASSERT_TRUE(fromOptimum.used);
        EXPECT_LE(fromOptimum.bound, optimum + 1e-9) << trial;
        EXPECT_GE(fromOptimum.bound, relaxed.dualBound - 1e-6 * (1 + relaxed.dualBound)) << trial;

        std::vector<double> any(5);
        for (double& y : any) y = static_cast<double>(random() % 41) / 10.0 - 2.0;
        LagrangianResult fromAny = lagrangianBound(p, lower, upper, any, INFINITY, Deadline());
        ASSERT_TRUE(fromAny.used);
        EXPECT_LE(fromAny.bound, optimum + 1e-9) << trial;
    }
    EXPECT_GE(checked, 20);
}

TEST(LagrangianBound, NotUsedWithWeakRowsWithoutMultipliersOrAfterTheDeadline) {
    AdjustmentProblem p;
    p.base = {2, 3};
    p.lower = {0, 0};
    p.upper = {6, 6};
    addHardRow(p, {1, 1}, 5, 5);
    const std::vector<double> lower(2, 0.0), upper(2, 6.0);
    EXPECT_FALSE(lagrangianBound(p, lower, upper, {}, INFINITY, Deadline()).used);
    EXPECT_FALSE(lagrangianBound(p, lower, upper, {NAN}, INFINITY, Deadline()).used);
    // A passed deadline stops it before its first evaluation, which it looks for within.
    ASSERT_TRUE(lagrangianBound(p, lower, upper, {0.5}, INFINITY, Deadline()).used);
    EXPECT_FALSE(lagrangianBound(p, lower, upper, {0.5}, INFINITY, Deadline(0.0)).used);
    p.weak.column = {0};
    p.weak.value = {1};
    p.weak.start.push_back(1);
    p.weakTarget = {2};
    p.weakWeight = {1};
    EXPECT_FALSE(lagrangianBound(p, lower, upper, {0.5}, INFINITY, Deadline()).used);
}

}  // namespace
