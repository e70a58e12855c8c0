// Numbers in qorsolve's comma-separated files.
#include "qorsolve/output/csv_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(CsvText, NumbersReadBackExactlyAndWholeOnesHaveNoPoint) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {12, "12"},
        {-3, "-3"},
        {1e8, "100000000"},
        {4503599627370497.0, "4503599627370497"},
        {0.25, "0.25"},
        {0.1, "0.1"},
        {1e-7, "1e-07"},
        {1e22, "1e+22"},
        {2.0 / 3, "0.6666666666666666"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(csvNumber(c.value), c.text);
        EXPECT_EQ(std::strtod(csvNumber(c.value).c_str(), nullptr), c.value);
    }
}

// Computed values lose the digits below a solve's accuracy; whole numbers stay exact.
TEST(CsvText, ResultsToTheirAccuracy) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {1362.9999999999998, "1363"},
        {0.1 + 0.2, "0.3"},
        {1000000000.5, "1000000000.5"},
        {9007199254740991.0, "9007199254740991"},
        {-2.0 / 3, "-0.666666666667"},
        {1e-13 / 3, "3.33333333333e-14"},
        {0.0, "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(csvResult(c.value), c.text) << c.value;
}

// A computed value shows the digits its error leaves it, and no more than RESULT_DIGITS where
// csvResult is asked for; whole numbers and exact values as they are.
TEST(CsvText, ValuesToTheDigitsTheirErrorLeaves) {
    const struct {
        double value;
        double error;
        const char* within;  // csvWithin
        const char* result;  // csvResult with the error
    } cases[] = {
        {20000000070.049999, 4e-5, "20000000070.05", "20000000070"},  // 12 digits at most
        {-3.7499994221e-09, 4.4e-15, "-3.75e-09", "-3.75e-09"},
        {-3.69999852978e-09, 4.4e-15, "-3.7e-09", "-3.7e-09"},
        {1.0 / 3, 1e-16, "0.3333333333333333", "0.333333333333"},  // at most 12 digits
        {3e-12, 1e-11, "0", "0"},                                  // 0 lies within
        {1234567, 0.5, "1234567", "1234567"},
        {0.1 + 0.2, 0, "0.30000000000000004", "0.3"},  // exact: every digit
        {HUGE_VAL, 1, "inf", "inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(csvWithin(c.value, c.error), c.within) << c.value;
        EXPECT_EQ(csvResult(c.value, c.error), c.result) << c.value;
    }
}

// The fields of a result file in each form: quotes where the separator (not the comma) is in a
// text, decimal commas in numbers only, headers joined by the separator.
TEST(CsvText, FieldsInEachForm) {
    const CsvForm comma;
    const CsvForm semicolon{';', true};
    const CsvForm tab{'\t', false};
    const struct {
        const CsvForm* form;
        const char* text;  // formField
        const char* field;
        const char* number;  // formNumber of csvNumber's text
        const char* numeral;
    } cases[] = {
        {&comma, "South, coast", "\"South, coast\"", "-0.25", "-0.25"},
        {&comma, "a;b", "a;b", "1e-07", "1e-07"},
        {&semicolon, "South, coast", "South, coast", "-0.25", "-0,25"},
        {&semicolon, "a;b", "\"a;b\"", "1.5e-07", "1,5e-07"},
        {&semicolon, "say \"x\"", "\"say \"\"x\"\"\"", "1200", "1200"},
        {&semicolon, " x", "\" x\"", "20000000070.05", "20000000070,05"},
        {&tab, "a\tb", "\"a\tb\"", "0.5", "0.5"},
        {&tab, "a, b; c", "a, b; c", "inf", "inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formField(c.text, *c.form), c.field) << c.text;
        EXPECT_EQ(formNumber(c.number, *c.form), c.numeral) << c.number;
    }
    EXPECT_EQ(formField("1", semicolon, Quoting::ALWAYS), "\"1\"");
    EXPECT_EQ(formLine({"1", "0,5", ""}, semicolon), "1;0,5;\n");
    EXPECT_EQ(formLine({"1", "0.5"}, comma), "1,0.5\n");
    EXPECT_EQ(formHeader("base,adjusted,change,relative change", tab),
              "base\tadjusted\tchange\trelative change");
    EXPECT_EQ(formHeader("base,adjusted", comma), "base,adjusted");
}

}  // namespace
