// qorsolve from the command line to the exit code: what each outcome prints first, and which
// outcomes leave a table behind.
#include "qorsolve/qorsolve_run.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>

#include "common/result_set.h"
#include "qorlex/driver/qorlex_run.h"
#include "qorsolve/output/html_report.h"
#include "tests/solver_fixtures.h"

namespace {

// Persons by region and sex: the totals of (North, _) are 19 in the base. "total" is
// appended as the last restriction.
std::string description(const std::string& total) {
    return "KLASSEN Region, Sex;\n"
           "AUSPRAEGUNGEN Region = North, South; Sex = 2;\n"
           "BASIS (_, _) 12 7 9 4;\n"
           "RESTRIKTIONEN (North, _) = 20; (South, _) ~ 14 2;\n" +
           total + "\nENDE\n";
}

// Two projects: "ok", which has a table, and "no", whose restrictions cannot all hold.
void translateOkAndNo(TempDir& dir) {
    std::ostringstream ignored;
    ASSERT_EQ(runQorlex({dir.write("ok.txt", description("")), dir / "ok"}, ignored, ignored), 0);
    ASSERT_EQ(runQorlex({dir.write("no.txt", description("(North, 1) > 21;")), dir / "no"}, ignored,
                        ignored),
              0);
}

TEST(RunQorsolve, EachOutcomeHasItsStatusExitCodeAndFiles) {
    TempDir dir;
    ASSERT_NO_FATAL_FAILURE(translateOkAndNo(dir));
    const std::string ok = dir / "ok";
    const std::string no = dir / "no";
    const struct {
        std::vector<std::string> args;
        int exit;
        std::string firstLine;
        bool table;
    } cases[] = {
        {{ok}, 0, "status: optimal", true},
        {{"--continuous", "--ignore-weak", "--time-limit", "30", ok}, 0, "status: optimal", true},
        {{ok, "--conflicts-only"}, 0, "status: feasible", false},
        {{no}, 1, "status: infeasible", false},
        {{"--conflicts-only", no}, 1, "status: infeasible", false},
        {{"--help"}, 0, "Usage: qorsolve [options] <project>", false},
        {{"--version"}, 0, std::string("qorsolve ") + QOR_VERSION, false},
        {{"--time-limit=0", ok},
         1,
         "Error: --time-limit needs a positive number of seconds",
         false},
        {{"--", "--quiet"},
         1,
         "Error: Could not open file --quiet-lbl.dat: No such file or "
         "directory",
         false},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dir / "ok-adj.csv");
        std::filesystem::remove(dir / "no-adj.csv");
        std::ostringstream out;
        EXPECT_EQ(runQorsolve(c.args, out, false), c.exit) << c.args.back();
        EXPECT_EQ(out.str().substr(0, out.str().find('\n')), c.firstLine) << c.args.back();
        const bool table = std::filesystem::exists(dir / "ok-adj.csv") ||
                           std::filesystem::exists(dir / "no-adj.csv");
        EXPECT_EQ(table, c.table) << c.args.back();
    }
}

TEST(RunQorsolve, ReportBesideEachOutcomeThatHasOne) {
    TempDir dir;
    ASSERT_NO_FATAL_FAILURE(translateOkAndNo(dir));
    const std::string report = dir / "r.html";
    const std::string foreign = "<!DOCTYPE html>\n<p>notes</p>\n";
    const struct {
        std::vector<std::string> args;
        bool foreignFirst;  // a file qorsolve did not write stands at the report's path
        int exit;
        std::string shown;  // in the report; empty: the report stays as it was
    } cases[] = {
        {{"--report", report, dir / "ok"}, false, 0, "<rect class=\"cell"},
        {{"--report=" + report, "--continuous", dir / "ok"}, false, 0, "status good\">optimal"},
        {{"--report", report, dir / "no"},
         false,
         1,
         "restriction 3: (North, 1) &gt; 21 (" + dir / "no.txt"},
        {{"--report", report, "--conflicts-only", dir / "ok"}, false, 0, "feasible</span>"},
        {{"--report", report, dir / "ok"}, true, 1, ""},
        {{"--report", report, dir / "no"}, true, 1, ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(report);
        std::filesystem::remove(dir / "ok-adj.csv");
        if (c.foreignFirst) dir.write("r.html", foreign);
        std::ostringstream out;
        EXPECT_EQ(runQorsolve(c.args, out, false), c.exit) << c.args[0];
        if (c.shown.empty()) {
            EXPECT_EQ(readFile(report), foreign);
            EXPECT_EQ(out.str(),
                      "Error: " + report + " was not written by qorsolve; not overwritten\n");
            EXPECT_FALSE(std::filesystem::exists(dir / "ok-adj.csv"));
        } else {
            EXPECT_NE(readFile(report).find(c.shown), std::string::npos) << c.shown;
        }
    }
    // A report that cannot be made stops the run before the solve: the earlier table and rows
    // stay.
    std::ostringstream out;
    ASSERT_EQ(runQorsolve({dir / "ok"}, out, false), 0);
    const std::string table = readFile(dir / "ok-adj.csv");
    const std::string rows = readFile(dir / "ok-rows.csv");
    for (const std::string& path : {dir / "missing/r.html", dir / "ok-adj.csv/r.html"}) {
        out.str("");
        EXPECT_EQ(runQorsolve({"--report", path, dir / "ok"}, out, false), 1);
        EXPECT_TRUE(out.str().starts_with("Error: Could not open file " + path + ": "))
            << out.str();
        EXPECT_EQ(readFile(dir / "ok-adj.csv"), table);
        EXPECT_EQ(readFile(dir / "ok-rows.csv"), rows);
    }
    out.str("");
    EXPECT_EQ(runQorsolve({dir / "ok", "--report"}, out, false), 1);
    EXPECT_EQ(out.str(), "Error: --report needs a file name\n");
}

// A run without a table prints its status and the lines after it, and its report shows the
// same status and lines.
TEST(RunQorsolve, ReportOfARunWithoutATableShowsWhatItPrinted) {
    TempDir dir;
    ASSERT_NO_FATAL_FAILURE(translateOkAndNo(dir));
    std::ostringstream ignored;
    // Real numbers meet (North, 1) - (North, 2) = 1 and the total 20, whole numbers cannot.
    ASSERT_EQ(
        runQorlex({dir.write("odd.txt", description("(North, 1) - (North, 2) = 1;")), dir / "odd"},
                  ignored, ignored),
        0);
    const struct {
        std::vector<std::string> args;
        std::string status;
        std::size_t lines;  // printed after the status line
    } cases[] = {
        {{dir / "no"}, "infeasible", 6},
        {{dir / "odd"}, "integer infeasible", 6},
        {{"--conflicts-only", dir / "ok"}, "feasible", 0},
    };
    const std::string report = dir / "r.html";
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--report", report};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::ostringstream out;
        (void)runQorsolve(args, out, false);
        std::istringstream printed(out.str());
        std::string line;
        ASSERT_TRUE(std::getline(printed, line));
        EXPECT_EQ(line, "status: " + c.status) << c.args.back();
        const std::string page = readFile(report);
        EXPECT_NE(page.find("\">" + c.status + "</span>"), std::string::npos) << c.args.back();
        std::size_t count = 0;
        for (; std::getline(printed, line); ++count) {
            const std::string shown =
                line.starts_with("advice: ") ? htmlText(line.substr(8)) : htmlText(line);
            EXPECT_NE(page.find(shown), std::string::npos) << line;
        }
        EXPECT_EQ(count, c.lines) << out.str();
    }
}

// The result files of project "p" and the report "r.html" present in `dir`, by name.
using Files = std::map<std::string, std::string>;
Files resultFiles(const TempDir& dir) {
    Files files;
    for (const char* name : {"p-adj.csv", "p-rows.csv", "p-conflict.csv", "r.html"}) {
        if (std::filesystem::exists(dir / name)) files[name] = readFile(dir / name);
    }
    return files;
}

// Every file of `part` is in `whole`, as it is there.
bool within(const Files& part, const Files& whole) {
    return std::all_of(part.begin(), part.end(), [&whole](const auto& file) {
        const auto found = whole.find(file.first);
        return found != whole.end() && found->second == file.second;
    });
}

int stepToStopAt = 0;

// A run killed before any step of its commit (a removal or a rename) leaves files of one run
// only, the earlier one's or its own; the next run replaces them with a whole set.
TEST(RunQorsolve, KilledInTheCommitLeavesFilesOfOneRun) {
    const struct {
        const char* name;
        std::string earlier, later;
    } cases[] = {
        {"table after table", description(""), description("(South, 1) = 8;")},
        {"conflict after table", description(""), description("(North, 1) > 21;")},
        {"table after conflict", description("(North, 1) > 21;"), description("")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::vector<std::string> run = {"--report", dir / "r.html", dir / "p"};
        std::ostringstream ignored;
        const auto translate = [&](const std::string& text) {
            ASSERT_EQ(runQorlex({dir.write("p.txt", text), dir / "p"}, ignored, ignored), 0);
        };
        bool killed = true;
        for (int step = 1; killed; ++step) {
            ASSERT_NO_FATAL_FAILURE(translate(c.earlier));
            (void)runQorsolve(run, ignored, false);
            const Files earlier = resultFiles(dir);
            ASSERT_NO_FATAL_FAILURE(translate(c.later));
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                stepToStopAt = step;
                ResultSet::betweenCommitSteps = [] {
                    if (--stepToStopAt == 0) raise(SIGKILL);
                };
                std::ostringstream out;
                _exit(runQorsolve(run, out, false));
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
            const Files left = resultFiles(dir);
            (void)runQorsolve(run, ignored, false);
            const Files later = resultFiles(dir);
            EXPECT_TRUE(within(left, earlier) || within(left, later)) << "before step " << step;
            EXPECT_NE(earlier, later);
            if (!killed) {
                EXPECT_EQ(left, later);
            }
            ASSERT_LT(step, 10);
        }
    }
}

}  // namespace
