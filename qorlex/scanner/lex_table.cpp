#include "qorlex/scanner/lex_table.h"

#include <algorithm>
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

}  // namespace

LexTable::LexTable() = default;

LexTable::~LexTable() {
    if (file_ != nullptr) std::fclose(file_);
}

int LexTable::scanTableFile(const std::string& tableFile, const std::string& tableDirectory) {
    setDirectory(tableDirectory);
    file_ = openForReading(tableFile);
    if (file_ == nullptr) return CANNOT_OPEN;
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

int LexTable::endOfInput(int result) {
    atEnd_ = true;
    return result;
}
