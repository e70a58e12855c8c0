// The label file read back as it was written, and the damage its reader refuses.
#include "common/label_file.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/test_files.h"

namespace {

TEST(LabelFile, ReadsBackWhatWasWritten) {
    TempDir dir;
    const std::string path = dir / "t-lbl.dat";
    LabelFileWriter writer(path);
    ASSERT_TRUE(writer.open(3));
    writer.writeUnnamedClass(4);
    const std::vector<std::string_view> names = {"North", "", "South east"};
    writer.writeNamedClass(names);
    writer.writeUnnamedClass(0);
    ASSERT_TRUE(writer.commit());

    InputFile file;
    ASSERT_TRUE(file.open(path));
    LabelFile labels;
    ASSERT_EQ(readLabelFile(file, labels), ReadResult::OK);
    ASSERT_EQ(labels.classes.size(), 3u);
    EXPECT_EQ(labels.classes[0].size, 4);
    EXPECT_FALSE(labels.classes[0].named);
    ASSERT_TRUE(labels.classes[1].named);
    ASSERT_EQ(labels.classes[1].size, 3);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(labels.classes[1].name(i), names[i]);
    EXPECT_EQ(labels.classes[2].size, 0);

    // One byte more than the classes account for.
    dir.write("t-lbl.dat", readFile(path) + "x");
    ASSERT_TRUE(file.open(path));
    EXPECT_EQ(readLabelFile(file, labels), ReadResult::INVALID);
}

}  // namespace
