// The table as the run writes it: its cells, each restriction's change from the base table,
// and what the solve found, carried to the writers.
#include "qorsolve/output/written_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qorsolve/output/csv_text.h"
#include "qorsolve/problem/exact_rows.h"
#include "tests/solver_fixtures.h"

namespace {

// On the project of solve_project.h (bases 5, 3, 2; restrictions 1 and 5 its hard rows, 2
// and 4 cell bounds, 3 weak): a whole-number table's cells as they are, whether they meet
// the rows, and the solve's facts for the outputs.
TEST(WrittenTable, CarriesWhatTheSolveFound) {
    const Project project = solveProject();
    const AdjustmentProblem problem = problemOf(project);
    const double nan = std::nan("");
    const struct {
        const char* what;
        std::vector<double> x;
        std::vector<double> rowMultiplier;  // per hard row
        bool meets;
        std::vector<double> multiplier;  // per declared restriction
    } cases[] = {
        {"meets every row, multipliers known",
         {6, 2, 3},
         {0.5, -0.25},
         true,
         {0.5, nan, nan, nan, -0.25}},
        {"misses restriction 5 by 1", {6, 2, 4}, {}, false, {}},
        {"multipliers of another problem", {6, 2, 3}, {1}, true, {}},
    };
    for (const auto& c : cases) {
        SolveResult solve;
        solve.status = modelStatus(ModelStatus::FEASIBLE, StopReason::WORK_LIMIT);
        solve.x = c.x;
        solve.bound = 1.5;
        solve.gap = 0.25;
        solve.work = 1520;
        solve.stage = TableStage::PROGRAMME;
        solve.rowMultiplier = c.rowMultiplier;
        const WrittenTable table = writtenTable(project, problem, solve, false);
        EXPECT_EQ(table.x, c.x) << c.what;
        EXPECT_EQ(table.meets, c.meets) << c.what;
        ASSERT_EQ(table.checks.size(), 5u) << c.what;
        EXPECT_EQ(table.changes.size(), 5u) << c.what;
        ASSERT_EQ(table.multiplier.size(), c.multiplier.size()) << c.what;
        for (std::size_t i = 0; i < c.multiplier.size(); ++i) {
            if (std::isnan(c.multiplier[i])) {
                EXPECT_TRUE(std::isnan(table.multiplier[i])) << c.what << " " << i;
            } else {
                EXPECT_EQ(table.multiplier[i], c.multiplier[i]) << c.what << " " << i;
            }
        }
        EXPECT_EQ(table.outcome.status, solve.status) << c.what;
        EXPECT_FALSE(table.outcome.proven()) << c.what;
        EXPECT_EQ(table.outcome.stage, TableStage::PROGRAMME) << c.what;
        EXPECT_EQ(table.outcome.bound, 1.5) << c.what;
        EXPECT_EQ(table.outcome.gap, 0.25) << c.what;
        EXPECT_EQ(table.outcome.work, 1520) << c.what;
        EXPECT_TRUE(table.outcome.wholeNumbers) << c.what;
    }
}

// A change between exact whole values is exact; any other carries the error of its values,
// within which lies the change the written decimals give.
TEST(WrittenTable, ChangesFromTheBaseTableToTheDigitsTheyHave) {
    Project project = solveProject();
    project.control.restrictions[0] =
        declared(BOUND_EQUAL, 20000000070, 20000000070, {0, 1, 2}, {1e9, 1, 1});
    project.control.restrictions[4] = declared(BOUND_RANGE, 0.3, 0.9, {0, 2}, {0.1, 0.2});
    const struct {
        const char* what;
        std::vector<double> x;
        std::size_t restriction;  // 0-based
        double change;            // the exact change of the decimals written
        bool exact;
    } cases[] = {
        {"whole cells, whole coefficients", {6, 2, 4}, 1, 2, true},
        {"whole cells, short decimal coefficients", {6, 2, 4}, 4, 0.5, false},
        // 1000000000 * 19.9999999963 + 33.75 + 40 less 5000000005.
        {"real-valued cells", {19.9999999963, 33.75, 40}, 0, 15000000065.05, false},
        {"real-valued cells, a weak restriction", {19.9999999963, 33.75, 40}, 2, 68.75, false},
    };
    for (const auto& c : cases) {
        const std::vector<RestrictionChange> changes =
            restrictionChanges(project, checkRestrictions(project, c.x));
        ASSERT_EQ(changes.size(), 5u) << c.what;
        const RestrictionChange& change = changes[c.restriction];
        if (c.exact) {
            EXPECT_EQ(change.value, c.change) << c.what;
            EXPECT_EQ(change.error, 0.0) << c.what;
        } else {
            EXPECT_GT(change.error, 0.0) << c.what;
            EXPECT_LE(std::fabs(change.value - c.change), change.error) << c.what;
            // Few enough digits for a reader to recompute it.
            EXPECT_EQ(csvWithin(change.value, change.error), csvNumber(c.change)) << c.what;
        }
    }
}

// Real-valued cells keep 12 digits where the table so written meets every row as computed,
// else get the digits they need; a table that misses a row as computed keeps every digit.
TEST(WrittenTable, RealValuedCellsMeetTheRowsTheComputedOnesMeet) {
    const struct {
        const char* what;
        std::vector<Row> rows;
        std::vector<double> x;
        std::vector<double> written;
    } cases[] = {
        {"rounding noise goes",
         {{{0, 1}, {1, 1}, 2726, 2726}},
         {1362.9999999999998, 1363.0000000000002},
         {1363, 1363}},
        {"12 digits are whole units at 10^12 and would miss the row by 3",
         {{{0, 1, 2}, {1, 1, -1}, 7, 7}},
         {1000000000003, 2000000000006, 3000000000002},
         {1000000000003, 2000000000006, 3000000000002}},
        {"at 10^15 every digit",
         {{{0, 1}, {1, 1}, 1000000000000005, 1000000000000005}},
         {500000000000002, 500000000000003},
         {500000000000002, 500000000000003}},
        {"real-valued cells whose row holds to the tolerance keep 12 digits",
         {{{0, 1}, {1e9, 1}, 20000000070, 20000000070}},
         {19.999999996250001, 70.000000000000001},
         {19.9999999963, 70}},
        {"a row missed as computed: every digit",
         {{{0, 1}, {1, 1}, 10, 10}},
         {1.0 / 3, 2.0 / 3},
         {1.0 / 3, 2.0 / 3}},
    };
    for (const auto& c : cases) {
        const AdjustmentProblem problem =
            problemWithRows(static_cast<int32_t>(c.x.size()), c.rows, 1e9);
        bool meets = false;
        EXPECT_EQ(writtenCells(problem, c.x, meets), c.written) << c.what;
        EXPECT_EQ(meets, meetsHardRowsAndBounds(problem, c.written)) << c.what;
    }
}

}  // namespace
