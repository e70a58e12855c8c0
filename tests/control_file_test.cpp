// The control file read back as it was written, and the columns its reader refuses.
#include "common/control_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/bound_type.h"
#include "tests/test_files.h"

namespace {

TEST(ControlFile, ReadsBackWhatWasWritten) {
    TempDir dir;
    const std::string path = dir / "t-ctr.dat";
    const std::vector<int32_t> columns = {0, 2, 5};
    const std::vector<double> coefficients = {1.0, -2.5, 0.125};
    ControlFileWriter writer(path);
    ASSERT_TRUE(writer.open(12, 2));
    writer.writeRestriction(BOUND_UPPER, -NO_BOUND, 9.0, columns, coefficients);
    writer.writeRestriction(BOUND_WEAK, 4.0, 4.0, std::vector<int32_t>{5},
                            std::vector<double>{1.0});
    ASSERT_TRUE(writer.commit());

    InputFile file;
    ASSERT_TRUE(file.open(path));
    ControlFile control;
    ASSERT_EQ(readControlFile(file, control, 6), ReadResult::OK);
    EXPECT_EQ(control.tableSize, 12);
    ASSERT_EQ(control.restrictions.size(), 2u);
    const DeclaredRestriction& first = control.restrictions[0];
    EXPECT_EQ(first.type, BOUND_UPPER);
    EXPECT_EQ(first.lowerValue, -NO_BOUND);
    EXPECT_EQ(first.upperValue, 9.0);
    EXPECT_EQ(first.columns, columns);
    EXPECT_EQ(first.coefficients, coefficients);
    EXPECT_EQ(control.restrictions[1].type, BOUND_WEAK);

    // Column 5 does not exist among 5 cells.
    ASSERT_TRUE(file.open(path));
    EXPECT_EQ(readControlFile(file, control, 5), ReadResult::INVALID);
}

}  // namespace
