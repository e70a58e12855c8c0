// solveContinuous: random problems checked against the optimality conditions, computed here
// from the problem alone; tables without a solution; weak rows; the time limit.
#include "qorsolve/continuous_solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double INF = INFINITE_BOUND;

void addRow(SparseRows& rows, const std::vector<std::pair<int32_t, double>>& terms) {
    for (auto [column, value] : terms) {
        rows.column.push_back(column);
        rows.value.push_back(value);
    }
    rows.start.push_back(static_cast<int64_t>(rows.column.size()));
}

double rowValue(const SparseRows& rows, int32_t i, const std::vector<double>& x) {
    double sum = 0.0;
    for (int64_t k = rows.start[i]; k < rows.start[i + 1]; ++k)
        sum += rows.value[k] * x[rows.column[k]];
    return sum;
}

double rowSize(const SparseRows& rows, int32_t i, const std::vector<double>& x) {
    double sum = 0.0;
    for (int64_t k = rows.start[i]; k < rows.start[i + 1]; ++k)
        sum += std::fabs(rows.value[k] * x[rows.column[k]]);
    return std::max(1.0, sum);
}

// F(x) and the largest violation of feasibility, multiplier signs, complementarity and
// stationarity, each relative, as continuous_solver.h defines the KKT residual.
struct Check {
    double objective = 0.0;
    double kkt = 0.0;
};

Check check(const AdjustmentProblem& p, const ContinuousResult& r) {
    Check c;
    const int32_t n = p.cellCount();
    EXPECT_EQ(r.x.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(r.hardDual.size(), p.hardLower.size());
    std::vector<double> v(n, 0.0), size(n, 0.0);
    for (int32_t j = 0; j < n; ++j) {
        EXPECT_GE(r.x[j], p.lower[j]);
        EXPECT_LE(r.x[j], p.upper[j]);
        c.objective += (r.x[j] - p.base[j]) * (r.x[j] - p.base[j]) / p.base[j];
    }
    for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
        const double ax = rowValue(p.hard, i, r.x);
        const double scale = rowSize(p.hard, i, r.x);
        const double y = r.hardDual[i];
        c.kkt = std::max({c.kkt, (p.hardLower[i] - ax) / scale, (ax - p.hardUpper[i]) / scale});
        if (y > 0.0) c.kkt = std::max(c.kkt, std::min(y, std::fabs(ax - p.hardLower[i]) / scale));
        if (y < 0.0) c.kkt = std::max(c.kkt, std::min(-y, std::fabs(ax - p.hardUpper[i]) / scale));
        for (int64_t k = p.hard.start[i]; k < p.hard.start[i + 1]; ++k) {
            v[p.hard.column[k]] += p.hard.value[k] * y;
            size[p.hard.column[k]] += std::fabs(p.hard.value[k] * y);
        }
    }
    for (int32_t w = 0; w < p.weak.rowCount(); ++w) {
        const double deviation = rowValue(p.weak, w, r.x) - p.weakTarget[w];
        const double cost = p.weakWeight[w] / std::max(std::fabs(p.weakTarget[w]), 1.0);
        c.objective += cost * deviation * deviation;
        for (int64_t k = p.weak.start[w]; k < p.weak.start[w + 1]; ++k) {
            v[p.weak.column[k]] -= 2.0 * cost * deviation * p.weak.value[k];
            size[p.weak.column[k]] += std::fabs(2.0 * cost * deviation * p.weak.value[k]);
        }
    }
    for (int32_t j = 0; j < n; ++j) {
        double g = 2.0 * (r.x[j] - p.base[j]) / p.base[j] - v[j];
        if (r.x[j] <= p.lower[j]) g = std::min(g, 0.0);
        if (r.x[j] >= p.upper[j]) g = std::max(g, 0.0);
        c.kkt = std::max(c.kkt, std::fabs(g) / (1.0 + size[j]));
    }
    return c;
}

void expectOptimal(const AdjustmentProblem& p, const ContinuousResult& r) {
    ASSERT_EQ(r.status.model, ModelStatus::OPTIMAL);
    const Check c = check(p, r);
    EXPECT_LT(c.kkt, 1e-6);
    EXPECT_LT(r.kktResidual, 1e-6);
    EXPECT_NEAR(r.objective, c.objective, 1e-9 * (1.0 + c.objective));
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
        addRow(p.hard, terms);
        const double value = rowValue(p.hard, i, x0) + uniform(-0.5, 0.5) * (random() % 2);
        const double shift = uniform(0.0, 10.0);
        switch (random() % 4) {
            case 0:
                p.hardLower.push_back(value);
                p.hardUpper.push_back(value);
                break;
            case 1:
                p.hardLower.push_back(value + shift);
                p.hardUpper.push_back(INF);
                break;
            case 2:
                p.hardLower.push_back(-INF);
                p.hardUpper.push_back(value - shift);
                break;
            default:
                p.hardLower.push_back(value - shift);
                p.hardUpper.push_back(value + shift);
        }
        // Keep x0 feasible.
        const double at = rowValue(p.hard, i, x0);
        p.hardLower.back() = std::min(p.hardLower.back(), at);
        p.hardUpper.back() = std::max(p.hardUpper.back(), at);
    }
    if (m >= 2) {
        std::vector<std::pair<int32_t, double>> terms;
        for (int i = 0; i < 2; ++i)
            for (int64_t k = p.hard.start[i]; k < p.hard.start[i + 1]; ++k)
                terms.push_back({p.hard.column[k], p.hard.value[k]});
        addRow(p.hard, terms);
        const double at = rowValue(p.hard, m, x0);
        p.hardLower.push_back(at);
        p.hardUpper.push_back(at);
    }
    p.hardSource.assign(p.hardLower.size(), 1);
    for (int w = 0; weak && w < 3; ++w) {
        addRow(p.weak, {{static_cast<int32_t>(random() % n), 1.0},
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
    AdjustmentProblem p;
    p.base = {10.0};
    p.lower = {0.0};
    p.upper = {INF};
    addRow(p.weak, {{0, 1.0}});
    p.weakTarget = {40.0};
    p.weakWeight = {2.0};
    const ContinuousResult r = solveContinuous(p, {});
    expectOptimal(p, r);
    EXPECT_NEAR(r.x[0], 20.0, 1e-9);
    // A hard row holds against the weak one.
    addRow(p.hard, {{0, 1.0}});
    p.hardLower = {-INF};
    p.hardUpper = {15.0};
    const ContinuousResult bound = solveContinuous(p, {});
    expectOptimal(p, bound);
    EXPECT_NEAR(bound.x[0], 15.0, 1e-9);
    EXPECT_LT(bound.hardDual[0], 0.0);
}

TEST(ContinuousSolver, NoRowsGiveTheBaseWithinItsBounds) {
    AdjustmentProblem p;
    p.base = {5.0, 5.0, 5.0};
    p.lower = {0.0, 7.0, -INF};
    p.upper = {INF, INF, 2.0};
    const ContinuousResult r = solveContinuous(p, {});
    expectOptimal(p, r);
    EXPECT_EQ(r.x, (std::vector<double>{5.0, 7.0, 2.0}));
}

// Each case: the problem and the rows a conflict needs (one of the alternatives in each group).
TEST(ContinuousSolver, TablesWithoutSolutionNameTheirRows) {
    struct Case {
        const char* name;
        int cells;
        std::vector<std::vector<std::pair<int32_t, double>>> rows;
        std::vector<double> values;
        std::vector<double> upper;  // per cell, empty: none
        std::vector<int32_t> culprits;
    };
    const std::vector<Case> cases = {
        // 2 x 2 table: row sums 10 and 10, column sums 10 and 10, total 25.
        {"total not the sum of its parts",
         4,
         {{{0, 1}, {1, 1}},
          {{2, 1}, {3, 1}},
          {{0, 1}, {2, 1}},
          {{1, 1}, {3, 1}},
          {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},
         {10, 10, 10, 10, 25},
         {},
         {4}},
        {"margin below zero", 3, {{{0, 1}, {1, 1}}, {{1, 1}, {2, 1}}}, {5, -2}, {}, {1}},
        {"bounds below a margin", 2, {{{0, 1}, {1, 1}}}, {10}, {3, 4}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AdjustmentProblem p;
        for (int j = 0; j < c.cells; ++j) {
            p.base.push_back(3.0);
            p.lower.push_back(0.0);
            p.upper.push_back(c.upper.empty() ? INF : c.upper[j]);
        }
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            addRow(p.hard, c.rows[i]);
            p.hardLower.push_back(c.values[i]);
            p.hardUpper.push_back(c.values[i]);
        }
        const ContinuousResult r = solveContinuous(p, {});
        ASSERT_EQ(r.status.model, ModelStatus::INFEASIBLE);
        for (int32_t row : c.culprits)
            EXPECT_NE(std::find(r.suspectRows.begin(), r.suspectRows.end(), row),
                      r.suspectRows.end());
    }
}

// All one- and two-dimensional margins of a whole-number table with classes of `sizes`
// (linearly dependent rows), as equalities, over a base that differs from the table.
AdjustmentProblem marginsProblem(const std::vector<int>& sizes) {
    AdjustmentProblem p;
    int cells = 1;
    for (int size : sizes) cells *= size;
    std::mt19937 random(11);
    std::vector<std::vector<int>> index(cells);
    for (int c = 0; c < cells; ++c) {
        const double value = 1.0 + random() % 9;
        p.base.push_back(value * (0.7 + 0.1 * (random() % 7)));
        p.lower.push_back(0.0);
        p.upper.push_back(INF);
        for (int k = static_cast<int>(sizes.size()) - 1, rest = c; k >= 0; --k) {
            index[c].insert(index[c].begin(), rest % sizes[k]);
            rest /= sizes[k];
        }
        index[c].push_back(static_cast<int>(value));  // the table's value, last
    }
    auto margin = [&](std::vector<int> classes) {
        std::vector<int> at(classes.size(), 0);
        for (bool more = true; more;) {
            std::vector<std::pair<int32_t, double>> terms;
            double sum = 0.0;
            for (int c = 0; c < cells; ++c) {
                bool in = true;
                for (std::size_t k = 0; k < classes.size(); ++k)
                    in = in && index[c][classes[k]] == at[k];
                if (!in) continue;
                terms.push_back({c, 1.0});
                sum += index[c].back();
            }
            addRow(p.hard, terms);
            p.hardLower.push_back(sum);
            p.hardUpper.push_back(sum);
            more = false;
            for (std::size_t k = classes.size(); k-- > 0 && !more;) {
                more = ++at[k] < sizes[classes[k]];
                if (!more) at[k] = 0;
            }
        }
    };
    const int k = static_cast<int>(sizes.size());
    for (int a = 0; a < k; ++a) margin({a});
    for (int a = 0; a < k; ++a)
        for (int b = a + 1; b < k; ++b) margin({a, b});
    return p;
}

// The margins are met tightly; with one of them moved, every set of rows that cannot hold
// contains the moved one, and the suspect rows cannot hold by themselves.
TEST(ContinuousSolver, MovedMarginIsAmongTheSuspects) {
    const std::vector<std::vector<int>> tables = {{5, 6}, {4, 5, 3}, {3, 3, 4, 2}};
    for (const std::vector<int>& sizes : tables) {
        SCOPED_TRACE(sizes.size());
        AdjustmentProblem p = marginsProblem(sizes);
        const ContinuousResult optimum = solveContinuous(p, {});
        expectOptimal(p, optimum);
        for (int32_t i = 0; i < p.hard.rowCount(); ++i)
            EXPECT_NEAR(rowValue(p.hard, i, optimum.x), p.hardLower[i], 1e-12 * p.hardLower[i]);

        const int32_t moved = p.hard.rowCount() - 2;
        p.hardLower[moved] += 3.0;
        p.hardUpper[moved] += 3.0;
        const ContinuousResult r = solveContinuous(p, {});
        ASSERT_EQ(r.status.model, ModelStatus::INFEASIBLE);
        EXPECT_NE(std::find(r.suspectRows.begin(), r.suspectRows.end(), moved),
                  r.suspectRows.end());
        AdjustmentProblem suspects = p;
        suspects.hard = SparseRows{};
        suspects.hardLower.clear();
        suspects.hardUpper.clear();
        for (int32_t row : r.suspectRows) {
            std::vector<std::pair<int32_t, double>> terms;
            for (int64_t e = p.hard.start[row]; e < p.hard.start[row + 1]; ++e)
                terms.push_back({p.hard.column[e], p.hard.value[e]});
            addRow(suspects.hard, terms);
            suspects.hardLower.push_back(p.hardLower[row]);
            suspects.hardUpper.push_back(p.hardUpper[row]);
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
        check(p, r);  // the cells lie within their bounds
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
            miss.push_back(std::fabs(rowValue(p.hard, i, r.x) - p.hardLower[i]) /
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
    options.deadline = &past;
    const ContinuousResult r = solveContinuous(p, options);
    EXPECT_EQ(r.status.model, ModelStatus::NO_POINT);
    EXPECT_EQ(r.status.stop, StopReason::TIME_LIMIT);
    EXPECT_EQ(r.x.size(), p.base.size());
}

}  // namespace
