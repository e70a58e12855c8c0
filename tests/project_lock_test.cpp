// ProjectLock: one run per project; the lock file goes at the end unless it is someone else's.
#include "qorsolve/project_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/test_files.h"

namespace {

TEST(ProjectLock, OneRunAtATimeAndNoFileLeft) {
    const struct {
        const char* name;
        const char* earlier;  // what stands at the lock path before; nullptr for nothing
        bool staysAfter;
    } cases[] = {
        {"no lock file", nullptr, false},
        {"left by a killed run", "qorsolve lock\n", false},
        {"a file of someone else's", "my notes\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string project = dir / "p";
        if (c.earlier != nullptr) dir.write("p-solve.lock", c.earlier);
        {
            ProjectLock first;
            std::string error;
            ASSERT_TRUE(first.acquire(project, error)) << error;
            ProjectLock second;
            EXPECT_FALSE(second.acquire(project, error));
            EXPECT_EQ(error, "Error: Another qorsolve is adjusting " + project + " (it holds " +
                                 project + "-solve.lock); try again when it has ended\n");
        }
        EXPECT_EQ(std::filesystem::exists(dir / "p-solve.lock"), c.staysAfter);
        if (c.staysAfter) {
            EXPECT_EQ(readFile(dir / "p-solve.lock"), c.earlier);
        }
        // Free again.
        ProjectLock next;
        std::string error;
        EXPECT_TRUE(next.acquire(project, error)) << error;
    }
}

TEST(ProjectLock, LockThatCannotBeMadeSaysWhy) {
    TempDir dir;
    std::filesystem::create_directory(dir / "p-solve.lock");
    ProjectLock lock;
    std::string error;
    EXPECT_FALSE(lock.acquire(dir / "p", error));
    EXPECT_EQ(error,
              "Error: Could not open file " + (dir / "p-solve.lock") + ": Not a regular file\n");
    EXPECT_FALSE(lock.acquire(dir / "missing/p", error));
    EXPECT_EQ(error, "Error: Could not create file " + (dir / "missing/p-solve.lock") +
                         ": No such file or directory\n");
}

}  // namespace
