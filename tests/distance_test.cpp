// The distances and the cells' coefficients through the solvers, against oracles of their own:
// raking on margins alone against iterative proportional fitting, every distance in whole
// numbers against brute force, raking's optimality conditions recomputed from the multipliers,
// and the coefficients' effect on the table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "qorsolve/continuous/real_valued.h"
#include "qorsolve/integer/integer_solver.h"
#include "qorsolve/lp/coin_solver.h"
#include "tests/solver_fixtures.h"

namespace {

// A cell's cost as the distances define it, written apart from objective.h.
double oracleCost(Distance distance, double b, double a, double x) {
    switch (distance) {
        case Distance::CHI_SQUARE:
            return (x - b) * (x - b) / b / a;
        case Distance::RAKING:
            return (x > 0.0 ? x * std::log(x / b) - x + b : b) / a;
        case Distance::ABSOLUTE:
            return std::fabs(x - b) / a;
    }
    return NAN;
}

double oracleObjective(const AdjustmentProblem& p, const std::vector<double>& x) {
    double f = 0.0;
    const std::vector<double>& a = p.objective.coefficients();
    for (std::size_t j = 0; j < x.size(); ++j)
        f += oracleCost(p.objective.distance(), p.base[j], a.empty() ? 1.0 : a[j], x[j]);
    for (int32_t w = 0; w < p.weak.rowCount(); ++w) {
        const double d = plainRowSum(p.weak, w, x) - p.weakTarget[w];
        f += p.weakWeight[w] * d * d / std::max(std::fabs(p.weakTarget[w]), 1.0);
    }
    return f;
}

ContinuousResult realValued(const AdjustmentProblem& p) {
    ContinuousOptions options;
    options.tolerance = 1e-12;
    options.newSolver = makeCoinSolver;
    return solveRealValued(p, options);
}

// A table of `sizes` (the last class fastest) with a random positive base, whose margins of
// each single class are equality rows set from another random positive table (`whole`: of
// whole numbers).
struct MarginsAlone {
    AdjustmentProblem problem;
    std::vector<std::vector<int32_t>> categoryOf;  // per class, each cell's category
};

MarginsAlone marginsAlone(const std::vector<int32_t>& sizes, uint64_t seed, bool whole = false) {
    MarginsAlone m;
    AdjustmentProblem& p = m.problem;
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> value(1.0, 50.0);
    int32_t cells = 1;
    for (int32_t s : sizes) cells *= s;
    std::vector<double> target(static_cast<std::size_t>(cells));
    for (int32_t n = 0; n < cells; ++n) {
        p.base.push_back(std::round(value(random)));
        target[static_cast<std::size_t>(n)] = whole ? std::round(value(random)) : value(random);
        p.lower.push_back(0.0);
        p.upper.push_back(INF);
    }
    m.categoryOf.assign(sizes.size(), std::vector<int32_t>(static_cast<std::size_t>(cells)));
    for (int32_t n = 0; n < cells; ++n) {
        int32_t rest = n;
        for (std::size_t c = sizes.size(); c-- > 0;) {
            m.categoryOf[c][static_cast<std::size_t>(n)] = rest % sizes[c];
            rest /= sizes[c];
        }
    }
    for (std::size_t c = 0; c < sizes.size(); ++c) {
        for (int32_t k = 0; k < sizes[c]; ++k) {
            std::vector<double> row(static_cast<std::size_t>(cells), 0.0);
            double sum = 0.0;
            for (int32_t n = 0; n < cells; ++n) {
                if (m.categoryOf[c][static_cast<std::size_t>(n)] != k) continue;
                row[static_cast<std::size_t>(n)] = 1.0;
                sum += target[static_cast<std::size_t>(n)];
            }
            addHardRow(p, row, sum, sum);
        }
    }
    return m;
}

// Iterative proportional fitting of the base to the margins: each class's categories scaled
// in turn to their margins until nothing moves.
std::vector<double> proportionalFit(const MarginsAlone& m) {
    const AdjustmentProblem& p = m.problem;
    std::vector<double> x = p.base;
    for (int sweep = 0; sweep < 100000; ++sweep) {
        double moved = 0.0;
        int32_t row = 0;
        for (std::size_t c = 0; c < m.categoryOf.size(); ++c) {
            int32_t categories = 0;
            for (int32_t k : m.categoryOf[c]) categories = std::max(categories, k + 1);
            std::vector<double> sum(static_cast<std::size_t>(categories), 0.0);
            for (std::size_t j = 0; j < x.size(); ++j)
                sum[static_cast<std::size_t>(m.categoryOf[c][j])] += x[j];
            for (std::size_t j = 0; j < x.size(); ++j) {
                const int32_t k = m.categoryOf[c][j];
                const double factor = p.hardLower[static_cast<std::size_t>(row + k)] /
                                      sum[static_cast<std::size_t>(k)];
                moved = std::max(moved, std::fabs(factor - 1.0));
                x[j] *= factor;
            }
            row += categories;
        }
        if (moved < 1e-15) break;
    }
    return x;
}

TEST(Distance, RakingOnMarginsAloneIsProportionalFitting) {
    const std::vector<std::vector<int32_t>> tables = {{4, 5}, {3, 4, 3}, {3, 2, 3, 2}, {2, 7}};
    for (std::size_t t = 0; t < tables.size(); ++t) {
        for (const double coefficient : {1.0, 3.0}) {
            SCOPED_TRACE(::testing::Message() << "table " << t << " coefficient " << coefficient);
            MarginsAlone m = marginsAlone(tables[t], 100 + t);
            m.problem.objective.setDistance(Distance::RAKING);
            // The same coefficient on every cell leaves the optimum where it is.
            if (coefficient != 1.0)
                m.problem.objective.setCoefficients(
                    std::vector<double>(m.problem.base.size(), coefficient));
            const ContinuousResult r = realValued(m.problem);
            ASSERT_EQ(r.status, modelStatus(ModelStatus::OPTIMAL));
            const std::vector<double> fit = proportionalFit(m);
            for (std::size_t j = 0; j < fit.size(); ++j)
                EXPECT_NEAR(r.x[j], fit[j], 1e-9 * fit[j]) << "cell " << j;
            EXPECT_NEAR(r.objective, oracleObjective(m.problem, r.x), 1e-9 * (1 + r.objective));
        }
    }
}

// Small problems of whole bases, a few rows and ranges 0 to 6, with random coefficients.
AdjustmentProblem smallProblem(std::mt19937& random, Distance distance) {
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    AdjustmentProblem p;
    const int cells = 2 + pick(4);
    std::vector<double> point(static_cast<std::size_t>(cells));
    std::vector<double> coefficients;
    const double choices[] = {0.5, 1.0, 2.0, 3.0};
    for (int j = 0; j < cells; ++j) {
        p.base.push_back(1 + pick(5));
        p.lower.push_back(0.0);
        p.upper.push_back(3 + pick(4));
        point[static_cast<std::size_t>(j)] = pick(4);
        coefficients.push_back(choices[pick(4)]);
    }
    const double entries[] = {1, 1, 2, -1, 3};
    for (int i = 0, rows = 1 + pick(3); i < rows; ++i) {
        std::vector<double> a(static_cast<std::size_t>(cells), 0.0);
        for (double& e : a)
            if (pick(2) == 0) e = entries[pick(5)];
        addRow(p.hard, a);
        const double v = plainRowSum(p.hard, i, point);
        const double sides[3][2] = {{v, v}, {v + 1, INF}, {-INF, v - 1}};
        const int side = pick(3);
        p.hardLower.push_back(sides[side][0]);
        p.hardUpper.push_back(sides[side][1]);
    }
    if (pick(3) == 0) {
        std::vector<double> a(static_cast<std::size_t>(cells), 1.0);
        addRow(p.weak, a);
        p.weakTarget.push_back(pick(12));
        p.weakWeight.push_back(0.5 + pick(3));
    }
    p.objective.setDistance(distance);
    if (pick(2) == 0) p.objective.setCoefficients(coefficients);
    return p;
}

TEST(Distance, WholeNumbersMatchBruteForce) {
    for (const Distance distance : {Distance::CHI_SQUARE, Distance::RAKING, Distance::ABSOLUTE}) {
        SCOPED_TRACE(static_cast<int>(distance));
        std::mt19937 random(7);
        int optimal = 0;
        for (int c = 0; c < 120; ++c) {
            const AdjustmentProblem p = smallProblem(random, distance);
            double expected = INF;
            forEachWholeTable(p, INF, [&](const std::vector<double>& x) {
                expected = std::min(expected, oracleObjective(p, x));
            });
            // The base clipped: not the optimum, so the windows widen before the proof.
            ContinuousResult center;
            center.status = modelStatus(ModelStatus::OPTIMAL);
            for (std::size_t j = 0; j < p.base.size(); ++j)
                center.x.push_back(std::clamp(p.base[j], p.lower[j], p.upper[j]));
            IntegerOptions options;
            options.newSolver = makeCoinSolver;
            const IntegerResult r = solveInteger(p, center, options);
            if (expected == INF) {
                EXPECT_EQ(r.status, modelStatus(ModelStatus::INTEGER_INFEASIBLE)) << "case " << c;
                continue;
            }
            ++optimal;
            ASSERT_EQ(r.status, modelStatus(ModelStatus::OPTIMAL)) << "case " << c;
            ASSERT_TRUE(wholeTableHolds(p, r.x)) << "case " << c;
            EXPECT_NEAR(r.objective, oracleObjective(p, r.x), 1e-9 * (1 + r.objective))
                << "case " << c;
            EXPECT_NEAR(r.objective, expected, 1e-9 * (1 + expected)) << "case " << c;
            EXPECT_LE(r.bound, expected + 1e-9 * (1 + expected)) << "case " << c;
        }
        EXPECT_GT(optimal, 40);
    }
}

namespace {

// The rows' conditions at a real-valued optimum r of p (case c): every row met, a row with a
// multiplier at the side it binds; and each cell's price (A^T y)_j from the multipliers.
std::vector<double> checkedRowsAndPrices(const AdjustmentProblem& p, const ContinuousResult& r,
                                         int c) {
    std::vector<double> price(p.base.size(), 0.0);
    for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
        const double y = r.hardDual[static_cast<std::size_t>(i)];
        const double v = plainRowSum(p.hard, i, r.x);
        const double scale = 1e-7 * (1.0 + std::fabs(v));
        EXPECT_GE(v, p.hardLower[i] - scale) << "case " << c;
        EXPECT_LE(v, p.hardUpper[i] + scale) << "case " << c;
        if (y > 1e-7) {
            EXPECT_NEAR(v, p.hardLower[i], scale) << "case " << c;
        }
        if (y < -1e-7) {
            EXPECT_NEAR(v, p.hardUpper[i], scale) << "case " << c;
        }
        for (int64_t k = p.hard.start[i]; k < p.hard.start[i + 1]; ++k)
            price[static_cast<std::size_t>(p.hard.column[k])] += p.hard.value[k] * y;
    }
    return price;
}

}  // namespace

// Raking's conditions at the real-valued optimum: ln(x_j / b_j) / a_j = (A^T y)_j for the cells
// inside their bounds (>= at a lower bound, <= at an upper one), y_i of the sign of the side
// that binds and 0 where none does.
TEST(Distance, RakingMeetsItsOptimalityConditions) {
    std::mt19937 random(3);
    int checked = 0;
    for (int c = 0; c < 60; ++c) {
        AdjustmentProblem p = smallProblem(random, Distance::RAKING);
        p.weak = SparseRows();
        p.weakTarget.clear();
        p.weakWeight.clear();
        const ContinuousResult r = realValued(p);
        if (r.status.model != ModelStatus::OPTIMAL) continue;
        ++checked;
        const std::vector<double>& a = p.objective.coefficients();
        const std::vector<double> price = checkedRowsAndPrices(p, r, c);
        for (std::size_t j = 0; j < p.base.size(); ++j) {
            ASSERT_GT(r.x[j], 0.0) << "case " << c;
            const double slope = std::log(r.x[j] / p.base[j]) / (a.empty() ? 1.0 : a[j]);
            const double gap = slope - price[j];
            const double tolerance = 1e-6 * (1.0 + std::fabs(price[j]));
            if (r.x[j] >= p.upper[j] - 1e-9)
                EXPECT_LE(gap, tolerance) << "case " << c << " cell " << j;
            else
                EXPECT_NEAR(gap, 0.0, tolerance) << "case " << c << " cell " << j;
        }
    }
    EXPECT_GT(checked, 20);
}

// The absolute distance's conditions at its real-valued optimum, from the multipliers it
// reports: each cell's price (A^T y)_j within [-1 / a_j, 1 / a_j] at its base and equal to the
// side's slope +-1 / a_j away from it (inside its bounds), the rows met with complementary
// multipliers; and no whole-number table below it.
TEST(Distance, AbsoluteMeetsItsOptimalityConditions) {
    std::mt19937 random(5);
    int checked = 0;
    for (int c = 0; c < 80; ++c) {
        AdjustmentProblem p = smallProblem(random, Distance::ABSOLUTE);
        p.weak = SparseRows();
        p.weakTarget.clear();
        p.weakWeight.clear();
        const ContinuousResult r = realValued(p);
        double whole = INF;
        forEachWholeTable(p, INF, [&](const std::vector<double>& x) {
            whole = std::min(whole, oracleObjective(p, x));
        });
        if (r.status.model != ModelStatus::OPTIMAL) {
            EXPECT_EQ(whole, INF) << "case " << c;
            continue;
        }
        ++checked;
        EXPECT_LE(r.objective, whole + 1e-9) << "case " << c;
        EXPECT_NEAR(r.objective, oracleObjective(p, r.x), 1e-9 * (1 + r.objective));
        const std::vector<double>& a = p.objective.coefficients();
        const std::vector<double> price = checkedRowsAndPrices(p, r, c);
        for (std::size_t j = 0; j < p.base.size(); ++j) {
            const double slope = 1.0 / (a.empty() ? 1.0 : a[j]);
            const double x = r.x[j], b = p.base[j], e = 1e-7;
            const bool atLower = x <= p.lower[j] + e, atUpper = x >= p.upper[j] - e;
            if (std::fabs(x - b) <= e) {
                if (!atLower) {
                    EXPECT_GE(price[j], -slope - e) << "case " << c << " cell " << j;
                }
                if (!atUpper) {
                    EXPECT_LE(price[j], slope + e) << "case " << c << " cell " << j;
                }
            } else if (!atLower && !atUpper) {
                EXPECT_NEAR(price[j], x > b ? slope : -slope, e) << "case " << c << " cell " << j;
            }
        }
    }
    EXPECT_GT(checked, 30);
}

// With a strictly convex distance, a larger coefficient on one cell never moves it less; the
// same coefficient on every cell gives the same whole-number table as none.
TEST(Distance, CoefficientsMoveTheirCells) {
    for (const Distance distance : {Distance::CHI_SQUARE, Distance::RAKING}) {
        SCOPED_TRACE(static_cast<int>(distance));
        MarginsAlone m = marginsAlone({3, 4}, 9, true);
        AdjustmentProblem& p = m.problem;
        p.objective.setDistance(distance);
        for (std::size_t cell : {std::size_t(0), std::size_t(5), std::size_t(11)}) {
            double moved = 0.0;
            for (const double coefficient : {0.25, 0.5, 1.0, 2.0, 4.0, 16.0}) {
                std::vector<double> a(p.base.size(), 1.0);
                a[cell] = coefficient;
                p.objective.setCoefficients(a);
                const ContinuousResult r = realValued(p);
                ASSERT_EQ(r.status, modelStatus(ModelStatus::OPTIMAL));
                const double change = std::fabs(r.x[cell] - p.base[cell]);
                EXPECT_GE(change, moved - 1e-9 * p.base[cell]) << cell << " " << coefficient;
                moved = change;
            }
        }
        // Whole numbers: a coefficient of 2 everywhere against none.
        p.objective.setCoefficients({});
        const ContinuousResult center = realValued(p);
        IntegerOptions options;
        options.newSolver = makeCoinSolver;
        const IntegerResult none = solveInteger(p, center, options);
        p.objective.setCoefficients(std::vector<double>(p.base.size(), 2.0));
        const IntegerResult doubled = solveInteger(p, realValued(p), options);
        ASSERT_EQ(none.status, modelStatus(ModelStatus::OPTIMAL));
        ASSERT_EQ(doubled.status, modelStatus(ModelStatus::OPTIMAL));
        EXPECT_NEAR(doubled.objective, none.objective / 2.0, 1e-9 * (1 + none.objective));
        double none2 = 0.0, doubled2 = 0.0;
        for (std::size_t j = 0; j < p.base.size(); ++j) {
            none2 += oracleCost(distance, p.base[j], 1.0, none.x[j]);
            doubled2 += oracleCost(distance, p.base[j], 1.0, doubled.x[j]);
        }
        EXPECT_NEAR(none2, doubled2, 1e-9 * (1 + none2));  // equally good tables
    }
}

}  // namespace
