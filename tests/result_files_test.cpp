// qorsolve's two result files: their lines, and the files they may replace.
#include "qorsolve/result_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/solve_project.h"
#include "tests/test_files.h"

namespace {

// Restriction 5 is missed by 1, the others hold; restriction 4 (-x0 >= -7) with room 1.
const std::vector<double> TABLE{6, 2, 4};

TEST(ResultFiles, OneLinePerCellAndPerDeclaredRestriction) {
    TempDir dir;
    Project project = solveProject(dir / "p");
    project.labels.classes[0] = namedClass("North", "South, coast");
    std::string error;
    ASSERT_TRUE(mayWriteResults(project, error));
    ASSERT_TRUE(writeAdjustedTable(project, TABLE, error)) << error;
    ASSERT_TRUE(writeRowReport(project, checkRestrictions(project, TABLE), error)) << error;
    EXPECT_EQ(readFile(dir / "p-adj.csv"),
              "class1,class2,base,adjusted\n"
              "North,1,5,6\n"
              "North,2,3,2\n"
              "\"South, coast\",2,2,4\n");
    EXPECT_EQ(readFile(dir / "p-rows.csv"),
              "restriction,kind,lower,upper,value,slack,binding\n"
              "1,hard,8,8,8,0,yes\n"
              "2,bound,,4,4,0,yes\n"
              "3,weak,6,6,6,0,\n"
              "4,bound,-7,,-6,1,no\n"
              "5,hard,1,9,10,-1,no\n");
}

TEST(ResultFiles, BindingAllowsRoundingInLongSums) {
    Project project = solveProject();
    // 0.1 + 0.2 is not 0.3 in binary: the sum binds all the same.
    project.control.restrictions[0] = declared(BOUND_EQUAL, 0.3, 0.3, {0, 1}, {0.1, 0.2});
    const auto checks = checkRestrictions(project, {1, 1, 0});
    EXPECT_TRUE(checks[0].binding);
    EXPECT_NEAR(checks[0].slack, 0, 1e-16);  // the rounding of the decimals, not 0
    EXPECT_FALSE(checkRestrictions(project, {1, 1.001, 0})[0].binding);
}

TEST(ResultFiles, ReplacesOnlyItsOwnFiles) {
    TempDir dir;
    const Project project = solveProject(dir / "p");
    std::string error;
    // Its own files of an earlier run, with any number of classes, and empty files.
    dir.write("p-adj.csv", "class1,class2,class3,base,adjusted\n1,2,3,4,5\n");
    dir.write("p-rows.csv", "");
    EXPECT_TRUE(mayWriteResults(project, error));
    dir.write("p-adj.csv", "base,adjusted\n4,5\n");
    EXPECT_TRUE(mayWriteResults(project, error));

    for (const char* foreign :
         {"class1,base\n", "class1,class2,base,adjusted", "notes\nclass1,base,adjusted\n"}) {
        dir.write("p-adj.csv", foreign);
        EXPECT_FALSE(mayWriteResults(project, error)) << foreign;
        EXPECT_EQ(error, "Error: " + (dir / "p-adj.csv") +
                             " was not written by qorsolve; not overwritten\n");
    }
    std::filesystem::remove(dir / "p-adj.csv");
    dir.write("p-rows.csv", "restriction,kind\n");
    EXPECT_FALSE(mayWriteResults(project, error));
    EXPECT_EQ(readFile(dir / "p-rows.csv"), "restriction,kind\n");
}

}  // namespace
