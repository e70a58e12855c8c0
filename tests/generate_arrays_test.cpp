// generateArrays: the classification of restrictions into hard rows, weak rows and cell
// bounds, the weight normalisation, and the folding of single-cell bounds.
#include "qorlex/output/generate_arrays.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/bound_type.h"
#include "qorlex/scanner/lex_table.h"
#include "tests/test_files.h"

namespace {

using Doubles = std::vector<double>;
using Ints = std::vector<int32_t>;

// A table scanned from a description text, ready for the array generation.
std::unique_ptr<LexTable> scanned(const std::string& description) {
    auto table = std::make_unique<LexTable>();
    EXPECT_EQ(table->scanText(description, ""), 0) << description;
    return table;
}

// One class of `cells` cells, all with base value 1, and the given restrictions.
std::string oneClass(int cells, const std::string& restrictions) {
    return "KLASSEN 1\nAUSPRAEGUNGEN\n1 = " + std::to_string(cells) + ";\nBASIS\n(_) = 1;\n" +
           "RESTRIKTIONEN\n" + restrictions + "\nENDE\n";
}

void expectEmpty(const HardArrays& hard) {
    EXPECT_EQ(hard.rowCount, 0);
    EXPECT_EQ(hard.columnCount, 0);
    EXPECT_EQ(hard.nonzeroCount, 0);
    EXPECT_TRUE(hard.boundType.empty() && hard.rowStart.empty() && hard.columnIndex.empty());
}

void expectEmpty(const WeakArrays& weak) {
    EXPECT_EQ(weak.rowCount, 0);
    EXPECT_EQ(weak.columnCount, 0);
    EXPECT_EQ(weak.nonzeroCount, 0);
    EXPECT_TRUE(weak.target.empty() && weak.rowStart.empty() && weak.columnIndex.empty());
}

TEST(GenerateArrays, WorkedExampleOfFiveRestrictions) {
    auto table = scanned(oneClass(3,
                                  "(1) + (2) = 10;\n"
                                  "(3) > 2;\n"
                                  "(2) + (3) ~ 7 2;\n"
                                  "(1) + (3) < 9;\n"
                                  "(_) ~ 12 6;"));
    HardArrays hard;
    WeakArrays weak;
    ASSERT_EQ(generateArrays(*table, hard, weak), OK);

    EXPECT_EQ(hard.rowCount, 2);
    EXPECT_EQ(hard.columnCount, 3);
    EXPECT_EQ(hard.nonzeroCount, 4);
    EXPECT_EQ(hard.boundType, (Ints{BOUND_EQUAL, BOUND_UPPER}));
    EXPECT_EQ(hard.lowerValue, (Doubles{10, -NO_BOUND}));
    EXPECT_EQ(hard.upperValue, (Doubles{10, 9}));
    EXPECT_EQ(hard.rowStart, (Ints{0, 2, 4}));
    EXPECT_EQ(hard.columnIndex, (Ints{0, 1, 0, 2}));
    EXPECT_EQ(hard.coefficient, (Doubles{1, 1, 1, 1}));

    EXPECT_EQ(weak.rowCount, 2);
    EXPECT_EQ(weak.columnCount, 3);
    EXPECT_EQ(weak.nonzeroCount, 5);
    EXPECT_EQ(weak.target, (Doubles{7, 12}));
    EXPECT_EQ(weak.weight, (Doubles{0.5, 1.5}));
    EXPECT_EQ(weak.rowStart, (Ints{0, 2, 5}));
    EXPECT_EQ(weak.columnIndex, (Ints{1, 2, 0, 1, 2}));
    EXPECT_EQ(weak.coefficient, (Doubles{1, 1, 1, 1, 1}));

    EXPECT_EQ(table->baseArrays().lower, (Doubles{0, 0, 2}));
    EXPECT_EQ(table->baseArrays().upper, (Doubles{NO_BOUND, NO_BOUND, NO_BOUND}));
    // The restriction list itself is left as declared.
    EXPECT_EQ(table->restrictions().size(), 5u);

    releaseArrays(hard, weak);
    expectEmpty(hard);
    expectEmpty(weak);
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
        auto table = scanned(oneClass(2, c.restrictions));
        HardArrays hard;
        WeakArrays weak;
        ASSERT_EQ(generateArrays(*table, hard, weak), OK);
        expectEmpty(hard);
        expectEmpty(weak);
        EXPECT_EQ(table->baseArrays().lower, (Doubles{c.lower, 0.0}));
        EXPECT_EQ(table->baseArrays().upper, (Doubles{c.upper, NO_BOUND}));
        EXPECT_FALSE(std::signbit(table->baseArrays().upper[0]));
    }
}

TEST(GenerateArrays, SingleCellEqualityAndWeakRestrictionsAreRows) {
    auto table = scanned(oneClass(2, "3 * (2) = 6; (1) ~ 5;"));
    HardArrays hard;
    WeakArrays weak;
    ASSERT_EQ(generateArrays(*table, hard, weak), OK);
    EXPECT_EQ(hard.columnIndex, (Ints{1}));
    EXPECT_EQ(hard.coefficient, (Doubles{3}));
    EXPECT_EQ(hard.upperValue, (Doubles{6}));
    EXPECT_EQ(weak.columnIndex, (Ints{0}));
    EXPECT_EQ(weak.weight, (Doubles{1}));
    EXPECT_EQ(table->baseArrays().upper, (Doubles{NO_BOUND, NO_BOUND}));
}

// Hard rows carry exactly +-1e38 on the open side, and every row its own entry count.
TEST(GenerateArrays, HardRowValuesByCode) {
    auto table = scanned(oneClass(4, "(1_2) > 3; (2_4) < 4; (1) + (4) | 1 2; -1 * (_) = -5;"));
    HardArrays hard;
    WeakArrays weak;
    ASSERT_EQ(generateArrays(*table, hard, weak), OK);
    EXPECT_EQ(hard.boundType, (Ints{BOUND_LOWER, BOUND_UPPER, BOUND_RANGE, BOUND_EQUAL}));
    EXPECT_EQ(hard.lowerValue, (Doubles{3, -1e38, 1, -5}));
    EXPECT_EQ(hard.upperValue, (Doubles{1e38, 4, 2, -5}));
    EXPECT_EQ(hard.rowStart, (Ints{0, 2, 5, 7, 11}));
    EXPECT_EQ(hard.nonzeroCount, 11);
    EXPECT_EQ(hard.columnIndex, (Ints{0, 1, 1, 2, 3, 0, 3, 0, 1, 2, 3}));
    EXPECT_EQ(hard.coefficient.back(), -1.0);
    expectEmpty(weak);
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
        auto table = scanned(oneClass(2, restrictions));
        HardArrays hard;
        WeakArrays weak;
        EXPECT_EQ(generateArrays(*table, hard, weak), WEAK_WEIGHTS_ZERO);
        expectEmpty(hard);
        expectEmpty(weak);
        EXPECT_EQ(table->baseArrays().lower, (Doubles{0, 0}));
    }
}

TEST(GenerateArrays, NoRestrictionsGiveEmptyRecords) {
    for (const char* description :
         {"", "KLASSEN 1\nAUSPRAEGUNGEN\n1 = 2;\n",
          "KLASSEN 1\nAUSPRAEGUNGEN\n1 = 2;\nBASIS (_) 5 3;\nRESTRIKTIONEN\n"}) {
        SCOPED_TRACE(description);
        auto table = scanned(description);
        HardArrays hard;
        WeakArrays weak;
        ASSERT_EQ(generateArrays(*table, hard, weak), OK);
        expectEmpty(hard);
        expectEmpty(weak);
        for (double upper : table->baseArrays().upper) EXPECT_EQ(upper, NO_BOUND);
    }
}

}  // namespace
