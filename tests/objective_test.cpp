// The cells' cost: its value against figures worked by hand, its whole-number operations
// against differences of its values, the real-valued method's operations against the
// conditions of the least of c(x) - v x, and the Lagrangian terms against brute force over
// the whole numbers of a range.
#include "qorsolve/problem/objective.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "qorsolve/problem/adjustment_problem.h"

namespace {

CellCost chiSquare(double base) {
    return CellCost(Distance::CHI_SQUARE, base);
}

// |a - b| within `share` of the larger of |a|, |b| and 1.
void expectClose(double a, double b, double share, const char* what) {
    EXPECT_LE(std::fabs(a - b), share * std::max({std::fabs(a), std::fabs(b), 1.0}))
        << what << ": " << a << " vs " << b;
}

TEST(Objective, ChiSquareCostsTheSquaredChangeOverTheBase) {
    struct Case {
        double base, x, cost;
    };
    const Case cases[] = {
        {4, 6, 1},     {4, 2, 1},  {4, 4, 0}, {2.5, 0, 2.5}, {0.5, 1, 0.5}, {1e6, 1e6 + 1000, 1},
        {1e6, 0, 1e6}, {3, 9, 12},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(chiSquare(c.base).at(c.x), c.cost) << c.base << " " << c.x;
    }
}

TEST(Objective, WholeStepsAreDifferencesOfTheCost) {
    const double bases[] = {1, 3, 7.25, 40, 1e4, 0.3};
    const double values[] = {0, 1, 2, 5, 17, 39, 1e4 + 3};
    for (double b : bases) {
        const CellCost cell = chiSquare(b);
        expectClose(cell.unitStepFromBase(), cell.at(b + 1), 1e-9, "unit step");
        expectClose(cell.unitStepFromBase(), cell.at(b - 1), 1e-9, "unit step down");
        for (double x : values) {
            for (double step : {-3.0, -1.0, 1.0, 2.0, 10.0}) {
                expectClose(cell.change(x, step), cell.at(x + step) - cell.at(x), 1e-9, "change");
            }
            expectClose(cell.upChord(x), cell.at(x + 1) - cell.at(x), 1e-9, "up chord");
            expectClose(cell.downChord(x), cell.at(x - 1) - cell.at(x), 1e-9, "down chord");
        }
    }
}

// At x = response(v), c(x) - v x is least: its slope gap is 0, the price of x is v again, and
// moving x either way costs more; the rate is the response's derivative.
TEST(Objective, TheResponseIsTheLeastOfThePricedCost) {
    const double bases[] = {1, 2.5, 60, 1e5};
    const double prices[] = {-1.5, -0.2, 0, 0.01, 0.7, 3};
    for (double b : bases) {
        const CellCost cell = chiSquare(b);
        for (double v : prices) {
            const double x = cell.response(v);
            expectClose(cell.slopeGap(x, v), 0.0, 1e-12, "slope gap");
            expectClose(cell.priceOf(x), v, 1e-12, "price of the response");
            expectClose(cell.priceMinimiser(v), x, 1e-12, "the bounds' minimiser");
            const double h = cell.at(x) - v * x;
            for (double d : {-1e-3 * b, 1e-3 * b}) {
                EXPECT_GT(cell.at(x + d) - v * (x + d), h) << b << " " << v << " " << d;
            }
            const double e = 1e-4;
            expectClose(cell.responseRate(v),
                        (cell.response(v + e) - cell.response(v - e)) / (2 * e), 1e-6, "rate");
            // The slope gap has the sign of the slope less the price.
            EXPECT_GT(cell.slopeGap(x + 1, v), 0.0);
            EXPECT_LT(cell.slopeGap(x - 1, v), 0.0);
        }
        expectClose(cell.rateAtBaseTimes(3.0), 3.0 * cell.responseRate(0.0), 1e-15, "scaled");
    }
}

// The Lagrangian terms against every whole value of the range.
TEST(Objective, PricedTermsAreTheBruteForceLeast) {
    struct Case {
        double base, price, lower, upper;
    };
    const Case cases[] = {
        {10, 0, 0, 30},           {10, 0.35, 0, 30},   {10, -0.9, 0, 30},
        {7.5, 0.1, 0, 20},        {3, -1.0 / 3, 0, 9}, {4, 5, 0, 12},
        {4, -5, 2, 12},           {50, 0.02, 45, 45},  {0.4, 1, 0, 5},
        {1000, -0.01, 900, 1100},
    };
    for (const Case& c : cases) {
        const CellCost cell = chiSquare(c.base);
        const auto h = [&](double v) { return (v - c.base) * (v - c.base) / c.base - c.price * v; };
        double best = INFINITY, bestAt = NAN;
        for (double v = c.lower; v <= c.upper; ++v) {
            if (h(v) < best) {
                best = h(v);
                bestAt = v;
            }
        }
        double least = -1.0;
        EXPECT_EQ(cell.leastPricedWhole(c.price, c.lower, c.upper, least), best) << c.base;
        EXPECT_EQ(least, bestAt) << c.base << " " << c.price;

        const PricedCell term = cell.priced(c.price, c.lower, c.upper);
        expectClose(term.least, cell.response(c.price), 1e-12, "least");
        expectClose(h(term.leastWhole), best, 1e-12, "least whole value");
        expectClose(static_cast<double>(cell.pricedLeast(term, c.price)), best, 1e-12,
                    "priced least");
        EXPECT_GE(cell.pricedSize(term, c.price),
                  std::fabs(cell.pricedLeast(term, c.price)) * (1 - 1e-12));

        // The whole values within `room` of the least are those of the range's interval.
        for (double room : {0.0, 0.3, 2.0, 25.0}) {
            const auto [from, to] = cell.pricedRange(term, room);
            for (double v = c.lower; v <= c.upper; ++v) {
                const double excess = h(v) - best;
                if (excess <= room - 1e-9) {
                    EXPECT_TRUE(from <= v && v <= to) << c.base << " " << v << " " << room;
                }
                if (excess > room + 1e-9) {
                    EXPECT_FALSE(from <= v && v <= to) << c.base << " " << v << " " << room;
                }
            }
        }
    }
}

TEST(Objective, QuadraticReachAndWholeCostStep) {
    for (double b : {1.0, 6.0, 2.75, 1e4}) {
        const CellCost cell = chiSquare(b);
        double coefficient = 0.0, centre = 0.0;
        ASSERT_TRUE(cell.asQuadratic(coefficient, centre));
        for (double v : {0.0, 1.0, b, 3 * b + 1}) {
            expectClose(coefficient * (v - centre) * (v - centre), cell.at(v), 1e-12, "quadratic");
        }
        for (double cost : {0.25, 1.0, 9.0}) {
            const double reach = std::sqrt(cost) * cell.reachPerRootCost();
            expectClose(cell.at(b + reach), cost, 1e-12, "reach up");
            expectClose(cell.at(b - reach), cost, 1e-12, "reach down");
        }
        const double denominator = cell.wholeCostDenominator();
        if (b != std::floor(b)) {
            EXPECT_EQ(denominator, 0.0) << b;
            continue;
        }
        ASSERT_GT(denominator, 0.0) << b;
        for (double v : {0.0, 3.0, 17.0, b + 5}) {
            const double multiple = cell.at(v) * denominator;
            EXPECT_NEAR(multiple, std::round(multiple), 1e-9 * (1 + multiple)) << b << " " << v;
        }
    }
}

TEST(Objective, TheProblemsCellsAndTheirTotal) {
    AdjustmentProblem p;
    p.base = {5, 3, 2};
    EXPECT_EQ(p.objective.distance(), Distance::CHI_SQUARE);
    EXPECT_EQ(p.cellCost(1).base(), 3.0);
    const std::vector<double> x = {6, 2, 4};
    EXPECT_DOUBLE_EQ(p.objective.cellsTotal(p.base, x), 0.2 + 1.0 / 3 + 2);
    EXPECT_EQ(p.objective.cellsTotal({}, {}), 0.0);
}

}  // namespace
