#include "common/csv_fields.h"

#include <algorithm>
#include <utility>

std::string csvField(std::string_view bytes, Quoting quoting) {
    const bool quoted = quoting == Quoting::ALWAYS ||
                        bytes.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!bytes.empty() && (bytes.front() == ' ' || bytes.back() == ' '));
    if (!quoted) return std::string(bytes);
    std::string text = "\"";
    for (char c : bytes) {
        if (c == '"') text += '"';
        text += c;
    }
    return text + '"';
}

std::string csvLine(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (const std::string_view* field = fields.begin(); field != fields.end(); ++field) {
        if (field != fields.begin()) line += ',';
        line += *field;
    }
    return line + '\n';
}

bool csvSplit(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::size_t at = 0;
    while (true) {
        std::string field;
        if (at < line.size() && line[at] == '"') {
            // Up to the quote that is not doubled.
            for (++at;; ++at) {
                if (at == line.size()) return false;
                if (line[at] == '"') {
                    if (at + 1 == line.size() || line[at + 1] != '"') break;
                    ++at;
                }
                field += line[at];
            }
            ++at;
            if (at < line.size() && line[at] != ',') return false;
        } else {
            const std::size_t end = std::min(line.find(',', at), line.size());
            field = line.substr(at, end - at);
            at = end;
        }
        fields.push_back(std::move(field));
        if (at == line.size()) return true;
        ++at;  // the comma
    }
}

bool CsvReader::readQuoted(std::string_view& field) {
    const std::size_t start = pos_ + 1;
    std::size_t at = start;
    bool doubled = false;
    for (;;) {
        at = text_.find('"', at);
        if (at == std::string_view::npos) return false;
        if (at + 1 < text_.size() && text_[at + 1] == '"') {
            doubled = true;
            at += 2;
            continue;
        }
        break;
    }
    const std::string_view inside = text_.substr(start, at - start);
    // Line ends inside the quotes are lines of the file all the same.
    for (std::size_t i = 0; i < inside.size(); ++i) {
        if (inside[i] == '\n' ||
            (inside[i] == '\r' && (i + 1 == inside.size() || inside[i + 1] != '\n'))) {
            ++nextLine_;
        }
    }
    pos_ = at + 1;
    if (!doubled) {
        field = inside;
        return true;
    }
    std::string& kept = unquoted_.emplace_back();
    kept.reserve(inside.size());
    for (std::size_t i = 0; i < inside.size(); ++i) {
        kept += inside[i];
        if (inside[i] == '"') ++i;  // the second of a pair
    }
    field = kept;
    return true;
}

CsvReader::Status CsvReader::next(std::vector<std::string_view>& fields) {
    fields.clear();
    unquoted_.clear();
    line_ = nextLine_;
    if (pos_ >= text_.size()) return Status::END;
    const auto atLineEnd = [&] {
        return pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r';
    };
    for (;;) {
        if (trimBlanks_) {
            while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
        }
        std::string_view field;
        if (pos_ < text_.size() && text_[pos_] == '"') {
            if (!readQuoted(field)) return Status::UNCLOSED_QUOTE;
            if (trimBlanks_) {
                while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
            }
            if (!atLineEnd() && text_[pos_] != separator_) return Status::TEXT_AFTER_QUOTE;
        } else {
            const std::size_t start = pos_;
            while (!atLineEnd() && text_[pos_] != separator_) ++pos_;
            std::size_t end = pos_;
            if (trimBlanks_) {
                while (end > start && isBlank(text_[end - 1])) --end;
            }
            field = text_.substr(start, end - start);
        }
        fields.push_back(field);
        if (atLineEnd()) break;
        ++pos_;  // the separator
    }
    if (pos_ < text_.size()) {
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        ++nextLine_;
    }
    return Status::RECORD;
}
