#include "qorsolve/project_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "common/temporary_files.h"
#include "qorsolve/core/qorsolve_error.h"

namespace {

constexpr std::string_view MARK = "qorsolve lock\n";

bool holdsMark(int descriptor) {
    char text[MARK.size() + 1];
    const ssize_t length = pread(descriptor, text, sizeof text, 0);
    return length == static_cast<ssize_t>(MARK.size()) &&
           std::string_view(text, MARK.size()) == MARK;
}

// What a file of type `mode` is, for a message.
const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

// What stands at `path` that is not a regular file nor a link to one; empty when nothing
// stands there (any more).
std::string whatStandsAt(const std::string& path) {
    struct stat entry {};
    if (lstat(path.c_str(), &entry) != 0) return "";
    if (!S_ISLNK(entry.st_mode)) return kindOf(entry.st_mode);
    struct stat target {};
    if (stat(path.c_str(), &target) == 0)
        return std::string("a symbolic link to ") + kindOf(target.st_mode);
    return errno == ENOENT ? "a symbolic link to a file that does not exist"
                           : "a symbolic link that cannot be followed";
}

}  // namespace

bool ProjectLock::acquire(const std::string& project, std::string& error) {
    path_ = project + "-solve.lock";
    // From the file's creation to its registration for removal, an interrupt would leave it
    // behind: it waits until the lock is registered (or given up).
    const SignalsHeld held;
    // A lock file removed between its open and its lock is tried again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        bool created = true;
        int descriptor = open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno == EEXIST) {
            // Whatever stands there is used as it is: O_EXCL never follows a link, and
            // nothing but a regular file (or a link to one) is opened, so that neither a file
            // elsewhere is made nor a pipe or device opened.
            created = false;
            struct stat existing {};
            if (stat(path_.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode)) {
                const std::string what = whatStandsAt(path_);
                if (what.empty()) continue;  // removed meanwhile
                error = errorMessage({QorsolveFault::LOCK_IN_THE_WAY, path_, what});
                return false;
            }
            descriptor = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (descriptor < 0 && errno == ENOENT) continue;
        }
        if (descriptor < 0) {
            error = errorMessage({QorsolveFault::CANNOT_CREATE, path_, "", errno});
            return false;
        }
        struct stat opened {};
        if (fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            close(descriptor);
            error = errorMessage({QorsolveFault::LOCK_IN_THE_WAY, path_, kindOf(opened.st_mode)});
            return false;
        }
        if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int reason = errno;
            close(descriptor);
            error = reason == EWOULDBLOCK
                        ? errorMessage({QorsolveFault::LOCKED, path_, project})
                        : errorMessage({QorsolveFault::CANNOT_LOCK, path_, "", reason});
            return false;
        }
        struct stat named {};
        if (stat(path_.c_str(), &named) != 0 || named.st_dev != opened.st_dev ||
            named.st_ino != opened.st_ino) {
            close(descriptor);
            continue;
        }
        if (created) {
            (void)!write(descriptor, MARK.data(), MARK.size());
        }
        descriptor_ = descriptor;
        removeAtEnd_ = created || holdsMark(descriptor);
        if (removeAtEnd_) interruptSlot_ = registerFileToRemove(path_.c_str());
        return true;
    }
    error = errorMessage({QorsolveFault::CANNOT_LOCK, path_, "", EAGAIN});
    return false;
}

ProjectLock::~ProjectLock() {
    if (descriptor_ < 0) return;
    // Removed while still locked: a run that opened the file meanwhile finds it gone and
    // makes a new one.
    // The interrupt's removal is given up first: once the file is gone, another run may make
    // a new one of the same name.
    releaseTemporaryFile(interruptSlot_);
    if (removeAtEnd_) unlink(path_.c_str());
    close(descriptor_);
}
