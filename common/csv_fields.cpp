#include "common/csv_fields.h"

#include <algorithm>
#include <cstring>
#include <utility>

std::string csvField(std::string_view bytes, Quoting quoting, char separator) {
    const char special[] = {separator, '"', '\r', '\n'};
    const bool quoted =
        quoting == Quoting::ALWAYS ||
        bytes.find_first_of(std::string_view(special, sizeof special)) != std::string_view::npos ||
        (!bytes.empty() && (bytes.front() == ' ' || bytes.back() == ' '));
    if (!quoted) return std::string(bytes);
    std::string text = "\"";
    for (char c : bytes) {
        if (c == '"') text += '"';
        text += c;
    }
    return text + '"';
}

std::string csvLine(std::initializer_list<std::string_view> fields, char separator) {
    std::string line;
    for (const std::string_view* field = fields.begin(); field != fields.end(); ++field) {
        if (field != fields.begin()) line += separator;
        line += *field;
    }
    return line + '\n';
}

bool csvSplit(std::string_view line, std::vector<std::string>& fields, char separator) {
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
            if (at < line.size() && line[at] != separator) return false;
        } else {
            const std::size_t end = std::min(line.find(separator, at), line.size());
            field = line.substr(at, end - at);
            at = end;
        }
        fields.push_back(std::move(field));
        if (at == line.size()) return true;
        ++at;  // the separator
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

CsvReader::CsvReader(std::string_view text, char separator, bool trimBlanks)
    : text_(text), separator_(separator), trimBlanks_(trimBlanks) {
    ends_[size_t('\n')] = ends_[size_t('\r')] = ends_[static_cast<unsigned char>(separator)] = true;
    quotes_ = text.find('"') != std::string_view::npos;
    carriageReturns_ = text.find('\r') != std::string_view::npos;
}

bool CsvReader::readPlainLine(const char*& p, const char* end,
                              std::vector<std::string_view>& fields) {
    const auto find = [](const char* from, const char* to, char c) {
        const void* at = std::memchr(from, c, static_cast<std::size_t>(to - from));
        return at == nullptr ? to : static_cast<const char*>(at);
    };
    const char* const newline = find(p, end, '\n');
    const char* lineEnd = newline;
    if (lineEnd > p && lineEnd[-1] == '\r') --lineEnd;
    if ((quotes_ && find(p, lineEnd, '"') != lineEnd) ||
        (carriageReturns_ && find(p, lineEnd, '\r') != lineEnd)) {
        return false;
    }
    for (const char* start = p;;) {
        const char* stop = find(start, lineEnd, separator_);
        const char* first = start;
        const char* last = stop;
        if (trimBlanks_) {
            while (first < last && isBlank(*first)) ++first;
            while (last > first && isBlank(last[-1])) --last;
        }
        fields.emplace_back(first, static_cast<std::size_t>(last - first));
        if (stop == lineEnd) break;
        start = stop + 1;
    }
    if (newline < end || lineEnd < newline) ++nextLine_;
    p = newline < end ? newline + 1 : end;
    return true;
}

CsvReader::Status CsvReader::next(std::vector<std::string_view>& fields) {
    fields.clear();
    if (!unquoted_.empty()) unquoted_.clear();
    line_ = nextLine_;
    const char* const begin = text_.data();
    const char* const end = begin + text_.size();
    const char* p = begin + pos_;
    if (p >= end) return Status::END;
    if (readPlainLine(p, end, fields)) {
        pos_ = static_cast<std::size_t>(p - begin);
        return Status::RECORD;
    }
    const auto endsField = [&](const char* at) { return ends_[static_cast<unsigned char>(*at)]; };
    const auto skipBlanks = [&] {
        if (trimBlanks_) {
            while (p < end && isBlank(*p)) ++p;
        }
    };
    for (;;) {
        skipBlanks();
        std::string_view field;
        if (p < end && *p == '"') {
            pos_ = static_cast<std::size_t>(p - begin);
            if (!readQuoted(field)) return Status::UNCLOSED_QUOTE;
            p = begin + pos_;
            skipBlanks();
            if (p < end && !endsField(p)) return Status::TEXT_AFTER_QUOTE;
        } else {
            const char* const start = p;
            while (p < end && !endsField(p)) ++p;
            const char* last = p;
            if (trimBlanks_) {
                while (last > start && isBlank(last[-1])) --last;
            }
            field = std::string_view(start, static_cast<std::size_t>(last - start));
        }
        fields.push_back(field);
        if (p >= end || *p != separator_) break;
        ++p;  // the separator
    }
    if (p < end) {
        if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
        ++p;
        ++nextLine_;
    }
    pos_ = static_cast<std::size_t>(p - begin);
    return Status::RECORD;
}
