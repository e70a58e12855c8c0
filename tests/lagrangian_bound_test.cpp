// The Lagrangian bound against brute force: for any multipliers it stays below the
// whole-number optimum, and from the real-valued optimum's multipliers it is at least the
// real-valued bound.
#include "qorsolve/lagrangian_bound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "qorsolve/continuous_solver.h"

namespace {

void addRow(AdjustmentProblem& p, const std::vector<double>& a, double lower, double upper) {
    for (size_t j = 0; j < a.size(); ++j) {
        if (a[j] == 0.0) continue;
        p.hard.column.push_back(static_cast<int32_t>(j));
        p.hard.value.push_back(a[j]);
    }
    p.hard.start.push_back(static_cast<int64_t>(p.hard.column.size()));
    p.hardLower.push_back(lower);
    p.hardUpper.push_back(upper);
}

// The least cost over whole numbers 0..6 per cell that meet every row; INFINITY when none.
double bruteForce(const AdjustmentProblem& p) {
    double best = INFINITY;
    std::vector<double> x(p.base.size(), 0.0);
    while (true) {
        bool meets = true;
        for (int32_t i = 0; i < p.hard.rowCount() && meets; ++i) {
            const double v = rowSum(p.hard, i, x);
            meets = v >= p.hardLower[i] - 1e-9 && v <= p.hardUpper[i] + 1e-9;
        }
        if (meets) best = std::min(best, adjustmentObjective(p, x));
        size_t j = 0;
        while (j < x.size() && x[j] == 6.0) x[j++] = 0.0;
        if (j == x.size()) return best;
        ++x[j];
    }
}

TEST(LagrangianBound, StaysBelowTheWholeNumberOptimum) {
    std::mt19937_64 random(7);
    int checked = 0;
    for (int trial = 0; trial < 30; ++trial) {
        AdjustmentProblem p;
        for (int j = 0; j < 4; ++j) {
            p.base.push_back(0.5 + static_cast<double>(random() % 50) / 10.0);
            p.lower.push_back(0.0);
            p.upper.push_back(6.0);
        }
        // Equalities, a lower side, an upper side and a range, whole and fractional.
        addRow(p, {1, 1, 0, 0}, 7, 7);
        addRow(p, {0, 0, 1, 1}, 5, 5);
        addRow(p, {1, 0, 1.5, 0}, 4, INFINITE_BOUND);
        addRow(p, {0, 2, 0, 1}, -INFINITE_BOUND, 9);
        addRow(p, {1, 0, 0, 1}, 3, 8);
        const double optimum = bruteForce(p);
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

TEST(LagrangianBound, NotUsedWithWeakRowsOrWithoutMultipliers) {
    AdjustmentProblem p;
    p.base = {2, 3};
    p.lower = {0, 0};
    p.upper = {6, 6};
    addRow(p, {1, 1}, 5, 5);
    const std::vector<double> lower(2, 0.0), upper(2, 6.0);
    EXPECT_FALSE(lagrangianBound(p, lower, upper, {}, INFINITY, Deadline()).used);
    EXPECT_FALSE(lagrangianBound(p, lower, upper, {NAN}, INFINITY, Deadline()).used);
    p.weak.column = {0};
    p.weak.value = {1};
    p.weak.start.push_back(1);
    p.weakTarget = {2};
    p.weakWeight = {1};
    EXPECT_FALSE(lagrangianBound(p, lower, upper, {0.5}, INFINITY, Deadline()).used);
}

}  // namespace
