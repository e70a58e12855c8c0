// Files that belong together, such as the results of one run.
//
// Each file is first written whole under a temporary name in its own directory; only when all
// are complete are they put in place, in one step with the signals held back, so that an
// interrupt (SIGINT, SIGTERM, SIGHUP, ...) leaves either all the earlier files or all the new
// ones. Earlier files that the new set does not include are removed in the same step, so that
// afterwards the files present are exactly the set's. Within the step the earlier files go
// first (all but the one at the place of the set's first file) and the new files are then
// renamed in the order they were added, so that SIGKILL, which cannot be held back, leaves
// some files of one set or the other, never a mix: at worst files are missing (and a
// temporary file stays).
//
// A set that fails (a file that cannot be created, written or renamed) leaves none of its
// files behind, and none of the earlier ones at its paths, so that no earlier file can pass for
// the new run's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/output_file.h"

class ResultSet {
  public:
    ResultSet() = default;
    // A set that was not committed is discarded.
    ~ResultSet() { discard(); }
    ResultSet(const ResultSet&) = delete;
    ResultSet& operator=(const ResultSet&) = delete;

    // A new file of the set, opened for writing under its temporary name. nullptr when it
    // cannot be created (failedPath() and failedError() tell which and why), or when it would
    // be the same file as one already in the set (failedError() is then 0). Whatever stands at
    // `path` is then left alone.
    OutputFile* add(const std::string& path);
    // True when a file at `path` (as given) is in the set.
    bool includes(const std::string& path) const;
    // An earlier file to remove when the set is put in place.
    void removeWhenCommitted(const std::string& path);

    // The two steps of commit(): every file written and closed, then all put in place and the
    // earlier ones removed. False when a file failed; the whole set is then removed.
    bool finishWriting();
    bool putInPlace();
    bool commit() { return finishWriting() && putInPlace(); }

    // Removes every file of the set, the earlier files at its paths and those to remove.
    void discard();

    // When set, called before each removal and rename of putInPlace: for tests that stop a
    // commit between two of its steps. The programs never set it.
    static inline void (*betweenCommitSteps)() = nullptr;

    const std::string& failedPath() const { return failedPath_; }
    int failedError() const { return failedError_; }

  private:
    void fail(const OutputFile& file);

    std::vector<std::unique_ptr<OutputFile>> files_;
    std::vector<std::string> removals_;
    std::string failedPath_;
    int failedError_ = 0;
    bool finished_ = false;
};

// True when `a` and `b` name the same file, following symbolic links, whether or not it exists
// yet.
bool isSameFile(const std::string& a, const std::string& b);
