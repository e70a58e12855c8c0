// OutputFile: a regular file is replaced only once the new one is complete, through symbolic
// links, and a file that is not committed leaves nothing behind.
#include "common/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        names.push_back(entry.path().lexically_relative(dir).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(OutputFile, ReplacesTheFileOrItsLinkTargetOnlyWhenComplete) {
    struct Case {
        const char* name;
        const char* link;  // what "out" links to; nullptr: "out" is the file itself
        const char* file;  // the file written in the end
        bool earlier;      // an earlier file is there
    };
    const Case cases[] = {
        {"new file", nullptr, "out", false},
        {"earlier file", nullptr, "out", true},
        {"relative link", "sub/real", "sub/real", true},
        {"link to nothing yet", "sub/real", "sub/real", false},
        {"absolute link", "", "sub/real", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fs::create_directory(dir / "sub");
        if (c.earlier) {
            dir.write(c.file, "the earlier file");
            fs::permissions(dir / c.file, fs::perms(0640));
        }
        if (c.link != nullptr) {
            fs::create_symlink(*c.link != '\0' ? c.link : dir / c.file, dir / "out");
        }
        OutputFile file(dir / "out");
        ASSERT_TRUE(file.open());
        file.writeText("the new file");
        // Until the commit the earlier file is untouched.
        EXPECT_EQ(fs::exists(dir / c.file), c.earlier);
        if (c.earlier) {
            EXPECT_EQ(readFile(dir / c.file), "the earlier file");
        }
        ASSERT_TRUE(file.commit());

        EXPECT_EQ(readFile(dir / c.file), "the new file");
        EXPECT_EQ(fs::is_symlink(dir / "out"), c.link != nullptr);
        if (c.earlier) {
            EXPECT_EQ(fs::status(dir / c.file).permissions(), fs::perms(0640));
        }
        std::vector<std::string> expected = {"sub"};
        if (c.link != nullptr) expected = {"out", "sub", "sub/real"};
        if (c.link == nullptr) expected.insert(expected.begin(), "out");
        EXPECT_EQ(entries(dir.path()), expected);  // no temporary file stays
    }
}

TEST(OutputFile, FileNotCommittedIsRemovedWithTheEarlierOne) {
    for (bool linked : {false, true}) {
        SCOPED_TRACE(linked);
        TempDir dir;
        fs::create_directory(dir / "sub");
        dir.write("sub/real", "the earlier file");
        fs::create_symlink("sub/real", dir / "link");
        {
            OutputFile file(linked ? dir / "link" : dir / "sub/real");
            ASSERT_TRUE(file.open());
            file.writeText("cut sho");
        }  // an early return: never committed
        EXPECT_EQ(entries(dir.path() / "sub"), std::vector<std::string>{});
        EXPECT_TRUE(fs::is_symlink(dir / "link"));
    }
}

TEST(OutputFile, FileOfManyBuffersComesOutInOrderOrFailsWhole) {
    // Small pieces, formatted pieces, blocks larger than the buffer and a huge reservation,
    // so that full buffers, direct writes and the last buffer interleave.
    std::string expected;
    const std::string block(3 << 20, 'b');
    for (int round = 0; round < 6; ++round) {
        for (int i = 0; i < 40000; ++i) expected += "piece " + std::to_string(i) + "\n";
        expected += block;
        expected += std::string(5 << 20, static_cast<char>('r' + round));
    }
    for (const bool full : {false, true}) {
        SCOPED_TRACE(full);
        TempDir dir;
        OutputFile file(full ? "/dev/full" : dir / "out");
        ASSERT_TRUE(file.open());
        for (int round = 0; round < 6; ++round) {
            for (int i = 0; i < 40000; ++i) file.writeText("piece " + std::to_string(i) + "\n");
            file.writeBytes(block.data(), block.size());
            char* room = file.reserveChars(5 << 20);
            ASSERT_NE(room, nullptr);
            std::fill(room, room + (5 << 20), static_cast<char>('r' + round));
            file.commitChars(5 << 20);
        }
        EXPECT_EQ(file.commit(), !full);
        if (!full) {
            EXPECT_TRUE(readFile(dir / "out") == expected);
        }
    }
}

// A repeated number after a lead-in of any length, so that it starts at every kind of
// place in the buffer, ends in it or runs across it (the buffer holds 1 MiB).
TEST(OutputFile, RepeatedNumberAcrossTheBuffer) {
    const double value = -0.1;
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);  // the build hosts are little-endian
    const std::size_t mib = std::size_t{1} << 20;
    const struct {
        std::size_t leadIn, count;
    } cases[] = {{0, 0},       {0, 1},        {3, 5},
                 {mib - 4, 1}, {mib - 12, 3}, {mib - 8, 131072},
                 {5, 131072},  {0, 300001},   {2 * mib + 1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.leadIn) + " " + std::to_string(c.count));
        TempDir dir;
        OutputFile file(dir / "out");
        ASSERT_TRUE(file.open());
        const std::string leadIn(c.leadIn, 'a');
        file.writeText(leadIn);
        file.writeRepeatedFloat64(value, c.count);
        file.writeText("end");
        ASSERT_TRUE(file.commit());
        std::string expected = leadIn;
        for (std::size_t i = 0; i < c.count; ++i) expected += bytes;
        expected += "end";
        EXPECT_TRUE(readFile(dir / "out") == expected);
    }
}

TEST(OutputFile, FileTheUserMayNotWriteStays) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write every file";
    TempDir dir;
    const std::string path = dir.write("out", "protected");
    fs::permissions(path, fs::perms(0444));
    OutputFile file(path);
    EXPECT_FALSE(file.open());
    EXPECT_EQ(readFile(path), "protected");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"out"});
}

}  // namespace
