#include "common/output_file.h"
#include "qorlex/output/project_files.h"

ErrorCode writeControlFile(const Table& table, const std::string& path) {
    OutputFile file(path);
    if (!file.open()) return CANNOT_OPEN_FOR_WRITING;
    const RestrictionList& list = table.restrictions();
    file.writeInt32(table.tableSize);
    file.writeInt32(table.restrictionCount);
    for (const Restriction& r : list) {
        file.writeInt32(r.type);
        file.writeInt32(r.entryCount);
        file.writeFloat64(r.lowerValue);
        file.writeFloat64(r.upperValue);
        const auto columns = list.columns(r);
        const auto coefficients = list.coefficients(r);
        file.writeInt32s(columns.data(), columns.size());
        file.writeFloat64s(coefficients.data(), coefficients.size());
    }
    return file.commit() ? OK : CANNOT_OPEN_FOR_WRITING;
}
