#include "qorimport/spreadsheet_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "qorimport/text_encoding.h"

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
// In the order a tie between them is decided.
constexpr std::array<char, 3> SEPARATORS = {';', '\t', ','};

// The separator the first line of `text` holds most often outside quotes; ';' for none.
char foundSeparator(std::string_view text) {
    std::array<std::size_t, SEPARATORS.size()> counts{};
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') break;
        for (std::size_t s = 0; s < SEPARATORS.size(); ++s) {
            if (c == SEPARATORS[s]) ++counts[s];
        }
    }
    const auto most = std::max_element(counts.begin(), counts.end());
    return SEPARATORS[static_cast<std::size_t>(most - counts.begin())];
}

bool allEmpty(const std::vector<std::string_view>& fields) {
    return std::all_of(fields.begin(), fields.end(),
                       [](std::string_view field) { return field.empty(); });
}

}  // namespace

std::string fieldSeparatorName(char separator) {
    if (separator == '\t') return "a tab";
    return std::string("'") + separator + "'";
}

bool SpreadsheetFile::readRecord(std::vector<std::string_view>& fields, ImportMessage& error) {
    for (;;) {
        switch (reader_->next(fields)) {
            case CsvReader::Status::RECORD:
                if (allEmpty(fields)) continue;
                return true;
            case CsvReader::Status::END:
                return false;
            case CsvReader::Status::UNCLOSED_QUOTE:
                error = message(reader_->line(),
                                "a field in double quotes is not closed before the end of the "
                                "file");
                return false;
            case CsvReader::Status::TEXT_AFTER_QUOTE:
                error = message(reader_->line(),
                                "text follows the closing quote of a field; a quote inside a "
                                "quoted field is written twice (\"\")");
                return false;
        }
    }
}

bool SpreadsheetFile::open(const std::string& path, char separator, ImportMessage& error) {
    path_ = path;
    error = ImportMessage();
    if (!file_.open(path)) {
        const int reason = errno;
        error =
            message(0, reason == EINVAL ? std::string("is not a regular file")
                                        : std::string("cannot be read: ") + std::strerror(reason));
        return false;
    }
    std::string_view text = file_.viewRest();
    if (text.starts_with(BYTE_ORDER_MARK)) text.remove_prefix(BYTE_ORDER_MARK.size());
    if (!isUtf8(text)) {
        recoded_ = fromWindows1252(text);
        text = recoded_;
    }
    // The header is the first line with anything in it.
    std::size_t start = 0;
    while (start < text.size() && std::strchr(" \t\r\n", text[start]) != nullptr) ++start;
    const std::string_view first = text.substr(start);
    separator_ = separator != '\0' ? separator : foundSeparator(first);
    reader_.emplace(text, separator_, true);
    std::vector<std::string_view> fields;
    if (!readRecord(fields, error)) {
        if (error.text.empty()) {
            error = message(0, "the file is empty; its first line must name the columns");
        }
        return false;
    }
    headerLine_ = reader_->line();
    header_.assign(fields.begin(), fields.end());
    std::unordered_map<std::string_view, std::size_t> columns;
    for (std::size_t c = 0; c < header_.size(); ++c) {
        if (header_[c].empty()) {
            error = message(headerLine_,
                            "column " + std::to_string(c + 1) + " of the header line has no name");
            return false;
        }
        const auto [at, added] = columns.emplace(header_[c], c);
        if (!added) {
            error =
                message(headerLine_, "the header line names " + quotedLabel(header_[c]) +
                                         " twice, as columns " + std::to_string(at->second + 1) +
                                         " and " + std::to_string(c + 1));
            return false;
        }
    }
    return true;
}

bool SpreadsheetFile::next(std::vector<std::string_view>& fields, ImportMessage& error) {
    return readRecord(fields, error);
}
