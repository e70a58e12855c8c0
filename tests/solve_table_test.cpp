// The adjustment from start to end on small problems: which stage answers (real-valued,
// whole-number, the exact checks before them), the status each outcome gets, a table only
// with the statuses that have one, and bound and gap as the summary prints them.
#include "qorsolve/solve_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qorsolve/lp/coin_solver.h"
#include "qorsolve/problem/exact_rows.h"
#include "tests/solver_fixtures.h"

namespace {

// The model status of a call that worked.
ModelStatus modelOf(const SolveStatus& status) {
    EXPECT_EQ(status.call, CallStatus::OK);
    return status.model;
}

// What every result with a table must be: one value per cell and, where the search stopped
// early, a bound below the table's cost and the gap between them.
void expectConsistent(const AdjustmentProblem& p, const TableResult& r) {
    const ModelStatus model = r.status.model;
    if (!r.status.ok() || (model != ModelStatus::OPTIMAL && model != ModelStatus::FEASIBLE)) return;
    ASSERT_EQ(r.x.size(), p.base.size());
    if (r.status.model == ModelStatus::OPTIMAL) return;
    const double cost = plainCost(p, r.x);
    EXPECT_LE(r.bound, cost * (1 + 1e-9));
    EXPECT_NEAR(r.gap, (cost - r.bound) / std::max(cost, 1e-10), 1e-9);
}

TableResult solve(const AdjustmentProblem& p, bool wholeNumbers,
                  const Deadline& deadline = Deadline(), int64_t workLimit = DEFAULT_WORK_LIMIT) {
    Progress progress(deadline, false);
    SolveSettings settings;
    settings.continuous = !wholeNumbers;
    settings.workLimit = workLimit;
    return solveTable(p, settings, makeCoinSolver, deadline, progress);
}

AdjustmentProblem bounded(AdjustmentProblem p, double upper) {
    p.upper.assign(p.base.size(), upper);
    return p;
}

TEST(SolveTable, EachStageAnswersWithItsStatus) {
    const struct {
        const char* what;
        AdjustmentProblem problem;
        ModelStatus continuous;
        ModelStatus whole;
    } cases[] = {
        {"the project of solve_project.h", problemOf(solveProject()), ModelStatus::OPTIMAL,
         ModelStatus::OPTIMAL},
        {"three cells over two totals",
         problemWithRows(3, {{{0, 1}, {1, 1}, 5, 5}, {{1, 2}, {1, 1}, 4, 4}}, 1.7),
         ModelStatus::OPTIMAL, ModelStatus::OPTIMAL},
        {"parallel rows half a unit apart",
         problemWithRows(2, {{{0, 1}, {1, 1}, 5, 5}, {{0, 1}, {2, 2}, 11, 11}}),
         ModelStatus::INFEASIBLE, ModelStatus::INFEASIBLE},
        {"bounds below a total", bounded(problemWithRows(2, {{{0, 1}, {1, 1}, 5, 5}}), 2),
         ModelStatus::INFEASIBLE, ModelStatus::INFEASIBLE},
        {"an even sum of an odd value", problemWithRows(2, {{{0, 1}, {2, 2}, 15, 15}}),
         ModelStatus::OPTIMAL, ModelStatus::INTEGER_INFEASIBLE},
        {"only halves meet both rows",
         problemWithRows(2, {{{0, 1}, {1, 1}, 1, 1}, {{0, 1}, {1, -1}, 0, 0}}),
         ModelStatus::OPTIMAL, ModelStatus::INTEGER_INFEASIBLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const AdjustmentProblem& p = c.problem;
        const TableResult real = solve(p, false);
        const TableResult whole = solve(p, true);
        EXPECT_EQ(modelOf(real.status), c.continuous);
        EXPECT_EQ(modelOf(whole.status), c.whole);
        expectConsistent(p, real);
        expectConsistent(p, whole);
        // The conflict search starts from the real-valued solve's verdict.
        if (real.status.model == ModelStatus::INFEASIBLE) {
            EXPECT_EQ(modelOf(real.relaxed.status), ModelStatus::INFEASIBLE);
            EXPECT_EQ(modelOf(whole.relaxed.status), ModelStatus::INFEASIBLE);
        }
        if (real.status.model == ModelStatus::OPTIMAL) {
            EXPECT_EQ(modelOf(real.relaxed.status), ModelStatus::OPTIMAL);
            EXPECT_EQ(real.x, real.relaxed.x);
            EXPECT_TRUE(meetsHardRowsAndBounds(p, real.x));
        }
        if (whole.status.model == ModelStatus::OPTIMAL) {
            const BruteForce best = bruteForce(p, 12);
            EXPECT_TRUE(wholeTableHolds(p, whole.x));
            EXPECT_NEAR(plainCost(p, whole.x), best.cost, 1e-9 * (1 + best.cost));
            // Whole numbers cost at least the real-valued optimum.
            EXPECT_LE(plainCost(p, real.x), best.cost * (1 + 1e-9));
        }
    }
}

TEST(SolveTable, LimitsEndTheSearchWithBoundAndGap) {
    // Margins of three classes over bases with fractions, and a weak row: no bound before the
    // programme proves the table the repair finds, and the programme gets a single unit of work.
    MarginTable m = marginTable({4, 4, 3}, 0, 1, [](std::mt19937_64& random) {
        const double value = 1.0 + static_cast<double>(random() % 30);
        return std::pair(value + static_cast<double>(random() % 9 + 1) / 10.0, value);
    });
    addRow(m.problem.weak, {1, 1, 0, 1});
    m.problem.weakTarget = {20};
    m.problem.weakWeight = {1};
    const TableResult stopped = solve(m.problem, true, Deadline(), 1);
    EXPECT_EQ(modelOf(stopped.status), ModelStatus::FEASIBLE);
    EXPECT_EQ(stopped.status.stop, StopReason::WORK_LIMIT);
    expectConsistent(m.problem, stopped);
    EXPECT_TRUE(meetsHardRowsAndBounds(m.problem, stopped.x));
    EXPECT_GT(stopped.gap, 0.0);

    // No time at all: no whole-number table, and the real-valued one only as far as it got.
    const AdjustmentProblem p = problemOf(solveProject());
    const TableResult late = solve(p, true, Deadline(0.0));
    EXPECT_EQ(modelOf(late.status), ModelStatus::NO_POINT);
    EXPECT_EQ(late.status.stop, StopReason::TIME_LIMIT);
    EXPECT_TRUE(late.x.empty());
    const TableResult lateReal = solve(p, false, Deadline(0.0));
    EXPECT_TRUE(modelOf(lateReal.status) == ModelStatus::FEASIBLE ||
                lateReal.status.model == ModelStatus::NO_POINT);
    EXPECT_EQ(lateReal.status.stop, StopReason::TIME_LIMIT);
    expectConsistent(p, lateReal);
}

// The result names the stage whose table it holds, and holds the rows' multipliers only where
// that stage knows them at the table: the real-valued optimum's.
TEST(SolveTable, ResultNamesTheStageOfItsTable) {
    const AdjustmentProblem p = problemOf(solveProject());
    const struct {
        const char* what;
        AdjustmentProblem problem;
        bool wholeNumbers;
        Deadline deadline;
        TableStage stage;
    } cases[] = {
        {"real-valued optimum", p, false, Deadline(), TableStage::REAL_VALUED},
        {"whole-number optimum", p, true, Deadline(), TableStage::ROUNDED},
        {"no time for a whole-number table", p, true, Deadline(0.0), TableStage::NONE},
        {"no real-valued table", bounded(problemWithRows(2, {{{0, 1}, {1, 1}, 5, 5}}), 2), false,
         Deadline(), TableStage::NONE},
        {"no whole-number table", problemWithRows(2, {{{0, 1}, {2, 2}, 15, 15}}), true, Deadline(),
         TableStage::NONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TableResult r = solve(c.problem, c.wholeNumbers, c.deadline);
        EXPECT_EQ(r.stage, c.stage);
        EXPECT_EQ(r.x.empty(), c.stage == TableStage::NONE);
        if (c.stage == TableStage::REAL_VALUED) {
            EXPECT_EQ(r.rowMultiplier, r.relaxed.hardDual);
            EXPECT_EQ(r.rowMultiplier.size(), static_cast<std::size_t>(c.problem.hard.rowCount()));
        } else {
            EXPECT_TRUE(r.rowMultiplier.empty());
        }
    }
    // The real-valued method stopped by the time limit: its last point, where it is a table.
    const TableResult late = solve(p, false, Deadline(0.0));
    EXPECT_EQ(late.stage, late.x.empty() ? TableStage::NONE : TableStage::REAL_VALUED_STOPPED);
    EXPECT_TRUE(late.rowMultiplier.empty());
}

}  // namespace
