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

std::vector<uint64_t> readByScanf(const std::string& text) {
    std::FILE* file = fileOf(text);
    std::vector<uint64_t> bits;
    double value = 0;
    while (std::fscanf(file, "%lf", &value) == 1) bits.push_back(std::bit_cast<uint64_t>(value));
    std::fclose(file);
    return bits;
}

std::vector<uint64_t> readByReader(const std::string& text) {
    std::FILE* file = fileOf(text);
    NumberFileReader reader(file);
    std::vector<uint64_t> bits;
    double value = 0;
    while (reader.next(value)) bits.push_back(std::bit_cast<uint64_t>(value));
    std::fclose(file);
    return bits;
}

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
    for (const std::string& text : texts) EXPECT_EQ(readByReader(text), readByScanf(text)) << text;
}

TEST(NumberFileReader, NumbersAcrossReadBlocks) {
    std::string text;
    for (int i = 0; i < 40000; ++i) text += std::to_string(i) + (i % 7 ? ".25e1 " : "e\n");
    EXPECT_EQ(readByReader(text), readByScanf(text));
    // One token of many numbers, longer than a read block: its end is searched once, so
    // reading it takes linear time.
    std::string token;
    for (int i = 0; i < 60000; ++i)
        token += (i % 3 ? "-" : "+") + std::to_string(i) + (i % 5 ? "" : "e");
    EXPECT_EQ(readByReader(token + " 7"), readByScanf(token + " 7"));
}

}  // namespace
