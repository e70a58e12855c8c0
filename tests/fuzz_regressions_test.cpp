// Every input a fuzzer once found a fault with, run again the way the fuzzer ran it: the
// program must end with exit code 0 or 1 (the sanitizer build catches the rest).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "common/allocation.h"
#include "fuzz/fuzz_setup.h"
#include "qoramp/qoramp_run.h"
#include "qordump/qordump_run.h"
#include "qorimport/qorimport_run.h"
#include "qorlex/driver/qorlex_run.h"
#include "qorsolve/qorsolve_run.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

// The inputs of one target, without the placeholder that keeps the folder in git.
std::vector<fs::path> inputsOf(const char* target) {
    std::vector<fs::path> inputs;
    const fs::path folder = fs::path(QOR_FUZZ_REGRESSIONS_DIR) / target;
    if (!fs::is_directory(folder)) return inputs;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename() != ".keep")
            inputs.push_back(entry.path());
    }
    return inputs;
}

class FuzzRegressions : public ::testing::Test {
  protected:
    void SetUp() override {
        previousLimit = allocationLimit;
        allocationLimit = std::size_t{64} << 20;
        previousDirectory = fs::current_path();
        fs::create_directories(scratchDirectory());
        writeBaseFiles(scratchDirectory());
        fs::current_path(scratchDirectory());
    }
    void TearDown() override {
        fs::current_path(previousDirectory);
        fs::remove_all(scratchDirectory());
        allocationLimit = previousLimit;
    }
    std::size_t previousLimit = 0;
    fs::path previousDirectory;
};

TEST_F(FuzzRegressions, TableDescriptions) {
    const std::string& dir = scratchDirectory();
    for (const fs::path& input : inputsOf("qorlex")) {
        const std::string text = readFile(input);
        if (namesSpecialFiles(text)) continue;
        writeScratchFile(dir + "table.txt", writeOwnBaseFile(dir, text));
        std::ostringstream out, err;
        const int status = runQorlex({dir + "table.txt", dir + "project"}, out, err);
        EXPECT_TRUE(status == 0 || status == 1) << input;
    }
}

TEST_F(FuzzRegressions, SpreadsheetFiles) {
    for (const fs::path& input : inputsOf("qorimport")) {
        std::ostringstream out;
        const int status = runQorimport(importArguments(scratchDirectory(), readFile(input)), out);
        EXPECT_TRUE(status == 0 || status == 1) << input;
    }
}

TEST_F(FuzzRegressions, BinaryDataFiles) {
    const std::string project = scratchDirectory() + "project";
    for (const fs::path& input : inputsOf("qoramp")) {
        writeScratchFile(project + "-bin.dat", readFile(input));
        std::ostringstream out;
        const int status = runQoramp({project}, out, out);
        EXPECT_TRUE(status == 0 || status == 1) << input;
    }
}

TEST_F(FuzzRegressions, Projects) {
    const std::string project = scratchDirectory() + "project";
    for (const fs::path& input : inputsOf("project")) {
        ASSERT_TRUE(writeProjectFiles(project, readFile(input))) << input;
        for (const char* format : {"--json", "--"}) {
            std::ostringstream out;
            const int status = runQordump({format, project}, out, out);
            EXPECT_TRUE(status == 0 || status == 1) << input;
        }
        for (const char* mode : {"--quiet", "--continuous", "--conflicts-only"}) {
            std::ostringstream out;
            const int status = runQorsolve(
                {"--quiet", mode, "--time-limit", "2", "--report", project + ".html", project}, out,
                false);
            EXPECT_TRUE(status == 0 || status == 1) << input;
        }
    }
}

}  // namespace
