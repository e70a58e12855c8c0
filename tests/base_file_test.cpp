// Reading base-table files: the numbers of an ASCII file must be exactly those that C's
// fscanf("%lf") reads, one after the other, up to the first that it cannot read.
#include "qorlex/model/base_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::FILE* fileOf(const std::string& text) {
    std::FILE* file = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    return file;
}

const std::string BOM = "\xEF\xBB\xBF";

// The bits of every number read from `text`, by fscanf("%lf") or by NumberFileReader.
std::vector<uint64_t> readNumbers(const std::string& text, bool byScanf) {
    std::FILE* file = fileOf(text);
    NumberFileReader reader(file);
    std::vector<uint64_t> bits;
    double value = 0;
    while (byScanf ? std::fscanf(file, "%lf", &value) == 1 : reader.next(value)) {
        bits.push_back(std::bit_cast<uint64_t>(value));
    }
    std::fclose(file);
    return bits;
}
constexpr bool BY_SCANF = true, BY_READER = false;

TEST(NumberFileReader, ReadsWhatScanfReads) {
    const std::string texts[] = {
        "1 2.5 -3 +4e2 .5 5. 1e-3\n\t7\r\n8\v9\f10",
        "0x1p3 0X1.8P1 -0x.8 inf -INF infinity nan NAN",
        "1,2,3",
        "12-3+4",
        "1e 2",  // a dangling exponent is taken with the number
        "1e+ 2e- 3",
        "1.5e 7",
        "1e5e 1",
        "0x1p 0x1p- 2",
        "0x 1",  // a bare hex prefix is no number
        "-0x 1",
        "0x. 1",
        "0xg",
        "infin 1",
        "nan(1) 2",  // %lf takes only "nan"
        "nanx",
        ".e5",
        "+-1",
        "abc",
        "",
        "  \n ",
        std::string(100000, ' ') + "42",
    };
    for (const std::string& text : texts)
        EXPECT_EQ(readNumbers(text, BY_READER), readNumbers(text, BY_SCANF)) << text;
}

TEST(NumberFileReader, NumbersAcrossReadBlocks) {
    std::string text;
    for (int i = 0; i < 40000; ++i) text += std::to_string(i) + (i % 7 ? ".25e1 " : "e\n");
    EXPECT_EQ(readNumbers(text, BY_READER), readNumbers(text, BY_SCANF));
    // One token of many numbers, longer than a read block: its end is searched once, so
    // reading it takes linear time.
    std::string token;
    for (int i = 0; i < 60000; ++i)
        token += (i % 3 ? "-" : "+") + std::to_string(i) + (i % 5 ? "" : "e");
    EXPECT_EQ(readNumbers(token + " 7", BY_READER), readNumbers(token + " 7", BY_SCANF));
}

TEST(NumberFileReader, LinesAndWhereReadingStopped) {
    struct Case {
        std::string text;
        int numbers;  // read before the reader stops
        int64_t line;
        std::string failed, after;
    };
    const Case cases[] = {
        {BOM + "1 2\n3", 3, 2, "", ""},           // a mark at the start is skipped
        {"1 " + BOM + "2", 1, 1, BOM + "2", ""},  // a mark after a number is no number
        {"1\n\n347,5 6", 2, 3, ",5", "347"},
        {"1 2\nabc def", 2, 2, "abc", ""},
        {"1\r\n2\r\n", 2, 3, "", ""},
    };
    for (const Case& c : cases) {
        std::FILE* file = fileOf(c.text);
        NumberFileReader reader(file);
        double value = 0;
        int numbers = 0;
        while (reader.next(value)) ++numbers;
        EXPECT_EQ(numbers, c.numbers) << c.text;
        EXPECT_EQ(reader.line(), c.line) << c.text;
        EXPECT_EQ(reader.failedText(), c.failed) << c.text;
        EXPECT_EQ(reader.failedAfter(), c.after) << c.text;
        std::fclose(file);
    }
}

TEST(LineReader, SkipsOnlyALeadingByteOrderMarkAndCountsLines) {
    std::FILE* file = fileOf(BOM + "a;1\r\n" + BOM + "b;2\nc");
    LineReader reader(file, 100);
    std::string line;
    std::size_t length = 0;
    std::vector<std::string> lines;
    while (reader.next(line, length)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a;1", BOM + "b;2", "c"}));
    EXPECT_EQ(reader.line(), 3);
    std::fclose(file);
}

TEST(DbfValue, ANumberAndNothingThatGoesOnWithIt) {
    struct Case {
        const char* text;
        char separator;
        DbfValue read;
        double value;
        std::size_t length;
    };
    using enum DbfValue;
    const Case cases[] = {
        {"17.5", ';', NUMBER, 17.5, 4},
        {"17.5 ", ';', NUMBER, 17.5, 4},
        {"17.5\r", ';', NUMBER, 17.5, 4},  // a last line's CR without its LF
        {"3;17.5", ';', NUMBER, 3, 1},     // after the separator anything
        {"3 ;x", ';', NUMBER, 3, 1},
        {"30 persons", ';', NUMBER, 30, 2},
        {"30 -", ';', NUMBER, 30, 2},
        {"1 234", ' ', NUMBER, 1, 1},  // the blank is the separator
        {"347,5", ',', NUMBER, 347, 3},
        {"0x10", ';', NUMBER, 16, 4},
        {"347,5", ';', MORE_THAN_A_NUMBER, 347, 3},
        {"1.234,5", ';', MORE_THAN_A_NUMBER, 1.234, 5},
        {"1 234", ';', MORE_THAN_A_NUMBER, 1, 1},
        {"1.5D2", ';', MORE_THAN_A_NUMBER, 1.5, 3},
        {"12abc", ';', MORE_THAN_A_NUMBER, 12, 2},
        {"7 -3", ';', MORE_THAN_A_NUMBER, 7, 1},
        {"7\t+.5", ';', MORE_THAN_A_NUMBER, 7, 1},
        {"7 .5", ';', MORE_THAN_A_NUMBER, 7, 1},
        {"7\r ", ';', MORE_THAN_A_NUMBER, 7, 1},
        {"abc", ';', NO_NUMBER, 0, 0},
        {"\"1,234\"", ';', NO_NUMBER, 0, 0},
        {"", ';', NO_NUMBER, 0, 0},
    };
    for (const Case& c : cases) {
        double value = -1;
        std::size_t length = 99;
        EXPECT_EQ(readDbfValue(c.text, c.separator, value, length), c.read) << c.text;
        if (c.read != NO_NUMBER) {
            EXPECT_EQ(value, c.value) << c.text;
        }
        EXPECT_EQ(length, c.length) << c.text;
    }
}

TEST(QuotedText, EscapesAndShortens) {
    EXPECT_EQ(quotedText("A99"), "\"A99\"");
    EXPECT_EQ(quotedText("\"1,2\"\\"), "\"\\\"1,2\\\"\\\\\"");
    EXPECT_EQ(quotedText(std::string("a\0\xE4", 3)), "\"a\\x00\\xE4\"");
    const std::string shown = quotedText(std::string(1000, '\x01'));
    EXPECT_LT(shown.size(), 80u);
    EXPECT_TRUE(shown.ends_with("...\""));
}

}  // namespace
