#include "common/result_set.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "common/temporary_files.h"

namespace {

// Removes the file at `path`: the file a symbolic link leads to, not the link.
void removeFile(const std::string& path) {
    char* target = realpath(path.c_str(), nullptr);
    std::remove(target != nullptr ? target : path.c_str());
    std::free(target);
}

// Removes the regular file at `path` (following links), and nothing else.
void removeRegularFile(const std::string& path) {
    struct stat entry {};
    if (stat(path.c_str(), &entry) == 0 && S_ISREG(entry.st_mode)) removeFile(path);
}

void betweenSteps() {
    if (ResultSet::betweenCommitSteps != nullptr) ResultSet::betweenCommitSteps();
}

// The directory part of `path` ("." for none) and the name in it.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool sameEntry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool isSameFile(const std::string& a, const std::string& b) {
    const std::string first = followLinks(a);
    const std::string second = followLinks(b);
    struct stat infoA {};
    struct stat infoB {};
    const bool existsA = stat(first.c_str(), &infoA) == 0;
    const bool existsB = stat(second.c_str(), &infoB) == 0;
    if (existsA || existsB) return existsA && existsB && sameEntry(infoA, infoB);
    // Neither exists yet: the same name in the same directory.
    const auto [directoryA, nameA] = splitPath(first);
    const auto [directoryB, nameB] = splitPath(second);
    if (nameA != nameB) return false;
    return stat(directoryA.c_str(), &infoA) == 0 && stat(directoryB.c_str(), &infoB) == 0 &&
           sameEntry(infoA, infoB);
}

OutputFile* ResultSet::add(const std::string& path) {
    for (const auto& file : files_) {
        if (isSameFile(file->path(), path)) {
            failedPath_ = path;
            failedError_ = 0;
            return nullptr;
        }
    }
    auto file = std::make_unique<OutputFile>(path);
    if (!file->open(OutputFile::Placement::TEMPORARY)) {
        fail(*file);
        return nullptr;
    }
    files_.push_back(std::move(file));
    return files_.back().get();
}

bool ResultSet::includes(const std::string& path) const {
    for (const auto& file : files_) {
        if (file->path() == path) return true;
    }
    return false;
}

void ResultSet::removeWhenCommitted(const std::string& path) {
    removals_.push_back(path);
}

void ResultSet::fail(const OutputFile& file) {
    failedPath_ = file.path();
    failedError_ = file.error();
}

bool ResultSet::finishWriting() {
    for (const auto& file : files_) {
        if (!file->finishWriting()) {
            fail(*file);
            discard();
            return false;
        }
    }
    finished_ = true;
    return true;
}

bool ResultSet::putInPlace() {
    if (!finished_) return false;
    finished_ = false;
    bool failed = false;
    {
        const SignalsHeld held;
        // The earlier files go first (those the set does not include, then those at the
        // places of all its files but the first, which its rename replaces), and then the new
        // files take their places in order: at every moment the files present are some of
        // the earlier set or some of the new one, never a mix, even when SIGKILL, which
        // cannot be held back, ends the program between two steps.
        for (const std::string& path : removals_) {
            betweenSteps();
            removeFile(path);
        }
        for (std::size_t i = 1; i < files_.size(); ++i) {
            betweenSteps();
            removeRegularFile(files_[i]->path());
        }
        for (const auto& file : files_) {
            betweenSteps();
            if (!file->putInPlace()) {
                fail(*file);
                failed = true;
                break;
            }
        }
    }
    if (failed) discard();
    files_.clear();
    removals_.clear();
    return !failed;
}

void ResultSet::discard() {
    try {
        std::vector<std::string> paths;
        for (const auto& file : files_) paths.push_back(file->path());
        // Each file not yet in place goes with its temporary file and the earlier file.
        files_.clear();
        // The files already put in place.
        for (const std::string& path : paths) removeRegularFile(path);
    } catch (const std::bad_alloc&) {
        files_.clear();
    }
    for (const std::string& path : removals_) removeFile(path);
    removals_.clear();
    finished_ = false;
}
