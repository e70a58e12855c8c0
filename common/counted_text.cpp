#include "common/counted_text.h"

void writeCountedText(OutputFile& file, std::string_view text) {
    file.writeInt32(static_cast<int32_t>(text.size()));
    file.writeBytes(text.data(), text.size());
}

ReadResult readCountedText(InputFile& file, std::string& text, int32_t most) {
    int32_t size = 0;
    if (!file.readInt32(size)) return ReadResult::INVALID;
    if (size < 0) return ReadResult::NEGATIVE_COUNT;
    if (size > most || static_cast<uint64_t>(size) > file.remaining()) return ReadResult::INVALID;
    text.resize(static_cast<std::size_t>(size));
    return file.readBytes(text.data(), text.size()) ? ReadResult::OK : ReadResult::INVALID;
}
