#include "qorsolve/problem/whole_number_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/solver_fixtures.h"

namespace {

struct Case {
    std::string what;
    int32_t cells;
    std::vector<Row> rows;
    std::vector<int32_t> found;  // expected rows (0-based), empty for none
    std::vector<double> change;
};

Row equal(std::vector<int32_t> columns, std::vector<double> coefficients, double value) {
    return {std::move(columns), std::move(coefficients), value, value};
}

// Checks the proof as a reader would: the weighted rows count every cell a multiple of the
// divisor times, and the weighted values add up to no multiple of it.
void expectProof(const AdjustmentProblem& problem, const RowsWithoutWholeSolution& found) {
    ASSERT_EQ(found.weight.size(), found.rows.size());
    ASSERT_GT(found.divisor, 1.0);
    EXPECT_GT(found.weight.front(), 0.0);
    std::vector<double> count(static_cast<std::size_t>(problem.cellCount()), 0.0);
    double total = 0.0;
    for (std::size_t k = 0; k < found.rows.size(); ++k) {
        const auto r = static_cast<std::size_t>(found.rows[k]);
        total += found.weight[k] * problem.hardLower[r];
        for (int64_t e = problem.hard.start[r]; e < problem.hard.start[r + 1]; ++e) {
            const auto i = static_cast<std::size_t>(e);
            count[static_cast<std::size_t>(problem.hard.column[i])] +=
                found.weight[k] * problem.hard.value[i];
        }
    }
    for (double c : count) EXPECT_EQ(std::fmod(std::nearbyint(c), found.divisor), 0.0);
    EXPECT_NE(std::fmod(std::nearbyint(total), found.divisor), 0.0);
}

TEST(WholeNumberSystem, EqualityRowsNoWholeTableMeets) {
    const double big = 4503599627370497.0;  // 2^52 + 1
    const std::vector<Case> cases = {
        {"sum odd, difference 0",
         2,
         {equal({0, 1}, {1, 1}, 2000001), equal({0, 1}, {1, -1}, 0)},
         {0, 1},
         {1, 1}},
        {"sum even, difference 0",
         2,
         {equal({0, 1}, {1, 1}, 2000000), equal({0, 1}, {1, -1}, 0)},
         {},
         {}},
        // x + y and x - 3 y differ by 4 y: a multiple of 4, which 2 is not.
        {"a lattice of step 4",
         2,
         {equal({0, 1}, {1, 1}, 12), equal({0, 1}, {1, -3}, 10)},
         {0, 1},
         {2, 2}},
        {"a lattice of step 4 met",
         2,
         {equal({0, 1}, {1, 1}, 12), equal({0, 1}, {1, -3}, 8)},
         {},
         {}},
        // Each pair of three cells sums to 1: twice their total would be 3.
        {"a triangle of odd pair sums",
         3,
         {equal({0, 1}, {1, 1}, 1), equal({1, 2}, {1, 1}, 1), equal({0, 2}, {1, 1}, 1)},
         {0, 1, 2},
         {1, 1, 1}},
        // Rows that take no part are left out: one over other cells, one that shares a cell.
        {"rows that take no part",
         5,
         {equal({3, 4}, {1, 1}, 7), equal({0, 1}, {1, 1}, 9), equal({0, 2}, {1, 1}, 5),
          equal({0, 1}, {1, -1}, 0)},
         {1, 3},
         {1, 1}},
        {"a range takes no part",
         2,
         {{{0, 1}, {1, 1}, 2000001, 2000002}, equal({0, 1}, {1, -1}, 0)},
         {},
         {}},
        // 0.5 (x + y) = 1000000.5 is x + y = 2000001: its value moves by 0.5 in its own units.
        {"a decimal row",
         2,
         {equal({0, 1}, {0.5, 0.5}, 1000000.5), equal({0, 1}, {1, -1}, 0)},
         {0, 1},
         {0.5, 1}},
        {"near 2^52", 2, {equal({0, 1}, {1, 1}, big), equal({0, 1}, {1, -1}, 0)}, {0, 1}, {1, 1}},
        // A cell named twice in one row counts with the sum of its coefficients.
        {"a cell named twice",
         2,
         {{{0, 0, 1}, {1, 1, 1}, 7, 7}, equal({1}, {1}, 2)},
         {0, 1},
         {1, 1}},
        // Rows real numbers cannot meet are the real-valued search's to name.
        {"rows that disagree in real numbers",
         2,
         {equal({0, 1}, {1, 1}, 5), equal({0, 1}, {2, 2}, 11)},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const AdjustmentProblem problem = problemWithRows(c.cells, c.rows);
        const RowsWithoutWholeSolution found = findRowsWithoutWholeSolution(problem);
        EXPECT_EQ(found.rows, c.found);
        ASSERT_EQ(found.change.size(), c.change.size());
        for (std::size_t k = 0; k < c.change.size(); ++k) {
            EXPECT_DOUBLE_EQ(found.change[k], c.change[k]);
        }
        if (!c.found.empty()) expectProof(problem, found);
    }
}

// Random systems of two or three rows over three cells, with small whole coefficients and
// values that a point of halves or thirds meets (so real numbers meet every system): the
// check names a set exactly where no whole point of a box that holds every small solution
// meets the rows.
TEST(WholeNumberSystem, AgreesWithASearchOfEveryPointInABox) {
    std::mt19937_64 random(7);
    const auto draw = [&](int lo, int hi) {
        return lo + static_cast<int>(random() % static_cast<uint64_t>(hi - lo + 1));
    };
    constexpr int BOX = 12;
    int named = 0, checked = 0;
    while (checked < 400) {
        const int m = draw(2, 3);
        const int denominator = draw(1, 3);
        std::vector<int> point(3);
        for (int& v : point) v = draw(-6, 6);
        std::vector<Row> rows;
        bool whole = true;
        for (int i = 0; i < m; ++i) {
            Row row{{0, 1, 2}, {}, 0, 0};
            int sum = 0;
            for (int j = 0; j < 3; ++j) {
                const int a = draw(-3, 3);
                row.coefficients.push_back(a);
                sum += a * point[static_cast<std::size_t>(j)];
            }
            whole = whole && sum % denominator == 0;
            row.lower = row.upper = sum / denominator;
            rows.push_back(row);
        }
        if (!whole) continue;
        ++checked;
        bool solvable = false;
        for (int x = -BOX; x <= BOX && !solvable; ++x) {
            for (int y = -BOX; y <= BOX && !solvable; ++y) {
                for (int z = -BOX; z <= BOX && !solvable; ++z) {
                    solvable = std::all_of(rows.begin(), rows.end(), [&](const Row& r) {
                        return r.coefficients[0] * x + r.coefficients[1] * y +
                                   r.coefficients[2] * z ==
                               r.lower;
                    });
                }
            }
        }
        const RowsWithoutWholeSolution found =
            findRowsWithoutWholeSolution(problemWithRows(3, rows));
        EXPECT_EQ(found.rows.empty(), solvable) << "system " << checked;
        named += found.rows.empty() ? 0 : 1;
    }
    EXPECT_GT(named, 20);  // both outcomes are tried often
}

// Every 1- and 2-class margin of a whole-number table holds in whole numbers: the 6 x 6 x 6
// table's margins (with cells left out) are one set of 126 rows, checked as a whole.
TEST(WholeNumberSystem, MarginsOfAWholeTable) {
    const MarginTable m = marginTable({6, 6, 6}, 7, 11, [](std::mt19937_64& random) {
        const double value = static_cast<double>(random() % 50);
        return std::pair<double, double>{value + 1.0, value};
    });
    EXPECT_TRUE(findRowsWithoutWholeSolution(m.problem).rows.empty());
}

}  // namespace
