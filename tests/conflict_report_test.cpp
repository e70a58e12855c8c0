#include "qorsolve/output/conflict_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/bound_type.h"
#include "tests/solver_fixtures.h"

namespace {

using Doubles = std::vector<double>;

// A 2 x 8 table (regions by an unnamed class of 8), every cell adjustable: restriction 1 is
// the North row over 8 cells, restriction 2 a single-cell bound on (North, 1), restriction 3
// "2 (North, 2) - (South, 1) <= 4", restriction 4 a range on (North, 3) alone.
struct Fixture {
    TempDir dir;
    Project project;
    AdjustmentProblem problem;

    Fixture() {
        project.name = dir / "table";
        ClassLabels numbered;
        numbered.size = 8;
        project.labels.classes = {namedClass({"North", "South"}), numbered};
        project.cells.cellCount = 16;
        project.cells.tableSize = 16;
        for (int32_t c = 0; c < 16; ++c) project.cells.cellIndex.push_back(c);
        project.hasControl = true;
        project.control.tableSize = 16;
        project.control.restrictions = {
            {BOUND_EQUAL, 1200, 1200, {0, 1, 2, 3, 4, 5, 6, 7}, Doubles(8, 1.0)},
            {BOUND_LOWER, 1300, NO_BOUND, {0}, {1}},
            {BOUND_UPPER, -NO_BOUND, 4, {1, 8}, {2, -1}},
            {BOUND_RANGE, 1, 2, {2}, {1}}};
        problem = problemWithRows(16, {{{0, 1, 2, 3, 4, 5, 6, 7}, Doubles(8, 1.0), 1200, 1200},
                                       {{1, 8}, {2, -1}, -INFINITE_BOUND, 4}});
        problem.hardSource = {1, 3};
        problem.lower[0] = 1300;
        problem.lowerSource[0] = 2;
        problem.lower[2] = 1;
        problem.upper[2] = 2;
        problem.lowerSource[2] = 4;
        problem.upperSource[2] = 4;
    }
};

using Kind = ConflictMember::Kind;

// The lines as the run prints them.
std::string printed(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

TEST(ConflictReport, PrintsEachMemberAsDeclaredAndWritesTheFile) {
    Fixture f;
    ConflictResult conflict;
    conflict.irreducible = true;
    conflict.members = {{Kind::CELL_LOWER, 9}, {Kind::CELL_UPPER, 2}, {Kind::HARD_ROW, 1},
                        {Kind::CELL_LOWER, 0}, {Kind::HARD_ROW, 0},   {Kind::CELL_LOWER, 2}};
    conflict.memberChange = {100, 50, 30, 100, 100, 40};
    conflict.elasticValue = 30;
    std::vector<std::string> lines;
    ResultSet results;
    ASSERT_TRUE(
        reportConflict(f.project, f.problem, conflict, resultPlace(f.project), results, lines));
    ASSERT_TRUE(results.commit());
    EXPECT_EQ(printed(lines),
              "conflict: 5 restrictions and bounds cannot all hold\n"
              "restriction 1: (North, 1) + (North, 2) + (North, 3) \u2026 (+ 5 more cells) = "
              "1200\n"
              "restriction 2: (North, 1) >= 1300\n"
              "restriction 3: 2 (North, 2) - (South, 1) <= 4\n"
              "restriction 4: 1 <= (North, 3) <= 2\n"
              "bound: cell (South, 2) >= 0\n"
              "advice: check restriction 3 first: changing its value by 30 alone lets the "
              "others hold\n");
    EXPECT_EQ(readFile(f.dir / "table-conflict.csv"),
              "kind,member,relation,value,change,multiplier,objective\n"
              "restriction,1,=,1200,100,,\n"
              "restriction,2,>=,1300,100,,\n"
              "restriction,3,<=,4,30,,\n"
              "restriction,4,range,1..2,40,,\n"
              "bound,\"(South, 2)\",>=,0,100,,\n");
}

// A file of the earlier layout (without the multiplier and objective columns) was written
// by qorsolve too, and is replaced; the screen lists every restriction before the cut-off.
TEST(ConflictReport, ReplacesItsEarlierFileAndShowsEveryRestriction) {
    Fixture f;
    f.dir.write("table-conflict.csv", "kind,member,relation,value,change\n");
    ConflictResult conflict;
    conflict.irreducible = true;
    for (int32_t column = 3; column < 16; ++column) {
        conflict.members.push_back({Kind::CELL_LOWER, column});
    }
    conflict.members.push_back({Kind::CELL_UPPER, 2});
    for (int32_t column = 3; column < 16; ++column) {
        conflict.members.push_back({Kind::CELL_UPPER, column});
    }
    f.problem.upper.assign(16, 1000.0);
    std::vector<std::string> lines;
    ResultSet results;
    ASSERT_TRUE(
        reportConflict(f.project, f.problem, conflict, resultPlace(f.project), results, lines));
    ASSERT_TRUE(results.commit());
    const std::string text = printed(lines);
    EXPECT_NE(text.find("restriction 4: 1 <= (North, 3) <= 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\u2026 (+ 7 more in " + f.project.name + "-conflict.csv)\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(readFile(f.dir / "table-conflict.csv").substr(0, 56),
              "kind,member,relation,value,change,multiplier,objective\nr");
}

TEST(ConflictReport, FileThatCannotBeWrittenIsOneErrorLine) {
    Fixture f;
    f.project.name = f.dir / "missing/table";
    ConflictResult conflict;
    conflict.irreducible = false;
    conflict.wholeNumbers = true;
    conflict.members = {{Kind::HARD_ROW, 1}};
    std::vector<std::string> lines;
    ResultSet results;
    EXPECT_FALSE(
        reportConflict(f.project, f.problem, conflict, resultPlace(f.project), results, lines));
    EXPECT_EQ(printed(lines),
              "conflict: 1 restriction cannot hold (not reduced in time)\n"
              "restriction 3: 2 (North, 2) - (South, 1) <= 4\n"
              "advice: the set could not be reduced in time; allow more time with "
              "--time-limit to narrow it down\n"
              "Error: Could not open file " +
                  f.project.name + "-conflict.csv: No such file or directory\n");
}

}  // namespace
