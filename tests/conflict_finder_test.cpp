#include "qorsolve/conflict/conflict_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "qorsolve/lp/coin_solver.h"
#include "tests/solver_fixtures.h"

namespace {

using Kind = ConflictMember::Kind;

// Cells with base 10 and the default bounds 0 and infinity, then the rows; a cell bound
// set by restriction `source` is given as {column, lower, upper, source}.
struct CellBound {
    int32_t column;
    double lower;
    double upper;
    int32_t source;
};

AdjustmentProblem makeProblem(int32_t cells, const std::vector<Row>& rows,
                              const std::vector<CellBound>& bounds = {}) {
    AdjustmentProblem problem = problemWithRows(cells, rows, 10.0);
    for (const CellBound& bound : bounds) {
        const auto c = static_cast<std::size_t>(bound.column);
        problem.lower[c] = bound.lower;
        problem.upper[c] = bound.upper;
        if (bound.lower != 0.0) problem.lowerSource[c] = bound.source;
        if (bound.upper != INF) problem.upperSource[c] = bound.source;
    }
    return problem;
}

// The model with exactly `members` (every other row dropped, every other bound free),
// leaving out member `skip` (none when it is out of range).
LinearModel modelOf(const AdjustmentProblem& problem, const std::vector<ConflictMember>& members,
                    std::size_t skip, bool wholeNumbers) {
    LinearModel model;
    const auto cells = static_cast<std::size_t>(problem.cellCount());
    model.columnLower.assign(cells, -INF);
    model.columnUpper.assign(cells, INF);
    model.cost.assign(cells, 0.0);
    if (wholeNumbers) model.isInteger.assign(cells, 1);
    for (std::size_t k = 0; k < members.size(); ++k) {
        if (k == skip) continue;
        const ConflictMember& m = members[k];
        const auto i = static_cast<std::size_t>(m.index);
        if (m.kind == Kind::CELL_LOWER) model.columnLower[i] = problem.lower[i];
        if (m.kind == Kind::CELL_UPPER) model.columnUpper[i] = problem.upper[i];
        if (m.kind != Kind::HARD_ROW) continue;
        for (int64_t e = problem.hard.start[i]; e < problem.hard.start[i + 1]; ++e) {
            model.rows.column.push_back(problem.hard.column[static_cast<std::size_t>(e)]);
            model.rows.value.push_back(problem.hard.value[static_cast<std::size_t>(e)]);
        }
        model.rows.start.push_back(static_cast<int64_t>(model.rows.column.size()));
        model.rowLower.push_back(problem.hardLower[i]);
        model.rowUpper.push_back(problem.hardUpper[i]);
    }
    return model;
}

ConflictOptions coinOptions(bool wholeNumbers, const Deadline& deadline = Deadline()) {
    ConflictOptions options;
    options.wholeNumbers = wholeNumbers;
    options.deadline = deadline;
    options.newSolver = makeCoinSolver;
    return options;
}

bool holds(const AdjustmentProblem& problem, const std::vector<ConflictMember>& members,
           std::size_t skip, bool wholeNumbers) {
    std::unique_ptr<LinearSolver> solver = makeCoinSolver();
    EXPECT_TRUE(solver->load(modelOf(problem, members, skip, wholeNumbers)));
    const Deadline deadline;
    const LinearResult result =
        wholeNumbers ? solver->solveInteger(deadline, 0.0, {}) : solver->solveLinear(deadline);
    EXPECT_TRUE(result.is(ModelStatus::OPTIMAL) || result.is(ModelStatus::INFEASIBLE));
    return result.is(ModelStatus::OPTIMAL);
}

void expectIrreducible(const AdjustmentProblem& problem, const ConflictResult& result,
                       bool wholeNumbers) {
    ASSERT_TRUE(result.status.is(ModelStatus::INFEASIBLE));
    ASSERT_TRUE(result.irreducible);
    ASSERT_FALSE(result.members.empty());
    EXPECT_FALSE(holds(problem, result.members, result.members.size(), wholeNumbers));
    for (std::size_t k = 0; k < result.members.size(); ++k) {
        EXPECT_TRUE(holds(problem, result.members, k, wholeNumbers)) << "member " << k;
    }
}

// The multipliers prove the conflict: the members' expressions, weighted, cancel in every
// cell, and their values, weighted, add up to more than 0.
void expectProof(const AdjustmentProblem& problem, const ConflictResult& result) {
    ASSERT_EQ(result.multiplier.size(), result.members.size());
    std::vector<double> cell(static_cast<std::size_t>(problem.cellCount()), 0.0);
    double gap = 0.0;
    double size = 0.0;
    for (std::size_t k = 0; k < result.members.size(); ++k) {
        const ConflictMember& m = result.members[k];
        const double y = result.multiplier[k];
        EXPECT_NE(y, 0.0) << "member " << k;
        const auto i = static_cast<std::size_t>(m.index);
        double value = 0.0;
        if (m.kind == Kind::HARD_ROW) {
            for (int64_t e = problem.hard.start[i]; e < problem.hard.start[i + 1]; ++e) {
                const auto entry = static_cast<std::size_t>(e);
                cell[static_cast<std::size_t>(problem.hard.column[entry])] +=
                    y * problem.hard.value[entry];
            }
            value = y > 0.0 ? problem.hardLower[i] : problem.hardUpper[i];
        } else {
            EXPECT_EQ(y > 0.0, m.kind == Kind::CELL_LOWER) << "member " << k;
            cell[i] += y;
            value = m.kind == Kind::CELL_LOWER ? problem.lower[i] : problem.upper[i];
        }
        gap += y * value;
        size += std::fabs(y * value);
    }
    for (double c : cell) EXPECT_NEAR(c, 0.0, 1e-9 * std::max(size, 1.0));
    EXPECT_GT(gap, 1e-9 * std::max(size, 1.0));
}

// Real numbers meet both hard rows (x0 = x1 = 1.5), whole numbers cannot. The second is a
// range, so that the search, not the check of equalities alone, has to find it.
AdjustmentProblem halvesOnly() {
    return makeProblem(
        3, {{{0, 1}, {1, 1}, 3, 3}, {{0, 1}, {1, -1}, -0.5, 0.5}, {{1, 2}, {1, 1}, 0, 9}});
}

// Members as text, sorted: "row 0", "lower 2", "upper 1".
std::vector<std::string> names(const std::vector<ConflictMember>& members) {
    std::vector<std::string> result;
    for (const ConflictMember& m : members) {
        const char* kind = m.kind == Kind::HARD_ROW     ? "row "
                           : m.kind == Kind::CELL_LOWER ? "lower "
                                                        : "upper ";
        result.push_back(kind + std::to_string(m.index));
    }
    std::sort(result.begin(), result.end());
    return result;
}

struct ConflictCase {
    std::string name;
    AdjustmentProblem problem;
    bool wholeNumbers;
    // Every irreducible set the problem has, members sorted as names() gives them.
    std::vector<std::vector<std::string>> expected;
    double elasticValue;  // NaN: not checked
};

TEST(ConflictFinder, NamesAnIrreducibleSet) {
    const double any = std::numeric_limits<double>::quiet_NaN();
    const std::vector<ConflictCase> cases = {
        // Two rows of a 2x2 table sum to 10, the declared total says 11.
        {"total not the sum of its parts",
         makeProblem(4, {{{0, 1}, {1, 1}, 5, 5},
                         {{2, 3}, {1, 1}, 5, 5},
                         {{0, 1, 2, 3}, {1, 1, 1, 1}, 11, 11},
                         {{0, 2}, {1, 1}, 0, 20}}),
         false,
         {{"row 0", "row 1", "row 2"}},
         1.0},
        // A single-cell restriction (number 5) puts cell 0 above a margin of 5.
        {"single-cell bound above a margin",
         makeProblem(2, {{{0, 1}, {1, 1}, 5, 5}}, {{0, 8, INF, 5}}),
         false,
         {{"lower 0", "lower 1", "row 0"}},
         3.0},
        {"margin below zero against the default bound 0",
         makeProblem(3, {{{0, 1}, {1, 1}, -INF, -3}, {{1, 2}, {1, 1}, 0, 4}}),
         false,
         {{"lower 0", "lower 1", "row 0"}},
         3.0},
        // Rows 0-2 and rows 3-5 are two separate conflicts; either may be named.
        {"two conflicts in one table",
         makeProblem(6, {{{0}, {1}, 2, 2},
                         {{1}, {1}, 3, 3},
                         {{0, 1}, {1, 1}, 6, INF},
                         {{2, 3, 4, 5}, {2, -1, 1, 1}, 4, 4},
                         {{2, 3}, {1, 1}, 0, 1},
                         {{3, 4, 5}, {1, 1, 1}, 0, 0}}),
         false,
         {{"row 0", "row 1", "row 2"}, {"lower 3", "row 3", "row 4", "row 5"}},
         any},
        {"cell bounds that cross",
         makeProblem(2, {{{0, 1}, {1, 1}, 5, 5}}, {{1, 4, 3, 1}}),
         false,
         {{"lower 1", "upper 1"}},
         1.0},
        {"whole numbers", halvesOnly(), true, {{"row 0", "row 1"}}, any},
    };
    for (const ConflictCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ConflictResult result = findConflict(c.problem, coinOptions(c.wholeNumbers), nullptr);
        expectIrreducible(c.problem, result, c.wholeNumbers);
        EXPECT_NE(std::find(c.expected.begin(), c.expected.end(), names(result.members)),
                  c.expected.end());
        if (!std::isnan(c.elasticValue)) {
            EXPECT_NEAR(result.elasticValue, c.elasticValue, 1e-7);
        }
        EXPECT_EQ(result.memberChange.size(), result.members.size());
        if (!c.wholeNumbers) expectProof(c.problem, result);
    }
}

// A table of `groups` x `parts` cells with its totals by group (rows 0 .. groups - 1) and by
// part (the rest), taken from the base; group `moved` gets `by` added to its total.
AdjustmentProblem totalsTable(int32_t groups, int32_t parts, int32_t moved, double by) {
    const auto base = [](int32_t j) { return 60.0 + static_cast<double>((j * 37) % 90); };
    std::vector<Row> rows(static_cast<std::size_t>(groups + parts));
    for (int32_t j = 0; j < groups * parts; ++j) {
        for (Row* row : {&rows[static_cast<std::size_t>(j / parts)],
                         &rows[static_cast<std::size_t>(groups + j % parts)]}) {
            row->columns.push_back(j);
            row->coefficients.push_back(1.0);
            row->lower += base(j);
            row->upper += base(j);
        }
    }
    rows[static_cast<std::size_t>(moved)].lower += by;
    rows[static_cast<std::size_t>(moved)].upper += by;
    AdjustmentProblem problem = makeProblem(groups * parts, rows);
    for (int32_t j = 0; j < groups * parts; ++j)
        problem.base[static_cast<std::size_t>(j)] = base(j);
    return problem;
}

// What the continuous solver hands on from a table without solution: its suspect rows.
ContinuousResult infeasibleHint(std::vector<int32_t> suspectRows) {
    ContinuousResult hint;
    hint.status.call = CallStatus::OK;
    hint.status.model = ModelStatus::INFEASIBLE;
    hint.suspectRows = std::move(suspectRows);
    return hint;
}

// 6 regions by 16 age-and-sex groups, one region total raised by 30: every total is in the
// set, the region totals with one sign and the others with the other; only the raised one,
// corrected, fits the base exactly.
TEST(ConflictFinder, TotalsThatDisagreeAreProvedByTwoGroups) {
    const AdjustmentProblem problem = totalsTable(6, 16, 2, 30.0);
    const ConflictResult result = findConflict(problem, coinOptions(false), nullptr);
    expectIrreducible(problem, result, false);
    expectProof(problem, result);
    ASSERT_EQ(result.members.size(), 22u);
    ASSERT_EQ(result.multiplier.size(), 22u);
    ASSERT_EQ(result.objective.size(), 22u);
    EXPECT_TRUE(result.objectiveOfWholeTable);
    double regionSign = 0.0;
    for (std::size_t k = 0; k < result.members.size(); ++k) {
        const ConflictMember& member = result.members[k];
        ASSERT_EQ(member.kind, Kind::HARD_ROW);
        const double sign = (member.index < 6 ? 1.0 : -1.0) * result.multiplier[k];
        if (regionSign == 0.0) regionSign = sign;
        EXPECT_NEAR(sign, regionSign, 1e-9 * std::fabs(regionSign)) << "member " << k;
        EXPECT_NEAR(result.memberChange[k], 30.0, 1e-6);
        if (member.index == 2) {
            EXPECT_NEAR(result.objective[k], 0.0, 1e-6);
        } else {
            EXPECT_GT(result.objective[k], 0.5) << "row " << member.index;
        }
    }
}

// A part total (6 cells) below what a single-cell restriction (number 99) asks of one of its
// cells: the small set is that total, the restriction and the default bounds of the total's
// other cells, although a long chain of the other totals proves the conflict too. The
// suspect rows of the hint are that chain, as the continuous solver may give them.
TEST(ConflictFinder, PrefersTheSmallSetThroughASingleCellRestriction) {
    AdjustmentProblem problem = totalsTable(6, 16, 0, 0.0);
    const std::size_t cell = 1 * 16 + 1;  // group 1, part 1: in rows 1 and 7
    problem.lower[cell] = problem.hardLower[7] + 63.0;
    problem.lowerSource[cell] = 99;
    std::vector<int32_t> suspects;
    for (int32_t row = 0; row < 22; ++row) {
        if (row != 7) suspects.push_back(row);
    }
    const ContinuousResult hint = infeasibleHint(suspects);
    const ConflictResult result = findConflict(problem, coinOptions(false), &hint);
    expectIrreducible(problem, result, false);
    EXPECT_EQ(names(result.members),
              (std::vector<std::string>{"lower 1", "lower 17", "lower 33", "lower 49", "lower 65",
                                        "lower 81", "row 7"}));
}

// The total (30) is below the range of its first cell (40 to 50), whose base 35 lies halfway:
// correcting either moves the table equally far.
TEST(ConflictFinder, CorrectionsThatFitEquallyWellHaveEqualObjectives) {
    AdjustmentProblem problem =
        makeProblem(4, {{{0, 1}, {1, 1}, 30, 30}, {{2, 3}, {1, 1}, 70, 70}}, {{0, 40, 50, 3}});
    problem.base = {35, 10, 30, 40};
    const ConflictResult result = findConflict(problem, coinOptions(false), nullptr);
    expectIrreducible(problem, result, false);
    ASSERT_EQ(names(result.members), (std::vector<std::string>{"lower 0", "lower 1", "row 0"}));
    std::vector<double> objective(3);
    for (std::size_t k = 0; k < 3; ++k) {
        const ConflictMember& m = result.members[k];
        objective[m.kind == Kind::HARD_ROW ? 0 : (m.index == 0 ? 1 : 2)] = result.objective[k];
    }
    EXPECT_NEAR(objective[0], 25.0 / 35.0 + 10.0, 1e-6);
    EXPECT_NEAR(objective[1], objective[0], 1e-6);
    EXPECT_TRUE(std::isnan(objective[2]));  // a default bound is not a candidate
}

// With a second conflict elsewhere no single correction lets the whole table be adjusted:
// the corrections are compared over the members alone.
TEST(ConflictFinder, AnotherConflictLeavesTheObjectivesToTheMembers) {
    AdjustmentProblem problem = makeProblem(
        4,
        {{{0, 1}, {1, 1}, 30, 30}, {{0}, {1}, 10, 10}, {{1}, {1}, 15, 15}, {{2, 3}, {1, 1}, 5, 5}},
        {{2, 8, INF, 5}, {3, 0, INF, 0}});
    problem.base = {10, 20, 30, 40};
    const ConflictResult result = findConflict(problem, coinOptions(false), nullptr);
    expectIrreducible(problem, result, false);
    expectProof(problem, result);
    ASSERT_EQ(names(result.members), (std::vector<std::string>{"row 0", "row 1", "row 2"}));
    EXPECT_FALSE(result.objectiveOfWholeTable);
    // Cells 0 and 1 at 10 and 20 after the correction of row 2 (to 20): the base itself.
    const std::vector<double> expected = {25.0 / 20.0, 25.0 / 10.0 + 25.0 / 20.0, 0.0};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(result.objective[k],
                    expected[static_cast<std::size_t>(result.members[k].index)], 1e-6);
    }
}

TEST(ConflictFinder, FeasibleProblemsHaveNoConflict) {
    const AdjustmentProblem problem =
        makeProblem(4, {{{0, 1}, {1, 1}, 5, 5}, {{2, 3}, {1, 1}, 5, 5}, {{0, 3}, {1, 1}, 0, 4}});
    EXPECT_EQ(findConflict(problem, coinOptions(false), nullptr).status,
              modelStatus(ModelStatus::FEASIBLE));
    EXPECT_EQ(findConflict(problem, coinOptions(true), nullptr).status,
              modelStatus(ModelStatus::FEASIBLE));
}

// The continuous solver's suspect rows narrow the search; when they hold together the whole
// problem is searched instead.
TEST(ConflictFinder, SuspectRowsAreOnlyAHint) {
    const AdjustmentProblem problem = makeProblem(
        4, {{{0, 1}, {1, 1}, 5, 5}, {{2, 3}, {1, 1}, 5, 5}, {{0, 1, 2, 3}, {1, 1, 1, 1}, 11, 11}});
    for (const std::vector<int32_t>& suspects :
         std::vector<std::vector<int32_t>>{{0, 1, 2}, {0, 1}, {7, -1}}) {
        const ContinuousResult hint = infeasibleHint(suspects);
        const ConflictResult result = findConflict(problem, coinOptions(false), &hint);
        expectIrreducible(problem, result, false);
        EXPECT_EQ(names(result.members), (std::vector<std::string>{"row 0", "row 1", "row 2"}));
        EXPECT_NEAR(result.memberChange[0], 1.0, 1e-7);
    }
}

// A passed deadline ends the whole-number search with no claim of irreducibility; without a
// time limit the search ends at its work limit, the same on every run, and says that the work
// ran out.
TEST(ConflictFinder, LimitsEndTheWholeNumberSearchWithoutAClaim) {
    const AdjustmentProblem problem = halvesOnly();
    const Deadline passed(0.0);
    const ConflictResult late = findConflict(problem, coinOptions(true, passed), nullptr);
    EXPECT_EQ(late.status, modelStatus(ModelStatus::INFEASIBLE, StopReason::TIME_LIMIT));
    EXPECT_FALSE(late.irreducible);
    ConflictOptions options = coinOptions(true);
    options.settings.workLimit = 1;
    const ConflictResult first = findConflict(problem, options, nullptr);
    EXPECT_EQ(first.status, modelStatus(ModelStatus::INFEASIBLE, StopReason::WORK_LIMIT));
    EXPECT_FALSE(first.irreducible);
    const ConflictResult second = findConflict(problem, options, nullptr);
    EXPECT_EQ(names(second.members), names(first.members));
    // Equalities whose coefficients alone rule out whole numbers need no search, and come
    // with their proof: row 0 - row 1 counts every cell an even number of times, and is 3.
    const AdjustmentProblem equalities =
        makeProblem(3, {{{0, 1}, {1, 1}, 3, 3}, {{0, 1}, {1, -1}, 0, 0}, {{1, 2}, {1, 1}, 0, 9}});
    const ConflictResult named = findConflict(equalities, coinOptions(true, passed), nullptr);
    EXPECT_EQ(named.status, modelStatus(ModelStatus::INFEASIBLE));
    EXPECT_TRUE(named.irreducible);
    EXPECT_EQ(names(named.members), (std::vector<std::string>{"row 0", "row 1"}));
    EXPECT_EQ(named.memberChange, (std::vector<double>{1, 1}));
    EXPECT_EQ(named.multiplier, (std::vector<double>{1, -1}));
    EXPECT_EQ(named.divisor, 2.0);
}

// Over real numbers too: a deadline that passed before the first verdict names no set and
// calls nothing feasible.
TEST(ConflictFinder, PassedDeadlineEndsTheRealSearchWithoutAClaim) {
    const AdjustmentProblem problem = makeProblem(
        3, {{{0, 1}, {1, 1}, 3, 3}, {{1, 2}, {1, 1}, 4, 4}, {{0, 1, 2}, {1, 2, 1}, 9, 9}});
    const ConflictResult result = findConflict(problem, coinOptions(false, Deadline(0.0)), nullptr);
    EXPECT_EQ(result.status, modelStatus(ModelStatus::INFEASIBLE, StopReason::TIME_LIMIT));
    EXPECT_FALSE(result.irreducible);
    EXPECT_TRUE(result.members.empty());
    expectIrreducible(problem, findConflict(problem, coinOptions(false), nullptr), false);
}

// A solver whose every solve gives `status`: what the search makes of a solver that fails.
class BrokenSolver : public LinearSolver {
  public:
    explicit BrokenSolver(CallStatus call) { failed_.status.call = call; }
    bool load(const LinearModel&) override { return true; }
    void setRowBounds(int32_t, double, double) override {}
    void setColumnBounds(int32_t, double, double) override {}
    LinearResult solveLinear(const Deadline&) override { return failed_; }
    LinearResult solveInteger(const Deadline&, double, const std::vector<double>&) override {
        return failed_;
    }

  private:
    LinearResult failed_;
};

// A missing or broken solver is a failed call, or at most a set that cannot hold: never a
// claim that the set is irreducible, and never "no conflict".
TEST(ConflictFinder, SolverFailuresAreNoVerdicts) {
    // x0 + x1 = 3, x0 = x1 over whole numbers; x0 + x1 = 3 and x0 + x1 = 4 over real ones.
    const AdjustmentProblem whole =
        makeProblem(2, {{{0, 1}, {1, 1}, 3, 3}, {{0, 1}, {1, -1}, -0.5, 0.5}});
    const AdjustmentProblem real = makeProblem(
        3, {{{0, 1}, {1, 1}, 3, 3}, {{1, 2}, {1, 1}, 4, 4}, {{0, 1, 2}, {1, 2, 1}, 9, 9}});
    struct Case {
        const char* what;
        LinearSolverFactory factory;
        CallStatus call;  // of the search
    };
    const Case cases[] = {
        {"no factory", nullptr, CallStatus::FAILED},
        {"no solver", [] { return std::unique_ptr<LinearSolver>(); }, CallStatus::NO_MEMORY},
        {"out of memory", [] { return std::make_unique<BrokenSolver>(CallStatus::NO_MEMORY); },
         CallStatus::NO_MEMORY},
        {"failing", [] { return std::make_unique<BrokenSolver>(CallStatus::FAILED); },
         CallStatus::OK},
    };
    for (const Case& c : cases) {
        for (bool wholeNumbers : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.what << (wholeNumbers ? ", whole" : ", real"));
            ConflictOptions options = coinOptions(wholeNumbers);
            options.newSolver = c.factory;
            const ConflictResult result =
                findConflict(wholeNumbers ? whole : real, options, nullptr);
            EXPECT_EQ(result.status.call, c.call);
            if (c.call == CallStatus::OK) {
                EXPECT_EQ(result.status.model, ModelStatus::INFEASIBLE);
                EXPECT_FALSE(result.irreducible);
            }
        }
    }
}

}  // namespace
