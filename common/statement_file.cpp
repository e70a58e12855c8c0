#include "common/statement_file.h"

#include <new>

#include "common/counted_text.h"
#include "common/output_file.h"

bool writeStatementFile(const std::string& path, std::string_view description,
                        std::span<const int32_t> lines, const TextList& texts) {
    OutputFile file(path);
    if (!file.open()) return false;
    writeCountedText(file, description);
    file.writeInt32(static_cast<int32_t>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        file.writeInt32(lines[i]);
        writeCountedText(file, texts[i]);
    }
    return file.commit();
}

ReadResult readStatementFile(InputFile& file, StatementFile& statements) {
    statements = StatementFile();
    try {
        ReadResult result = readCountedText(file, statements.description, MAX_DESCRIPTION_NAME);
        if (result != ReadResult::OK) return result;
        int32_t count = 0;
        if (!file.readInt32(count)) return ReadResult::INVALID;
        if (count < 0) return ReadResult::NEGATIVE_COUNT;
        // Each entry takes at least its line and its byte count.
        if (static_cast<uint64_t>(count) > file.remaining() / 8) return ReadResult::INVALID;
        statements.lines.reserve(static_cast<std::size_t>(count));
        std::string text;
        for (int32_t i = 0; i < count; ++i) {
            int32_t line = 0;
            if (!file.readInt32(line) || line < 1) return ReadResult::INVALID;
            result = readCountedText(file, text, MAX_STATEMENT_TEXT);
            if (result != ReadResult::OK) return result;
            statements.lines.push_back(line);
            statements.texts.push_back(text);
        }
    } catch (const std::bad_alloc&) {
        statements = StatementFile();
        return ReadResult::NO_MEMORY;
    }
    return file.remaining() == 0 ? ReadResult::OK : ReadResult::INVALID;
}

char statementRelation(std::string_view text) {
    const std::size_t at = text.find_last_of("<>=|~");
    return at == std::string_view::npos ? '\0' : text[at];
}
