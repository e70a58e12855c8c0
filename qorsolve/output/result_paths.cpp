#include "qorsolve/output/result_paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/output_file.h"
#include "common/temporary_files.h"
#include "qorsolve/core/qorsolve_error.h"
#include "qorsolve/output/own_output.h"

std::string adjustedTablePath(const Project& project) {
    return project.name + "-adj.csv";
}

std::string rowReportPath(const Project& project) {
    return project.name + "-rows.csv";
}

std::string conflictFilePath(const Project& project) {
    return project.name + "-conflict.csv";
}

bool isAdjustedTableHeader(std::string_view line) {
    // The class names, then base,adjusted,change,relative change and any later columns.
    if (hasStableColumns(line, ADJUSTED_TABLE_STABLE, StableAt::AFTER_NAMES)) return true;
    // Before, class1,class2,...,classK, then base,adjusted.
    for (int k = 1;; ++k) {
        if (line == "base,adjusted") return true;
        const std::string field = "class" + std::to_string(k) + ",";
        if (!line.starts_with(field)) return false;
        line.remove_prefix(field.size());
    }
}

bool isRowReportHeader(std::string_view line) {
    return hasStableColumns(line, ROW_REPORT_STABLE, StableAt::START);
}

bool isConflictFileHeader(std::string_view line) {
    return hasStableColumns(line, CONFLICT_FILE_STABLE, StableAt::START);
}

bool mayCreate(const std::string& path, std::string& error) {
    std::string temporary = followLinks(path) + ".tmp-XXXXXX";
    int slot = -1;
    errno = 0;
    const int descriptor = createTemporaryFile(temporary.data(), slot);
    if (descriptor < 0) {
        error = errorMessage({QorsolveFault::CANNOT_OPEN, path, "", errno != 0 ? errno : EINVAL});
        return false;
    }
    close(descriptor);
    std::remove(temporary.c_str());
    releaseTemporaryFile(slot);
    return true;
}

OutputFile* openResult(const std::string& path, bool (*isOurs)(std::string_view),
                       ResultSet& results, std::string& error) {
    const OutputCheck check = checkEarlierOutput(path, isOurs);
    if (!mayWrite(check)) {
        error = refusalMessage(path, check, false);
        return nullptr;
    }
    OutputFile* file = results.add(path);
    if (file == nullptr) {
        error = results.failedError() == 0
                    ? errorMessage({QorsolveFault::SAME_FILE, results.failedPath(), path})
                    : errorMessage({QorsolveFault::CANNOT_OPEN, path, "", results.failedError()});
    }
    return file;
}
