#include "qorsolve/own_output.h"

#include <cstddef>

#include "common/file_head.h"

namespace {

// Longer than any header line qorsolve writes.
constexpr std::size_t HEAD_SIZE = 4096;

}  // namespace

bool mayReplaceOutput(const std::string& path, bool (*isOurs)(std::string_view)) {
    const FileHead file = readFileHead(path, HEAD_SIZE);
    if (file.state == FileAtPath::NONE) return true;
    if (file.state == FileAtPath::UNREADABLE) return false;
    const std::string_view head = file.head;
    const std::size_t end = head.find('\n');
    return end != std::string_view::npos && isOurs(head.substr(0, end));
}

std::string foreignOutputMessage(const std::string& path) {
    return "Error: " + path + " was not written by qorsolve; not overwritten\n";
}
