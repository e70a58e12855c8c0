// The class name file read back as it was written, and the damage its reader refuses.
#include "common/class_name_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/test_files.h"

namespace {

TEST(ClassNameFile, ReadsBackWhatWasWritten) {
    TempDir dir;
    const std::string path = dir / "t-cls.dat";
    const std::vector<std::string_view> written = {"Region", "", "Age group, \"5 years\""};
    ASSERT_TRUE(writeClassNameFile(path, written));
    EXPECT_EQ(readFile(path).substr(0, 14), int32Bytes(3) + int32Bytes(6) + "Region");
    InputFile file;
    ASSERT_TRUE(file.open(path));
    std::vector<std::string> names;
    ASSERT_EQ(readClassNameFile(file, names), ReadResult::OK);
    EXPECT_EQ(names, (std::vector<std::string>{"Region", "", "Age group, \"5 years\""}));
}

TEST(ClassNameFile, RefusesDamage) {
    const struct {
        const char* name;
        std::string bytes;
        ReadResult result;
    } cases[] = {
        {"empty", "", ReadResult::INVALID},
        {"negative count", int32Bytes(-1), ReadResult::NEGATIVE_COUNT},
        {"more classes than a table has", int32Bytes(16), ReadResult::INVALID},
        {"name cut short", int32Bytes(1) + int32Bytes(5) + "abc", ReadResult::INVALID},
        {"name length beyond the file", int32Bytes(1) + int32Bytes(2147483647),
         ReadResult::INVALID},
        {"negative name length", int32Bytes(1) + int32Bytes(-3), ReadResult::NEGATIVE_COUNT},
        {"zero byte in a name", int32Bytes(1) + int32Bytes(3) + std::string("a\0b", 3),
         ReadResult::INVALID},
        {"bytes after the last name", int32Bytes(1) + int32Bytes(1) + "ab", ReadResult::INVALID},
        {"no classes", int32Bytes(0), ReadResult::OK},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("t-cls.dat", c.bytes);
        InputFile file;
        ASSERT_TRUE(file.open(path));
        std::vector<std::string> names{"stale"};
        EXPECT_EQ(readClassNameFile(file, names), c.result);
    }
}

}  // namespace
