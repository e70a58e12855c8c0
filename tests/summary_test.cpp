// The summary on standard output, on the project of solve_project.h (cell bases 5, 3, 2;
// restriction 1 "(North, 1) + (North, 2) = 8", 5 "1 <= (North, 1) + (South, 2) <= 9", weak
// restriction 3 "(North, 2) + (South, 2) ~ 6"): each outcome's status and gap lines, and the
// numbers at the digits they have.
#include "qorsolve/output/summary.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/solver_fixtures.h"

namespace {

// The summary of `x`; restriction `unmet` (none: -1) is not met, as when another replaced it.
std::string summary(const Project& project, const std::vector<double>& x,
                    const SolveOutcome& outcome, int unmet = -1) {
    const AdjustmentProblem problem = problemOf(project, !outcome.weakIgnored);
    WrittenTable table;
    table.x = x;
    table.checks = checkRestrictions(project, x);
    if (unmet >= 0) table.checks[static_cast<std::size_t>(unmet)].met = false;
    table.outcome = outcome;
    std::ostringstream out;
    printSummary(out, project, problem, table);
    return out.str();
}

TEST(Summary, EachOutcomeWithItsNumbers) {
    const struct {
        const char* what;
        std::vector<double> x;
        SolveOutcome outcome;
        std::string text;
    } cases[] = {
        {"proven, every cell moved, restrictions 1 and 5 on their values",
         {6, 2, 3},
         SolveOutcome{.work = 1520, .workAllowed = 200000, .seconds = 0.004},
         "status: optimal\n"
         "objective: 1.2\n"  // 1/5 + 1/3 + 1/2 + 1/6
         "cells: 3 adjustable, 3 changed\n"
         "largest change: +1 at (North, 1), 5 to 6\n"
         "hard restrictions: 4, 2 binding\n"
         "weak restrictions: 1, weighted deviation 0.166666666666667\n"
         "work: 1520 of 200000 units\n"
         "seconds: 0.00\n"},
        {"the time limit, weak restrictions ignored: not in the objective",
         {5, 3, 2},
         SolveOutcome{.status = modelStatus(ModelStatus::FEASIBLE, StopReason::TIME_LIMIT),
                      .bound = 3,
                      .gap = 0.25,
                      .weakIgnored = true,
                      .seconds = 1.5},
         "status: time limit\n"
         "gap: 0.25 (25 %, bound 3)\n"
         "objective: 0\n"
         "cells: 3 adjustable, 0 changed\n"
         "largest change: 0\n"
         "hard restrictions: 4, 1 binding\n"
         "weak restrictions: 1 ignored, weighted deviation 0.166666666666667\n"
         "seconds: 1.50\n"},
        {"the work limit, real-valued cells",
         {5.5, 2.5, 2},
         SolveOutcome{.status = modelStatus(ModelStatus::FEASIBLE, StopReason::WORK_LIMIT),
                      .bound = 41.2,
                      .gap = 1.5e-05,
                      .wholeNumbers = false,
                      .seconds = 12.346},
         "status: work limit\n"
         "gap: 1.5e-05 (0.0015 %, bound 41.2)\n"
         "objective: 0.508333333333333\n"  // 0.25/5 + 0.25/3 + 1.5^2/6
         "cells: 3 adjustable, 2 changed\n"
         "largest change: +0.5 at (North, 1), 5 to 5.5\n"
         "hard restrictions: 4, 1 binding\n"
         "weak restrictions: 1, weighted deviation 0.375\n"
         "seconds: 12.35\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(summary(solveProject(), c.x, c.outcome), c.text) << c.what;
    }
}

TEST(Summary, ChangesAtTheDigitsTheyHave) {
    const struct {
        std::vector<double> base;
        std::vector<double> x;
        std::string line;
    } cases[] = {
        {{1e9, 3, 2},
         {1000000000.1, 3, 2},
         "largest change: +0.1 at (North, 1), 1000000000 to 1000000000.1\n"},
        {{5, 10.2, 2}, {5, 2, 2}, "largest change: -8.2 at (North, 2), 10.2 to 2\n"},
        {{5, 3, 2}, {5, 3, 2.5}, "largest change: +0.5 at (South, 2), 2 to 2.5\n"},
        {{5, 3, 2}, {4, 3, 3}, "largest change: -1 at (North, 1), 5 to 4\n"},  // the first
    };
    for (const auto& c : cases) {
        Project project = solveProject();
        project.cells.base = c.base;
        const std::string text = summary(project, c.x, SolveOutcome{});
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
    }
}

TEST(Summary, ARestrictionAnotherReplacedIsNotMet) {
    EXPECT_NE(summary(solveProject(), {6, 2, 3}, SolveOutcome{}, 1)
                  .find("hard restrictions: 4, 2 binding, 1 not met\n"),
              std::string::npos);
}

// A hard restriction with a coefficient that is not a short decimal is met to a tolerance, and
// a whole-number table's summary names it; a real-valued table's rows are met to a tolerance
// anyway. Weak restrictions do not count.
TEST(Summary, NamesTheRestrictionsCheckedToATolerance) {
    const struct {
        std::vector<int> tolerated;  // 0-based, of 6 hard restrictions and 1 weak (index 6)
        bool wholeNumbers;
        std::string line;  // empty: no such line
    } cases[] = {
        {{}, true, ""},
        {{2}, true, "checked to a tolerance: restriction 3\n"},
        {{0, 4}, true, "checked to a tolerance: restrictions 1 and 5\n"},
        {{0, 1, 4}, true, "checked to a tolerance: restrictions 1, 2 and 5\n"},
        {{0, 1, 2, 3, 5}, true, "checked to a tolerance: restrictions 1, 2, 3 and 2 more\n"},
        {{6}, true, ""},
        {{0, 4}, false, ""},
    };
    const Project project = solveProject();
    const AdjustmentProblem problem = problemOf(project, true);
    for (const auto& c : cases) {
        std::vector<RestrictionCheck> checks(7);
        checks[6].kind = RestrictionKind::WEAK;
        for (int i : c.tolerated) checks[static_cast<std::size_t>(i)].exact = false;
        WrittenTable table;
        table.x = {5, 3, 2};
        table.checks = checks;
        table.outcome.wholeNumbers = c.wholeNumbers;
        std::ostringstream out;
        printSummary(out, project, problem, table);
        const std::string text = out.str();
        const std::size_t at = text.find("checked to a tolerance");
        if (c.line.empty()) {
            EXPECT_EQ(at, std::string::npos) << text;
        } else {
            // Right after the hard restrictions' line.
            EXPECT_NE(text.find("binding\n" + c.line), std::string::npos) << text;
        }
    }
}

}  // namespace

namespace {

// The alterability file read and the cells it fixed, where they are: one cell or several, at
// their bases or rounded to whole numbers.
TEST(Summary, StatesTheAlterabilityFileAndTheFixedCells) {
    const struct {
        std::string file;
        int32_t fixed;
        bool whole;
        std::string lines;
    } cases[] = {
        {"", 0, true, ""},
        {"p-alt.csv", 0, true, "alterability: p-alt.csv\n"},
        {"p-alt.csv", 1, true,
         "alterability: p-alt.csv\n"
         "fixed: 1 cell of alterability 0, at its base rounded to whole numbers\n"},
        {"other.csv", 2, false,
         "alterability: other.csv\nfixed: 2 cells of alterability 0, at their bases\n"},
    };
    const Project project = solveProject();
    for (const auto& c : cases) {
        AdjustmentProblem problem = problemOf(project, true);
        problem.alterabilityFile = c.file;
        problem.fixedCells = c.fixed;
        WrittenTable table;
        table.x = {6, 2, 3};
        table.checks = checkRestrictions(project, table.x);
        table.outcome = SolveOutcome{.wholeNumbers = c.whole};
        std::ostringstream out;
        printSummary(out, project, problem, table);
        const std::string weak = "weak restrictions: 1, weighted deviation 0.166666666666667\n";
        const std::string text = out.str();
        const std::size_t after = text.find(weak);
        ASSERT_NE(after, std::string::npos);
        EXPECT_EQ(text.substr(after + weak.size(), c.lines.size()), c.lines) << c.file;
        EXPECT_EQ(text.substr(after + weak.size() + c.lines.size()), "seconds: 0.00\n");
    }
}

}  // namespace
