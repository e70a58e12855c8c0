// What only the COIN-OR solver does (linear_solver_test.cpp holds what every solver must):
// costs beyond Clp's range are refused with the adapter's own text, also when a bound change
// frees a column that was fixed.
#include "qorsolve/lp/coin_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/linear_models.h"

namespace {

TEST(CoinSolver, CostsBeyondWhatClpTakesAreRefused) {
    // x + y = 1 over whole numbers, and a third column fixed at 1 that carries a constant.
    struct Case {
        double movingCost;
        double fixedCost;
        bool refused;
    };
    for (const Case& c : {Case{1e15, 1e20, false}, Case{1e16, 1.0, true}, Case{1.0, 1e21, true},
                          Case{1.0, 1e300, true}, Case{NAN, 1.0, true}}) {
        SCOPED_TRACE(testing::Message() << c.movingCost << " " << c.fixedCost);
        LinearModel m = makeModel({{1, 1, 0}}, {1}, {1}, {0, 0, 1}, {1, 1, 1},
                                  {c.movingCost, 2.0, c.fixedCost});
        m.isInteger = {1, 1, 0};
        auto solver = makeCoinSolver();
        ASSERT_TRUE(solver->load(m));
        for (const LinearResult& r :
             {solver->solveInteger(Deadline(), 1e-9, {}), solver->solveLinear(Deadline())}) {
            if (c.refused) {
                EXPECT_EQ(r.status.call, CallStatus::OUT_OF_RANGE);
                EXPECT_EQ(r.status.failure, std::string(COIN_COSTS_TOO_LARGE));
            } else {
                EXPECT_TRUE(r.is(ModelStatus::OPTIMAL));
            }
        }
    }
    // Freeing the column that carries 1e20 makes the same cost too large.
    LinearModel m = makeModel({{1, 1, 0}}, {1}, {1}, {0, 0, 1}, {1, 1, 1}, {1.0, 2.0, 1e20});
    auto solver = makeCoinSolver();
    ASSERT_TRUE(solver->load(m));
    solver->setColumnBounds(2, 0, 1);
    EXPECT_EQ(solver->solveLinear(Deadline()).status.failure, std::string(COIN_COSTS_TOO_LARGE));
}

}  // namespace
