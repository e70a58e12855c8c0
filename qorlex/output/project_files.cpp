#include "qorlex/output/project_files.h"

#include <sys/stat.h>

#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

#include "common/allocation.h"
#include "common/class_name_file.h"
#include "common/control_file.h"
#include "common/label_file.h"
#include "common/statement_file.h"

namespace {

// OK, or CANNOT_OPEN_FOR_WRITING with the writer's reason.
template <class Writer>
ErrorCode committed(Writer& file, int* systemError) {
    if (file.commit()) return OK;
    if (systemError != nullptr) *systemError = file.error();
    return CANNOT_OPEN_FOR_WRITING;
}

}  // namespace

ErrorCode writeLabelFile(const Table& table, const std::string& path, int* systemError) {
    LabelFileWriter file(path);
    if (!file.open(table.classCount)) return committed(file, systemError);
    std::vector<std::string_view> names;
    for (int k = 0; k < table.classCount; ++k) {
        const int32_t size = table.classSize(k);
        if (!table.hasCharacteristicNames(k)) {
            file.writeUnnamedClass(size);
            continue;
        }
        if (!tryAssign(names, static_cast<std::size_t>(size))) return CANNOT_OPEN_FOR_WRITING;
        for (int32_t i = 0; i < size; ++i) {
            const char* name = table.characteristicName(k, i);
            names[static_cast<std::size_t>(i)] = name != nullptr ? name : "";
        }
        file.writeNamedClass(names);
    }
    return committed(file, systemError);
}

ErrorCode writeControlFile(const Table& table, const std::string& path, int* systemError) {
    ControlFileWriter file(path);
    if (!file.open(table.tableSize, table.restrictionCount)) return committed(file, systemError);
    const RestrictionList& list = table.restrictions();
    for (const Restriction& r : list) {
        const Coefficients coefficients = list.coefficients(r);
        if (coefficients.shared()) {
            file.writeRestriction(r.type, r.lowerValue, r.upperValue, list.columns(r),
                                  r.coefficient);
        } else {
            file.writeRestriction(r.type, r.lowerValue, r.upperValue, list.columns(r),
                                  std::span(coefficients.data(), coefficients.size()));
        }
    }
    return committed(file, systemError);
}

ErrorCode writeClassNames(const Table& table, const std::string& path) {
    std::vector<std::string_view> names;
    if (!tryAssign(names, static_cast<std::size_t>(table.classCount))) {
        return CANNOT_OPEN_FOR_WRITING;
    }
    for (int k = 0; k < table.classCount; ++k) {
        const char* name = table.className(k);
        // Classes declared by their count have no names: no file.
        if (name == nullptr) return OK;
        names[static_cast<std::size_t>(k)] = name;
    }
    return writeClassNameFile(path, names) ? OK : CANNOT_OPEN_FOR_WRITING;
}

ErrorCode writeStatements(const Table& table, const std::string& descriptionName,
                          const std::string& path) {
    const StatementTexts& statements = table.statements();
    return writeStatementFile(path, descriptionName, statements.lines(), statements.texts())
               ? OK
               : CANNOT_OPEN_FOR_WRITING;
}

void removeEarlierFile(const std::string& path) {
    struct stat entry {};
    if (lstat(path.c_str(), &entry) == 0 && S_ISREG(entry.st_mode)) std::remove(path.c_str());
}
