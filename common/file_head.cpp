#include "common/file_head.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

FileHead readFileHead(const std::string& path, std::size_t maxSize) {
    FileHead result;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return result;
    if (!S_ISREG(info.st_mode) || info.st_size == 0) return result;

    // Without blocking, should a pipe have taken the file's place since.
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        result.state = FileAtPath::UNREADABLE;
        result.error = errno;
        return result;
    }
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(file);
        return result;
    }
    result.head.resize(maxSize);
    std::size_t read = 0;
    bool failed = false;
    while (read < maxSize) {
        const ssize_t got = ::read(file, result.head.data() + read, maxSize - read);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        read += static_cast<std::size_t>(got);
    }
    if (failed && read == 0) {
        result.error = errno;
        close(file);
        result.head.clear();
        result.state = FileAtPath::UNREADABLE;
        return result;
    }
    result.wholeFile = read < maxSize && !failed;
    close(file);
    result.head.resize(read);
    result.state = FileAtPath::READ;
    return result;
}
