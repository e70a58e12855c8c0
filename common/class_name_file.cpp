#include "common/class_name_file.h"

#include <new>

#include "common/output_file.h"
#include "common/table_limits.h"

bool writeClassNameFile(const std::string& path, std::span<const std::string_view> names) {
    OutputFile file(path);
    if (!file.open()) return false;
    file.writeInt32(static_cast<int32_t>(names.size()));
    for (std::string_view name : names) {
        file.writeInt32(static_cast<int32_t>(name.size()));
        file.writeBytes(name.data(), name.size());
    }
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
            int32_t size = 0;
            if (!file.readInt32(size)) return ReadResult::INVALID;
            if (size < 0) return ReadResult::NEGATIVE_COUNT;
            if (size > MAX_CLASS_NAME_BYTES || static_cast<uint64_t>(size) > file.remaining()) {
                return ReadResult::INVALID;
            }
            name.resize(static_cast<std::size_t>(size));
            if (!file.readBytes(name.data(), name.size())) return ReadResult::INVALID;
            if (name.find('\0') != std::string::npos) return ReadResult::INVALID;
        }
    } catch (const std::bad_alloc&) {
        names.clear();
        return ReadResult::NO_MEMORY;
    }
    return file.remaining() == 0 ? ReadResult::OK : ReadResult::INVALID;
}
