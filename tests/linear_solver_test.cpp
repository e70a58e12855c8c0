// What every LinearSolver must do, run against each solver the program can be built with:
// optima of linear and mixed-integer programmes, warm starts after bound changes, infeasible
// programmes with a ray that passes the certificate check, unbounded ones, a deterministic
// work limit, a search that ends at a point the caller's test picks out, a passed deadline,
// and models it cannot take refused as a failed call.
#include "qorsolve/lp/linear_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "qorsolve/core/settings.h"
#include "qorsolve/lp/coin_solver.h"
#include "qorsolve/problem/numeric_checks.h"
#include "tests/linear_models.h"

namespace {

constexpr double INF = INFINITE_BOUND;
constexpr double EXACT = 1e-9;  // the optima below are small whole or half numbers
// A work limit no search below reaches.
constexpr int64_t AMPLE_WORK = std::numeric_limits<int64_t>::max();

struct Backend {
    std::string name;
    LinearSolverFactory factory;
};

class LinearSolverConformance : public testing::TestWithParam<Backend> {
  protected:
    // A new solver of the backend with `model` loaded (a fatal failure when there is none).
    void load(const LinearModel& model) {
        solver_ = newSolver(GetParam().factory);
        ASSERT_TRUE(solver_);
        EXPECT_TRUE(solver_->load(model));
    }

    std::unique_ptr<LinearSolver> solver_;
};

// The ray of an INFEASIBLE result passes the one certificate check.
bool certified(const LinearModel& m, const LinearResult& r) {
    return !certifiedRay(m.rows, m.rowLower, m.rowUpper, m.columnLower, m.columnUpper, r.rowRay)
                .empty();
}

void expectModel(const LinearResult& r, ModelStatus model, StopReason stop = StopReason::NONE) {
    EXPECT_EQ(r.status.call, CallStatus::OK) << r.status.failure;
    EXPECT_EQ(r.status.model, model);
    EXPECT_EQ(r.status.stop, stop);
}

TEST_P(LinearSolverConformance, LinearOptimumThenWarmStartsAfterBoundChanges) {
    // min x + 2y: x + y >= 3, x - y <= 1, 0 <= x, y <= 10.
    LinearModel m = makeModel({{1, 1}, {1, -1}}, {3, -INF}, {INF, 1}, {0, 0}, {10, 10}, {1, 2});
    ASSERT_NO_FATAL_FAILURE(load(m));
    const Deadline none;
    struct Step {
        const char* change;
        int row;     // the row whose lower bound changes, or -1
        int column;  // the column whose upper bound changes, or -1
        double value;
        double objective;  // NaN: infeasible
    };
    const Step steps[] = {
        {"as loaded", -1, -1, 0, 4},
        {"x + y >= 5", 0, -1, 5, 7},
        {"x <= 2: y = 3", -1, 0, 2, 8},
        {"y <= 2: x + y <= 4 < 5", -1, 1, 2, NAN},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.change);
        if (step.row >= 0) {
            solver_->setRowBounds(step.row, step.value, INF);
            m.rowLower[size_t(step.row)] = step.value;
        }
        if (step.column >= 0) {
            solver_->setColumnBounds(step.column, 0, step.value);
            m.columnUpper[size_t(step.column)] = step.value;
        }
        const LinearResult r = solver_->solveLinear(none);
        if (std::isnan(step.objective)) {
            expectModel(r, ModelStatus::INFEASIBLE);
            EXPECT_TRUE(certified(m, r));
            continue;
        }
        expectModel(r, ModelStatus::OPTIMAL);
        EXPECT_NEAR(r.objective, step.objective, EXACT);
        EXPECT_NEAR(r.bound, step.objective, EXACT);
        ASSERT_EQ(r.x.size(), 2u);
        EXPECT_NEAR(r.x[0] + 2 * r.x[1], step.objective, EXACT);
    }
}

TEST_P(LinearSolverConformance, InfeasibleLinearModelsCarryACertifiedRay) {
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
        SCOPED_TRACE(c);
        ASSERT_NO_FATAL_FAILURE(load(cases[c]));
        const LinearResult r = solver_->solveLinear(Deadline());
        expectModel(r, ModelStatus::INFEASIBLE);
        EXPECT_TRUE(certified(cases[c], r));
    }
}

TEST_P(LinearSolverConformance, UnboundedLinearModel) {
    // min -x - y: x - y <= 1, x, y >= 0.
    ASSERT_NO_FATAL_FAILURE(load(makeModel({{1, -1}}, {-INF}, {1}, {0, 0}, {INF, INF}, {-1, -1})));
    expectModel(solver_->solveLinear(Deadline()), ModelStatus::UNBOUNDED);
}

TEST_P(LinearSolverConformance, IntegerOptimumWithAndWithoutStart) {
    for (const std::vector<double>& start : {std::vector<double>{}, std::vector<double>{2, 2}}) {
        SCOPED_TRACE(start.size());
        ASSERT_NO_FATAL_FAILURE(load(smallKnapsack()));
        EXPECT_NEAR(solver_->solveLinear(Deadline()).objective, -21.0, EXACT);
        const LinearResult r = solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, start);
        expectModel(r, ModelStatus::OPTIMAL);
        EXPECT_EQ(r.x, (std::vector<double>{4, 0}));
        EXPECT_NEAR(r.objective, -20.0, EXACT);
        EXPECT_LE(r.bound, r.objective);
        EXPECT_GE(r.bound, -20.0 - INTEGER_RELATIVE_GAP * 20.0);
    }

    LinearModel odd = makeModel({{2}}, {1}, {1}, {0}, {5}, {1});  // 2x = 1
    odd.isInteger = {1};
    ASSERT_NO_FATAL_FAILURE(load(odd));
    expectModel(solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {}),
                ModelStatus::INFEASIBLE);
}

// A start basis changes where the relaxation starts, never what it ends at, whatever rows it
// names: a column basic in a row, one named twice, one that does not exist, or a list of the
// wrong length (ignored).
TEST_P(LinearSolverConformance, StartBasisChangesThePathNotTheOptimum) {
    const std::vector<std::vector<int32_t>> starts = {{},     {-1, -1}, {0, -1}, {-1, 1},
                                                      {1, 1}, {7, -1},  {0}};
    for (const std::vector<int32_t>& start : starts) {
        SCOPED_TRACE(testing::PrintToString(start));
        LinearModel m = smallKnapsack();
        m.startColumn = start;
        ASSERT_NO_FATAL_FAILURE(load(m));
        EXPECT_NEAR(solver_->solveLinear(Deadline()).objective, -21.0, EXACT);
        ASSERT_NO_FATAL_FAILURE(load(m));
        const LinearResult r = solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {});
        expectModel(r, ModelStatus::OPTIMAL);
        EXPECT_EQ(r.x, (std::vector<double>{4, 0}));
    }
}

TEST_P(LinearSolverConformance, WorkLimitStopsTheSearchWhereverItIsReached) {
    LinearModel m = smallKnapsack();
    for (bool cuts : {false, true}) {
        SCOPED_TRACE(cuts);
        m.cuts = cuts;
        ASSERT_NO_FATAL_FAILURE(load(m));
        WorkLimit ample(AMPLE_WORK);
        solver_->setWorkLimit(&ample);
        expectModel(solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {}),
                    ModelStatus::OPTIMAL);
        EXPECT_GT(ample.spent(), 0);
        // Every limit below what the search needed stops it, and the same limit twice stops
        // it at the same place.
        for (int64_t limit = 1; limit < ample.spent(); ++limit) {
            LinearResult runs[2];
            for (LinearResult& run : runs) {
                WorkLimit work(limit);
                solver_->setWorkLimit(&work);
                run = solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {});
                EXPECT_EQ(run.status.call, CallStatus::OK) << limit;
                EXPECT_EQ(run.status.stop, StopReason::WORK_LIMIT) << limit;
                EXPECT_EQ(run.status.model,
                          run.x.empty() ? ModelStatus::NO_POINT : ModelStatus::FEASIBLE);
                EXPECT_TRUE(work.exhausted());
            }
            EXPECT_EQ(runs[0].x, runs[1].x) << limit;
        }
    }
}

// Two equality rows over 0/1 columns (a market split, met by the first six columns): rows
// that neither cuts nor the root close, so the search meets points one after another.
LinearModel marketSplit() {
    const std::vector<double> a = {12, 7, 11, 8, 9, 13, 5, 14, 6, 10, 15, 4, 17, 3, 16, 2};
    const std::vector<double> b = {3, 14, 6, 2, 15, 9, 12, 4, 17, 8, 5, 11, 7, 16, 1, 13};
    double sa = 0.0, sb = 0.0;
    for (size_t j = 0; j < 6; ++j) sa += a[j], sb += b[j];
    std::vector<double> cost(a.size()), zero(a.size(), 0.0), one(a.size(), 1.0);
    for (size_t j = 0; j < a.size(); ++j) cost[j] = double((j * 7) % 5) - 2.0;
    LinearModel m = makeModel({a, b}, {sa, sb}, {sa, sb}, zero, one, cost);
    m.isInteger.assign(a.size(), 1);
    return m;
}

TEST_P(LinearSolverConformance, SearchEndsAtThePointTheCallersTestPicksOut) {
    LinearModel m = marketSplit();
    for (bool cuts : {false, true}) {
        SCOPED_TRACE(cuts);
        m.cuts = cuts;
        ASSERT_NO_FATAL_FAILURE(load(m));
        const LinearResult optimum = solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {});
        expectModel(optimum, ModelStatus::OPTIMAL);

        // A test that holds for no point sees the points and changes nothing.
        int seen = 0;
        solver_->setLeavesModel([&](const std::vector<double>&) { return ++seen < 0; });
        LinearResult r = solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {});
        expectModel(r, ModelStatus::OPTIMAL);
        EXPECT_FALSE(r.leftModel);
        EXPECT_GT(seen, 0);
        EXPECT_NEAR(r.objective, optimum.objective, EXACT);

        // A test that holds for the first point ends the search there, with that point.
        std::vector<double> first;
        solver_->setLeavesModel([&](const std::vector<double>& x) {
            first = x;
            return true;
        });
        r = solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {});
        expectModel(r, ModelStatus::FEASIBLE);
        EXPECT_TRUE(r.leftModel);
        ASSERT_EQ(r.x.size(), m.cost.size());
        for (size_t j = 0; j < r.x.size(); ++j) EXPECT_EQ(r.x[j], std::nearbyint(first[j])) << j;
        for (int32_t i = 0; i < m.rows.rowCount(); ++i) {  // a point of the model
            double sum = 0.0;
            for (int64_t k = m.rows.start[i]; k < m.rows.start[i + 1]; ++k) {
                sum += m.rows.value[k] * r.x[size_t(m.rows.column[k])];
            }
            EXPECT_EQ(sum, m.rowLower[size_t(i)]) << i;
        }
        EXPECT_GE(r.objective, optimum.objective - EXACT);
    }
}

// Market split rows of whole coefficients below 100 over 0/1 columns, met by the first half
// of the columns; pseudo-random, the same on every machine.
LinearModel hardMarketSplit(size_t rowCount, size_t columns) {
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return double((state >> 16) % 100);
    };
    std::vector<std::vector<double>> rows(rowCount, std::vector<double>(columns));
    std::vector<double> sums(rowCount, 0.0);
    for (size_t i = 0; i < rowCount; ++i) {
        for (size_t j = 0; j < columns; ++j) {
            rows[i][j] = next();
            if (j < columns / 2) sums[i] += rows[i][j];
        }
    }
    std::vector<double> cost(columns), zero(columns, 0.0), one(columns, 1.0);
    for (size_t j = 0; j < columns; ++j) cost[j] = double((j * 7) % 5) - 2.0;
    LinearModel m = makeModel(rows, sums, sums, zero, one, cost);
    m.isInteger.assign(columns, 1);
    return m;
}

// The search, with its heuristics, depends on the programme alone: the same point after the
// same work, run after run. With cuts, the rows hold the search past the first set's nodes,
// so the second run and its feasibility pump take part.
TEST_P(LinearSolverConformance, SearchRepeatsItselfExactly) {
    LinearModel m = hardMarketSplit(2, 18);
    for (bool cuts : {false, true}) {
        SCOPED_TRACE(cuts);
        m.cuts = cuts;
        LinearResult runs[2];
        int64_t spent[2] = {0, 0};
        for (int run = 0; run < 2; ++run) {
            ASSERT_NO_FATAL_FAILURE(load(m));
            WorkLimit work(AMPLE_WORK);
            solver_->setWorkLimit(&work);
            runs[run] = solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {});
            expectModel(runs[run], ModelStatus::OPTIMAL);
            spent[run] = work.spent();
        }
        EXPECT_EQ(runs[0].x, runs[1].x);
        EXPECT_EQ(spent[0], spent[1]);
    }
}

TEST_P(LinearSolverConformance, PassedDeadlineAndModelsItCannotHold) {
    LinearModel m = makeModel({{1, 1}}, {1}, {1}, {0, 0}, {1, 1}, {1, 1});
    m.isInteger = {1, 1};
    ASSERT_NO_FATAL_FAILURE(load(m));
    const Deadline passed(0.0);
    expectModel(solver_->solveLinear(passed), ModelStatus::NO_POINT, StopReason::TIME_LIMIT);
    expectModel(solver_->solveInteger(passed, INTEGER_RELATIVE_GAP, {}), ModelStatus::NO_POINT,
                StopReason::TIME_LIMIT);

    LinearModel bad = m;
    bad.rows.column[1] = 7;  // no such column
    EXPECT_FALSE(solver_->load(bad));
    EXPECT_EQ(solver_->solveLinear(Deadline()).status.call, CallStatus::FAILED);
}

TEST_P(LinearSolverConformance, CostsBeyondAnySolversRangeFailWithAReason) {
    for (double cost : {1e300, double(NAN), INF}) {
        SCOPED_TRACE(cost);
        LinearModel m = makeModel({{1, 1}}, {1}, {1}, {0, 0}, {1, 1}, {cost, 2.0});
        m.isInteger = {1, 1};
        ASSERT_NO_FATAL_FAILURE(load(m));
        for (const LinearResult& r :
             {solver_->solveLinear(Deadline()),
              solver_->solveInteger(Deadline(), INTEGER_RELATIVE_GAP, {})}) {
            EXPECT_EQ(r.status.call, CallStatus::OUT_OF_RANGE);
            EXPECT_FALSE(r.status.failure.empty());
            EXPECT_EQ(r.status.failure.find('\n'), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, LinearSolverConformance,
                         testing::Values(Backend{"Coin", makeCoinSolver}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
