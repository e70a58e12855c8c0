// The whole-number optimum against brute-force enumeration on random small tables: hard rows
// of all four kinds, fractional bounds and coefficients, weak rows with whole and fractional
// coefficients. The real-valued table handed in is deliberately not the optimum (the base,
// clipped), so the windows have to widen before the optimum is proven.
#include "qorsolve/integer_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double INF = INFINITE_BOUND;

void addRow(SparseRows& rows, const std::vector<double>& coefficients) {
    for (size_t j = 0; j < coefficients.size(); ++j) {
        if (coefficients[j] == 0.0) continue;
        rows.column.push_back(static_cast<int32_t>(j));
        rows.value.push_back(coefficients[j]);
    }
    rows.start.push_back(static_cast<int64_t>(rows.column.size()));
}

double dot(const SparseRows& rows, int32_t i, const std::vector<double>& x) {
    double v = 0.0;
    for (int64_t k = rows.start[i]; k < rows.start[i + 1]; ++k)
        v += rows.value[k] * x[rows.column[k]];
    return v;
}

double objective(const AdjustmentProblem& p, const std::vector<double>& x) {
    double f = 0.0;
    for (size_t j = 0; j < x.size(); ++j) f += (x[j] - p.base[j]) * (x[j] - p.base[j]) / p.base[j];
    for (int32_t w = 0; w < p.weak.rowCount(); ++w) {
        double d = dot(p.weak, w, x) - p.weakTarget[w];
        f += p.weakWeight[w] * d * d / std::max(std::fabs(p.weakTarget[w]), 1.0);
    }
    return f;
}

bool feasible(const AdjustmentProblem& p, const std::vector<double>& x) {
    for (size_t j = 0; j < x.size(); ++j) {
        if (x[j] != std::round(x[j]) || x[j] < p.lower[j] || x[j] > p.upper[j]) return false;
    }
    for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
        double v = dot(p.hard, i, x);
        if (v < p.hardLower[i] - 1e-9 || v > p.hardUpper[i] + 1e-9) return false;
    }
    return true;
}

// The least objective over every whole-number table within the bounds; INF when none.
double bruteForce(const AdjustmentProblem& p) {
    size_t n = p.base.size();
    std::vector<double> x(n);
    for (size_t j = 0; j < n; ++j) x[j] = std::ceil(p.lower[j]);
    double best = INF;
    while (true) {
        if (feasible(p, x)) best = std::min(best, objective(p, x));
        size_t j = 0;
        while (j < n && x[j] + 1 > p.upper[j]) {
            x[j] = std::ceil(p.lower[j]);
            ++j;
        }
        if (j == n) return best;
        x[j] += 1;
    }
}

AdjustmentProblem randomProblem(std::mt19937& random) {
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    AdjustmentProblem p;
    int cells = 2 + pick(7);
    std::vector<double> point(cells);  // a whole-number table most rows are built around
    for (int j = 0; j < cells; ++j) {
        p.base.push_back(std::round(uniform(0.2, 6.0) * 10) / 10);
        double lower = pick(3) == 0 ? 0.5 * pick(3) : 0.0;
        double upper = std::ceil(lower) + 1 + pick(4) + (pick(4) == 0 ? 0.5 : 0.0);
        p.lower.push_back(lower);
        p.upper.push_back(upper);
        point[j] =
            std::ceil(lower) + pick(static_cast<int>(std::floor(upper) - std::ceil(lower)) + 1);
    }
    const double coefficients[] = {1, 1, 1, 2, -1, 0.5, 3};
    int hardRows = pick(4);
    for (int i = 0; i < hardRows; ++i) {
        std::vector<double> a(cells, 0.0);
        for (int j = 0; j < cells; ++j) {
            if (pick(2) == 0) a[j] = coefficients[pick(7)];
        }
        addRow(p.hard, a);
        double v = dot(p.hard, i, point) + (pick(4) == 0 ? pick(5) - 2 : 0);
        switch (pick(4)) {
            case 0:
                p.hardLower.push_back(v), p.hardUpper.push_back(v);
                break;
            case 1:
                p.hardLower.push_back(v), p.hardUpper.push_back(INF);
                break;
            case 2:
                p.hardLower.push_back(-INF), p.hardUpper.push_back(v);
                break;
            default:
                p.hardLower.push_back(v - 1), p.hardUpper.push_back(v + 1.5);
                break;
        }
    }
    int weakRows = pick(3);
    for (int w = 0; w < weakRows; ++w) {
        std::vector<double> a(cells, 0.0);
        for (int j = 0; j < cells; ++j) {
            if (pick(2) == 0) a[j] = pick(2) == 0 ? 1.0 : coefficients[pick(7)];
        }
        addRow(p.weak, a);
        p.weakTarget.push_back(std::round(uniform(-2, 12) * 4) / 4);
        p.weakWeight.push_back(uniform(0.1, 3.0));
    }
    return p;
}

ContinuousResult roughCenter(const AdjustmentProblem& p) {
    ContinuousResult r;
    r.status.call = CallStatus::OK;
    r.status.model = ModelStatus::OPTIMAL;
    for (size_t j = 0; j < p.base.size(); ++j) {
        r.x.push_back(std::clamp(p.base[j], p.lower[j], p.upper[j]));
    }
    r.dualBound = 0.0;
    return r;
}

TEST(IntegerSolver, MatchesBruteForceOnRandomSmallTables) {
    std::mt19937 random(11);
    int optimal = 0, infeasible = 0;
    for (int c = 0; c < 200; ++c) {
        AdjustmentProblem p = randomProblem(random);
        double expected = bruteForce(p);
        IntegerResult r = solveInteger(p, roughCenter(p), IntegerOptions{});
        if (expected == INF) {
            EXPECT_EQ(r.status, IntegerStatus::INTEGER_INFEASIBLE) << "case " << c;
            ++infeasible;
            continue;
        }
        ++optimal;
        ASSERT_EQ(r.status, IntegerStatus::OPTIMAL) << "case " << c;
        ASSERT_TRUE(feasible(p, r.x)) << "case " << c;
        EXPECT_NEAR(r.objective, objective(p, r.x), 1e-9 * (1 + r.objective)) << "case " << c;
        EXPECT_NEAR(r.objective, expected, 1e-9 * (1 + expected)) << "case " << c;
        EXPECT_LE(r.bound, expected + 1e-9 * (1 + expected)) << "case " << c;
        EXPECT_LE(r.gap, 1.000001e-9) << "case " << c;
    }
    EXPECT_GT(optimal, 70);  // the generator makes both kinds
    EXPECT_GT(infeasible, 5);
}

TEST(IntegerSolver, NoWholeNumberTableAndNoTime) {
    AdjustmentProblem p;
    p.base = {1, 1};
    p.lower = {0, 0};
    p.upper = {INF, INF};
    addRow(p.hard, {1, 1});  // x1 + x2 = 1 and x1 = x2: only (0.5, 0.5)
    addRow(p.hard, {1, -1});
    p.hardLower = {1, 0};
    p.hardUpper = {1, 0};
    ContinuousResult relaxed;
    relaxed.status.call = CallStatus::OK;
    relaxed.status.model = ModelStatus::OPTIMAL;
    relaxed.x = {0.5, 0.5};
    relaxed.objective = relaxed.dualBound = 0.5;
    EXPECT_EQ(solveInteger(p, relaxed, IntegerOptions{}).status, IntegerStatus::INTEGER_INFEASIBLE);

    p.hardLower[1] = -INF;  // x1 <= x2: (0, 1); the rounding (0, 0) breaks the first row
    p.hardUpper[1] = 0;
    Deadline passed(0.0);
    IntegerOptions options;
    options.deadline = &passed;
    EXPECT_EQ(solveInteger(p, relaxed, options).status, IntegerStatus::NO_TABLE_IN_TIME);
    IntegerResult r = solveInteger(p, relaxed, IntegerOptions{});
    EXPECT_EQ(r.status, IntegerStatus::OPTIMAL);
    EXPECT_EQ(r.x, (std::vector<double>{0, 1}));
}

}  // namespace
