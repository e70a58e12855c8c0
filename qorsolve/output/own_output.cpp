#include "qorsolve/output/own_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>

#include "common/file_head.h"
#include "qorsolve/core/qorsolve_error.h"
#include "qorsolve/output/csv_text.h"

namespace {

// Longer than any header line qorsolve writes.
constexpr std::size_t HEAD_SIZE = 4096;

// A file the user may not write, or whose write permissions are all taken away (which even
// a user allowed to write anything means as a protection).
bool readOnly(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

}  // namespace

bool hasStableColumns(std::string_view firstLine, std::string_view stableColumns, StableAt at) {
    std::vector<std::string> stable;
    if (!csvSplit(stableColumns, stable)) return false;
    std::vector<std::string> fields;
    // A file of any form qorsolve writes (csv_text.h), whatever the form of this run.
    for (const char separator : CSV_SEPARATORS) {
        if (!csvSplit(firstLine, fields, separator) || fields.size() < stable.size()) continue;
        const std::size_t last = at == StableAt::START ? 0 : fields.size() - stable.size();
        for (std::size_t from = 0; from <= last; ++from) {
            const auto begin = fields.begin() + static_cast<std::ptrdiff_t>(from);
            if (std::equal(stable.begin(), stable.end(), begin)) return true;
        }
    }
    return false;
}

OutputCheck checkEarlierOutput(const std::string& path, bool (*isOurs)(std::string_view)) {
    OutputCheck check;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return check;
    if (S_ISDIR(info.st_mode)) {
        check.state = EarlierOutput::DIRECTORY;
        return check;
    }
    if (!S_ISREG(info.st_mode)) {
        check.state = EarlierOutput::NOT_REGULAR;
        return check;
    }
    const FileHead file = readFileHead(path, HEAD_SIZE);
    switch (file.state) {
        case FileAtPath::NONE:
            return check;
        case FileAtPath::UNREADABLE:
            check.state = EarlierOutput::UNREADABLE;
            check.error = file.error;
            return check;
        case FileAtPath::READ:
            break;
    }
    const std::string_view head = file.head;
    std::size_t end = head.find('\n');
    // A file re-saved by a program that writes Windows line ends is still ours.
    if (end != std::string_view::npos && end > 0 && head[end - 1] == '\r') --end;
    if (end == std::string_view::npos || !isOurs(head.substr(0, end))) {
        check.state = EarlierOutput::FOREIGN;
    } else {
        check.state = readOnly(path, info) ? EarlierOutput::READ_ONLY : EarlierOutput::OURS;
    }
    return check;
}

bool mayWrite(const OutputCheck& check) {
    return check.state == EarlierOutput::NONE || check.state == EarlierOutput::OURS;
}

std::string refusalMessage(const std::string& path, const OutputCheck& check, bool removing) {
    switch (check.state) {
        case EarlierOutput::NONE:
        case EarlierOutput::OURS:
            return "";
        case EarlierOutput::READ_ONLY:
            return errorMessage({QorsolveFault::READ_ONLY, path, "", 0, removing});
        case EarlierOutput::FOREIGN:
            return errorMessage({QorsolveFault::NOT_OURS, path, "", 0, removing});
        case EarlierOutput::UNREADABLE:
            return errorMessage({QorsolveFault::CANNOT_READ, path, "", check.error, removing});
        case EarlierOutput::DIRECTORY:
            return errorMessage({QorsolveFault::CANNOT_OPEN, path, "", EISDIR});
        case EarlierOutput::NOT_REGULAR:
            return errorMessage({QorsolveFault::CANNOT_OPEN, path});
    }
    return "";
}
