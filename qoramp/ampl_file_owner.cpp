#include "qoramp/ampl_file_owner.h"

#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
#include <string_view>

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
    struct stat info {};
    // Nothing there, or nothing that can be looked at: creating the file then fails or not on
    // its own.
    if (stat(path.c_str(), &info) != 0) return true;
    // Only a regular file holds a user's data; a device or a pipe in its place is written to,
    // and a directory fails when it is opened.
    if (!S_ISREG(info.st_mode) || info.st_size == 0) return true;

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char buffer[HEAD_SIZE];
    const std::size_t read = std::fread(buffer, 1, sizeof buffer, file);
    const bool wholeFile = read < sizeof buffer && std::feof(file) && !std::ferror(file);
    std::fclose(file);
    const std::string_view head(buffer, read);
    switch (kind) {
        case AmplFileKind::MODEL:
            return head.starts_with("param COLS;");
        case AmplFileKind::COMMAND:
            return head.starts_with("read COLS, ROWS, NNZ <");
        case AmplFileKind::NUMBERS:
            return isCountsLine(head, wholeFile);
    }
    return false;
}
