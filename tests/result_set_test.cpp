// ResultSet: files that are put in place together, all or none.
#include "common/result_set.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "common/temporary_files.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> names(const TempDir& dir) {
    std::vector<std::string> result;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        std::string name = entry.path().filename().string();
        // Temporary files by the name they stand for.
        if (const std::size_t at = name.find(".tmp-"); at != std::string::npos) {
            name = name.substr(0, at) + ".tmp";
        }
        result.push_back(name);
    }
    std::sort(result.begin(), result.end());
    return result;
}

TEST(ResultSet, AllFilesAreCompleteBeforeAnyTakesItsPlace) {
    TempDir dir;
    dir.write("a", "earlier a");
    dir.write("b", "earlier b");
    dir.write("old", "earlier result of another kind");
    dir.write("other", "a file outside the set");
    ResultSet set;
    OutputFile* a = set.add(dir / "a");
    OutputFile* b = set.add(dir / "b");
    OutputFile* c = set.add(dir / "c");
    ASSERT_TRUE(a != nullptr && b != nullptr && c != nullptr);
    a->writeText("new a");
    b->writeText("new b");
    c->writeText("new c");
    set.removeWhenCommitted(dir / "old");
    ASSERT_TRUE(set.finishWriting());
    // Every new file is written and closed, no earlier one replaced yet.
    EXPECT_EQ(names(dir),
              (std::vector<std::string>{"a", "a.tmp", "b", "b.tmp", "c.tmp", "old", "other"}));
    EXPECT_EQ(readFile(dir / "a"), "earlier a");
    ASSERT_TRUE(set.putInPlace());
    EXPECT_EQ(names(dir), (std::vector<std::string>{"a", "b", "c", "other"}));
    EXPECT_EQ(readFile(dir / "a") + readFile(dir / "b") + readFile(dir / "c"), "new anew bnew c");
}

TEST(ResultSet, SetThatCannotBeCompletedLeavesNoneOfItsFiles) {
    TempDir dir;
    dir.write("a", "earlier a");
    dir.write("old", "earlier result of another kind");
    fs::create_directory(dir / "sub");
    fs::create_symlink("a", dir / "link-to-a");
    {
        ResultSet set;
        ASSERT_NE(set.add(dir / "a"), nullptr);
        set.removeWhenCommitted(dir / "old");
        // The same file under another name, and a file that cannot be created.
        EXPECT_EQ(set.add(dir / "link-to-a"), nullptr);
        EXPECT_EQ(set.failedError(), 0);
        EXPECT_EQ(set.add(dir / "sub"), nullptr);
        EXPECT_EQ(set.failedError(), EISDIR);
        EXPECT_EQ(set.add(dir / "missing/b"), nullptr);
        EXPECT_EQ(set.failedError(), ENOENT);
        EXPECT_EQ(set.failedPath(), dir / "missing/b");
        // Given up without a commit.
    }
    EXPECT_EQ(names(dir), (std::vector<std::string>{"link-to-a", "sub"}));
}

TEST(ResultSet, SameFileFollowsLinksToFilesNotYetThere) {
    TempDir dir;
    fs::create_directory(dir / "sub");
    fs::create_symlink("sub/x", dir / "to-x");
    fs::create_symlink("../to-x", dir / "sub/to-to-x");
    EXPECT_TRUE(isSameFile(dir / "to-x", dir / "sub/x"));
    EXPECT_TRUE(isSameFile(dir / "sub/to-to-x", dir / "sub/../sub/x"));
    EXPECT_FALSE(isSameFile(dir / "to-x", dir / "x"));
    dir.write("sub/x", "now it exists");
    EXPECT_TRUE(isSameFile(dir / "sub/to-to-x", dir / "sub/x"));
    fs::create_hard_link(dir / "sub/x", dir / "hard");
    EXPECT_TRUE(isSameFile(dir / "hard", dir / "to-x"));
    EXPECT_FALSE(isSameFile(dir / "hard", dir / "sub"));
}

// A signal that comes while the signals are held takes effect after the held step.
TEST(ResultSet, SignalsWaitUntilTheHeldStepIsDone) {
    TempDir dir;
    const std::string marker = dir / "after the held step";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        {
            const SignalsHeld held;
            kill(getpid(), SIGTERM);
            kill(getpid(), SIGINT);
            dir.write("after the held step", "done");
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(readFile(marker), "done");
}

}  // namespace
