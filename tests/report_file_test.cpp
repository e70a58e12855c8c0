// The report file: what a run hands the page, and the files the report may replace.
#include "qorsolve/output/report_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/solver_fixtures.h"

namespace {

TEST(ReportFile, TableReportCarriesCellsAndRowsWithTheirChanges) {
    const Project project = solveProject("out/p");
    const std::vector<double> x{6, 2, 4};
    WrittenTable table;
    table.x = x;
    table.checks = checkRestrictions(project, x);
    table.changes = restrictionChanges(project, table.checks);
    table.outcome.work = 18;
    SolveSettings settings;
    settings.timeLimit = 9;
    const ReportData data = tableReport(project, table, 2.5, settings, Distance::CHI_SQUARE);
    // The run's settings, and the work its search did.
    EXPECT_TRUE(data.run.wholeNumbers);
    EXPECT_EQ(data.run.timeLimit, 9);
    EXPECT_EQ(data.run.workLimit, DEFAULT_WORK_LIMIT);
    EXPECT_EQ(data.run.work, 18);
    EXPECT_EQ(data.status, "optimal");
    EXPECT_EQ(data.classNames, (std::vector<std::string>{"class1", "class2"}));
    EXPECT_EQ(data.classSizes, (std::vector<int32_t>{2, 2}));
    EXPECT_EQ(data.characteristics[0], (std::vector<std::string>{"North", "South"}));
    EXPECT_TRUE(data.characteristics[1].empty());
    // Cells 0, 1 and 3 of the table: (North, 1), (North, 2), (South, 2).
    EXPECT_EQ(data.cellAt, (std::vector<int32_t>{0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(data.base, (std::vector<double>{5, 3, 2}));
    EXPECT_EQ(data.adjusted, x);

    ASSERT_EQ(data.rows.size(), 5u);
    const struct {
        const char* kind;
        double change;  // over the table minus over the base
        bool binding;
        const char* text;
    } rows[] = {
        {"hard", 0, true, "(North, 1) + (North, 2) = 8"},
        {"bound", 2, true, "(South, 2) <= 4"},
        {"weak", 1, false, "(North, 2) + (South, 2) ~ 6"},
        {"bound", -1, false, "-(North, 1) >= -7"},
        {"hard", 3, false, "1 <= (North, 1) + (South, 2) <= 9"},
    };
    for (std::size_t i = 0; i < data.rows.size(); ++i) {
        EXPECT_EQ(data.rows[i].number, static_cast<int32_t>(i + 1));
        EXPECT_EQ(data.rows[i].kind, rows[i].kind) << i;
        EXPECT_EQ(data.rows[i].change, rows[i].change) << i;
        EXPECT_EQ(data.rows[i].binding, rows[i].binding) << i;
        EXPECT_EQ(data.rows[i].weak, i == 2) << i;
        EXPECT_EQ(data.rows[i].text, rows[i].text) << i;
    }
}

TEST(ReportFile, ReplacesOnlyItsOwnReport) {
    TempDir dir;
    const std::string path = dir / "r.html";
    const ReportData data = statusReport(solveProject(), {"infeasible", {"conflict: 1 ..."}},
                                         SolveSettings(), Distance::CHI_SQUARE);
    std::string error;
    // Nothing there, an empty file, a report of an earlier run, one whose first line a later
    // version extends.
    for (const char* earlier : {"none", "", "<!DOCTYPE html><!-- qorsolve report -->\nold\n",
                                "<!DOCTYPE html><!-- qorsolve report --><html>\n"}) {
        std::filesystem::remove(path);
        if (std::string(earlier) != "none") dir.write("r.html", earlier);
        ResultSet results;
        ASSERT_TRUE(writeReport(path, data, results, error)) << error;
        ASSERT_TRUE(results.commit());
        EXPECT_TRUE(readFile(path).starts_with(std::string(REPORT_FIRST_LINE) + "\n"));
        EXPECT_NE(readFile(path).find("conflict: 1 ..."), std::string::npos);
    }
    for (const char* foreign : {"<!DOCTYPE html>\n<p>my notes</p>\n", "class1,base,adjusted\n",
                                "<!DOCTYPE html><!-- qorsolve report -->"}) {
        dir.write("r.html", foreign);
        EXPECT_FALSE(mayWriteReport(path, error)) << foreign;
        ResultSet results;
        EXPECT_FALSE(writeReport(path, data, results, error)) << foreign;
        EXPECT_EQ(error, "Error: " + path + " was not written by qorsolve; not overwritten\n");
        EXPECT_EQ(readFile(path), foreign);
    }
    EXPECT_FALSE(mayWriteReport(dir / "missing/r.html", error));
    EXPECT_EQ(error, "Error: Could not open file " + (dir / "missing/r.html") +
                         ": No such file or directory\n");
    ResultSet results;
    EXPECT_FALSE(writeReport(dir / "missing/r.html", data, results, error));
    EXPECT_EQ(error, "Error: Could not open file " + (dir / "missing/r.html") +
                         ": No such file or directory\n");
}

}  // namespace
