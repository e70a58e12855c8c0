#include "qorsolve/output/result_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/input_record.h"
#include "common/output_file.h"
#include "common/temporary_files.h"
#include "qorsolve/core/qorsolve_error.h"
#include "qorsolve/output/own_output.h"

ResultPlace resultPlace(const Project& project, const SolveSettings& settings) {
    ResultPlace place;
    place.prefix = settings.output.empty() ? project.name : settings.output;
    place.projectPrefix = settings.output.empty() || settings.output == project.name ||
                          isSameFile(settings.output + "-lbl.dat", project.labelPath);
    place.form.separator = settings.separator;
    place.form.decimalComma = settings.decimalComma;
    return place;
}

std::string adjustedTablePath(const ResultPlace& place) {
    return place.prefix + "-adj.csv";
}

std::string rowReportPath(const ResultPlace& place) {
    return place.prefix + "-rows.csv";
}

std::string conflictFilePath(const ResultPlace& place) {
    return place.prefix + "-conflict.csv";
}

bool isAdjustedTableHeader(std::string_view line) {
    // The class names, then base,adjusted,change,relative change and any later columns.
    if (hasStableColumns(line, ADJUSTED_TABLE_STABLE, StableAt::AFTER_NAMES)) return true;
    // Before, class1,class2,...,classK, then base,adjusted, written with commas only.
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

namespace {

// Whether a file named `stem` and a suffix can be made: 0 when so, else the system's reason.
int creationFault(const std::string& stem) {
    std::string temporary = stem + ".tmp-XXXXXX";
    int slot = -1;
    errno = 0;
    const int descriptor = createTemporaryFile(temporary.data(), slot);
    if (descriptor < 0) return errno != 0 ? errno : EINVAL;
    close(descriptor);
    std::remove(temporary.c_str());
    releaseTemporaryFile(slot);
    return 0;
}

}  // namespace

bool mayCreate(const std::string& path, std::string& error) {
    if (const int reason = creationFault(followLinks(path)); reason != 0) {
        error = errorMessage({QorsolveFault::CANNOT_OPEN, path, "", reason});
        return false;
    }
    return true;
}

bool mayUsePlace(const Project& project, const ResultPlace& place, std::string& error) {
    if (place.projectPrefix) return true;
    const std::string& prefix = place.prefix;
    struct stat info {};
    if (stat(prefix.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        const std::string name = project.name.substr(project.name.rfind('/') + 1);
        error = errorMessage({QorsolveFault::OUTPUT_IS_FOLDER, prefix, prefix + "/" + name});
        return false;
    }
    const std::string projectFiles[] = {project.labelPath,
                                        project.binaryPath,
                                        project.controlPath,
                                        project.classNamePath,
                                        project.namesPath,
                                        project.statementPath,
                                        project.name + INPUT_RECORD_SUFFIX};
    for (const std::string& file : projectFiles) {
        if (isSameFile(prefix, file)) {
            error = errorMessage({QorsolveFault::OUTPUT_IS_PROJECT_FILE, prefix});
            return false;
        }
    }
    // The label file makes a project (common/project.h).
    if (const std::string labels = prefix + "-lbl.dat"; stat(labels.c_str(), &info) == 0) {
        error = errorMessage({QorsolveFault::OUTPUT_IS_OTHER_PROJECT, prefix, labels});
        return false;
    }
    if (const int reason = creationFault(prefix); reason != 0) {
        const std::size_t slash = prefix.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
        error = errorMessage({QorsolveFault::OUTPUT_FOLDER, folder, prefix, reason});
        return false;
    }
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
