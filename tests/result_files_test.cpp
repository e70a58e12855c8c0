// qorsolve's result files: their lines, and the files they may replace.
#include "qorsolve/output/result_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "qorsolve/output/own_output.h"
#include "qorsolve/problem/exact_rows.h"
#include "tests/solver_fixtures.h"

namespace {

// Restriction 5 is missed by 1, the others hold; restriction 4 (-x0 >= -7) with room 1.
const std::vector<double> TABLE{6, 2, 4};

// `x` with its checks and changes, as the run hands it to the writers.
WrittenTable writtenOf(const Project& project, const std::vector<double>& x) {
    WrittenTable table;
    table.x = x;
    table.checks = checkRestrictions(project, x);
    table.changes = restrictionChanges(project, table.checks);
    return table;
}

// Beside qorsolve's own conflict file of an earlier run, which the run's commit removes.
TEST(ResultFiles, OneLinePerCellAndPerDeclaredRestriction) {
    TempDir dir;
    Project project = solveProject(dir / "p");
    project.labels.classes[0] = namedClass({"North", "South, coast"});
    dir.write("p-conflict.csv", "kind,member,relation,value,change\nrestriction,1,=,8,1\n");
    std::string error;
    ASSERT_TRUE(mayWriteResults(resultPlace(project), true, error));
    ResultSet results;
    ASSERT_TRUE(writeAdjustedTable(project, resultPlace(project), TABLE, false, results, error))
        << error;
    ASSERT_TRUE(
        writeRowReport(project, resultPlace(project), writtenOf(project, TABLE), results, error))
        << error;
    ASSERT_TRUE(commitResults(resultPlace(project), results, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "p-conflict.csv"));
    EXPECT_EQ(readFile(dir / "p-adj.csv"),
              "class1,class2,base,adjusted,change,relative change\n"
              "North,1,5,6,1,0.2\n"
              "North,2,3,2,-1,-0.333333333333\n"
              "\"South, coast\",2,2,4,2,1\n");
    // The change is the value in the adjusted table less the value in the base table.
    EXPECT_EQ(readFile(dir / "p-rows.csv"),
              "restriction,kind,lower,upper,value,slack,binding,change,text,declared,source\n"
              "1,hard,8,8,8,0,yes,0,\"(North, 1) + (North, 2) = 8\",,\n"
              "2,bound,,4,4,0,yes,2,\"(South, coast, 2) <= 4\",,\n"
              "3,weak,6,6,6,0,,1,\"(North, 2) + (South, coast, 2) ~ 6\",,\n"
              "4,bound,-7,,-6,1,no,-1,\"-(North, 1) >= -7\",,\n"
              "5,hard,1,9,10,-1,no,3,\"1 <= (North, 1) + (South, coast, 2) <= 9\",,\n");
}

// With a names file, the labels as written name the classes and cells, and each restriction
// has the margin as published and its file and line, quoted where a field needs it.
TEST(ResultFiles, LabelsAsWritten) {
    TempDir dir;
    Project project = solveProject(dir / "p");
    project.hasNames = true;
    project.names.classes.resize(2);
    project.names.classes[0].label = "R\xc3\xa9gion";
    project.names.classes[0].characteristics = {{"North", "Z\xc3\xbcrich", ""},
                                                {"South", "Sankt Gallen, Stadt", ""}};
    project.names.classes[1].label = "Alter";
    project.names.classes[1].characteristics = {{"1", "0-14", ""}, {"2", "65+", ""}};
    for (int i = 1; i <= 5; ++i) {
        project.names.restrictions.push_back(
            {"", "Alter = 65+: " + std::to_string(i), " m.csv:" + std::to_string(i + 1)});
    }
    std::string error;
    ResultSet results;
    ASSERT_TRUE(writeAdjustedTable(project, resultPlace(project), TABLE, false, results, error))
        << error;
    ASSERT_TRUE(
        writeRowReport(project, resultPlace(project), writtenOf(project, TABLE), results, error));
    ASSERT_TRUE(commitResults(resultPlace(project), results, error)) << error;
    EXPECT_EQ(readFile(dir / "p-adj.csv"),
              "R\xc3\xa9gion,Alter,base,adjusted,change,relative change\n"
              "Z\xc3\xbcrich,0-14,5,6,1,0.2\n"
              "Z\xc3\xbcrich,65+,3,2,-1,-0.333333333333\n"
              "\"Sankt Gallen, Stadt\",65+,2,4,2,1\n");
    const std::string rows = readFile(dir / "p-rows.csv");
    EXPECT_NE(rows.find("\n1,hard,8,8,8,0,yes,0,\"(Z\xc3\xbcrich, 0-14) + (Z\xc3\xbcrich, 65+) = "
                        "8\",Alter = 65+: 1,\" m.csv:2\"\n"),
              std::string::npos)
        << rows;
}

// The header names the classes as declared; --all-cells adds the cells of base 0, so that
// the whole table can be rebuilt.
TEST(ResultFiles, ClassNamesAndAllCells) {
    TempDir dir;
    Project project = solveProject(dir / "p");
    project.classNames = {"Region, part", "Sex"};
    std::string error;
    ResultSet results;
    ASSERT_TRUE(
        writeAdjustedTable(project, resultPlace(project), {5.5, 3, 1e-13}, true, results, error))
        << error;
    ASSERT_TRUE(commitResults(resultPlace(project), results, error)) << error;
    EXPECT_EQ(readFile(dir / "p-adj.csv"),
              "\"Region, part\",Sex,base,adjusted,change,relative change\n"
              "North,1,5,5.5,0.5,0.1\n"
              "North,2,3,3,0,0\n"
              "South,1,0,0,0,\n"
              "South,2,2,1e-13,-2,-1\n");
    EXPECT_TRUE(isAdjustedTableHeader("\"Region, part\",Sex,base,adjusted,change,relative change"));
}

TEST(ResultFiles, BindingAllowsRoundingInLongSums) {
    Project project = solveProject();
    // 0.1 + 0.2 is not 0.3 in binary, but it is in the decimals written: exactly 0.
    project.control.restrictions[0] = declared(BOUND_EQUAL, 0.3, 0.3, {0, 1}, {0.1, 0.2});
    const auto checks = checkRestrictions(project, {1, 1, 0});
    EXPECT_TRUE(checks[0].exact);
    EXPECT_TRUE(checks[0].binding);
    EXPECT_EQ(checks[0].slack, 0);
    // Real-valued cells: within the rounding of the sum.
    EXPECT_TRUE(checkRestrictions(project, {0.5, 1.25, 0})[0].binding);
    EXPECT_FALSE(checkRestrictions(project, {1, 1.001, 0})[0].binding);
}

// The rows file shows each value, slack and change as the written cells give them, to the
// digits they have: exact ones exactly, others without the rounding of their doubles.
TEST(ResultFiles, RowValuesAsTheWrittenCellsGiveThem) {
    TempDir dir;
    Project project = solveProject(dir / "p");
    project.control.restrictions[0] =
        declared(BOUND_EQUAL, 20000000070, 20000000070, {0, 1, 2}, {1e9, 1, 1});
    project.control.restrictions[4] = declared(BOUND_RANGE, 0.3, 0.9, {0, 2}, {0.1, 0.2});
    std::string error;
    ResultSet results;
    // 1000000000 * 19.9999999963 + 33.75 + 40 = 20000000070.05
    ASSERT_TRUE(writeRowReport(project, resultPlace(project),
                               writtenOf(project, {19.9999999963, 33.75, 40}), results, error));
    ASSERT_TRUE(commitResults(resultPlace(project), results, error)) << error;
    const std::string rows = readFile(dir / "p-rows.csv");
    EXPECT_NE(rows.find("\n1,hard,20000000070,20000000070,20000000070.05,-0.05,yes,"
                        "15000000065.05,"),
              std::string::npos)
        << rows;
    // 0.1 * 19.9999999963 + 0.2 * 40 = 9.99999999963, above 0.9 by 9.09999999963, and 0.9
    // over the base.
    EXPECT_NE(rows.find("\n5,hard,0.3,0.9,9.99999999963,-9.09999999963,no,9.09999999963,"),
              std::string::npos)
        << rows;
}

// A file of someone else's at a result path stops the run before the solve (the recognition
// itself: result_paths_test).
TEST(ResultFiles, ForeignFileAtAResultPath) {
    TempDir dir;
    const Project project = solveProject(dir / "p");
    dir.write("p-rows.csv", "restriction,kind\n");
    std::string error;
    EXPECT_FALSE(mayWriteResults(resultPlace(project), true, error));
    EXPECT_EQ(error,
              "Error: " + (dir / "p-rows.csv") + " was not written by qorsolve; not overwritten\n");
    EXPECT_EQ(readFile(dir / "p-rows.csv"), "restriction,kind\n");
}

// What stands at the result paths before a run, and what the run may do about it.
TEST(ResultFiles, RefusesWhatItMayNotReplaceWithTheReason) {
    const struct Case {
        const char* name;
        void (*setUp)(const TempDir& dir);
        bool table;           // a run that writes a table (not --conflicts-only)
        std::string message;  // after the directory; empty when the run may go on
    } cases[] = {
        {"own earlier files",
         [](const TempDir& dir) {
             dir.write("p-conflict.csv", "kind,member,relation,value,change\n");
         },
         true, ""},
        {"a directory",
         [](const TempDir& dir) { std::filesystem::create_directory(dir / "p-adj.csv"); }, true,
         "p-adj.csv: Is a directory\n"},
        {"a pipe", [](const TempDir& dir) { mkfifo((dir / "p-rows.csv").c_str(), 0600); }, true,
         "p-rows.csv: Not a regular file\n"},
        {"a pipe not written",
         [](const TempDir& dir) { mkfifo((dir / "p-rows.csv").c_str(), 0600); }, false, ""},
        {"one file under two names",
         [](const TempDir& dir) {
             std::filesystem::create_symlink("p-rows.csv", dir / "p-adj.csv");
         },
         true, "same"},
        {"read-only table",
         [](const TempDir& dir) {
             dir.write("p-adj.csv", "base,adjusted\n");
             chmod((dir / "p-adj.csv").c_str(), 0444);
         },
         true, "read-only; not overwritten\n"},
        {"read-only conflict file",
         [](const TempDir& dir) {
             dir.write("p-conflict.csv", "kind,member,relation,value,change\n");
             chmod((dir / "p-conflict.csv").c_str(), 0444);
         },
         true, "read-only; not removed\n"},
        {"a link into a directory that does not exist",
         [](const TempDir& dir) {
             std::filesystem::create_symlink("missing/adj.csv", dir / "p-adj.csv");
         },
         true, "p-adj.csv: No such file or directory\n"},
        {"a link into a directory that does not exist, not written",
         [](const TempDir& dir) {
             std::filesystem::create_symlink("missing/adj.csv", dir / "p-adj.csv");
         },
         false, ""},
        {"someone else's conflict file",
         [](const TempDir& dir) { dir.write("p-conflict.csv", "notes\n"); }, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const Project project = solveProject(dir / "p");
        c.setUp(dir);
        std::string error;
        EXPECT_EQ(mayWriteResults(resultPlace(project), c.table, error), c.message.empty());
        if (c.message == "same") {
            EXPECT_EQ(error, "Error: " + (dir / "p-adj.csv") + " and " + (dir / "p-rows.csv") +
                                 " are the same file; not overwritten\n");
        } else if (!c.message.empty()) {
            EXPECT_TRUE(error.ends_with(c.message)) << error;
        }
    }
}

TEST(ResultFiles, UnreadableEarlierFileIsNotCalledSomeoneElses) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    const Project project = solveProject(dir / "p");
    dir.write("p-rows.csv", "restriction,kind,lower,upper,value,slack,binding\n");
    chmod((dir / "p-rows.csv").c_str(), 0200);
    std::string error;
    EXPECT_FALSE(mayWriteResults(resultPlace(project), true, error));
    EXPECT_EQ(error, "Error: Could not read file " + (dir / "p-rows.csv") +
                         ": Permission denied; not overwritten\n");
}

// After each run the result files are exactly that run's: qorsolve's own of the other kind
// go (a run with a table: OneLinePerCellAndPerDeclaredRestriction), files of someone else's
// stay.
TEST(ResultFiles, CommitLeavesExactlyTheRunsFiles) {
    TempDir dir;
    const Project project = solveProject(dir / "p");
    dir.write("p-adj.csv", "base,adjusted\n");
    dir.write("p-rows.csv", "restriction,kind,lower,upper,value,slack,binding\n");
    std::string error;

    // A run without a table, beside a conflict file of someone else's.
    dir.write("p-conflict.csv", "my notes\n");
    ResultSet none;
    ASSERT_TRUE(commitResults(resultPlace(project), none, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "p-adj.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "p-rows.csv"));
    EXPECT_EQ(readFile(dir / "p-conflict.csv"), "my notes\n");

    // A failed run leaves none of its own, and a read-only earlier file stays.
    ResultSet failed;
    ASSERT_TRUE(writeAdjustedTable(project, resultPlace(project), TABLE, false, failed, error));
    dir.write("p-rows.csv", "restriction,kind,lower,upper,value,slack,binding\n");
    chmod((dir / "p-rows.csv").c_str(), 0444);
    EXPECT_FALSE(commitResults(resultPlace(project), failed, error));
    EXPECT_EQ(error, "Error: " + (dir / "p-rows.csv") + " is read-only; not removed\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "p-adj.csv"));
    EXPECT_TRUE(std::filesystem::exists(dir / "p-rows.csv"));
}

// Results under another prefix, for a spreadsheet of a decimal-comma locale, stand beside the
// project's: its commit and its withdrawal touch that prefix's files only, and a later run in
// the default form knows them as qorsolve's and replaces them.
TEST(ResultFiles, OtherPrefixAndFormBesideTheProjects) {
    TempDir dir;
    Project project = solveProject(dir / "p");
    project.labels.classes[0] = namedClass({"North", "South; coast"});
    dir.write("p-adj.csv", "base,adjusted\n");
    dir.write("p-conflict.csv", "kind,member,relation,value,change\n");
    SolveSettings settings;
    settings.output = dir / "p-real";
    settings.separator = ';';
    settings.decimalComma = true;
    const ResultPlace place = resultPlace(project, settings);
    std::string error;
    ASSERT_TRUE(mayUsePlace(project, place, error)) << error;
    ASSERT_TRUE(mayWriteResults(place, true, error)) << error;
    ResultSet results;
    const std::vector<double> x{5.5, 2, 4};
    ASSERT_TRUE(writeAdjustedTable(project, place, x, false, results, error)) << error;
    ASSERT_TRUE(writeRowReport(project, place, writtenOf(project, x), results, error)) << error;
    ASSERT_TRUE(commitResults(place, results, error)) << error;
    EXPECT_EQ(readFile(dir / "p-real-adj.csv"),
              "class1;class2;base;adjusted;change;relative change\n"
              "North;1;5;5,5;0,5;0,1\n"
              "North;2;3;2;-1;-0,333333333333\n"
              "\"South; coast\";2;2;4;2;1\n");
    const std::string rows = readFile(dir / "p-real-rows.csv");
    EXPECT_TRUE(
        rows.starts_with("restriction;kind;lower;upper;value;slack;binding;change;text;"
                         "declared;source\n"
                         "1;hard;8;8;7,5;-0,5;no;-0,5;(North, 1) + (North, 2) = 8;;\n"))
        << rows;
    EXPECT_EQ(readFile(dir / "p-adj.csv"), "base,adjusted\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "p-conflict.csv"));

    // A run in the default form at that prefix replaces them; one that fails withdraws them.
    SolveSettings plainSettings;
    plainSettings.output = settings.output;
    const ResultPlace plain = resultPlace(project, plainSettings);
    ASSERT_TRUE(mayWriteResults(plain, true, error)) << error;
    ResultSet none;
    withdrawResults(plain, none);
    EXPECT_FALSE(std::filesystem::exists(dir / "p-real-adj.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "p-real-rows.csv"));
    EXPECT_EQ(readFile(dir / "p-adj.csv"), "base,adjusted\n");
}

}  // namespace
