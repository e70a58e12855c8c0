// The programme over windows against its contract: a whole-number table that meets the hard
// rows is a point of the programme that meets its rows and bounds and costs F, exactly where
// the table lies inside the windows and no more than F outside them; refining on that point
// widens the windows and adds tangents until the cost is exact there. F is summed plainly,
// apart from the code under test.
#include "qorsolve/integer/window_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/solver_fixtures.h"

namespace {

struct Case {
    std::string name;
    AdjustmentProblem problem;
    std::vector<double> table;     // whole numbers that meet the hard rows
    std::vector<double> hardDual;  // the real-valued optimum's multipliers, or empty
};

double costOf(const LinearModel& m, const std::vector<double>& point) {
    double sum = 0.0;
    for (size_t j = 0; j < m.cost.size(); ++j) sum += m.cost[j] * point[j];
    return sum;
}

// Whether the point lies within the programme's bounds and meets every row, to rounding.
bool meetsProgramme(const LinearModel& m, const std::vector<double>& point) {
    auto within = [](double v, double lo, double hi) {
        const double slack = 1e-9 * std::max(1.0, std::fabs(v));
        return v >= lo - slack && v <= hi + slack;
    };
    if (point.size() != m.cost.size()) return false;
    for (size_t j = 0; j < point.size(); ++j) {
        if (!within(point[j], m.columnLower[j], m.columnUpper[j])) return false;
    }
    for (int32_t i = 0; i < m.rows.rowCount(); ++i) {
        double v = 0.0;
        for (int64_t k = m.rows.start[i]; k < m.rows.start[i + 1]; ++k) {
            v += m.rows.value[k] * point[size_t(m.rows.column[k])];
        }
        if (!within(v, m.rowLower[size_t(i)], m.rowUpper[size_t(i)])) return false;
    }
    return true;
}

// Cells of the given bases, from 0 without an upper bound.
AdjustmentProblem cells(const std::vector<double>& bases) {
    AdjustmentProblem p;
    p.base = bases;
    p.lower.assign(bases.size(), 0.0);
    p.upper.assign(bases.size(), INF);
    return p;
}

void addWeakRow(AdjustmentProblem& p, const std::vector<double>& a, double target, double weight) {
    addRow(p.weak, a);
    p.weakTarget.push_back(target);
    p.weakWeight.push_back(weight);
}

// A hard row through `table`: an equality, or with `side` > 0 a row of that much room.
void addRowThrough(Case& c, const std::vector<double>& a, double side = 0.0) {
    addRow(c.problem.hard, a);
    double v = 0.0;
    for (size_t j = 0; j < a.size(); ++j) v += a[j] * c.table[j];
    c.problem.hardLower.push_back(side > 0.0 ? v - side : v);
    c.problem.hardUpper.push_back(side > 0.0 ? INF : v);
}

std::vector<Case> cases() {
    std::vector<Case> all;
    {
        Case c{"cells alone", cells({5, 2.5, 40, 0.7}), {3, 4, 38, 1}, {}};
        all.push_back(c);
    }
    {
        // A 2 x 3 table's margins: no lattice, no value columns.
        Case c{"margins", cells({5, 6, 7, 8, 9, 10}), {4, 7, 7, 9, 8, 11}, {}};
        addRowThrough(c, {1, 1, 1, 0, 0, 0});
        addRowThrough(c, {0, 0, 0, 1, 1, 1});
        addRowThrough(c, {1, 0, 0, 1, 0, 0});
        addRowThrough(c, {0, 1, 0, 0, 1, 0});
        all.push_back(c);
    }
    {
        // A sum pinned with coefficients far apart (its lattice), a range, and a weak row of
        // whole coefficients (a windowed term).
        Case c{"lattice and weak row", cells({20, 30, 12}), {22, 27, 13}, {}};
        addRowThrough(c, {1, 7, 2});
        addRowThrough(c, {2, -1, 0}, 3.0);
        addWeakRow(c.problem, {2, 0, 3}, 80.5, 0.8);
        all.push_back(c);
    }
    {
        // A decimal equality held as its whole multiple, and a weak row of a coefficient no
        // power of ten makes whole (tangents).
        Case c{"decimals and tangents", cells({10, 14, 6}), {9, 15, 7}, {}};
        addRowThrough(c, {0.5, 1.5, 0});
        addWeakRow(c.problem, {1.0 / 3.0, 1, 1}, 20.0, 1.5);
        addWeakRow(c.problem, {0.5, 0, 1}, 11.0, 0.4);
        all.push_back(c);
    }
    {
        // Above the size where the programme starts at the real-valued optimum: its rows are
        // shifted by the multipliers, which a point that meets them does not notice.
        const int n = 510;
        std::vector<double> bases(n), table(n), a(n);
        for (int j = 0; j < n; ++j) {
            bases[j] = 3.0 + j % 7;
            table[j] = bases[j] + (j % 3) - 1;
            a[j] = j % 2 == 0 ? 1.0 : 2.0;
        }
        Case c{"large start", cells(bases), table, {0.37, -1.25}};
        addRowThrough(c, a);
        std::vector<double> half(n, 0.0);
        for (int j = 0; j < n / 2; ++j) half[j] = 1.0;
        addRowThrough(c, half);
        addWeakRow(c.problem, std::vector<double>(n, 1.0), 3000.0, 0.5);
        all.push_back(c);
    }
    return all;
}

TEST(WindowModel, ATableInsideTheWindowsCostsF) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const AdjustmentProblem& p = c.problem;
        WindowModel windows(p, p.lower, p.upper, c.table, c.hardDual);
        const LinearModel m = windows.build();
        const std::vector<double> point = windows.pointOf(c.table);
        EXPECT_TRUE(meetsProgramme(m, point));
        EXPECT_EQ(windows.tableOf(point), c.table);
        EXPECT_FALSE(windows.leaves(point));
        const double f = plainCost(p, c.table);
        EXPECT_NEAR(costOf(m, point), f, 1e-9 * std::max(1.0, f));
    }
}

TEST(WindowModel, OutsideTheWindowsTheCostLiesBelowFUntilRefined) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const AdjustmentProblem& p = c.problem;
        std::vector<double> center = c.table;
        for (double& v : center) v += 6.0;
        WindowModel windows(p, p.lower, p.upper, center, c.hardDual);
        const double f = plainCost(p, c.table);
        int rounds = 0;
        for (;; ++rounds) {
            ASSERT_LT(rounds, 20);
            const LinearModel m = windows.build();
            const std::vector<double> point = windows.pointOf(c.table);
            EXPECT_TRUE(meetsProgramme(m, point));
            EXPECT_EQ(windows.tableOf(point), c.table);
            const bool leaves = windows.leaves(point);
            EXPECT_TRUE(leaves || rounds > 0);
            EXPECT_LE(costOf(m, point), f + 1e-9 * std::max(1.0, f));
            if (!windows.refine(point)) {
                EXPECT_FALSE(leaves);
                EXPECT_NEAR(costOf(m, point), f, 1e-9 * std::max(1.0, f));
                break;
            }
        }
        EXPECT_GE(rounds, 1);
    }
}

}  // namespace
