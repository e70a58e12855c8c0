#include "qorsolve/core/qorsolve_error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// Every fault has one line, "Error: ..." with its line end, and the parts that name a file
// or the system's reason where the fault has them.
TEST(QorsolveError, EveryFaultIsOneErrorLine) {
    for (int f = static_cast<int>(QorsolveFault::UNKNOWN_OPTION);
         f <= static_cast<int>(QorsolveFault::SOLVER_FAILED); ++f) {
        const std::string line = errorMessage({static_cast<QorsolveFault>(f), "p-x.csv", "p"});
        EXPECT_TRUE(line.starts_with("Error: ")) << f;
        EXPECT_TRUE(line.ends_with("\n")) << f;
        EXPECT_EQ(line.find('\n'), line.size() - 1) << f;
    }
    EXPECT_EQ(errorMessage({}), "");
}

TEST(QorsolveError, FileMessages) {
    struct Case {
        QorsolveError error;
        std::string line;
    };
    const Case cases[] = {
        {{QorsolveFault::CANNOT_OPEN, "a.dat", "", ENOENT},
         "Error: Could not open file a.dat: No such file or directory\n"},
        {{QorsolveFault::CANNOT_OPEN, "a.dat"},
         "Error: Could not open file a.dat: Not a regular file\n"},
        {{QorsolveFault::CANNOT_WRITE, "a.csv"}, "Error: Could not write to a.csv\n"},
        {{QorsolveFault::CANNOT_WRITE, "a.csv", "", ENOSPC},
         "Error: Could not write to a.csv: No space left on device\n"},
        {{QorsolveFault::READ_ONLY, "a.csv"}, "Error: a.csv is read-only; not overwritten\n"},
        {{QorsolveFault::NOT_OURS, "a.csv", "", 0, true},
         "Error: a.csv was not written by qorsolve; not removed\n"},
        {{QorsolveFault::LOCKED, "p-solve.lock", "p"},
         "Error: Another qorsolve is adjusting p (it holds p-solve.lock); try again when it has "
         "ended\n"},
        {{QorsolveFault::SAME_FILE, "a.csv", "b.csv"},
         "Error: a.csv and b.csv are the same file; not overwritten\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(errorMessage(c.error), c.line);
}

}  // namespace
