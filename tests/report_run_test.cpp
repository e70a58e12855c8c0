// The report's header: the date a rerun can fix, the files read with their times, the files
// the project was made from as recorded, and the words of the objective.
#include "qorsolve/output/report_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "common/input_record.h"
#include "tests/solve_project.h"
#include "tests/test_files.h"

namespace {

// Sets the modification time of `path` to `seconds` since 1970.
void touch(const std::string& path, int64_t seconds) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), 0},
                                      {static_cast<time_t>(seconds), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST(ReportRun, DateFromSourceDateEpochWhereItIsWholeSeconds) {
    const struct {
        const char* value;
        int64_t date;
    } cases[] = {
        {nullptr, 77},
        {"", 77},
        {"1714564807", 1714564807},
        {"0", 0},
        {"0012", 12},
        {"999999999999999999", 999999999999999999},
        // Not as reproducible builds set it: the run's time.
        {"1714564807.5", 77},
        {"-1", 77},
        {" 12", 77},
        {"12 ", 77},
        {"1e9", 77},
        {"9999999999999999999", 77},  // beyond int64
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reportDate(c.value, 77), c.date) << (c.value ? c.value : "unset");
    }
}

TEST(ReportRun, FilesReadAndMadeFromWithTheirTimes) {
    TempDir dir;
    const std::string name = dir / "p";
    Project project = solveProject(name);
    for (const char* suffix : {"-lbl.dat", "-bin.dat", "-ctr.dat"}) {
        dir.write(std::string("p") + suffix, "x");
        touch(name + suffix, 1714564807);
    }
    // A description unchanged since, and a base file changed after the project was made.
    const std::string description = dir.write("p.txt", "KLASSEN");
    const std::string base = dir.write("base.txt", "1 2");
    InputRecord record;
    for (const std::string& path : {description, base}) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(recordInput(record, path.substr(dir.path().string().size() + 1), file));
        std::fclose(file);
        record.inputs.back().path = path;  // named from the directory, as by qorlex run there
    }
    // As if recorded so, and the file still as it was then.
    record.inputs[0].modifiedSeconds = -5;
    record.inputs[0].modifiedNanoseconds = 0;
    touch(description, -5);
    ASSERT_TRUE(writeInputRecord(name + INPUT_RECORD_SUFFIX, record));
    touch(base, 1800000000);

    SolveSettings settings;
    settings.continuous = true;
    settings.timeLimit = 60;
    settings.workLimit = 1000;
    const ReportRun run = reportRun(project, settings, Distance::CHI_SQUARE);
    EXPECT_FALSE(run.wholeNumbers);
    EXPECT_EQ(run.timeLimit, 60);
    EXPECT_EQ(run.workLimit, 1000);
    EXPECT_EQ(run.work, -1);
    EXPECT_EQ(run.version, QOR_VERSION);
    ASSERT_EQ(run.read.size(), 3u);  // no class name, names or statement file
    for (const ReportFile& file : run.read) {
        EXPECT_TRUE(file.known) << file.path;
        EXPECT_EQ(file.modifiedSeconds, 1714564807) << file.path;
        EXPECT_FALSE(file.changed);
    }
    EXPECT_EQ(run.read[0].path, name + "-lbl.dat");
    EXPECT_EQ(run.read[2].path, name + "-ctr.dat");
    ASSERT_EQ(run.madeFrom.size(), 2u);
    EXPECT_EQ(run.madeFrom[0].path, "p.txt");
    EXPECT_EQ(run.madeFrom[0].modifiedSeconds, -5);
    EXPECT_FALSE(run.madeFrom[0].changed);
    EXPECT_EQ(run.madeFrom[1].path, "base.txt");
    EXPECT_TRUE(run.madeFrom[1].changed);

    // A file gone since it was read has no time; a damaged record lists nothing.
    std::remove((name + "-bin.dat").c_str());
    dir.write("p-inputs.dat", "damaged");
    const ReportRun later = reportRun(project, settings, Distance::CHI_SQUARE);
    EXPECT_FALSE(later.read[1].known);
    EXPECT_TRUE(later.madeFrom.empty());
}

TEST(ReportRun, ObjectiveInWordsOfItsDistance) {
    // Every distance has names of its own: the option's value and the report's words.
    for (const DistanceInfo& names : DISTANCES) {
        EXPECT_EQ(&distanceInfo(names.distance), &names);
        for (const DistanceInfo& other : DISTANCES) {
            if (&other == &names) continue;
            EXPECT_NE(other.option, names.option);
            EXPECT_NE(other.words, names.words);
        }
    }
    Project project = solveProject();  // one weak restriction
    SolveSettings settings;
    const ReportRun run = reportRun(project, settings, Distance::CHI_SQUARE);
    EXPECT_EQ(run.distance,
              "chi-square distance: (x \u2212 b)\u00b2 / b per cell, x its adjusted value and b "
              "its base");
    EXPECT_EQ(run.objective,
              "the sum of (x \u2212 b)\u00b2 / b over the adjustable cells, plus for each weak "
              "restriction its weight times (value \u2212 target)\u00b2 / max(|target|, 1)");
    settings.ignoreWeak = true;
    EXPECT_EQ(reportRun(project, settings, Distance::CHI_SQUARE).objective,
              "the sum of (x \u2212 b)\u00b2 / b over the adjustable cells; the weak "
              "restrictions are ignored");
    project.control.restrictions.erase(project.control.restrictions.begin() + 2);
    EXPECT_EQ(reportRun(project, SolveSettings(), Distance::CHI_SQUARE).objective,
              "the sum of (x \u2212 b)\u00b2 / b over the adjustable cells");
}

}  // namespace
