#include "common/file_head.h"

#include <sys/stat.h>

#include <cstdio>

FileHead readFileHead(const std::string& path, std::size_t maxSize) {
    FileHead result;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return result;
    if (!S_ISREG(info.st_mode) || info.st_size == 0) return result;

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        result.state = FileAtPath::UNREADABLE;
        return result;
    }
    result.head.resize(maxSize);
    const std::size_t read = std::fread(result.head.data(), 1, maxSize, file);
    result.wholeFile = read < maxSize && std::feof(file) && !std::ferror(file);
    std::fclose(file);
    result.head.resize(read);
    result.state = FileAtPath::READ;
    return result;
}
