// The COIN solver behind LinearSolver: LP optimum and warm re-solve after bound changes,
// Farkas rays checked against the documented sign convention, small MIPs, and the deadline.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "qorsolve/linear_solver.h"

namespace {

constexpr double INF = INFINITE_BOUND;

// rows: one {coefficients over all columns} per row.
LinearModel makeModel(std::vector<std::vector<double>> rows, std::vector<double> rowLower,
                      std::vector<double> rowUpper, std::vector<double> columnLower,
                      std::vector<double> columnUpper, std::vector<double> cost) {
    LinearModel m;
    for (const auto& row : rows) {
        for (size_t j = 0; j < row.size(); ++j) {
            if (row[j] == 0.0) continue;
            m.rows.column.push_back(static_cast<int32_t>(j));
            m.rows.value.push_back(row[j]);
        }
        m.rows.start.push_back(static_cast<int64_t>(m.rows.column.size()));
    }
    m.rowLower = std::move(rowLower);
    m.rowUpper = std::move(rowUpper);
    m.columnLower = std::move(columnLower);
    m.columnUpper = std::move(columnUpper);
    m.cost = std::move(cost);
    return m;
}

// The certificate of linear_solver.h, computed here independently of the solver.
bool provesInfeasible(const LinearModel& m, const std::vector<double>& y) {
    if (y.size() != m.rowLower.size()) return false;
    std::vector<double> combined(m.cost.size(), 0.0);
    double implied = 0.0;
    for (int32_t i = 0; i < m.rows.rowCount(); ++i) {
        if (y[i] == 0.0) continue;
        double side = y[i] > 0 ? m.rowLower[i] : m.rowUpper[i];
        if (!std::isfinite(side)) return false;
        implied += y[i] * side;
        for (int64_t k = m.rows.start[i]; k < m.rows.start[i + 1]; ++k) {
            combined[m.rows.column[k]] += y[i] * m.rows.value[k];
        }
    }
    double reachable = 0.0;
    for (size_t j = 0; j < combined.size(); ++j) {
        if (std::fabs(combined[j]) < 1e-12) continue;
        double at = combined[j] > 0 ? m.columnUpper[j] : m.columnLower[j];
        if (!std::isfinite(at)) return false;
        reachable += combined[j] * at;
    }
    return reachable < implied - 1e-9;
}

TEST(CoinSolver, LinearOptimumThenWarmResolveAfterBoundChanges) {
    // min x + 2y: x + y >= 3, x - y <= 1, 0 <= x, y <= 10.
    auto solver = makeCoinSolver();
    ASSERT_TRUE(
        solver->load(makeModel({{1, 1}, {1, -1}}, {3, -INF}, {INF, 1}, {0, 0}, {10, 10}, {1, 2})));
    Deadline none;
    LinearResult r = solver->solveLinear(none);
    ASSERT_EQ(r.status, LinearStatus::OPTIMAL);
    EXPECT_NEAR(r.objective, 4.0, 1e-9);
    EXPECT_NEAR(r.x[0], 2.0, 1e-9);
    EXPECT_NEAR(r.x[1], 1.0, 1e-9);

    solver->setRowBounds(0, 5, INF);
    r = solver->solveLinear(none);
    ASSERT_EQ(r.status, LinearStatus::OPTIMAL);
    EXPECT_NEAR(r.objective, 7.0, 1e-9);

    solver->setColumnBounds(0, 0, 2);  // x <= 2, y = 3 gives 8
    r = solver->solveLinear(none);
    ASSERT_EQ(r.status, LinearStatus::OPTIMAL);
    EXPECT_NEAR(r.objective, 8.0, 1e-9);

    solver->setColumnBounds(1, 0, 2);  // x + y <= 4 < 5
    r = solver->solveLinear(none);
    ASSERT_EQ(r.status, LinearStatus::INFEASIBLE);
    LinearModel now = makeModel({{1, 1}, {1, -1}}, {5, -INF}, {INF, 1}, {0, 0}, {2, 2}, {1, 2});
    EXPECT_TRUE(provesInfeasible(now, r.rowRay));
}

TEST(CoinSolver, InfeasibleLinearModelsCarryACertifiedRay) {
    const std::vector<LinearModel> cases = {
        // a total that is not the sum of its parts
        makeModel({{1, 1, 0}, {1, 0, 0}, {0, 1, 0}}, {10, 3, 4}, {10, 3, 4}, {0, 0, 0},
                  {INF, INF, INF}, {0, 0, 0}),
        // a margin below zero against the lower bounds 0
        makeModel({{1, 1, 1}}, {-2}, {-2}, {0, 0, 0}, {INF, INF, INF}, {1, 1, 1}),
        // a range row against the upper bounds, with free columns elsewhere
        makeModel({{2, 3, 0}, {0, 0, 1}}, {20, -INF}, {30, INF}, {-INF, 0, -INF}, {1, 2, INF},
                  {0, 0, 1}),
        // x = y, x + y = 7, y - x >= 1
        makeModel({{1, -1}, {1, 1}, {-1, 1}}, {0, 7, 1}, {0, 7, INF}, {-INF, -INF}, {INF, INF},
                  {1, 0}),
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        auto solver = makeCoinSolver();
        ASSERT_TRUE(solver->load(cases[c]));
        LinearResult r = solver->solveLinear(Deadline());
        ASSERT_EQ(r.status, LinearStatus::INFEASIBLE) << "case " << c;
        EXPECT_TRUE(provesInfeasible(cases[c], r.rowRay)) << "case " << c;
    }
}

TEST(CoinSolver, IntegerOptimumWithAndWithoutStart) {
    // min -5x - 4y: 6x + 4y <= 24, x + 2y <= 6; LP optimum (3, 1.5), integer optimum (4, 0).
    LinearModel m =
        makeModel({{6, 4}, {1, 2}}, {-INF, -INF}, {24, 6}, {0, 0}, {INF, INF}, {-5, -4});
    m.isInteger = {1, 1};
    for (const std::vector<double>& start : {std::vector<double>{}, std::vector<double>{2, 2}}) {
        auto solver = makeCoinSolver();
        ASSERT_TRUE(solver->load(m));
        EXPECT_NEAR(solver->solveLinear(Deadline()).objective, -21.0, 1e-9);
        LinearResult r = solver->solveInteger(Deadline(), 1e-9, start);
        ASSERT_EQ(r.status, LinearStatus::OPTIMAL);
        EXPECT_EQ(r.x, (std::vector<double>{4, 0}));
        EXPECT_NEAR(r.objective, -20.0, 1e-9);
        EXPECT_NEAR(r.bound, -20.0, 1e-6);
    }

    LinearModel odd = makeModel({{2}}, {1}, {1}, {0}, {5}, {1});  // 2x = 1
    odd.isInteger = {1};
    auto solver = makeCoinSolver();
    ASSERT_TRUE(solver->load(odd));
    EXPECT_EQ(solver->solveInteger(Deadline(), 1e-9, {}).status, LinearStatus::INFEASIBLE);
}

TEST(CoinSolver, WorkLimitStopsTheSearchWhereverItIsReached) {
    // The programme of IntegerOptimumWithAndWithoutStart, with and without cuts.
    LinearModel m =
        makeModel({{6, 4}, {1, 2}}, {-INF, -INF}, {24, 6}, {0, 0}, {INF, INF}, {-5, -4});
    m.isInteger = {1, 1};
    for (bool cuts : {false, true}) {
        m.cuts = cuts;
        auto solver = makeCoinSolver();
        ASSERT_TRUE(solver->load(m));
        WorkLimit ample;
        solver->setWorkLimit(&ample);
        ASSERT_EQ(solver->solveInteger(Deadline(), 1e-9, {}).status, LinearStatus::OPTIMAL);
        EXPECT_GT(ample.spent(), 0);
        // Every limit below what the search needed stops it, and the same limit twice stops
        // it at the same place.
        for (int64_t limit = 1; limit < ample.spent(); ++limit) {
            LinearResult runs[2];
            for (LinearResult& run : runs) {
                WorkLimit work(limit);
                solver->setWorkLimit(&work);
                run = solver->solveInteger(Deadline(), 1e-9, {});
                EXPECT_EQ(run.status, LinearStatus::WORK_LIMIT) << limit;
                EXPECT_TRUE(work.exhausted());
            }
            EXPECT_EQ(runs[0].x, runs[1].x) << limit;
        }
    }
}

TEST(CoinSolver, PassedDeadlineAndBadModels) {
    LinearModel m = makeModel({{1, 1}}, {1}, {1}, {0, 0}, {1, 1}, {1, 1});
    m.isInteger = {1, 1};
    auto solver = makeCoinSolver();
    ASSERT_TRUE(solver->load(m));
    Deadline passed(0.0);
    EXPECT_EQ(solver->solveLinear(passed).status, LinearStatus::TIME_LIMIT);
    EXPECT_EQ(solver->solveInteger(passed, 1e-9, {}).status, LinearStatus::TIME_LIMIT);

    LinearModel bad = m;
    bad.rows.column[1] = 7;  // no such column
    EXPECT_FALSE(solver->load(bad));
    EXPECT_EQ(solver->solveLinear(Deadline()).status, LinearStatus::FAILED);
}

TEST(CoinSolver, CostsBeyondWhatClpTakesAreRefused) {
    // x + y = 1 over whole numbers, and a third column fixed at 1 that carries a constant.
    struct Case {
        double movingCost;
        double fixedCost;
        LinearStatus expected;
    };
    for (const Case& c :
         {Case{1e15, 1e20, LinearStatus::OPTIMAL}, Case{1e16, 1.0, LinearStatus::COSTS_TOO_LARGE},
          Case{1.0, 1e21, LinearStatus::COSTS_TOO_LARGE},
          Case{1.0, 1e300, LinearStatus::COSTS_TOO_LARGE},
          Case{NAN, 1.0, LinearStatus::COSTS_TOO_LARGE}}) {
        LinearModel m = makeModel({{1, 1, 0}}, {1}, {1}, {0, 0, 1}, {1, 1, 1},
                                  {c.movingCost, 2.0, c.fixedCost});
        m.isInteger = {1, 1, 0};
        auto solver = makeCoinSolver();
        ASSERT_TRUE(solver->load(m));
        EXPECT_EQ(solver->solveInteger(Deadline(), 1e-9, {}).status, c.expected) << c.movingCost;
        EXPECT_EQ(solver->solveLinear(Deadline()).status, c.expected) << c.fixedCost;
    }
    // Freeing the column that carries 1e20 makes the same cost too large.
    LinearModel m = makeModel({{1, 1, 0}}, {1}, {1}, {0, 0, 1}, {1, 1, 1}, {1.0, 2.0, 1e20});
    auto solver = makeCoinSolver();
    ASSERT_TRUE(solver->load(m));
    solver->setColumnBounds(2, 0, 1);
    EXPECT_EQ(solver->solveLinear(Deadline()).status, LinearStatus::COSTS_TOO_LARGE);
}

}  // namespace
