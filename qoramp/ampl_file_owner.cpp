#include "qoramp/ampl_file_owner.h"

#include <cstddef>
#include <string_view>

#include "common/file_head.h"

namespace {

// Enough for the longest beginning looked at: three int32 counts and their separators, with
// room for generous blanks.
constexpr std::size_t HEAD_SIZE = 256;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The first line (up to a line end or the end of the file) is three runs of digits with
// blanks between them and nothing else.
bool isCountsLine(std::string_view head, bool wholeFile) {
    std::size_t at = 0;
    for (int number = 0; number < 3; ++number) {
        if (number > 0) {
            if (at >= head.size() || !isBlank(head[at])) return false;
            while (at < head.size() && isBlank(head[at])) ++at;
        }
        if (at >= head.size() || !isDigit(head[at])) return false;
        while (at < head.size() && isDigit(head[at])) ++at;
    }
    if (at < head.size()) return head[at] == '\n';
    return wholeFile;
}

}  // namespace

bool mayReplaceAmplFile(const std::string& path, AmplFileKind kind) {
    const FileHead file = readFileHead(path, HEAD_SIZE);
    if (file.state == FileAtPath::NONE) return true;
    if (file.state == FileAtPath::UNREADABLE) return false;
    const std::string_view head = file.head;
    switch (kind) {
        case AmplFileKind::MODEL:
            return head.starts_with("param COLS;");
        case AmplFileKind::COMMAND:
            return head.starts_with("read COLS, ROWS, NNZ <");
        case AmplFileKind::NUMBERS:
            return isCountsLine(head, file.wholeFile);
    }
    return false;
}
