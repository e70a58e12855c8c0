#include "qorsolve/result_files.h"

#include <cmath>
#include <cstring>

#include "qordump/cell_text.h"
#include "qorsolve/conflict_report.h"
#include "qorsolve/csv_text.h"
#include "qorsolve/own_output.h"

namespace {

constexpr std::string_view ROW_REPORT_HEADER = "restriction,kind,lower,upper,value,slack,binding";

struct ResultFile {
    std::string path;
    bool (*isOurs)(std::string_view);
};

std::vector<ResultFile> resultFiles(const Project& project) {
    return {{adjustedTablePath(project), &isAdjustedTableHeader},
            {rowReportPath(project), &isRowReportHeader},
            {conflictFilePath(project), &isConflictFileHeader}};
}

// An empty field for a bound that is not there.
std::string limitField(double value) {
    return std::isfinite(value) ? csvNumber(value) : std::string();
}

std::string_view kindName(RestrictionKind kind) {
    switch (kind) {
        case RestrictionKind::HARD:
            return "hard";
        case RestrictionKind::WEAK:
            return "weak";
        case RestrictionKind::BOUND:
            break;
    }
    return "bound";
}

std::string sameFileMessage(const std::string& first, const std::string& second) {
    return "Error: " + first + " and " + second + " are the same file; not overwritten\n";
}

}  // namespace

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
    // class1,class2,...,classK, then base,adjusted.
    for (int k = 1;; ++k) {
        if (line == "base,adjusted") return true;
        const std::string field = "class" + std::to_string(k) + ",";
        if (!line.starts_with(field)) return false;
        line.remove_prefix(field.size());
    }
}

bool isRowReportHeader(std::string_view line) {
    return line == ROW_REPORT_HEADER;
}

bool mayWriteResults(const Project& project, bool table, std::string& error) {
    const std::vector<ResultFile> files = resultFiles(project);
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (isSameFile(files[j].path, files[i].path)) {
                error = sameFileMessage(files[j].path, files[i].path);
                return false;
            }
        }
    }
    for (const ResultFile& file : files) {
        const bool written = table && file.isOurs != &isConflictFileHeader;
        const OutputCheck check = checkEarlierOutput(file.path, file.isOurs);
        if (written ? !mayWrite(check) : check.state == EarlierOutput::READ_ONLY) {
            error = refusalMessage(file.path, check, !written);
            return false;
        }
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
        error = results.failedError() == 0 ? sameFileMessage(results.failedPath(), path)
                                           : "Error: Could not open file " + path + ": " +
                                                 std::strerror(results.failedError()) + "\n";
    }
    return file;
}

bool writeAdjustedTable(const Project& project, const std::vector<double>& x, ResultSet& results,
                        std::string& error) {
    OutputFile* file =
        openResult(adjustedTablePath(project), &isAdjustedTableHeader, results, error);
    if (file == nullptr) return false;
    const std::size_t classes = project.labels.classes.size();
    std::string line;
    for (std::size_t k = 1; k <= classes; ++k) line += "class" + std::to_string(k) + ",";
    file->writeText(line + "base,adjusted\n");

    const CellNamer namer(project.labels, NameStyle::RAW);
    std::vector<int32_t> at;
    for (std::size_t j = 0; j < x.size(); ++j) {
        namer.indices(project.cells.cellIndex[j], at);
        line.clear();
        for (std::size_t k = 0; k < classes; ++k) line += csvField(namer.label(k, at[k])) + ",";
        line += csvNumber(project.cells.base[j]) + "," + csvNumber(x[j]) + "\n";
        file->writeText(line);
    }
    return true;
}

bool writeRowReport(const Project& project, const std::vector<RestrictionCheck>& checks,
                    ResultSet& results, std::string& error) {
    OutputFile* file = openResult(rowReportPath(project), &isRowReportHeader, results, error);
    if (file == nullptr) return false;
    file->writeText(std::string(ROW_REPORT_HEADER) + "\n");
    std::string line;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const RestrictionCheck& check = checks[i];
        const bool weak = check.kind == RestrictionKind::WEAK;
        line = std::to_string(i + 1) + "," + std::string(kindName(check.kind)) + "," +
               limitField(check.lower) + "," + limitField(check.upper) + "," +
               csvNumber(check.value) + "," + limitField(check.slack) + "," +
               (weak            ? ""
                : check.binding ? "yes"
                                : "no") +
               "\n";
        file->writeText(line);
    }
    return true;
}

bool commitResults(const Project& project, ResultSet& results, std::string& error) {
    for (const ResultFile& file : resultFiles(project)) {
        if (results.includes(file.path)) continue;
        const OutputCheck check = checkEarlierOutput(file.path, file.isOurs);
        if (check.state == EarlierOutput::READ_ONLY) {
            error = refusalMessage(file.path, check, true);
            withdrawResults(project, results);
            return false;
        }
        if (check.state == EarlierOutput::OURS) results.removeWhenCommitted(file.path);
    }
    if (results.commit()) return true;
    error = "Error: Could not write to " + results.failedPath();
    if (results.failedError() != 0)
        error += std::string(": ") + std::strerror(results.failedError());
    error += "\n";
    withdrawResults(project, results);
    return false;
}

void withdrawResults(const Project& project, ResultSet& results) {
    results.discard();
    for (const ResultFile& file : resultFiles(project)) {
        if (checkEarlierOutput(file.path, file.isOurs).state == EarlierOutput::OURS) {
            results.removeWhenCommitted(file.path);
        }
    }
    results.discard();
}
