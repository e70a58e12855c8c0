#include "qorsolve/problem/exact_rows.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/solver_fixtures.h"

namespace {

constexpr double TWO_53 = 9007199254740992.0;

struct Term {
    double coefficient;
    double x;
};

RowValue valueOf(const std::vector<Term>& terms) {
    RowValue value;
    for (const Term& t : terms) value.add(t.coefficient, t.x);
    return value;
}

TEST(ExactRows, ComparesRowValuesWithBounds) {
    struct Case {
        const char* what;
        std::vector<Term> terms;
        std::pair<double, double> bounds;  // lower, upper
        struct {
            bool exact;
            double minusLower;  // value - lower
            bool holds;
            bool onLower;
        } expected;
    };
    const Case cases[] = {
        {"one unit short at 2e9",
         {{1, 1e9}, {1, 1e9}},
         {2000000001, 2000000001},
         {true, -1, false, false}},
        {"on the value at 2e10",
         {{1e9, 20}, {1, 35}, {1, 35}},
         {20000000070, 20000000070},
         {true, 0, true, true}},
        {"one above a lower bound",
         {{1, 10000000}, {1, 10000001}},
         {20000000, INF},
         {true, 1, true, false}},
        // A bound counts as the decimal it was written as: 1000000000.1, not the double's
        // 1000000000.10000002384...
        {"whole value below a fractional bound",
         {{1, 1000000000}},
         {1000000000.1, 1000000000.9},
         {true, -0.1, false, false}},
        {"whole value inside a fractional range",
         {{1, 1000000001}},
         {1000000000.1, 1000000001.9},
         {true, 0.9, true, false}},
        {"products beyond 2^53, exact",
         {{TWO_53, TWO_53}, {-TWO_53, TWO_53}, {1, 1}},
         {1, 1},
         {true, 0, true, true}},
        {"a product of 2^106 against the next double above it",
         {{TWO_53, TWO_53}},
         {std::nextafter(TWO_53 * TWO_53, INF), INF},
         {true, -TWO_53 * 2, false, false}},
        {"decimal coefficients over whole cells: 0.1 + 0.2 is 0.3 exactly",
         {{0.1, 1}, {0.2, 1}},
         {0.3, 0.3},
         {true, 0, true, true}},
        {"decimal coefficients, a real miss",
         {{0.1, 1}, {0.2, 1}},
         {0.31, INF},
         {true, -0.01, false, false}},
        // 2^-20 needs 20 places: no short decimal, so the row is met to the tolerance.
        {"a coefficient of no short decimal meets within the tolerance",
         {{std::ldexp(1.0, -20), 1 << 20}},
         {1 + std::ldexp(1.0, -40), 1 + std::ldexp(1.0, -40)},
         {false, -std::ldexp(1.0, -40), true, true}},
        {"a half unit off at 1e9, under a tolerance of 1.3",
         {{0.5, 1333722423}, {-1, 595551401}},
         {71309811, 71309811},
         {true, -0.5, false, false}},
        {"the same row met",
         {{0.5, 1333722424}, {-1, 595551401}},
         {71309811, 71309811},
         {true, 0, true, true}},
        {"a bound of no short decimal, as the double's exact value",
         {{0.5, 3}},
         {1.5000000000000002, INF},
         {true, -2.2204460492503131e-16, false, false}},
        {"whole cells, exactly 1 off", {{1, 3}, {-1, 2}}, {0, 0}, {true, 1, false, false}},
        {"coefficient beyond 2^53: doubled precision keeps the 1",
         {{1e16, 1}, {1, 1}, {-1e16, 1}},
         {0.5, INF},
         {false, 0.5, true, true}},  // on it, within 1e-9 of terms of 1e16
        {"fractional cells over whole coefficients",
         {{3, 0.5}, {3, 0.5}},
         {3, 3},
         {false, 0, true, true}},
        {"an empty row is 0", {}, {0, 0}, {true, 0, true, true}},
    };
    for (const Case& c : cases) {
        const RowValue value = valueOf(c.terms);
        const auto [lower, upper] = c.bounds;
        EXPECT_EQ(value.exact(), c.expected.exact) << c.what;
        EXPECT_DOUBLE_EQ(value.minus(lower), c.expected.minusLower) << c.what;
        EXPECT_EQ(value.holds(lower, upper), c.expected.holds) << c.what;
        EXPECT_EQ(value.on(lower), c.expected.onLower) << c.what;
        EXPECT_EQ(value.minus(INF), -INF) << c.what;
        EXPECT_EQ(value.minus(-INF), INF) << c.what;
    }
}

TEST(ExactRows, TheToleranceScalesWithTheTerms) {
    // 1e-9 of terms of 1e9: a miss of 0.5 holds for fractional cells, never for whole ones.
    EXPECT_TRUE(valueOf({{1, 1e9 + 0.5}}).holds(1e9, 1e9));
    EXPECT_FALSE(valueOf({{1, 1e9 + 1}}).holds(1e9, 1e9));
    EXPECT_FALSE(valueOf({{1, 1e9 + 2.5}}).holds(1e9, 1e9));
    EXPECT_TRUE(valueOf({{0.5, 3}}).holds(1.5, 1.5));
}

TEST(ExactRows, AnOverflowingSumIsNoLongerExact) {
    RowValue value;
    for (int k = 0; k < (1 << 21) - 1; ++k) value.add(TWO_53, TWO_53);
    EXPECT_TRUE(value.exact());
    value.add(TWO_53, TWO_53);  // 2^127
    EXPECT_FALSE(value.exact());
    EXPECT_EQ(value.value(), std::ldexp(1.0, 127));
}

TEST(ExactRows, TablesMeetBoundsAndRowsExactly) {
    AdjustmentProblem problem = problemWithRows(
        2, {{{0, 1}, {1, 1}, 2000000001, 2000000001}, {{0, 1}, {3, 3}, -INF, 6000000003}}, 1e9);
    problem.lower = {0, 1000000000.5};
    struct Case {
        std::vector<double> x;
        bool meets;
    };
    const Case cases[] = {
        {{1000000000, 1000000001}, true},    {{999999999, 1000000001}, false},  // row 1 one short
        {{1000000001, 1000000000}, false},    // the bound 1000000000.5
        {{1000000000, 1000000002}, false},    // both rows
        {{999999999.5, 1000000001.5}, true},  // real-valued: exact here too
        {{1000000000, NAN}, false},          {{1000000000}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(meetsHardRowsAndBounds(problem, c.x), c.meets);
}

TEST(ExactRows, WholeRanges) {
    EXPECT_EQ(wholeRange(1000000000.1, 1000000000.9), std::make_pair(1000000001.0, 1000000000.0));
    EXPECT_EQ(wholeRange(2, 2), std::make_pair(2.0, 2.0));
    EXPECT_EQ(wholeRange(-2.5, 2.5), std::make_pair(-2.0, 2.0));
    EXPECT_EQ(wholeRange(-INF, INF), std::make_pair(-INF, INF));
}

TEST(ExactRows, WholeMultipliers) {
    const struct {
        std::vector<double> coefficients;
        double multiplier;
    } cases[] = {
        {{1, -3, 2}, 1},       {{0.5, 1.5, -2}, 2},  // not 10: every product shares the factor 5
        {{0.1, 0.25}, 20},     {{0.3, 0.7}, 10},     // 0.3 * 10 is 3 only up to the rounding of 0.3
        {{0.000001}, 1000000}, {{1.0 / 3}, 0},       // no power of ten makes it whole
        {{0.0000001}, 0},                            // more decimals than are tried
        {{1e20}, 0},  // whole, but beyond the whole numbers a double holds
    };
    for (const auto& c : cases) {
        SparseRows rows;
        addRow(rows, c.coefficients);
        EXPECT_EQ(wholeMultiplier(rows, 0), c.multiplier) << c.coefficients[0];
    }
}

TEST(ExactRows, ShortDecimals) {
    const struct {
        double value;
        bool isShort;
        ShortDecimal decimal;
    } cases[] = {
        {0.5, true, {5, 1}},
        {-1.5, true, {-15, 1}},
        {0.1, true, {1, 1}},
        {0.25, true, {25, 2}},
        {0.333, true, {333, 3}},
        {0.000001, true, {1, 6}},
        {12, true, {12, 0}},
        {-0.0, true, {0, 0}},
        {1000000000.1, true, {10000000001, 1}},  // the double 1000000000.10000002384...
        {0.0000001, false, {}},                  // 7 places
        {1.0 / 3, false, {}},
        {0.1 + 0.2, false, {}},          // 0.30000000000000004: 17 places
        {1e20, false, {}},               // whole, but beyond 2^53
        {900719925474099.5, false, {}},  // the digits pass 2^53
        {INF, false, {}},
        {NAN, false, {}},
    };
    for (const auto& c : cases) {
        ShortDecimal decimal{-1, -1};
        EXPECT_EQ(shortDecimal(c.value, decimal), c.isShort) << c.value;
        if (!c.isShort) continue;
        EXPECT_EQ(decimal.digits, c.decimal.digits) << c.value;
        EXPECT_EQ(decimal.places, c.decimal.places) << c.value;
    }
}

// Over whole cells, terms of different places and signs, against bounds that are short
// decimals, other doubles, huge and tiny, compared exactly.
TEST(ExactRows, DecimalRowsCompareExactly) {
    const struct {
        const char* what;
        std::vector<Term> terms;
        double bound;
        int compare;  // the value below (-1), on (0) or above (1) the bound
    } cases[] = {
        {"0.1 + 0.2 on 0.3", {{0.1, 1}, {0.2, 1}}, 0.3, 0},
        {"places that grow term by term", {{1, 7}, {0.5, 1}, {0.25, 1}, {0.001, 1}}, 7.751, 0},
        {"a thousandth below", {{1, 7}, {0.5, 1}, {0.25, 1}}, 7.751, -1},
        {"a bound of more places than the row", {{0.5, 3}}, 1.4999999, 1},
        {"a negative bound between two lattice points", {{-0.5, 3}}, -1.49, -1},
        {"a negative value on a negative decimal", {{-0.25, 7}, {0.5, 1}}, -1.25, 0},
        {"a half unit at 1e15", {{0.5, 1e15 + 1}}, 500000000000000.5, 0},
        {"a bound above every value", {{0.5, 3}}, 1e300, -1},
        {"a bound below every value", {{0.5, 3}}, -1e300, 1},
        {"a tiny positive bound", {{0.5, 0}}, 1e-300, -1},
        {"a tiny negative bound", {{0.5, 0}}, -1e-300, 1},
        {"just below the double 1.5 + 2^-52", {{0.5, 3}}, 1.5000000000000002, -1},
    };
    for (const auto& c : cases) {
        const RowValue value = valueOf(c.terms);
        EXPECT_TRUE(value.exact()) << c.what;
        EXPECT_EQ(value.compare(c.bound), c.compare) << c.what;
        EXPECT_EQ(value.minus(c.bound) < 0   ? -1
                  : value.minus(c.bound) > 0 ? 1
                                             : 0,
                  c.compare)
            << c.what;
    }
    // Products of 2^106 in millionths (about 2^126 each): two fit in 128 bits, three do not.
    RowValue huge;
    huge.add(TWO_53, TWO_53);
    huge.add(0.000001, 1);
    huge.add(TWO_53, TWO_53);
    EXPECT_TRUE(huge.exact());
    huge.add(TWO_53, TWO_53);
    EXPECT_FALSE(huge.exact());
}

// The whole values q times a row of short decimals takes, exactly, whatever the cells' ranges
// (the tolerance once made these of mixed signs over open cells unbounded).
TEST(ExactRows, WholeValuesOfDecimalRows) {
    const struct {
        const char* what;
        std::vector<double> coefficients;
        double lower, upper;
        double q;
        std::pair<double, double> values;
    } cases[] = {
        {"half units at 7e7", {0.5, -1}, 71309811, 71309811, 2, {142619622, 142619622}},
        {"tenths and sevenths",
         {0.7, -0.3},
         300000000.1,
         300000000.1,
         10,
         {3000000001, 3000000001}},
        {"a bound off the lattice", {0.5, 1.5}, 0.3, 0.3, 2, {1, 0}},
        {"a range", {0.25, 0.5}, -1.3, 2.6, 4, {-5, 10}},
        {"open sides", {0.25, 0.5}, -INF, INF, 4, {-INF, INF}},
        {"a bound of no short decimal", {0.5, 1}, 1.0 / 3, 1.0 / 3, 2, {1, 0}},
    };
    for (const auto& c : cases) {
        const AdjustmentProblem problem =
            problemWithRows(2, {{{0, 1}, c.coefficients, c.lower, c.upper}});
        EXPECT_EQ(wholeMultiplier(problem.hard, 0), c.q) << c.what;
        EXPECT_EQ(exactMultiplier(problem.hard, 0), c.q) << c.what;
        EXPECT_EQ(wholeRowValues(problem, 0, c.q, problem.lower, problem.upper), c.values)
            << c.what;
    }
    // Not a short decimal: no exact multiplier, and the tolerance's range.
    const AdjustmentProblem third = problemWithRows(2, {{{0, 1}, {1.0 / 3, 1}, 1, 1}});
    EXPECT_EQ(exactMultiplier(third.hard, 0), 0);
}

TEST(ExactRows, ParallelRowsThatContradictEachOther) {
    struct Case {
        const char* what;
        std::vector<Row> rows;
        ParallelRows expected;  // {}: none
    };
    const Case cases[] = {
        {"a third of a unit apart at 6e9",
         {{{0, 1}, {1, 1}, 2e9, 2e9}, {{0, 1}, {3, 3}, 6000000001, 6000000001}},
         {0, 1, 1.0 / 3, 1}},
        {"consistent multiples", {{{0, 1}, {1, 1}, 2e9, 2e9}, {{1, 0}, {3, 3}, 6e9, 6e9}}, {}},
        {"turned round by a negative factor, a unit apart",
         {{{2}, {1}, 0, 0},
          {{0, 1}, {1, 1}, 2000000001, INF},
          {{1, 0}, {-2, -2}, -INF, 0},
          {{0, 1}, {-2, -2}, -4e9, INF}},
         {1, 3, 1, 2}},
        {"ranges that overlap", {{{0, 1}, {1, 1}, 10, 20}, {{0, 1}, {2, 2}, 40, 50}}, {}},
        {"other cells", {{{0, 1}, {1, 1}, 2e9, 2e9}, {{0, 2}, {1, 1}, 3e9, 3e9}}, {}},
        {"other proportions", {{{0, 1}, {1, 1}, 2e9, 2e9}, {{0, 1}, {1, 2}, 3e9, 3e9}}, {}},
        {"a cell named twice is left to the solver",
         {{{0, 1, 0}, {1, 1, 1}, 5, 5}, {{0, 1}, {2, 1}, 6, 6}},
         {}},
        {"entries in another order",
         {{{0, 1}, {1, 2}, 5, 5}, {{1, 0}, {4, 2}, 12, 12}},
         {0, 1, 1, 2}},
        {"fractional values are left to the solver",
         {{{0, 1}, {1, 1}, 2.5, 2.5}, {{0, 1}, {1, 1}, 3.5, 3.5}},
         {}},
        {"the highest lower side against the lowest upper side of a group",
         {{{0}, {1}, 0, 100}, {{0}, {1}, 5, INF}, {{0}, {2}, -INF, 8}, {{0}, {1}, 3, INF}},
         {1, 2, 1, 2}},
    };
    for (const Case& c : cases) {
        const ParallelRows found = findContradictingParallelRows(problemWithRows(3, c.rows));
        EXPECT_EQ(found.first, c.expected.first) << c.what;
        EXPECT_EQ(found.second, c.expected.second) << c.what;
        if (c.expected.first >= 0) {
            EXPECT_DOUBLE_EQ(found.firstChange, c.expected.firstChange) << c.what;
            EXPECT_DOUBLE_EQ(found.secondChange, c.expected.secondChange) << c.what;
        }
    }
}

}  // namespace
