// ProjectLock: one run per project; the lock file goes at the end unless it is someone else's.
#include "qorsolve/project_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

// What stands at the lock's path instead of a file is named, never opened, and never followed
// to make a file elsewhere.
TEST(ProjectLock, LockThatCannotBeMadeSaysWhy) {
    const struct {
        const char* what;
        void (*make)(const std::string& path);
    } cases[] = {
        {"a directory", [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"a pipe", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"a symbolic link to a file that does not exist",
         [](const std::string& path) { std::filesystem::create_symlink("elsewhere", path); }},
        {"a symbolic link to a directory",
         [](const std::string& path) { std::filesystem::create_directory_symlink(".", path); }},
        {"a symbolic link that cannot be followed",
         [](const std::string& path) { std::filesystem::create_symlink(path, path); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.make(dir / "p-solve.lock");
        ProjectLock lock;
        std::string error;
        EXPECT_FALSE(lock.acquire(dir / "p", error));
        EXPECT_EQ(error, "Error: " + (dir / "p-solve.lock") + " is " + c.what +
                             ", where qorsolve keeps the project's lock file; remove or rename "
                             "it\n");
        EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
    }
    // A link to a file is followed to lock it; both stay.
    TempDir dir;
    dir.write("notes", "my notes\n");
    std::filesystem::create_symlink("notes", dir / "p-solve.lock");
    {
        ProjectLock lock;
        std::string error;
        EXPECT_TRUE(lock.acquire(dir / "p", error)) << error;
    }
    EXPECT_EQ(readFile(dir / "p-solve.lock"), "my notes\n");

    ProjectLock lock;
    std::string error;
    EXPECT_FALSE(lock.acquire(dir / "missing/p", error));
    EXPECT_EQ(error, "Error: Could not create file " + (dir / "missing/p-solve.lock") +
                         ": No such file or directory\n");
}

}  // namespace
