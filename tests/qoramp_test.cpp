// qoramp: number text, read-command paths, and a whole run in process.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/binary_data_file.h"
#include "common/bound_type.h"
#include "common/output_file.h"
#include "qoramp/ampl_files.h"
#include "qoramp/number_format.h"
#include "qoramp/qoramp_run.h"
#include "tests/test_files.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::string printed(const char* format, double value) {
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

template <class Value>
std::string formatted(char* (*format)(char*, Value), Value value) {
    char text[MAX_NUMBER_TEXT];
    return std::string(text, format(text, value));
}

// ---- number text: identical to printf, also at the edges of the double range

TEST(NumberFormat, MatchesPrintf) {
    // Exact ties at the sixth decimal (1/128, 3/128), the ends of the range, and the values
    // printf spells out.
    std::vector<double> values = {-0.0, 0.0078125, 0.0234375, 1e38, DBL_MAX, -DBL_MAX, DBL_TRUE_MIN,
                                  INF, -INF, NaN, -NaN,
                                  // whole numbers, up to where they stop being whole in print
                                  0.0, 7.0, -100000.0, 999999999999999.0, 1e15, -1e15, 0x1p53};
    std::mt19937_64 random(20240605);
    std::uniform_real_distribution<double> exponent(-12.0, 12.0);
    for (int i = 0; i < 100000; ++i) {
        // Every bit pattern, and the magnitudes a table has.
        values.push_back(i % 2 == 0 ? std::bit_cast<double>(random())
                                    : std::pow(10.0, exponent(random)) * (i % 4 == 1 ? 1 : -1));
    }
    for (double value : values) {
        ASSERT_EQ(formatted(formatFixedText, value), printed("%f", value));
        ASSERT_EQ(formatted(formatRoundTripText, value), printed("%.17g", value));
    }
    // Integers at every change of digit count, and at the ends of each range.
    std::vector<int64_t> integers = {INT64_MIN, INT64_MAX, -1, int64_t{UINT32_MAX} + 1};
    for (int64_t power = 1; power <= int64_t{10000000000}; power *= 10) {
        integers.insert(integers.end(), {power - 1, power, power + 1, -power});
    }
    for (int i = 0; i < 100000; ++i) integers.push_back(static_cast<int64_t>(random() >> (i % 64)));
    for (int64_t value : integers)
        ASSERT_EQ(formatted(formatIntegerText, value), std::to_string(value));
}

// ---- read commands: the number file's path, bare or as a string literal

TEST(CommandFile, QuotesPathsAmplWouldNotTakeBare) {
    const std::pair<std::string, std::string> cases[] = {
        {"out/demo.txt", "out/demo.txt"},
        {"C:\\data\\gr\xc3\xbc\xc3\x9f.txt", "C:\\data\\gr\xc3\xbc\xc3\x9f.txt"},
        {"", "\"\""},
        {"my demo.txt", "\"my demo.txt\""},
        {"tab\there", "\"tab\there\""},
        {"line\nend", "\"line\nend\""},
        {"del\x7f", "\"del\x7f\""},
        {"a;b", "\"a;b\""},
        {"it's", "\"it's\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"run#2.txt", "\"run#2.txt\""},
    };
    TempDir dir;
    BaseView cells;
    RowsView hard;
    RowLists rows;
    for (const auto& [path, written] : cases) {
        ASSERT_EQ(writeCommandFile(dir / "x.dat", path, {cells, hard, rows, false}),
                  QorampError::OK);
        EXPECT_EQ(readFile(dir / "x.dat").substr(0, 23 + written.size()),
                  "read COLS, ROWS, NNZ <" + written + ";")
            << path;
    }
}

// ---- a whole run on a larger project, against text built with printf

std::string listLine(const std::vector<double>& values, const char* format) {
    std::string line;
    for (double value : values) line += printed(format, value) + " ";
    return line + "\n";
}

std::string listLine(const std::vector<int64_t>& values) {
    std::string line;
    for (int64_t value : values) line += std::to_string(value) + " ";
    return line;
}

TEST(RunQoramp, NumberFileOfARandomProjectMatchesPrintf) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> real(-2e5, 2e5);
    const int32_t n = 5000;
    const int32_t m = 700;
    BaseArrays cells;
    cells.tableSize = 2 * n;
    cells.cellCount = n;
    for (int32_t c = 0; c < n; ++c) {
        cells.cellIndex.push_back(2 * c);
        cells.base.push_back(std::abs(real(random)) + 1e-3);
        cells.lower.push_back(real(random));
        cells.upper.push_back(c % 3 == 0 ? NO_BOUND : real(random));
    }
    // The hard rows, and the lists of the number file that follow from them: each row's
    // value, 1-based start and length, the 1-based columns, and the rows of each relation.
    HardArrays hard;
    hard.rowCount = m;
    hard.columnCount = n;
    hard.rowStart.push_back(0);
    std::vector<int64_t> rght, starts, lengths, columns, eq, lo, up;
    for (int32_t j = 0; j < m; ++j) {
        const int32_t type = j % 3 == 0 ? BOUND_EQUAL : (j % 3 == 1 ? BOUND_LOWER : BOUND_UPPER);
        const double value = std::floor(real(random));
        hard.boundType.push_back(type);
        hard.lowerValue.push_back(type == BOUND_UPPER ? -NO_BOUND : value);
        hard.upperValue.push_back(type == BOUND_LOWER ? NO_BOUND : value);
        rght.push_back(static_cast<int64_t>(value));
        (type == BOUND_EQUAL ? eq : type == BOUND_LOWER ? lo : up).push_back(j + 1);
        starts.push_back(static_cast<int64_t>(hard.columnIndex.size()) + 1);
        const int32_t length = static_cast<int32_t>(random() % 12);  // empty rows too
        lengths.push_back(length);
        for (int32_t e = 0; e < length; ++e) {
            hard.columnIndex.push_back(static_cast<int32_t>(random() % n));
            columns.push_back(hard.columnIndex.back() + 1);
            hard.coefficient.push_back(e % 2 == 0 ? 1.0 : real(random) / 7.0);
        }
        hard.rowStart.push_back(static_cast<int32_t>(hard.columnIndex.size()));
    }
    hard.nonzeroCount = static_cast<int32_t>(hard.columnIndex.size());

    TempDir dir;
    {
        OutputFile file(dir / "p-bin.dat");
        ASSERT_TRUE(file.open());
        writeBaseRecord(file, cells);
        writeHardRecord(file, hard);
        ASSERT_TRUE(file.commit());
    }
    std::ostringstream out;
    ASSERT_EQ(runQoramp({dir / "p", "ignored"}, out, out), 0);
    EXPECT_EQ(out.str(), "");

    std::vector<double> lower = cells.lower;
    std::vector<double> upper = cells.upper;
    for (int32_t c = 0; c < n; ++c) {
        lower[c] = std::max(lower[c], 0.0);
        upper[c] = std::min(upper[c], std::max({100000.0, 10 * cells.base[c], lower[c]}));
    }

    std::string expected = std::to_string(n) + " " + std::to_string(m) + " " +
                           std::to_string(hard.nonzeroCount) + "\n";
    expected += listLine(cells.base, "%f") + listLine(lower, "%f") + listLine(upper, "%f");
    expected += listLine(rght) + "\n" + listLine(starts) + "\n" + listLine(lengths) + "\n" +
                listLine(columns) + "\n";
    expected += listLine(hard.coefficient, "%.17g");
    expected += std::to_string(eq.size()) + " " + std::to_string(lo.size()) + " " +
                std::to_string(up.size()) + "\n";
    expected += listLine(eq) + listLine(lo) + listLine(up);
    EXPECT_EQ(readFile(dir / "p.txt"), expected);
}

}  // namespace
