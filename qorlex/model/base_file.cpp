#include "qorlex/model/base_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/input_file.h"
#include "qorlex/model/number_text.h"

namespace {

constexpr std::size_t CHUNK_SIZE = std::size_t{1} << 16;
constexpr std::size_t MAX_TOKEN = std::size_t{64} << 20;

// White space as "%lf" skips it in the C locale, which the programs never leave.
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Tries one path; on failure notes it and the system's reason in `opening.tried`.
bool tryPath(BaseFileOpening& opening, const std::string& path) {
    opening.file = openForReading(path);
    if (opening.file != nullptr) {
        opening.path = path;
        return true;
    }
    const int error = errno;
    if (!opening.tried.empty()) opening.tried += ", ";
    opening.tried += quotedText(path) + " (" + std::strerror(error) + ")";
    return false;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whether `text` begins as a number would: a digit, or a sign or point before one.
bool beginsLikeNumber(const char* text) {
    const char* p = text;
    if (*p == '+' || *p == '-') ++p;
    if (*p == '.') ++p;
    return *p >= '0' && *p <= '9';
}

// Drops a byte-order mark at the start of the first block read from a file.
void skipByteOrderMark(const std::string& buffer, std::size_t& position) {
    if (std::string_view(buffer).substr(position).starts_with(BYTE_ORDER_MARK)) {
        position += BYTE_ORDER_MARK.size();
    }
}

}  // namespace

std::string separatorName(char separator) {
    if (separator == '\t') return "tab";
    if (separator == ' ') return "blank";
    return quotedText(std::string_view(&separator, 1));
}

std::string separatorPlural(char separator) {
    switch (separator) {
        case '\t':
            return "tabs";
        case ' ':
            return "blanks";
        case ',':
            return "commas";
        case ';':
            return "semicolons";
        default:
            return separatorName(separator) + " characters";
    }
}

std::string_view baseFileName(std::string_view token) {
    std::size_t start = token.find('[');
    start = start == std::string_view::npos ? token.size() : start + 1;
    const std::size_t end = token.find_first_of(std::string_view("]\0", 2), start);
    return token.substr(start, (end == std::string_view::npos ? token.size() : end) - start);
}

BaseFileOpening openBaseFile(std::string_view name, const std::string& directory) {
    BaseFileOpening opening;
    if (tryPath(opening, std::string(name))) return opening;
    // Without a directory there is no second place to look: "/" + name would be a file at
    // the root of the file system.
    if (directory.empty()) return opening;
    std::string path = directory;
    path += '/';
    path += name;
    tryPath(opening, path);
    return opening;
}

std::string quotedText(std::string_view text) {
    constexpr std::size_t SHOWN = 60;  // characters of the message, escapes counted
    std::string quoted = "\"";
    std::size_t i = 0;
    for (; i < text.size() && quoted.size() <= SHOWN; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 32 || c > 126) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            quoted += escape;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    if (i < text.size()) quoted += "...";
    quoted += '"';
    return quoted;
}

NumberFileReader::NumberFileReader(std::FILE* file) : file_(file) {}

// Appends the next chunk of the file to the unread rest of the buffer.
bool NumberFileReader::fill() {
    if (atEnd_) return false;
    buffer_.erase(0, position_);
    tokenStart_ = tokenStart_ > position_ ? tokenStart_ - position_ : 0;
    tokenEnd_ = tokenEnd_ > position_ ? tokenEnd_ - position_ : 0;
    position_ = 0;
    const std::size_t kept = buffer_.size();
    buffer_.resize(kept + CHUNK_SIZE);
    const std::size_t got = std::fread(buffer_.data() + kept, 1, CHUNK_SIZE, file_);
    buffer_.resize(kept + got);
    if (!started_) {
        started_ = true;
        skipByteOrderMark(buffer_, position_);
    }
    if (got == 0) atEnd_ = true;
    return got > 0;
}

std::string_view NumberFileReader::number() const {
    return std::string_view(buffer_).substr(numberStart_, position_ - numberStart_);
}

std::string_view NumberFileReader::failedText() const {
    std::size_t end = position_;
    if (tokenEnd_ > position_) {
        end = tokenEnd_;
    } else {
        // Far enough for a message.
        while (end < buffer_.size() && end - position_ < 64 && !isSpace(buffer_[end])) ++end;
    }
    return std::string_view(buffer_).substr(position_, end - position_);
}

std::string_view NumberFileReader::failedAfter() const {
    if (tokenEnd_ <= position_ || tokenStart_ >= position_) return {};
    return std::string_view(buffer_).substr(tokenStart_, position_ - tokenStart_);
}

bool NumberFileReader::next(double& value) {
    for (;;) {
        while (position_ < buffer_.size() && isSpace(buffer_[position_])) {
            if (buffer_[position_] == '\n') ++line_;
            ++position_;
        }
        if (position_ < buffer_.size()) break;
        if (!fill()) return false;
    }
    // The whole token must be in the buffer: up to white space or the end of the file. Its
    // end is searched once, not again for each number that a token such as "1-2-3" holds.
    if (tokenEnd_ <= position_) {
        tokenStart_ = position_;
        std::size_t end = position_;
        for (;;) {
            while (end < buffer_.size() && !isSpace(buffer_[end])) ++end;
            if (end < buffer_.size() || atEnd_) break;
            // No number is that long: a file of one endless word (a device, a binary file)
            // is not read into memory whole.
            if (end - position_ > MAX_TOKEN) return false;
            // fill() moves the unread rest to the front also when it finds the end of the file.
            const std::size_t offset = end - position_;
            const bool more = fill();
            end = position_ + offset;
            if (!more) break;
        }
        tokenEnd_ = end;
    }
    const char* start = buffer_.c_str() + position_;
    const char* tokenEnd = buffer_.c_str() + tokenEnd_;
    const char* stop = nullptr;
    value = parseReal(start, tokenEnd, &stop);
    if (stop == start) return false;  // no prefix is a number, for "%lf" neither
    numberStart_ = position_;
    // A number that strtod reads up to the token's end is one number for "%lf" too, unless
    // it is a NaN with a parenthesised payload, of which "%lf" takes only "nan".
    if (stop == tokenEnd &&
        std::memchr(start, '(', static_cast<std::size_t>(stop - start)) == nullptr) {
        position_ = tokenEnd_;
        return true;
    }
    // Otherwise "%lf" itself decides how much of the token is a number: it takes a dangling
    // exponent ("1e", "0x1p-") with the number, refuses a bare hexadecimal prefix ("0x")
    // and an unfinished "infinity". It looks at most a few characters past strtod's number.
    const std::size_t lookahead =
        std::min<std::size_t>(static_cast<std::size_t>(tokenEnd - stop), 16);
    const std::string number(start, static_cast<std::size_t>(stop - start) + lookahead);
    int used = 0;
    if (std::sscanf(number.c_str(), "%lf%n", &value, &used) != 1) return false;
    position_ += static_cast<std::size_t>(used);
    return true;
}

bool LineReader::fill() {
    buffer_.resize(CHUNK_SIZE);
    const std::size_t got = std::fread(buffer_.data(), 1, CHUNK_SIZE, file_);
    buffer_.resize(got);
    position_ = 0;
    if (!started_) {
        started_ = true;
        skipByteOrderMark(buffer_, position_);
    }
    return got > 0;
}

bool LineReader::next(std::string& line, std::size_t& length) {
    line.clear();
    bool any = false;
    for (;;) {
        if (position_ == buffer_.size() && !fill()) break;
        any = true;
        const char* start = buffer_.data() + position_;
        const std::size_t available = buffer_.size() - position_;
        const void* newline = std::memchr(start, '\n', available);
        const std::size_t take =
            newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - start)
                    : available;
        line.append(start, std::min(take, maxLength_ + 1 - line.size()));
        position_ += newline ? take + 1 : take;
        if (line.size() > maxLength_) {
            length = line.size();
            ++line_;
            return true;
        }
        if (newline) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            length = line.size() + 1;
            ++line_;
            return true;
        }
    }
    length = line.size();
    if (any) ++line_;
    return any;
}

DbfValue readDbfValue(const char* text, char separator, double& value, std::size_t& numberLength) {
    const char* end = text + std::strlen(text);
    const char* stop = nullptr;
    value = parseReal(text, end, &stop);
    numberLength = static_cast<std::size_t>(stop - text);
    if (stop == text) return DbfValue::NO_NUMBER;
    // A CR left at the very end is the line end of a last line without its LF.
    if (end > stop && end[-1] == '\r') --end;
    const char* p = stop;
    if (p == end || *p == separator) return DbfValue::NUMBER;
    while (p < end && isBlank(*p)) ++p;
    if (p == end || *p == separator) return DbfValue::NUMBER;
    if (p == stop || beginsLikeNumber(p)) return DbfValue::MORE_THAN_A_NUMBER;
    return DbfValue::NUMBER;
}
