#include <cstring>

#include "common/output_file.h"
#include "qorlex/output/project_files.h"

ErrorCode writeLabelFile(const Table& table, const std::string& path) {
    OutputFile file(path);
    if (!file.open()) return CANNOT_OPEN_FOR_WRITING;
    file.writeInt32(table.classCount);
    for (int k = 0; k < table.classCount; ++k) {
        const int32_t size = table.classSize(k);
        const int32_t named = table.hasCharacteristicNames(k) ? 1 : 0;
        file.writeInt32(size);
        file.writeInt32(named);
        if (named == 0) continue;
        int64_t nameBytes = 0;
        for (int32_t i = 0; i < size; ++i) {
            const char* name = table.characteristicName(k, i);
            nameBytes += static_cast<int64_t>(name != nullptr ? std::strlen(name) : 0) + 1;
        }
        file.writeInt32(static_cast<int32_t>(nameBytes));
        for (int32_t i = 0; i < size; ++i) {
            const char* name = table.characteristicName(k, i);
            if (name == nullptr) name = "";
            file.writeBytes(name, std::strlen(name) + 1);
        }
    }
    return file.commit() ? OK : CANNOT_OPEN_FOR_WRITING;
}
