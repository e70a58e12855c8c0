// InputFile: numbers read in place or copied, at any alignment, and a file cut short while
// mapped.
#include "common/input_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/output_file.h"
#include "tests/test_files.h"

namespace {

std::string littleEndian(uint64_t bits, std::size_t bytes) {
    std::string text;
    for (std::size_t b = 0; b < bytes; ++b, bits >>= 8) text += static_cast<char>(bits & 0xff);
    return text;
}

TEST(InputFile, ViewsAndCopiesAgreeAtAnyAlignment) {
    const int32_t integers[] = {0, -1, 2147483647, -2147483647 - 1, 0x01020304};
    const double reals[] = {0.5, -1e38, 1e-300, 12345.678};
    for (std::size_t pad = 0; pad < 8; ++pad) {
        std::string bytes(pad, 'x');
        for (int32_t value : integers) bytes += littleEndian(static_cast<uint32_t>(value), 4);
        for (double value : reals) bytes += littleEndian(std::bit_cast<uint64_t>(value), 8);
        TempDir dir;
        InputFile file;
        ASSERT_TRUE(file.open(dir.write("f", bytes)));
        std::string skipped(pad, '\0');
        ASSERT_TRUE(file.readBytes(skipped.data(), pad));
        PackedArray<int32_t> viewed;
        ASSERT_TRUE(file.viewInt32s(viewed, 5));
        PackedArray<double> viewedReals;
        ASSERT_FALSE(file.viewFloat64s(viewedReals, 5));  // one too many: nothing consumed
        ASSERT_TRUE(file.viewFloat64s(viewedReals, 4));
        EXPECT_EQ(file.remaining(), 0u);
        int32_t copied[5];
        viewed.copyTo(copied);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(viewed[i], integers[i]);
            EXPECT_EQ(copied[i], integers[i]);
        }
        for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(viewedReals[i], reals[i]);
        EXPECT_TRUE(viewed.anyOf([](int32_t value) { return value == -1; }));
        EXPECT_FALSE(viewedReals.anyOf([](double value) { return value > 1e38; }));
    }
    TempDir dir;
    InputFile empty;
    ASSERT_TRUE(empty.open(dir.write("empty", "")));
    int32_t value = 0;
    EXPECT_EQ(empty.remaining(), 0u);
    EXPECT_FALSE(empty.readInt32(value));
    EXPECT_FALSE(empty.open(dir.path().string()));  // a directory
}

#if defined(__SANITIZE_ADDRESS__)
#define QOR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QOR_ADDRESS_SANITIZER 1
#endif
#endif

// Another program cutting the file short ends the reader, whose half-written output goes.
TEST(InputFileDeathTest, FileCutShortWhileReadLeavesNoTemporaryFile) {
#ifdef QOR_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer handles SIGBUS itself";
#endif
    TempDir dir;
    const std::string input = dir.write("in", std::string(1 << 16, 'x'));
    const auto cutShortWhileWriting = [&] {
        InputFile file;
        PackedArray<double> values;
        if (!file.open(input) || !file.viewFloat64s(values, 1 << 13)) std::_Exit(2);
        OutputFile output(dir / "out");
        if (!output.open()) std::_Exit(3);
        output.writeText("partial");
        if (truncate(input.c_str(), 0) != 0) std::_Exit(4);
        output.writeFloat64(values[(1 << 13) - 1]);
        std::_Exit(0);
    };
    EXPECT_EXIT(cutShortWhileWriting(), testing::KilledBySignal(SIGBUS), "");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename(), "in");
    }
}

}  // namespace
