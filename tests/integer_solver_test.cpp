// The whole-number optimum against brute-force enumeration on random small tables: hard rows
// of all four kinds, fractional bounds and coefficients, weak rows with whole and fractional
// coefficients. The real-valued table handed in is deliberately not the optimum (the base,
// clipped), so the windows have to widen before the optimum is proven.
#include "qorsolve/integer/integer_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "qorsolve/lp/coin_solver.h"
#include "qorsolve/problem/exact_rows.h"
#include "tests/solver_fixtures.h"

namespace {

// With `wholeBases`, bases of 1 to 6 and no weak rows: F then takes values a step of 1 / L
// apart (L the least common multiple of the bases), which the search's proof may use.
AdjustmentProblem randomProblem(std::mt19937& random, bool wholeBases = false) {
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    AdjustmentProblem p;
    int cells = 2 + pick(7);
    std::vector<double> point(cells);  // a whole-number table most rows are built around
    for (int j = 0; j < cells; ++j) {
        p.base.push_back(wholeBases ? 1 + pick(6) : std::round(uniform(0.2, 6.0) * 10) / 10);
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
        const double v = plainRowSum(p.hard, i, point) + (pick(4) == 0 ? pick(5) - 2 : 0);
        const double sides[4][2] = {{v, v}, {v, INF}, {-INF, v}, {v - 1, v + 1.5}};
        const int side = pick(4);
        p.hardLower.push_back(sides[side][0]);
        p.hardUpper.push_back(sides[side][1]);
    }
    int weakRows = wholeBases ? 0 : pick(3);
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

IntegerOptions coinOptions(const Deadline& deadline = Deadline()) {
    IntegerOptions options;
    options.newSolver = makeCoinSolver;
    options.deadline = deadline;
    return options;
}

// A real-valued optimum at `x` of objective and dual bound `objective`, as handed in.
ContinuousResult relaxedAt(std::vector<double> x, double objective) {
    ContinuousResult r;
    r.status.call = CallStatus::OK;
    r.status.model = ModelStatus::OPTIMAL;
    r.x = std::move(x);
    r.objective = r.dualBound = objective;
    return r;
}

// The base clipped to the cells' bounds: deliberately not the optimum.
ContinuousResult roughCenter(const AdjustmentProblem& p) {
    std::vector<double> x;
    for (size_t j = 0; j < p.base.size(); ++j)
        x.push_back(std::clamp(p.base[j], p.lower[j], p.upper[j]));
    return relaxedAt(x, 0.0);
}

TEST(IntegerSolver, MatchesBruteForceOnRandomSmallTables) {
    for (const bool wholeBases : {false, true}) {
        SCOPED_TRACE(wholeBases ? "whole bases, no weak rows" : "decimal bases");
        std::mt19937 random(11);
        int optimal = 0, infeasible = 0;
        for (int c = 0; c < 200; ++c) {
            AdjustmentProblem p = randomProblem(random, wholeBases);
            double expected = bruteForce(p).cost;
            IntegerResult r = solveInteger(p, roughCenter(p), coinOptions());
            if (expected == INF) {
                EXPECT_EQ(r.status, modelStatus(ModelStatus::INTEGER_INFEASIBLE)) << "case " << c;
                ++infeasible;
                continue;
            }
            ++optimal;
            ASSERT_EQ(r.status, modelStatus(ModelStatus::OPTIMAL)) << "case " << c;
            ASSERT_TRUE(wholeTableHolds(p, r.x)) << "case " << c;
            EXPECT_NEAR(r.objective, plainCost(p, r.x), 1e-9 * (1 + r.objective)) << "case " << c;
            EXPECT_NEAR(r.objective, expected, 1e-9 * (1 + expected)) << "case " << c;
            EXPECT_LE(r.bound, expected + 1e-9 * (1 + expected)) << "case " << c;
            EXPECT_LE(r.gap, 1.000001e-9) << "case " << c;
        }
        EXPECT_GT(optimal, 70);  // the generator makes both kinds
        EXPECT_GT(infeasible, 5);
    }
}

TEST(IntegerSolver, NoWholeNumberTableAndNoTime) {
    // x1 + x2 = 1 and x1 = x2: only (0.5, 0.5).
    AdjustmentProblem p = problemWithRows(2, {{{0, 1}, {1, 1}, 1, 1}, {{0, 1}, {1, -1}, 0, 0}});
    const ContinuousResult relaxed = relaxedAt({0.5, 0.5}, 0.5);
    EXPECT_EQ(solveInteger(p, relaxed, coinOptions()).status,
              modelStatus(ModelStatus::INTEGER_INFEASIBLE));

    p.hardLower[1] = -INF;  // x1 <= x2: (0, 1); the rounding (0, 0) breaks the first row
    p.hardUpper[1] = 0;
    const Deadline passed(0.0);
    EXPECT_EQ(solveInteger(p, relaxed, coinOptions(passed)).status,
              modelStatus(ModelStatus::NO_POINT, StopReason::TIME_LIMIT));
    IntegerResult r = solveInteger(p, relaxed, coinOptions());
    EXPECT_EQ(r.status, modelStatus(ModelStatus::OPTIMAL));
    EXPECT_EQ(r.x, (std::vector<double>{0, 1}));
}

TEST(IntegerSolver, LargeBasesEndProvenInFewWindows) {
    // 3 x1 + 2 x2 = 5 b - 1 near a base b of up to 10^12. Far from the base the chords are
    // nearly flat, so the programme's first point may lie at x1 = 0; a window widened all the
    // way there held b parts (gigabytes for b = 5 * 10^7, within the value columns' range).
    for (double b : {5e7, 1e9, 1e12}) {
        AdjustmentProblem p = problemWithRows(2, {{{0, 1}, {3, 2}, 5 * b - 1, 5 * b - 1}});
        p.base = {b + 0.3, b - 0.4};
        double best = INF;  // over the solutions near the base, every other one of x1
        for (double x1 = b - 41; x1 <= b + 41; x1 += 2) {
            const double x2 = (5 * b - 1 - 3 * x1) / 2;
            best = std::min(best, plainCost(p, {x1, x2}));
        }
        const IntegerResult r = solveInteger(p, relaxedAt(p.base, 0.0), coinOptions());
        ASSERT_EQ(r.status, modelStatus(ModelStatus::OPTIMAL)) << b;
        ASSERT_TRUE(wholeTableHolds(p, r.x)) << b;
        EXPECT_NEAR(r.objective, best, 1e-9 * best) << b;
    }
}

TEST(IntegerSolver, RefusesTheProgrammeBeyondTwoToThe53) {
    // x1 + x2 = 1 and x1 = x2: no rounding holds, so only the programme could say more. A
    // third cell whose value lies beyond 2^53 would put parts of one unit into it that
    // rounding loses; below, the programme runs and finds that no whole numbers exist.
    for (double far : {1e16, 1e15}) {
        AdjustmentProblem p = problemWithRows(3, {{{0, 1}, {1, 1}, 1, 1}, {{0, 1}, {1, -1}, 0, 0}});
        p.base[2] = far;
        int built = 0;
        IntegerOptions options = coinOptions();
        options.newSolver = [&built] {
            ++built;
            return makeCoinSolver();
        };
        const IntegerResult r = solveInteger(p, relaxedAt({0.5, 0.5, far}, 0.5), options);
        if (far > LARGEST_WHOLE) {
            EXPECT_EQ(r.status, callStatus(CallStatus::OUT_OF_RANGE, WHOLE_VALUES_TOO_LARGE));
            EXPECT_EQ(built, 0);
        } else {
            EXPECT_EQ(r.status, modelStatus(ModelStatus::INTEGER_INFEASIBLE));
        }
    }
}

TEST(IntegerSolver, BuildsNoProgrammeTheWorkLeftCannotSolve) {
    // x1 + x2 = 1 and x1 = x2: no rounding holds, so only the programme could say more. Its
    // two rows need two units of work at least.
    const AdjustmentProblem p =
        problemWithRows(2, {{{0, 1}, {1, 1}, 1, 1}, {{0, 1}, {1, -1}, 0, 0}});
    for (int64_t limit : {1, 2}) {
        int built = 0;
        IntegerOptions options = coinOptions();
        options.newSolver = [&built] {
            ++built;
            return makeCoinSolver();
        };
        WorkLimit work(limit);
        options.work = &work;
        const IntegerResult r = solveInteger(p, relaxedAt({0.5, 0.5}, 0.5), options);
        EXPECT_EQ(built, limit == 1 ? 0 : 1) << "limit " << limit;
        if (limit == 1) {
            EXPECT_EQ(r.status, modelStatus(ModelStatus::NO_POINT, StopReason::WORK_LIMIT));
        }
    }
}

}  // namespace

TEST(IntegerSolver, NamesTheStepThatFoundTheTable) {
    // x1 + x2 = 1 and x1 <= x2: the optimum (0, 1).
    AdjustmentProblem p = problemWithRows(2, {{{0, 1}, {1, 1}, 1, 1}, {{0, 1}, {1, -1}, -INF, 0}});
    const struct {
        const char* what;
        ContinuousResult relaxed;
        TableStage stage;
    } cases[] = {
        {"the optimum rounds to the table", relaxedAt({0.2, 0.8}, 0.5), TableStage::ROUNDED},
        // (0.5, 0.5) rounds to (0, 0), which misses the first row: a repair mends it.
        {"the rounding misses a row", relaxedAt({0.5, 0.5}, 0.5), TableStage::MARGIN_REPAIR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const IntegerResult r = solveInteger(p, c.relaxed, coinOptions());
        EXPECT_EQ(r.status, modelStatus(ModelStatus::OPTIMAL));
        EXPECT_EQ(r.x, (std::vector<double>{0, 1}));
        EXPECT_EQ(r.stage, c.stage);
    }
    const IntegerResult none =
        solveInteger(p, relaxedAt({0.5, 0.5}, 0.5), coinOptions(Deadline(0.0)));
    EXPECT_EQ(none.stage, TableStage::NONE);
}
