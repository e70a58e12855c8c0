// solveContinuous: random problems checked against the optimality conditions, computed here
// from the problem alone; tables without a solution; weak rows; the time limit.
#include "qorsolve/continuous/continuous_solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "qorsolve/problem/exact_rows.h"
#include "tests/solver_fixtures.h"

namespace {

// Appends a row of (cell, coefficient) terms, a cell named twice kept twice.
void addTerms(SparseRows& rows, const std::vector<std::pair<int32_t, double>>& terms) {
    for (auto [column, value] : terms) {
        rows.column.push_back(column);
        rows.value.push_back(value);
    }
    rows.start.push_back(static_cast<int64_t>(rows.column.size()));
}

double rowSize(const SparseRows& rows, int32_t i, const std::vector<double>& x) {
    double sum = 0.0;
    for (int64_t k = rows.start[i]; k < rows.start[i + 1]; ++k)
        sum += std::fabs(rows.value[k] * x[rows.column[k]]);
    return std::max(1.0, sum);
}

// The largest violation of feasibility, multiplier signs, complementarity and stationarity,
// each relative, as continuous_solver.h defines the KKT residual; the cells within their bounds.
double plainKkt(const AdjustmentProblem& p, const ContinuousResult& r) {
    double kkt = 0.0;
    const int32_t n = p.cellCount();
    EXPECT_EQ(r.x.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(r.hardDual.size(), p.hardLower.size());
    std::vector<double> v(n, 0.0), size(n, 0.0);
    for (int32_t j = 0; j < n; ++j) {
        EXPECT_GE(r.x[j], p.lower[j]);
        EXPECT_LE(r.x[j], p.upper[j]);
    }
    for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
        const double ax = plainRowSum(p.hard, i, r.x);
        const double scale = rowSize(p.hard, i, r.x);
        const double y = r.hardDual[i];
        kkt = std::max({kkt, (p.hardLower[i] - ax) / scale, (ax - p.hardUpper[i]) / scale});
        if (y > 0.0) kkt = std::max(kkt, std::min(y, std::fabs(ax - p.hardLower[i]) / scale));
        if (y < 0.0) kkt = std::max(kkt, std::min(-y, std::fabs(ax - p.hardUpper[i]) / scale));
        for (int64_t k = p.hard.start[i]; k < p.hard.start[i + 1]; ++k) {
            v[p.hard.column[k]] += p.hard.value[k] * y;
            size[p.hard.column[k]] += std::fabs(p.hard.value[k] * y);
        }
    }
    for (int32_t w = 0; w < p.weak.rowCount(); ++w) {
        const double deviation = plainRowSum(p.weak, w, r.x) - p.weakTarget[w];
        const double cost = p.weakWeight[w] / std::max(std::fabs(p.weakTarget[w]), 1.0);
        for (int64_t k = p.weak.start[w]; k < p.weak.start[w + 1]; ++k) {
            v[p.weak.column[k]] -= 2.0 * cost * deviation * p.weak.value[k];
            size[p.weak.column[k]] += std::fabs(2.0 * cost * deviation * p.weak.value[k]);
        }
    }
    for (int32_t j = 0; j < n; ++j) {
        double g = 2.0 * (r.x[j] - p.base[j]) / p.base[j] - v[j];
        if (r.x[j] <= p.lower[j]) g = std::min(g, 0.0);
        if (r.x[j] >= p.upper[j]) g = std::max(g, 0.0);
        kkt = std::max(kkt, std::fabs(g) / (1.0 + size[j]));
    }
    return kkt;
}

void expectOptimal(const AdjustmentProblem& p, const ContinuousResult& r) {
    ASSERT_EQ(r.status.model, ModelStatus::OPTIMAL);
    EXPECT_LT(plainKkt(p, r), 1e-6);
    EXPECT_LT(r.kktResidual, 1e-6);
    const double objective = plainCost(p, r.x);
    EXPECT_NEAR(r.objective, objective, 1e-9 * (1.0 + objective));
    EXPECT_LE(r.dualBound, r.objective);
    EXPECT_NEAR(r.dualBound, r.objective, 1e-6 * (1.0 + r.objective));
}

// A random problem that a known table x0 meets: equalities, one-sided rows, ranges, a row
// that repeats the sum of two others, fixed cells, negative and infinite bounds, weak rows.
AdjustmentProblem randomProblem(unsigned seed, bool weak) {
    std::mt19937 random(seed);
    auto uniform = [&random](double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(random);
    };
    AdjustmentProblem p;
    const int n = 3 + static_cast<int>(random() % 20);
    std::vector<double> x0(n);
    for (int j = 0; j < n; ++j) {
        p.base.push_back(uniform(0.2, 50.0));
        x0[j] = p.base.back() * uniform(0.3, 2.0);
        const int kind = static_cast<int>(random() % 5);
        p.lower.push_back(kind == 0 ? -INF : kind == 1 ? x0[j] - uniform(0.0, 5.0) : 0.0);
        p.upper.push_back(kind == 2 ? x0[j] : kind == 3 ? x0[j] + uniform(0.0, 3.0) : INF);
        if (kind == 4 && random() % 2 == 0) p.lower.back() = p.upper.back() = x0[j];
    }
    const int m = static_cast<int>(random() % (n + 2));
    for (int i = 0; i < m; ++i) {
        std::vector<std::pair<int32_t, double>> terms;
        for (int j = 0; j < n; ++j)
            if (random() % 3 == 0) terms.push_back({j, random() % 4 == 0 ? uniform(-3, 3) : 1.0});
        addTerms(p.hard, terms);
        const double v = plainRowSum(p.hard, i, x0) + uniform(-0.5, 0.5) * (random() % 2);
        const double shift = uniform(0.0, 10.0);
        const double sides[4][2] = {
            {v, v}, {v + shift, INF}, {-INF, v - shift}, {v - shift, v + shift}};
        const auto side = random() % 4;
        const double at = plainRowSum(p.hard, i, x0);  // x0 keeps meeting the row
        p.hardLower.push_back(std::min(sides[side][0], at));
        p.hardUpper.push_back(std::max(sides[side][1], at));
    }
    if (m >= 2) {
        std::vector<std::pair<int32_t, double>> terms;
        for (int64_t k = p.hard.start[0]; k < p.hard.start[2]; ++k)  // rows 0 and 1
            terms.push_back({p.hard.column[k], p.hard.value[k]});
        addTerms(p.hard, terms);
        const double at = plainRowSum(p.hard, m, x0);
        p.hardLower.push_back(at);
        p.hardUpper.push_back(at);
    }
    p.hardSource.assign(p.hardLower.size(), 1);
    for (int w = 0; weak && w < 3; ++w) {
        addTerms(p.weak, {{static_cast<int32_t>(random() % n), 1.0},
                          {static_cast<int32_t>(random() % n), uniform(-2, 2)}});
        p.weakTarget.push_back(uniform(-20, 200));
        p.weakWeight.push_back(uniform(0.01, 3.0));
    }
    p.lowerSource.assign(n, 0);
    p.upperSource.assign(n, 0);
    return p;
}

TEST(ContinuousSolver, RandomProblemsMeetTheOptimalityConditions) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        const AdjustmentProblem p = randomProblem(seed, seed % 3 == 0);
        expectOptimal(p, solveContinuous(p, {}));
    }
}

TEST(ContinuousSolver, WeakRowsPullTowardsTheirTargets) {
    // One cell, base 10, a weak row x = 40 of weight 2: 2 (x - 10) / 10 + 2 * 2 (x - 40) / 40 = 0.
    AdjustmentProblem p = problemWithRows(1, {}, 10.0);
    addRow(p.weak, {1.0});
    p.weakTarget = {40.0};
    p.weakWeight = {2.0};
    const ContinuousResult r = solveContinuous(p, {});
    expectOptimal(p, r);
    EXPECT_NEAR(r.x[0], 20.0, 1e-9);
    // A hard row holds against the weak one.
    addHardRow(p, {1.0}, -INF, 15.0);
    const ContinuousResult bound = solveContinuous(p, {});
    expectOptimal(p, bound);
    EXPECT_NEAR(bound.x[0], 15.0, 1e-9);
    EXPECT_LT(bound.hardDual[0], 0.0);
}

TEST(ContinuousSolver, NoRowsGiveTheBaseWithinItsBounds) {
    AdjustmentProblem p = problemWithRows(3, {}, 5.0);
    p.lower = {0.0, 7.0, -INF};
    p.upper = {INF, INF, 2.0};
    const ContinuousResult r = solveContinuous(p, {});
    expectOptimal(p, r);
    EXPECT_EQ(r.x, (std::vector<double>{5.0, 7.0, 2.0}));
}

// Each case: the problem, of cells of base 3, and a row every conflict needs.
TEST(ContinuousSolver, TablesWithoutSolutionNameTheirRows) {
    AdjustmentProblem bounded = problemWithRows(2, {{{0, 1}, {1, 1}, 10, 10}}, 3.0);
    bounded.upper = {3, 4};
    const struct {
        const char* name;
        AdjustmentProblem problem;
        int32_t culprit;
    } cases[] = {
        // 2 x 2 table: row sums 10 and 10, column sums 10 and 10, total 25.
        {"total not the sum of its parts",
         problemWithRows(4,
                         {{{0, 1}, {1, 1}, 10, 10},
                          {{2, 3}, {1, 1}, 10, 10},
                          {{0, 2}, {1, 1}, 10, 10},
                          {{1, 3}, {1, 1}, 10, 10},
                          {{0, 1, 2, 3}, {1, 1, 1, 1}, 25, 25}},
                         3.0),
         4},
        {"margin below zero",
         problemWithRows(3, {{{0, 1}, {1, 1}, 5, 5}, {{1, 2}, {1, 1}, -2, -2}}, 3.0), 1},
        {"bounds below a margin", bounded, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ContinuousResult r = solveContinuous(c.problem, {});
        ASSERT_EQ(r.status.model, ModelStatus::INFEASIBLE);
        EXPECT_NE(std::find(r.suspectRows.begin(), r.suspectRows.end(), c.culprit),
                  r.suspectRows.end());
    }
}

// All margins of one and two classes of a whole-number table with classes of `sizes`
// (linearly dependent rows), as equalities, over a base that differs from the table.
AdjustmentProblem marginsProblem(const std::vector<int32_t>& sizes) {
    return marginTable(sizes, 0, 11,
                       [](std::mt19937_64& random) {
                           const double value = 1.0 + static_cast<double>(random() % 9);
                           return std::pair(value * (0.7 + 0.1 * static_cast<double>(random() % 7)),
                                            value);
                       })
        .problem;
}

// The margins are met tightly; with one of them moved, every set of rows that cannot hold
// contains the moved one, and the suspect rows cannot hold by themselves.
TEST(ContinuousSolver, MovedMarginIsAmongTheSuspects) {
    for (const std::vector<int32_t>& sizes :
         std::vector<std::vector<int32_t>>{{5, 6}, {4, 5, 3}, {3, 3, 4, 2}}) {
        SCOPED_TRACE(sizes.size());
        AdjustmentProblem p = marginsProblem(sizes);
        const ContinuousResult optimum = solveContinuous(p, {});
        expectOptimal(p, optimum);
        for (int32_t i = 0; i < p.hard.rowCount(); ++i)
            EXPECT_NEAR(plainRowSum(p.hard, i, optimum.x), p.hardLower[i], 1e-12 * p.hardLower[i]);

        const int32_t moved = p.hard.rowCount() - 2;
        p.hardLower[moved] += 3.0;
        p.hardUpper[moved] += 3.0;
        const ContinuousResult r = solveContinuous(p, {});
        ASSERT_EQ(r.status.model, ModelStatus::INFEASIBLE);
        EXPECT_NE(std::find(r.suspectRows.begin(), r.suspectRows.end(), moved),
                  r.suspectRows.end());
        AdjustmentProblem suspects = p;  // every other row freed
        for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
            if (std::find(r.suspectRows.begin(), r.suspectRows.end(), i) != r.suspectRows.end())
                continue;
            suspects.hardLower[i] = -INF;
            suspects.hardUpper[i] = INF;
        }
        EXPECT_EQ(solveContinuous(suspects, {}).status.model, ModelStatus::INFEASIBLE);
    }
}

// A method stopped by its step limit says NOT_CONVERGED and hands back its last iterate: cells
// within their bounds, a dual value that still bounds the optimum from below, and as suspects
// the rows it violates most. With no step at all the iterate is the base within its bounds and
// the suspects are exactly the rows it misses by over 1 % of the largest (relative) miss.
TEST(ContinuousSolver, StepLimitEndsNotConvergedWithTheLastIterate) {
    AdjustmentProblem p = marginsProblem({4, 5, 3});
    p.upper[0] = 0.5 * p.base[0];  // a cell on its bound from the start
    const ContinuousResult optimum = solveContinuous(p, {});
    expectOptimal(p, optimum);
    ASSERT_GT(optimum.newtonSteps, 3);
    for (int limit : {0, 1, 3}) {
        SCOPED_TRACE(limit);
        ContinuousOptions options;
        options.newtonStepLimit = limit;
        const ContinuousResult r = solveContinuous(p, options);
        EXPECT_EQ(r.status.call, CallStatus::OK);
        ASSERT_EQ(r.status.model, ModelStatus::NOT_CONVERGED);
        EXPECT_EQ(r.newtonSteps, limit);
        plainKkt(p, r);  // the cells lie within their bounds
        EXPECT_LE(r.dualBound, optimum.objective * (1.0 + 1e-12));
        EXPECT_GT(r.kktResidual, CONTINUOUS_TOLERANCE);
        ASSERT_FALSE(r.suspectRows.empty());
        EXPECT_TRUE(std::is_sorted(r.suspectRows.begin(), r.suspectRows.end()));
        EXPECT_LT(r.suspectRows.back(), p.hard.rowCount());
        if (limit > 0) continue;
        for (int32_t j = 0; j < p.cellCount(); ++j)
            EXPECT_EQ(r.x[j], std::clamp(p.base[j], p.lower[j], p.upper[j]));
        EXPECT_EQ(r.hardDual, std::vector<double>(p.hardLower.size(), 0.0));
        std::vector<double> miss;
        for (int32_t i = 0; i < p.hard.rowCount(); ++i)
            miss.push_back(std::fabs(plainRowSum(p.hard, i, r.x) - p.hardLower[i]) /
                           rowSize(p.hard, i, r.x));
        const double largest = *std::max_element(miss.begin(), miss.end());
        std::vector<int32_t> expected;
        for (int32_t i = 0; i < p.hard.rowCount(); ++i)
            if (miss[i] > 0.01 * largest) expected.push_back(i);
        EXPECT_EQ(r.suspectRows, expected);
    }
}

TEST(ContinuousSolver, MalformedProblemsAreRefused) {
    AdjustmentProblem good = randomProblem(5, true);
    ASSERT_GT(good.hard.rowCount(), 0);
    std::vector<AdjustmentProblem> bad(4, good);
    bad[0].hard.column[0] = good.cellCount();
    bad[1].base[0] = 0.0;
    bad[2].upper.pop_back();
    bad[3].hard.start.back() += 1;
    for (const AdjustmentProblem& p : bad) {
        const ContinuousResult r = solveContinuous(p, {});
        EXPECT_EQ(r.status.model, ModelStatus::INFEASIBLE);
        EXPECT_TRUE(r.suspectRows.empty());
    }
}

TEST(ContinuousSolver, StopsAtTheDeadline) {
    AdjustmentProblem p = randomProblem(7, false);
    ASSERT_GT(p.hard.rowCount(), 0);
    const Deadline past(0.0);
    ContinuousOptions options;
    options.deadline = past;
    const ContinuousResult r = solveContinuous(p, options);
    EXPECT_EQ(r.status.model, ModelStatus::NO_POINT);
    EXPECT_EQ(r.status.stop, StopReason::TIME_LIMIT);
    EXPECT_EQ(r.x.size(), p.base.size());
}

// A table within the tolerance is polished until its rows hold by the exact rule too: at 10^15
// the base misses "(_) = 1000000000000005" by 4, 4e-15 of its terms, which the tolerance
// alone takes; cells that come out whole meet rows of whole coefficients exactly.
TEST(ContinuousSolver, PolishesUntilTheRowsHoldExactly) {
    const struct {
        const char* what;
        std::vector<double> base;
        std::vector<Row> rows;
    } cases[] = {
        {"a total at 10^15",
         {500000000000000, 500000000000001},
         {{{0, 1}, {1, 1}, 1000000000000005, 1000000000000005}}},
        {"a difference at 10^12",
         {1000000000000, 2000000000000, 3000000000000},
         {{{0, 1, 2}, {1, 1, -1}, 7, 7}, {{0, 1, 2}, {1, 1, 1}, 6000000000011, INF}}},
    };
    for (const auto& c : cases) {
        AdjustmentProblem p = problemWithRows(static_cast<int32_t>(c.base.size()), c.rows);
        p.base = c.base;
        const ContinuousResult r = solveContinuous(p, ContinuousOptions{});
        ASSERT_EQ(r.status.model, ModelStatus::OPTIMAL) << c.what;
        EXPECT_TRUE(meetsHardRowsAndBounds(p, r.x)) << c.what;
    }
}

}  // namespace
