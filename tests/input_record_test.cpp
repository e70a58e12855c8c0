// The input record: written and read back exactly, damaged files refused, and the files it
// names compared with how they are now.
#include "common/input_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_files.h"

namespace {

// The little-endian bytes of int32 values.
std::string int32s(std::initializer_list<int32_t> values) {
    std::string bytes;
    for (int32_t v : values) {
        const auto u = static_cast<uint32_t>(v);
        for (int k = 0; k < 4; ++k) bytes += static_cast<char>((u >> (8 * k)) & 0xff);
    }
    return bytes;
}

ReadResult readBack(const std::string& path, InputRecord& record) {
    InputFile file;
    if (!file.open(path)) return ReadResult::INVALID;
    return readInputRecord(file, record);
}

// Records `path` under `name`, as qorlex does for a file it opened.
void record(InputRecord& into, const std::string& name, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(recordInput(into, name, file));
    std::fclose(file);
}

TEST(InputRecord, WrittenAndReadBack) {
    TempDir dir;
    InputRecord written;
    written.command = "qorlex 'my table.txt' out/p";
    written.directory = std::string("/odd\ndir\0x", 10);
    written.inputs = {{"t.txt", "/a/t.txt", 0, 0, 0},
                      // Sizes and times beyond 32 bits, and before 1970.
                      {"b.csv", "/a/b.csv", int64_t{5} << 40, -(int64_t{3} << 33) - 1, 999999999}};
    ASSERT_TRUE(writeInputRecord(dir / "p-inputs.dat", written));
    InputRecord read;
    ASSERT_EQ(readBack(dir / "p-inputs.dat", read), ReadResult::OK);
    EXPECT_EQ(read.command, written.command);
    EXPECT_EQ(read.directory, written.directory);
    ASSERT_EQ(read.inputs.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(read.inputs[i].name, written.inputs[i].name);
        EXPECT_EQ(read.inputs[i].path, written.inputs[i].path);
        EXPECT_EQ(read.inputs[i].size, written.inputs[i].size);
        EXPECT_EQ(read.inputs[i].modifiedSeconds, written.inputs[i].modifiedSeconds);
        EXPECT_EQ(read.inputs[i].modifiedNanoseconds, written.inputs[i].modifiedNanoseconds);
    }
}

TEST(InputRecord, DamagedFilesAreRefused) {
    const std::string command = int32s({2}) + "ab" + int32s({1}) + "/";
    const std::string input = int32s({1}) + "x" + int32s({2}) + "/x" + int32s({7, 0, 1, 0, 5});
    const struct {
        const char* what;
        std::string bytes;
        ReadResult result;
    } cases[] = {
        {"a whole record", command + int32s({1}) + input, ReadResult::OK},
        {"no inputs", command + int32s({0}), ReadResult::OK},
        {"empty file", "", ReadResult::INVALID},
        {"cut in the command", int32s({5}) + "ab", ReadResult::INVALID},
        {"negative text length", int32s({-1}), ReadResult::NEGATIVE_COUNT},
        {"negative input count", command + int32s({-2}), ReadResult::NEGATIVE_COUNT},
        {"more inputs than held", command + int32s({2}) + input, ReadResult::INVALID},
        {"input count beyond the limit", command + int32s({MAX_RECORDED_INPUTS + 1}),
         ReadResult::INVALID},
        {"cut in the time", command + int32s({1}) + input.substr(0, input.size() - 2),
         ReadResult::INVALID},
        {"bytes after the last input", command + int32s({1}) + input + "z", ReadResult::INVALID},
    };
    TempDir dir;
    for (const auto& c : cases) {
        InputRecord read;
        EXPECT_EQ(readBack(dir.write("r", c.bytes), read), c.result) << c.what;
    }
}

TEST(InputRecord, ChangedInputsAreTheFilesThatDifferAndStillExist) {
    TempDir dir;
    const std::string same = dir.write("same.txt", "KLASSEN 1;");
    const std::string touched = dir.write("touched.csv", "1;2");
    const std::string grown = dir.write("grown.csv", "1;2");
    const std::string gone = dir.write("gone.csv", "1;2");
    InputRecord inputs;
    for (const std::string& path : {same, touched, grown, gone, same}) record(inputs, path, path);
    ASSERT_EQ(inputs.inputs.size(), 4u);  // the description named twice is recorded once

    // Another time, the same size; another size, the same time; and a file removed.
    namespace fs = std::filesystem;
    fs::last_write_time(touched, fs::last_write_time(touched) - std::chrono::seconds(10));
    const auto grownTime = fs::last_write_time(grown);
    fs::resize_file(grown, 10);
    fs::last_write_time(grown, grownTime);
    fs::remove(gone);

    std::vector<std::string> changed;
    for (const RecordedInput* input : changedInputs(inputs)) changed.push_back(input->name);
    EXPECT_EQ(changed, (std::vector<std::string>{touched, grown}));
}

TEST(InputRecord, WarningNamesTheChangedFilesAndTheCommand) {
    TempDir dir;
    const std::string description = dir.write("bev.txt", "KLASSEN 1;");
    const std::string base = dir.write("base.csv", "1;2");
    InputRecord inputs;
    record(inputs, description, description);
    record(inputs, base, base);
    inputs.inputs[0].name = "bev.txt";  // as the command named them
    inputs.inputs[1].name = "base.csv";
    const std::string project = dir / "p";
    const std::string words[] = {"qorlex", "bev.txt", "out/p q"};
    inputs.command = shellCommand(words);
    inputs.directory = workingDirectory();
    ASSERT_TRUE(writeInputRecord(project + INPUT_RECORD_SUFFIX, inputs));
    EXPECT_EQ(changedInputsWarning(project), "");

    std::filesystem::resize_file(description, 3);
    std::filesystem::resize_file(base, 1);
    EXPECT_EQ(changedInputsWarning(project), "warning: bev.txt and base.csv changed after " +
                                                 project +
                                                 " was translated; run qorlex bev.txt 'out/p q' "
                                                 "again");
    // Run elsewhere, the command is run where it ran.
    inputs.directory = "/somewhere/else";
    ASSERT_TRUE(writeInputRecord(project + INPUT_RECORD_SUFFIX, inputs));
    EXPECT_TRUE(changedInputsWarning(project).ends_with(" again in /somewhere/else"));

    EXPECT_EQ(changedInputsWarning(dir / "no-record"), "");
    dir.write("damaged-inputs.dat", "xy");
    EXPECT_EQ(changedInputsWarning(dir / "damaged"),
              "warning: " + (dir / "damaged-inputs.dat") + " is damaged; whether the files " +
                  (dir / "damaged") + " was made from changed since is not known");
}

TEST(InputRecord, ShellCommandQuotesWhatTheShellWouldRead) {
    const struct {
        std::vector<std::string> words;
        const char* line;
    } cases[] = {
        {{"qorlex", "bev.txt", "out/bev"}, "qorlex bev.txt out/bev"},
        {{"qorlex", "my table.txt", ""}, "qorlex 'my table.txt' ''"},
        {{"qorlex", "it's", "$HOME*"}, "qorlex 'it'\\''s' '$HOME*'"},
        {{"qorimport", "-x=1,2", "a@b%c"}, "qorimport -x=1,2 a@b%c"},
    };
    for (const auto& c : cases) EXPECT_EQ(shellCommand(c.words), c.line);
}

}  // namespace
