// Numbers in qorsolve's comma-separated files.
#include "qorsolve/csv_text.h"

#include <gtest/gtest.h>

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

}  // namespace
