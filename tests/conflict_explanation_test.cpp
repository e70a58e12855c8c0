#include "qorsolve/conflict/conflict_explanation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

using Type = ConflictLine::Type;

// A restriction (or, with `bound`, the default bound of cell `number`) with its multiplier
// and the value the proof uses.
ConflictLine line(int32_t number, double multiplier, double value, bool equality = true,
                  Type type = Type::RESTRICTION) {
    return {.type = type,
            .number = number,
            .equality = equality,
            .multiplier = multiplier,
            .value = value};
}

std::string cellName(int32_t column) {
    return "(cell " + std::to_string(column) + ")";
}

TEST(ConflictExplanation, WhyLines) {
    struct Case {
        std::string name;
        std::vector<ConflictLine> lines;
        std::string expected;
    };
    std::vector<ConflictLine> tie;
    for (int32_t r = 1; r <= 6; ++r) tie.push_back(line(r, 1, r == 3 ? 1695 : 1667));
    for (int32_t r = 7; r <= 22; ++r) tie.push_back(line(r, -1, 625));
    const std::vector<Case> cases = {
        {"two groups of equalities over the same cells", tie,
         "why: restrictions 1\u20136 add up to 10030, restrictions 7\u201322 cover the same cells "
         "and add up to 10000 (a difference of 30)\n"},
        {"an inequality with default bounds",
         {line(2, -1, -5, false), line(0, 1, 0, false, Type::BOUND),
          line(1, 1, 0, false, Type::BOUND)},
         "why: restriction 2 adds up to at most -5, the bounds of 2 cells cover the same cells "
         "and add up to at least 0 (a difference of 5)\n"},
        {"a single-cell restriction and one default bound",
         {line(1, -1, 30), line(2, 1, 35, false), line(1, 1, 0, false, Type::BOUND)},
         "why: restriction 1 adds up to 30, restriction 2 and the bound of (cell 1) cover the "
         "same cells and add up to at least 35 (a difference of 5)\n"},
        {"weights other than 1",
         {line(1, -1, 50), line(2, 2, 10), line(3, 2, 5), line(4, 1, 30)},
         "why: restriction 1 adds up to 50, 2 \u00d7 restriction 2 + 2 \u00d7 restriction 3 + "
         "restriction 4 covers the same cells with the same weights and adds up to 60 (a "
         "difference of 10)\n"},
        {"no proof: the values do not disagree", {line(1, 1, 10), line(2, -1, 10)}, ""},
        {"no proof: one side only", {line(1, 1, 10), line(2, 1, 10)}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(whyText(c.lines, cellName), c.expected);
    }
}

TEST(ConflictExplanation, WholeNumberWhyLines) {
    struct Case {
        std::string name;
        std::vector<ConflictLine> lines;
        double divisor;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"sum and difference",
         {line(1, 1, 2000001), line(2, -1, 0)},
         2,
         "why: restriction 1 \u2212 restriction 2 counts every cell a multiple of 2 times, so in "
         "whole numbers it adds up to a multiple of 2, not to 2000001\n"},
        {"weights and a hard row",
         {line(3, 3, 12), line(1, -2, 11, true, Type::ROW)},
         4,
         "why: 3 \u00d7 restriction 3 \u2212 2 \u00d7 hard row 2 counts every cell a multiple "
         "of 4 times, so in whole numbers it adds up to a multiple of 4, not to 14\n"},
        {"values that add up to a multiple", {line(1, 1, 7), line(2, -1, 1)}, 2, ""},
        {"a weight not known", {line(1, 1, 7), line(2, NAN, 0)}, 2, ""},
        {"no divisor", {line(1, 1, 7), line(2, -1, 0)}, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wholeWhyText(c.lines, c.divisor), c.expected);
    }
}

// The solver's multipliers carry its scale and rounding; the report shows whole weights.
TEST(ConflictExplanation, MultipliersBecomeWholeWeights) {
    const std::vector<std::pair<std::vector<double>, std::vector<double>>> cases = {
        {{0.5, -0.5, -0.5000000001}, {1, -1, -1}},
        {{-3.0, 1.5, 1.5}, {-2, 1, 1}},
        {{2.0, -3.0}, {2, -3}},
        {{1.0, -1.4142135623730951}, {1, -1.4142135623730951}},
    };
    for (const auto& [given, expected] : cases) {
        std::vector<ConflictLine> lines;
        for (double m : given) lines.push_back(line(1, m, 0));
        ASSERT_TRUE(normaliseMultipliers(lines));
        for (std::size_t k = 0; k < lines.size(); ++k) {
            EXPECT_DOUBLE_EQ(lines[k].multiplier, expected[k]);
        }
    }
    std::vector<ConflictLine> unknown = {line(1, 1, 0), line(2, NAN, 0)};
    EXPECT_FALSE(normaliseMultipliers(unknown));
    std::vector<ConflictLine> zero = {line(1, 1, 0), line(2, 0, 0)};
    EXPECT_FALSE(normaliseMultipliers(zero));
}

TEST(ConflictExplanation, FiguresAndNumberLists) {
    EXPECT_EQ(figureText(0.1 + 0.3), "0.4");
    EXPECT_EQ(figureText(0.6 - 0.2), "0.4");
    EXPECT_EQ(figureText(10030.000000000002), "10030");
    EXPECT_EQ(figureText(-0.0), "0");
    EXPECT_EQ(figureText(1e15 + 2), "1000000000000002");
    EXPECT_EQ(objectiveText(1.1049723756906), "1.10497");
    EXPECT_EQ(numberListText({1, 2, 3, 4, 5, 6}), "1\u20136");
    EXPECT_EQ(numberListText({1, 2, 5}), "1, 2 and 5");
    EXPECT_EQ(numberListText({7}), "7");
    EXPECT_EQ(numberListText({66, 86, 106, 126, 146, 166, 186, 206, 226, 246}),
              "66, 86, 106, 126, 146, 166 and 4 more");
    EXPECT_EQ(numberListText({1, 2, 3, 5, 7, 9, 11, 13, 15, 16, 17, 20}),
              "1\u20133, 5, 7, 9, 11, 13, 15\u201317 and 20");
    EXPECT_EQ(numberListText({1, 2, 3, 5, 7, 9, 11, 13, 15, 16, 17, 20, 22}),
              "1\u20133, 5, 7, 9, 11, 13 and 5 more");
}

}  // namespace
