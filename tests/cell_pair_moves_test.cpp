// The moves of one or two cells against brute force on random small problems: the table found
// meets every hard row by the exact rule, stays within the cells' ranges, costs no more than
// the start, is the same on every run, and no move of one or two cells by one unit that keeps
// every hard row makes it cheaper.
#include "qorsolve/integer/cell_pair_moves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "qorsolve/integer/rounding_repair.h"
#include "tests/solver_fixtures.h"

namespace {

constexpr double TOP = 5.0;  // every cell's whole range is [0, TOP]

// A few hard rows (equalities and inequalities, some with a coefficient of 0.5) and weak rows
// of whole coefficients over `cells` cells of bases between 1 and 8.
AdjustmentProblem randomProblem(int32_t cells, std::mt19937_64& random) {
    AdjustmentProblem p = problemWithRows(cells, {});
    for (double& b : p.base) b = 1.0 + static_cast<double>(random() % 70) / 10.0;
    const double coefficients[] = {0.0, 0.0, 1.0, 1.0, -1.0, 2.0, 0.5};
    auto rowOf = [&] {
        std::vector<double> row(static_cast<size_t>(cells));
        for (double& a : row) a = coefficients[random() % 7];
        return row;
    };
    const int hardRows = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < hardRows; ++i) {
        const double value = static_cast<double>(random() % 9);
        switch (random() % 3) {
            case 0:
                addHardRow(p, rowOf(), value, value);
                break;
            case 1:
                addHardRow(p, rowOf(), value, INF);
                break;
            default:
                addHardRow(p, rowOf(), -INF, value);
                break;
        }
    }
    const int weakRows = static_cast<int>(random() % 3);
    for (int w = 0; w < weakRows; ++w) {
        std::vector<double> row = rowOf();
        for (double& a : row) a = std::round(a);
        addRow(p.weak, row);
        p.weakTarget.push_back(static_cast<double>(random() % 12));
        p.weakWeight.push_back(static_cast<double>(1 + random() % 20));
    }
    return p;
}

// Every table of whole cells in [0, TOP] that meets the hard rows.
std::vector<std::vector<double>> allTables(const AdjustmentProblem& p) {
    std::vector<std::vector<double>> tables;
    std::vector<double> x(p.base.size(), 0.0);
    for (;;) {
        if (meetsHardRows(p, x)) tables.push_back(x);
        size_t j = 0;
        while (j < x.size() && ++x[j] > TOP) x[j++] = 0.0;
        if (j == x.size()) return tables;
    }
}

// Whether some move of one or two cells by one unit within [0, TOP] that keeps every hard row
// lowers the cost of `x` by more than rounding.
bool cheaperMoveExists(const AdjustmentProblem& p, const std::vector<double>& x) {
    const double cost = adjustmentObjective(p, x);
    const auto n = static_cast<int32_t>(x.size());
    std::vector<double> y = x;
    auto tryTable = [&] {
        for (double v : y) {
            if (v < 0.0 || v > TOP) return false;
        }
        return meetsHardRows(p, y) && adjustmentObjective(p, y) < cost - 1e-9;
    };
    for (int32_t j = 0; j < n; ++j) {
        for (double dj : {-1.0, 1.0}) {
            y[size_t(j)] += dj;
            if (tryTable()) return true;
            for (int32_t k = j + 1; k < n; ++k) {
                for (double dk : {-1.0, 1.0}) {
                    y[size_t(k)] += dk;
                    const bool cheaper = tryTable();
                    y[size_t(k)] -= dk;
                    if (cheaper) return true;
                }
            }
            y[size_t(j)] -= dj;
        }
    }
    return false;
}

TEST(CellPairMoves, EndsAtATableNoMoveOfOneOrTwoCellsMakesCheaper) {
    std::mt19937_64 random(7);
    int checked = 0, lowered = 0;
    while (checked < 150) {
        const auto cells = static_cast<int32_t>(3 + random() % 3);
        AdjustmentProblem p = randomProblem(cells, random);
        std::vector<std::vector<double>> tables = allTables(p);
        if (tables.size() < 2) continue;
        const std::vector<double>& start = tables[random() % tables.size()];
        const std::vector<double> lower(start.size(), 0.0), upper(start.size(), TOP);
        std::vector<double> x = improveByCellPairs(p, start, lower, upper, Deadline());
        SCOPED_TRACE(testing::Message() << "problem " << checked);
        EXPECT_TRUE(meetsHardRows(p, x));
        for (double v : x) {
            EXPECT_EQ(v, std::round(v));
            EXPECT_TRUE(v >= 0.0 && v <= TOP);
        }
        const double before = adjustmentObjective(p, start), after = adjustmentObjective(p, x);
        EXPECT_LE(after, before);
        EXPECT_FALSE(cheaperMoveExists(p, x));
        EXPECT_EQ(x, improveByCellPairs(p, start, lower, upper, Deadline()));
        lowered += after < before ? 1 : 0;
        ++checked;
    }
    // The problems are not all at their cheapest from the start.
    EXPECT_GT(lowered, 50);
}

// Moves that only a pair makes: a unit from one term of an equality's sum to another, the
// room an inequality at its bound gets from one cell and gives to another, and two cells whose
// changes of a weak row's value cancel.
TEST(CellPairMoves, MakesTheMovesThatNeedTwoCells) {
    struct Case {
        const char* name;
        std::vector<double> base;
        std::vector<double> start;
        std::vector<double> expected;
        std::vector<double> hard;  // one hard row's coefficients (empty: none)
        double lower, upper;
        std::vector<double> weak;  // one weak row's coefficients (empty: none)
    };
    const Case cases[] = {
        {"equality", {2, 6}, {4, 2}, {2, 4}, {1, 1}, 6, 6, {}},
        {"inequality at its bound", {1, 9}, {3, 5}, {1, 7}, {1, 1}, -INF, 8, {}},
        {"weak row", {4, 4}, {2, 6}, {4, 4}, {}, 0, 0, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AdjustmentProblem p = problemWithRows(2, {});
        p.base = c.base;
        if (!c.hard.empty()) addHardRow(p, c.hard, c.lower, c.upper);
        if (!c.weak.empty()) {
            addRow(p.weak, c.weak);
            p.weakTarget.push_back(8.0);
            p.weakWeight.push_back(1000.0);
        }
        const std::vector<double> lower(2, 0.0), upper(2, 20.0);
        EXPECT_EQ(improveByCellPairs(p, c.start, lower, upper, Deadline()), c.expected);
    }
}

// One sum over 300 cells, far longer than the cells weighed as partners at a time: passes
// must still reach every partner. Over a single sum of convex costs, a table no move of two
// cells makes cheaper is the cheapest (marginal allocation), so the search must end there.
TEST(CellPairMoves, ReachesEveryPartnerOfALongRow) {
    constexpr int32_t CELLS = 300;
    std::mt19937_64 random(11);
    AdjustmentProblem p = problemWithRows(CELLS, {});
    std::vector<double> start(CELLS);
    for (int32_t j = 0; j < CELLS; ++j) {
        p.base[size_t(j)] = 5.0 + static_cast<double>(random() % 20);
        start[size_t(j)] = p.base[size_t(j)];
    }
    // Units taken from cells near the end of the row and given to cells near its start.
    for (int32_t j = 0; j < 5; ++j) {
        start[size_t(j)] += 4.0;
        start[size_t(CELLS - 1 - j)] -= 4.0;
    }
    double sum = 0.0;
    for (double v : start) sum += v;
    addHardRow(p, std::vector<double>(CELLS, 1.0), sum, sum);
    const std::vector<double> lower(CELLS, 0.0), upper(CELLS, 100.0);
    std::vector<double> x = improveByCellPairs(p, start, lower, upper, Deadline());
    EXPECT_TRUE(meetsHardRows(p, x));
    // Every cell back at its base: the sum was the bases' sum.
    EXPECT_EQ(x, p.base);
}

// Two sums of 100 cells each that share cells 0 to 49: a cell of both breaks both when it
// moves alone, and its partners are the cells the two have in common.
TEST(CellPairMoves, FindsPartnersInTheCellsTwoLongRowsShare) {
    constexpr int32_t CELLS = 150;
    AdjustmentProblem p = problemWithRows(CELLS, {});
    for (int32_t j = 0; j < CELLS; ++j) p.base[size_t(j)] = 10.0 + static_cast<double>(j % 7);
    std::vector<double> start = p.base;
    start[0] += 3.0;
    start[40] -= 3.0;
    std::vector<double> first(CELLS, 0.0), second(CELLS, 0.0);
    double firstSum = 0.0, secondSum = 0.0;
    for (int32_t j = 0; j < CELLS; ++j) {
        if (j < 100) first[size_t(j)] = 1.0, firstSum += start[size_t(j)];
        if (j < 50 || j >= 100) second[size_t(j)] = 1.0, secondSum += start[size_t(j)];
    }
    addHardRow(p, first, firstSum, firstSum);
    addHardRow(p, second, secondSum, secondSum);
    const std::vector<double> lower(CELLS, 0.0), upper(CELLS, 100.0);
    EXPECT_EQ(improveByCellPairs(p, start, lower, upper, Deadline()), p.base);
}

}  // namespace
