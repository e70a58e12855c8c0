#include "common/class_name_file.h"

#include <new>

#include "common/counted_text.h"
#include "common/output_file.h"
#include "common/table_limits.h"

bool writeClassNameFile(const std::string& path, std::span<const std::string_view> names) {
    OutputFile file(path);
    if (!file.open()) return false;
    file.writeInt32(static_cast<int32_t>(names.size()));
    for (std::string_view name : names) writeCountedText(file, name);
    return file.commit();
}

ReadResult readClassNameFile(InputFile& file, std::vector<std::string>& names) {
    names.clear();
    int32_t count = 0;
    if (!file.readInt32(count)) return ReadResult::INVALID;
    if (count < 0) return ReadResult::NEGATIVE_COUNT;
    if (count > MAX_CLASSES) return ReadResult::INVALID;
    try {
        names.resize(static_cast<std::size_t>(count));
        for (std::string& name : names) {
            const ReadResult result = readCountedText(file, name, MAX_CLASS_NAME_BYTES);
            if (result != ReadResult::OK) return result;
            if (name.find('\0') != std::string::npos) return ReadResult::INVALID;
        }
    } catch (const std::bad_alloc&) {
        names.clear();
        return ReadResult::NO_MEMORY;
    }
    return file.remaining() == 0 ? ReadResult::OK : ReadResult::INVALID;
}
