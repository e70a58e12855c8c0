#include "qorsolve/own_output.h"

#include <sys/stat.h>

#include <cstdio>

namespace {

// Longer than any header line qorsolve writes.
constexpr std::size_t HEAD_SIZE = 4096;

}  // namespace

bool mayReplaceOutput(const std::string& path, bool (*isOurs)(std::string_view)) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return true;
    if (!S_ISREG(info.st_mode) || info.st_size == 0) return true;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char buffer[HEAD_SIZE];
    const std::size_t read = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    const std::string_view head(buffer, read);
    const std::size_t end = head.find('\n');
    return end != std::string_view::npos && isOurs(head.substr(0, end));
}

std::string foreignOutputMessage(const std::string& path) {
    return "Error: " + path + " was not written by qorsolve; not overwritten\n";
}
