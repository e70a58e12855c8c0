#include "qorlex/scanner/lex_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "common/input_file.h"
#include "qorlex/model/base_file.h"

namespace {

// Thrown by the matcher's fatal error handler and caught in scanTableFile: the scan
// cannot go on, and the matcher's state is not used again.
struct ScannerFatal {
    const char* message;
};

// The matcher's own fatal messages, as this scanner reports them.
const char* fatalText(const char* message) {
    const std::string_view text(message);
    if (text.find("buffer overflow") != std::string_view::npos) {
        return "fatal error - scanner input buffer overflow";
    }
    if (text.find("out of dynamic memory") != std::string_view::npos ||
        text.find("out of memory") != std::string_view::npos) {
        return "out of dynamic memory in YY_LexTable_CREATE_BUFFER()";
    }
    if (text.find("end of buffer missed") != std::string_view::npos) {
        return "fatal flex scanner internal error--end of buffer missed";
    }
    return "fatal flex scanner internal error--no action found";
}

bool isWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           byte >= 128;
}

// Whether `word` is UTF-8 whose letters beyond ASCII are Latin letters (U+00C0 to U+024F),
// which a terminal shows as they are; anything else is shown escaped.
bool isPlainLatin(std::string_view word) {
    for (std::size_t i = 0; i < word.size();) {
        const auto lead = static_cast<unsigned char>(word[i]);
        if (lead < 128) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) != 0xC0 || i + 1 >= word.size()) return false;
        const auto next = static_cast<unsigned char>(word[i + 1]);
        if ((next & 0xC0) != 0x80) return false;
        const unsigned codePoint = ((lead & 0x1Fu) << 6) | (next & 0x3Fu);
        if (codePoint < 0xC0 || codePoint > 0x24F) return false;
        i += 2;
    }
    return true;
}

// `word` with its German umlauts and sharp s written as names may hold them (Zuerich for
// Zürich, AUSPRAEGUNGEN for AUSPRÄGUNGEN); empty when other bytes remain.
std::string spelledOut(std::string_view word) {
    static constexpr struct {
        std::string_view letter, spelled, inCapitals;
    } LETTERS[] = {{"\xC3\xA4", "ae", "AE"}, {"\xC3\xB6", "oe", "OE"}, {"\xC3\xBC", "ue", "UE"},
                   {"\xC3\x84", "Ae", "AE"}, {"\xC3\x96", "Oe", "OE"}, {"\xC3\x9C", "Ue", "UE"},
                   {"\xC3\x9F", "ss", "SS"}};
    const bool inCapitals =
        std::none_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    std::string spelled;
    for (std::size_t i = 0; i < word.size();) {
        if (static_cast<unsigned char>(word[i]) < 128) {
            spelled += word[i++];
            continue;
        }
        bool found = false;
        for (const auto& letter : LETTERS) {
            if (word.substr(i).starts_with(letter.letter)) {
                spelled += inCapitals ? letter.inCapitals : letter.spelled;
                i += letter.letter.size();
                found = true;
                break;
            }
        }
        if (!found) return "";
    }
    return spelled;
}

}  // namespace

LexTable::LexTable() = default;

LexTable::~LexTable() {
    if (file_ != nullptr) std::fclose(file_);
}

int LexTable::scanTableFile(const std::string& tableFile, const std::string& tableDirectory) {
    setDirectory(tableDirectory);
    setDescriptionName(tableFile);
    file_ = openForReading(tableFile);
    if (file_ == nullptr) return CANNOT_OPEN;
    noteInput(tableFile, file_);
    const int result = scan();
    std::fclose(file_);
    file_ = nullptr;
    return result;
}

int LexTable::scanText(std::string_view text, const std::string& tableDirectory) {
    setDirectory(tableDirectory);
    text_ = text;
    return scan();
}

int LexTable::scan() {
    lineNumber_ = 1;
    atSourceStart_ = true;
    setPhase(ClassPhase::OPEN);
    try {
        return scanFromStart();
    } catch (const ScannerFatal& fatal) {
        fatalMessage_ = fatal.message;
    } catch (const std::bad_alloc&) {
        fatalMessage_ = fatalText("out of dynamic memory");
    }
    return FATAL;
}

const char* LexTable::positionText() const {
    return atEnd_ ? "" : YYText();
}

std::size_t LexTable::readSource(char* buffer, std::size_t size) {
    if (file_ != nullptr) return std::fread(buffer, 1, size, file_);
    const std::size_t got = std::min(size, text_.size());
    if (got > 0) std::memcpy(buffer, text_.data(), got);
    text_.remove_prefix(got);
    return got;
}

bool LexTable::takeFromSource(char wanted) {
    if (file_ == nullptr) {
        if (text_.empty() || text_.front() != wanted) return false;
        text_.remove_prefix(1);
        return true;
    }
    const int following = std::getc(file_);
    if (following == static_cast<unsigned char>(wanted)) return true;
    if (following != EOF) std::ungetc(following, file_);
    return false;
}

// Reads the description as text: a CR directly before an LF is dropped, also when the two
// fall into different reads. A failed read counts as the end of the input.
int LexTable::LexerInput(char* buffer, int maxSize) {
    if (maxSize <= 0) return 0;
    std::size_t got = readSource(buffer, static_cast<std::size_t>(maxSize));
    // A UTF-8 byte-order mark, which some editors write first, is no part of the text. The
    // first read fills the buffer unless the source is shorter, so the mark is whole in it.
    if (atSourceStart_) {
        atSourceStart_ = false;
        if (std::string_view(buffer, got).starts_with(BYTE_ORDER_MARK)) {
            got -= BYTE_ORDER_MARK.size();
            std::memmove(buffer, buffer + BYTE_ORDER_MARK.size(), got);
        }
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < got; ++i) {
        const char c = buffer[i];
        if (c == '\r') {
            if (i + 1 < got) {
                if (buffer[i + 1] == '\n') continue;
            } else if (takeFromSource('\n')) {
                buffer[out++] = '\n';
                continue;
            }
        }
        buffer[out++] = c;
    }
    return static_cast<int>(out);
}

void LexTable::LexerOutput(const char*, int) {}

void LexTable::LexerError(const char* message) {
    throw ScannerFatal{fatalText(message)};
}

void LexTable::declarationsClosed() {
    // Without a BASIS block the restrictions' own set-up counts as the BASIS block.
    if (blockIndex_ == BLOCK_AUSPRAEGUNGEN) blockIndex_ = BLOCK_BASIS;
}

int LexTable::readAsciiFile() {
    if (ErrorCode code = readAsciiBaseFile({YYText(), static_cast<std::size_t>(YYLeng())}))
        return code;
    setPhase(BasePhase::READY);
    return OK;
}

int LexTable::readDbfFile() {
    if (ErrorCode code = readDbfBaseFile({YYText(), static_cast<std::size_t>(YYLeng())}))
        return code;
    setPhase(BasePhase::READY);
    return OK;
}

int LexTable::nextRestriction() {
    if (ErrorCode code = endRestriction()) return code;
    return beginRestriction();
}

void LexTable::noteUnfeasibleByte(const std::string& text, std::size_t at) {
    if (at >= text.size() || static_cast<unsigned char>(text[at]) < 128) return;
    std::size_t begin = at;
    while (begin > 0 && isWordByte(text[begin - 1])) --begin;
    std::size_t end = at + 1;
    while (end < text.size() && isWordByte(text[end])) ++end;
    const std::string_view word = std::string_view(text).substr(begin, end - begin);
    if (std::string_view(text).substr(at).starts_with(BYTE_ORDER_MARK)) {
        setProblem(descriptionPlace() + "the bytes \\xEF\\xBB\\xBF are a byte-order mark, which " +
                   "only the very start of the file may hold; remove them");
        return;
    }
    char byte[8];
    std::snprintf(byte, sizeof byte, "\\x%02X", static_cast<unsigned char>(text[at]));
    // A word of Latin letters is shown as the user sees it, anything else escaped.
    std::string shown = quotedText(word);
    if (word.size() <= 60 && isPlainLatin(word)) shown.assign(1, '"').append(word).append(1, '"');
    std::string problem = descriptionPlace() + "the byte " + byte + " of " + shown +
                          " cannot stand in a name: names may hold only the letters A-Z and a-z "
                          "and digits";
    const std::string spelled = spelledOut(word);
    if (!spelled.empty() && (spelled[0] < '0' || spelled[0] > '9')) {
        problem += "; write " + spelled;
    }
    setProblem(std::move(problem));
}

int LexTable::endOfInput(int result) {
    atEnd_ = true;
    return result;
}
