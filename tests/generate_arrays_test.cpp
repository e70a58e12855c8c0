// generateArrays: the classification of restrictions into hard rows, weak rows and cell
// bounds, the weight normalisation, and the folding of single-cell bounds.
#include "qorlex/output/generate_arrays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/bound_type.h"
#include "qorlex/scanner/lex_table.h"

namespace {

using Doubles = std::vector<double>;
using Ints = std::vector<int32_t>;

// A table scanned from a description text, and the arrays generated from it.
struct Generated {
    std::unique_ptr<LexTable> table = std::make_unique<LexTable>();
    HardArrays hard;
    WeakArrays weak;
    ErrorCode code;
    explicit Generated(const std::string& description) {
        EXPECT_EQ(table->scanText(description, ""), 0) << description;
        code = generateArrays(*table, hard, weak);
    }
    const BaseArrays& cells() const { return table->baseArrays(); }
};

// One class of `cells` cells, all with base value 1, and the given restrictions.
std::string oneClass(int cells, const std::string& restrictions) {
    return "KLASSEN 1\nAUSPRAEGUNGEN\n1 = " + std::to_string(cells) + ";\nBASIS\n(_) = 1;\n" +
           "RESTRIKTIONEN\n" + restrictions + "\nENDE\n";
}

// Both records without rows and without arrays.
void expectNoRows(const HardArrays& hard, const WeakArrays& weak) {
    EXPECT_EQ(std::make_tuple(hard.rowCount, hard.columnCount, hard.nonzeroCount, weak.rowCount,
                              weak.columnCount, weak.nonzeroCount),
              std::make_tuple(0, 0, 0, 0, 0, 0));
    EXPECT_TRUE(hard.boundType.empty() && hard.rowStart.empty() && hard.columnIndex.empty());
    EXPECT_TRUE(weak.target.empty() && weak.rowStart.empty() && weak.columnIndex.empty());
}

TEST(GenerateArrays, WorkedExampleOfFiveRestrictions) {
    Generated g(
        oneClass(3, "(1) + (2) = 10; (3) > 2; (2) + (3) ~ 7 2; (1) + (3) < 9; (_) ~ 12 6;"));
    ASSERT_EQ(g.code, OK);
    const HardArrays& hard = g.hard;
    const WeakArrays& weak = g.weak;

    EXPECT_EQ(std::make_tuple(hard.rowCount, hard.columnCount, hard.nonzeroCount),
              std::make_tuple(2, 3, 4));
    EXPECT_EQ(hard.boundType, (Ints{BOUND_EQUAL, BOUND_UPPER}));
    EXPECT_EQ(hard.lowerValue, (Doubles{10, -NO_BOUND}));
    EXPECT_EQ(hard.upperValue, (Doubles{10, 9}));
    EXPECT_EQ(hard.rowStart, (Ints{0, 2, 4}));
    EXPECT_EQ(hard.columnIndex, (Ints{0, 1, 0, 2}));
    EXPECT_EQ(hard.coefficient, (Doubles{1, 1, 1, 1}));

    EXPECT_EQ(std::make_tuple(weak.rowCount, weak.columnCount, weak.nonzeroCount),
              std::make_tuple(2, 3, 5));
    EXPECT_EQ(weak.target, (Doubles{7, 12}));
    EXPECT_EQ(weak.weight, (Doubles{0.5, 1.5}));
    EXPECT_EQ(weak.rowStart, (Ints{0, 2, 5}));
    EXPECT_EQ(weak.columnIndex, (Ints{1, 2, 0, 1, 2}));
    EXPECT_EQ(weak.coefficient, (Doubles{1, 1, 1, 1, 1}));

    EXPECT_EQ(g.cells().lower, (Doubles{0, 0, 2}));
    EXPECT_EQ(g.cells().upper, (Doubles{NO_BOUND, NO_BOUND, NO_BOUND}));
    // The restriction list itself is left as declared.
    EXPECT_EQ(g.table->restrictions().size(), 5u);

    releaseArrays(g.hard, g.weak);
    expectNoRows(hard, weak);
}

// Restrictions over cell 1 of a two-cell table that only bound the cell: no rows, the
// quotient stored as it is, the last one on a side winning, the other side untouched.
TEST(GenerateArrays, SingleCellBoundsAreFolded) {
    struct Case {
        const char* restrictions;
        double lower;
        double upper;
    };
    const Case cases[] = {
        {"2 * (1) > 10;", 5.0, NO_BOUND},
        {"-2 * (1) < -10;", 5.0, NO_BOUND},
        {"4 * (1) < 10;", 0.0, 2.5},
        {"(1) > 8; (1) > 3;", 3.0, NO_BOUND},
        {"(1) < 8; (1) > 3;", 3.0, 8.0},
        {"(1) | 2 6; (1) < 7;", 2.0, 7.0},
        {"-1 * (1) | -10 -4;", 4.0, 10.0},
        {"(1) + (1) > 4;", 2.0, NO_BOUND},  // one cell with the merged coefficient 2
        // -2x >= -10 is x <= 5: the plain quotient, not a bound of 0 that pins the cell.
        {"-2 * (1) > -10;", 0.0, 5.0},
        {"-4 * (1) | -10 -2;", 0.5, 2.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.restrictions);
        const Generated g(oneClass(2, c.restrictions));
        ASSERT_EQ(g.code, OK);
        expectNoRows(g.hard, g.weak);
        EXPECT_EQ(g.cells().lower, (Doubles{c.lower, 0.0}));
        EXPECT_EQ(g.cells().upper, (Doubles{c.upper, NO_BOUND}));
        EXPECT_FALSE(std::signbit(g.cells().upper[0]));
    }
}

TEST(GenerateArrays, SingleCellEqualityAndWeakRestrictionsAreRows) {
    const Generated g(oneClass(2, "3 * (2) = 6; (1) ~ 5;"));
    ASSERT_EQ(g.code, OK);
    EXPECT_EQ(g.hard.columnIndex, (Ints{1}));
    EXPECT_EQ(g.hard.coefficient, (Doubles{3}));
    EXPECT_EQ(g.hard.upperValue, (Doubles{6}));
    EXPECT_EQ(g.weak.columnIndex, (Ints{0}));
    EXPECT_EQ(g.weak.weight, (Doubles{1}));
    EXPECT_EQ(g.cells().upper, (Doubles{NO_BOUND, NO_BOUND}));
}

// Hard rows carry exactly +-1e38 on the open side, and every row its own entry count.
TEST(GenerateArrays, HardRowValuesByCode) {
    const Generated g(oneClass(4, "(1_2) > 3; (2_4) < 4; (1) + (4) | 1 2; -1 * (_) = -5;"));
    ASSERT_EQ(g.code, OK);
    const HardArrays& hard = g.hard;
    EXPECT_EQ(hard.boundType, (Ints{BOUND_LOWER, BOUND_UPPER, BOUND_RANGE, BOUND_EQUAL}));
    EXPECT_EQ(hard.lowerValue, (Doubles{3, -1e38, 1, -5}));
    EXPECT_EQ(hard.upperValue, (Doubles{1e38, 4, 2, -5}));
    EXPECT_EQ(hard.rowStart, (Ints{0, 2, 5, 7, 11}));
    EXPECT_EQ(hard.nonzeroCount, 11);
    EXPECT_EQ(hard.columnIndex, (Ints{0, 1, 1, 2, 3, 0, 3, 0, 1, 2, 3}));
    EXPECT_EQ(hard.coefficient.back(), -1.0);
    EXPECT_EQ(std::make_tuple(g.weak.rowCount, g.weak.columnCount, g.weak.nonzeroCount),
              std::make_tuple(0, 0, 0));
    EXPECT_TRUE(g.weak.target.empty() && g.weak.rowStart.empty() && g.weak.columnIndex.empty());
}

// Weights that do not add up to more than 0 stop the generation before anything is
// allocated or any cell bound is changed.
TEST(GenerateArrays, WeakWeightsNotAboveZeroAreRejected) {
    const char* cases[] = {
        "(1) ~ 1 2; (2) ~ 1 -2;",
        "(1) ~ 1 0; (_) ~ 1 0;",
        "(1) > 4; (_) = 3; (1) ~ 1 0;",
    };
    for (const char* restrictions : cases) {
        SCOPED_TRACE(restrictions);
        const Generated g(oneClass(2, restrictions));
        EXPECT_EQ(g.code, WEAK_WEIGHTS_ZERO);
        expectNoRows(g.hard, g.weak);
        EXPECT_EQ(g.cells().lower, (Doubles{0, 0}));
    }
}

TEST(GenerateArrays, NoRestrictionsGiveEmptyRecords) {
    for (const char* description :
         {"", "KLASSEN 1\nAUSPRAEGUNGEN\n1 = 2;\n",
          "KLASSEN 1\nAUSPRAEGUNGEN\n1 = 2;\nBASIS (_) 5 3;\nRESTRIKTIONEN\n"}) {
        SCOPED_TRACE(description);
        const Generated g(description);
        ASSERT_EQ(g.code, OK);
        expectNoRows(g.hard, g.weak);
        for (double upper : g.cells().upper) EXPECT_EQ(upper, NO_BOUND);
    }
}

}  // namespace
