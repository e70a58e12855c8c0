#include "qorsolve/result_files.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>

#include "common/output_file.h"
#include "qordump/cell_text.h"
#include "qorsolve/csv_text.h"
#include "qorsolve/own_output.h"

namespace {

constexpr std::string_view ROW_REPORT_HEADER = "restriction,kind,lower,upper,value,slack,binding";

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

bool finish(OutputFile& file, std::string& error) {
    if (file.commit()) return true;
    error = "Error: Could not write to " + file.path() + "\n";
    return false;
}

bool open(OutputFile& file, std::string& error) {
    if (file.open()) return true;
    error = "Error: Could not open file " + file.path() + "\n";
    return false;
}

}  // namespace

std::string adjustedTablePath(const Project& project) {
    return project.name + "-adj.csv";
}

std::string rowReportPath(const Project& project) {
    return project.name + "-rows.csv";
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

bool mayWriteResults(const Project& project, std::string& error) {
    for (const auto& [path, isOurs] :
         {std::pair{adjustedTablePath(project), &isAdjustedTableHeader},
          std::pair{rowReportPath(project), &isRowReportHeader}}) {
        if (!mayReplaceOutput(path, isOurs)) {
            error = foreignOutputMessage(path);
            return false;
        }
    }
    return true;
}

bool writeAdjustedTable(const Project& project, const std::vector<double>& x, std::string& error) {
    OutputFile file(adjustedTablePath(project));
    if (!open(file, error)) return false;
    const std::size_t classes = project.labels.classes.size();
    std::string line;
    for (std::size_t k = 1; k <= classes; ++k) line += "class" + std::to_string(k) + ",";
    file.writeText(line + "base,adjusted\n");

    const CellNamer namer(project.labels, NameStyle::RAW);
    std::vector<int32_t> at;
    for (std::size_t j = 0; j < x.size(); ++j) {
        namer.indices(project.cells.cellIndex[j], at);
        line.clear();
        for (std::size_t k = 0; k < classes; ++k) line += csvField(namer.label(k, at[k])) + ",";
        line += csvNumber(project.cells.base[j]) + "," + csvNumber(x[j]) + "\n";
        file.writeText(line);
    }
    return finish(file, error);
}

bool writeRowReport(const Project& project, const std::vector<RestrictionCheck>& checks,
                    std::string& error) {
    OutputFile file(rowReportPath(project));
    if (!open(file, error)) return false;
    file.writeText(std::string(ROW_REPORT_HEADER) + "\n");
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
        file.writeText(line);
    }
    return finish(file, error);
}

void removeResults(const Project& project) {
    for (const std::string& path : {adjustedTablePath(project), rowReportPath(project)}) {
        struct stat entry {};
        if (lstat(path.c_str(), &entry) == 0 && S_ISREG(entry.st_mode)) std::remove(path.c_str());
    }
}
