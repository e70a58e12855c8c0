#include "common/binary_data_file.h"
#include "qorlex/output/project_files.h"

ErrorCode writeBinaryDataFile(const std::string& path, const HardArrays& hard,
                              const WeakArrays& weak, const Table& table) {
    OutputFile file(path);
    if (!file.open()) return CANNOT_OPEN_FOR_WRITING;
    writeBaseRecord(file, table.baseArrays());
    writeHardRecord(file, hard);
    writeWeakRecord(file, weak);
    return file.commit() ? OK : CANNOT_OPEN_FOR_WRITING;
}
