// One qorsolve at a time on a project, so that two runs cannot mix their result files.
//
// The lock is the file <project>-solve.lock beside the project files, locked (flock) for as
// long as the run holds it. The run that created the file removes it again at the end (or
// when an interrupt ends it); a run that finds one left behind (its run was killed) uses it
// and removes it too, but only when it holds the mark qorsolve writes into its lock files, so
// that a user's file of that name (or a link to one) is locked but never changed or removed.
// Anything else at that path (a directory, a pipe, a symbolic link to nothing or to something
// not a regular file) is neither opened nor followed to make a file elsewhere: the run stops
// and says what is there.
#pragma once

#include <string>

class ProjectLock {
  public:
    ProjectLock() = default;
    ~ProjectLock();
    ProjectLock(const ProjectLock&) = delete;
    ProjectLock& operator=(const ProjectLock&) = delete;

    // Takes the lock of `project` without waiting. False, with the message (one line and its
    // line end) in `error`, when another run holds it or the lock file cannot be made.
    bool acquire(const std::string& project, std::string& error);

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    int descriptor_ = -1;
    bool removeAtEnd_ = false;
    int interruptSlot_ = -1;  // the lock file is removed on an interrupt too
};
