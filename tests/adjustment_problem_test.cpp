// qorsolve's adjustment problem: built from a project's files, every row and bound traced
// back to its declared restriction, and bad input refused with one line.
#include "qorsolve/problem/adjustment_problem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "tests/solve_project.h"

namespace {

constexpr double INF = INFINITE_BOUND;

TEST(AdjustmentProblem, TracesRowsAndBoundsToTheirRestrictions) {
    const Project project = solveProject();
    AdjustmentProblem problem;
    std::string error;
    ASSERT_TRUE(buildAdjustmentProblem(project, true, problem, error)) << error;

    EXPECT_EQ(problem.base, (std::vector<double>{5, 3, 2}));
    EXPECT_EQ(problem.lower, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(problem.upper, (std::vector<double>{7, INF, 4}));
    EXPECT_EQ(problem.lowerSource, (std::vector<int32_t>{0, 0, 0}));
    // Restriction 4 bounds column 0 from above: its coefficient is negative.
    EXPECT_EQ(problem.upperSource, (std::vector<int32_t>{4, 0, 2}));
    EXPECT_EQ(problem.hard.start, (std::vector<int64_t>{0, 2, 4}));
    EXPECT_EQ(problem.hardLower, (std::vector<double>{8, 1}));
    EXPECT_EQ(problem.hardUpper, (std::vector<double>{8, 9}));
    EXPECT_EQ(problem.hardSource, (std::vector<int32_t>{1, 5}));
    EXPECT_EQ(problem.weak.rowCount(), 1);
    EXPECT_EQ(problem.weakSource, (std::vector<int32_t>{3}));

    // F = (6-5)^2/5 + (2-3)^2/3 + (4-2)^2/2 + 1 * (6 - 6)^2 / 6, and with x1 = 3 the weak
    // row misses its target by 1.
    EXPECT_DOUBLE_EQ(adjustmentObjective(problem, {6, 2, 4}), 0.2 + 1.0 / 3 + 2);
    EXPECT_DOUBLE_EQ(adjustmentObjective(problem, {5, 3, 2}), 1.0 / 6);

    ASSERT_TRUE(buildAdjustmentProblem(project, false, problem, error));
    EXPECT_EQ(problem.weak.rowCount(), 0);
    EXPECT_TRUE(problem.weakSource.empty());
    EXPECT_DOUBLE_EQ(adjustmentObjective(problem, {5, 3, 2}), 0);
}

// Taking the project's hard rows gives the same problem and leaves the project without them.
TEST(AdjustmentProblem, TakingTheRowsGivesTheSameProblem) {
    const Project original = solveProject();
    AdjustmentProblem built;
    std::string error;
    ASSERT_TRUE(buildAdjustmentProblem(original, true, built, error)) << error;
    Project project = original;
    AdjustmentProblem taken;
    ASSERT_TRUE(takeAdjustmentProblem(project, true, taken, error)) << error;
    EXPECT_EQ(taken.hard.start, built.hard.start);
    EXPECT_EQ(taken.hard.column, built.hard.column);
    EXPECT_EQ(taken.hard.value, built.hard.value);
    EXPECT_EQ(taken.hardLower, built.hardLower);
    EXPECT_EQ(taken.hardSource, built.hardSource);
    EXPECT_EQ(taken.upperSource, built.upperSource);
    EXPECT_TRUE(project.hard.columnIndex.empty());
    EXPECT_TRUE(project.hard.coefficient.empty());
    EXPECT_EQ(project.hard.rowCount, original.hard.rowCount);
}

TEST(AdjustmentProblem, OpenSidesAreInfinite) {
    Project project = solveProject();
    // A ">" row and a "<" row, with the file's +-1e38 on the open side.
    project.hard.boundType = {BOUND_LOWER, BOUND_UPPER};
    project.hard.lowerValue = {8, -NO_BOUND};
    project.hard.upperValue = {NO_BOUND, 9};
    project.control.restrictions[0] = declared(BOUND_LOWER, 8, NO_BOUND, {0, 1}, {1, 1});
    project.control.restrictions[4] = declared(BOUND_UPPER, -NO_BOUND, 9, {0, 2}, {1, 1});
    // -x1 < 1e38 makes x1 > -1e38.
    project.cells.lower[1] = -NO_BOUND;
    project.control.restrictions.push_back(declared(BOUND_UPPER, -NO_BOUND, NO_BOUND, {1}, {-1}));
    AdjustmentProblem problem;
    std::string error;
    ASSERT_TRUE(buildAdjustmentProblem(project, true, problem, error)) << error;
    EXPECT_EQ(problem.hardLower, (std::vector<double>{8, -INF}));
    EXPECT_EQ(problem.hardUpper, (std::vector<double>{INF, 9}));
    EXPECT_EQ(problem.lower[1], -INF);
}

TEST(AdjustmentProblem, RefusesWhatNoTableCanBeBuiltFrom) {
    const std::string invalid = "Error: Invalid binary data file p-bin.dat\n";
    const std::string unfit =
        "Error: Control file p-ctr.dat does not fit binary data file p-bin.dat\n";
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        std::function<void(Project&)> change;
        std::string error;
    } cases[] = {
        {"a lower bound above the upper",
         [](Project& p) {
             p.cells.lower[2] = 5;
             p.control.restrictions.push_back(declared(BOUND_LOWER, 5, NO_BOUND, {2}, {1}));
         },
         "Error: Inconsistent bounds: cell (South, 2) must lie between 5 and 4 (restrictions 6 "
         "and 2)\n"},
        {"a range upside down",
         [](Project& p) { p.hard.lowerValue[1] = p.control.restrictions[4].lowerValue = 10; },
         "Error: Inconsistent bounds: restriction 5 has the lower value 10 above its upper value "
         "9\n"},
        {"a negative weight", [](Project& p) { p.weak.weight[0] = -1; },
         "Error: Weak restriction 3 has a negative weight\n"},
        {"a base of 0", [](Project& p) { p.cells.base[1] = 0; }, invalid},
        {"a bound not a number", [](Project& p) { p.cells.upper[0] = nan; }, invalid},
        {"an infinite coefficient", [](Project& p) { p.hard.coefficient[3] = INF; }, invalid},
        {"an equality without a value", [](Project& p) { p.hard.lowerValue[0] = -INF; }, invalid},
        {"a relation code of 7", [](Project& p) { p.hard.boundType[0] = 7; }, invalid},
        {"a weak target not a number", [](Project& p) { p.weak.target[0] = nan; }, invalid},
        {"another coefficient", [](Project& p) { p.control.restrictions[4].coefficients[1] = 2; },
         unfit},
        {"another column", [](Project& p) { p.control.restrictions[0].columns[1] = 2; }, unfit},
        {"another value", [](Project& p) { p.control.restrictions[0].lowerValue = 9; }, unfit},
        {"another relation", [](Project& p) { p.control.restrictions[4].type = BOUND_EQUAL; },
         unfit},
        {"another weak target", [](Project& p) { p.control.restrictions[2].lowerValue = 5; },
         unfit},
        {"another cell bound", [](Project& p) { p.cells.upper[2] = 5; }, unfit},
        {"a bound without its restriction", [](Project& p) { p.cells.lower[1] = 1; }, unfit},
        {"a restriction fewer", [](Project& p) { p.control.restrictions.pop_back(); }, unfit},
    };
    for (const auto& c : cases) {
        Project project = solveProject();
        c.change(project);
        AdjustmentProblem problem;
        std::string error;
        EXPECT_FALSE(buildAdjustmentProblem(project, true, problem, error)) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

}  // namespace

// The run's bounds on the cells: ratio bounds and fixed cells tighten the declared bounds
// where they are tighter (a tie keeps the declared source), whole numbers take the whole
// values within the range, and crossing bounds are left for the conflict search.
TEST(AdjustmentProblem, RunSettingsTightenTheCellsBounds) {
    constexpr int32_t R = RATIO_BOUND_SOURCE;
    constexpr int32_t F = FIXED_CELL_SOURCE;
    struct Bounds {
        std::vector<double> lower, upper;
        std::vector<int32_t> lowerSource, upperSource;
    };
    struct Case {
        const char* name;
        std::vector<double> base;  // declared upper bounds 7 (restriction 4), none, 4 (2)
        bool whole;
        std::vector<double> ratio;  // L and U, or none
        std::vector<double> alterability;
        Bounds bounds;
        int32_t fixed;
    };
    const std::vector<double> bases = {5, 3, 2.4};
    const Case cases[] = {
        {"real ratio",
         bases,
         false,
         {0.5, 1.5},
         {},
         {{2.5, 1.5, 1.2}, {7, 4.5, 3.5999999999999996}, {R, R, R}, {4, R, R}},
         0},
        {"whole ratio",
         bases,
         true,
         {0.5, 1.5},
         {},
         {{3, 2, 2}, {7, 4, 3}, {R, R, R}, {4, R, R}},
         0},
        // 0.56 * 100 and 1.15 * 100 are 56 and 115, not 56.00000000000001 and
        // 114.99999999999999.
        {"whole products of decimals",
         {5, 100, 2.4},
         true,
         {0.56, 1.15},
         {},
         {{3, 56, 2}, {5, 115, 2}, {R, R, R}, {R, R, R}},
         0},
        {"real products of decimals",
         {5, 100, 2.4},
         false,
         {0.56, 1.15},
         {},
         {{2.8000000000000003, 56, 1.344}, {5.75, 115, 2.76}, {R, R, R}, {R, R, R}},
         0},
        {"tie keeps the declared bound",
         bases,
         true,
         {0.0, 1.4},
         {},
         {{0, 0, 0}, {7, 4, 3}, {0, 0, 0}, {4, R, R}},
         0},
        {"real fixed",
         bases,
         false,
         {},
         {1, 0, 0},
         {{0, 3, 2.4}, {7, 3, 2.4}, {0, F, F}, {4, F, F}},
         2},
        {"whole fixed at the nearest whole",
         bases,
         true,
         {},
         {1, 1, 0},
         {{0, 0, 2}, {7, INF, 2}, {0, 0, F}, {4, 0, F}},
         1},
        {"fixed beyond a declared bound",
         {8, 3, 2.4},
         false,
         {},
         {0, 1, 2},
         {{8, 0, 0}, {7, INF, 4}, {F, 0, 0}, {4, 0, 2}},
         1},
        {"ratio, then fixed",
         bases,
         true,
         {0.5, 2.0},
         {1, 0, 1},
         {{3, 3, 2}, {7, 3, 4}, {R, F, R}, {4, F, 2}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AdjustmentProblem problem;
        std::string error;
        ASSERT_TRUE(buildAdjustmentProblem(solveProject(), true, problem, error)) << error;
        problem.base = c.base;
        SolveSettings settings;
        settings.continuous = !c.whole;
        settings.ratioBounds = !c.ratio.empty();
        if (settings.ratioBounds) {
            settings.ratioLower = c.ratio[0];
            settings.ratioUpper = c.ratio[1];
        }
        EXPECT_EQ(applyRunSettings(problem, settings, c.alterability), c.fixed);
        EXPECT_EQ(problem.lower, c.bounds.lower);
        EXPECT_EQ(problem.upper, c.bounds.upper);
        EXPECT_EQ(problem.lowerSource, c.bounds.lowerSource);
        EXPECT_EQ(problem.upperSource, c.bounds.upperSource);
    }
}

TEST(AdjustmentProblem, WeakScaleMultipliesTheNormalisedWeights) {
    AdjustmentProblem problem;
    std::string error;
    ASSERT_TRUE(buildAdjustmentProblem(solveProject(), true, problem, error)) << error;
    const std::vector<double> weights = problem.weakWeight;
    SolveSettings settings;
    settings.weakScale = 1000;
    applyRunSettings(problem, settings, {});
    ASSERT_EQ(problem.weakWeight.size(), weights.size());
    for (std::size_t w = 0; w < weights.size(); ++w) {
        EXPECT_EQ(problem.weakWeight[w], weights[w] * 1000);
    }
}
