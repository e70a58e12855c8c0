#include "qorsolve/output/report_file.h"

#include <cstddef>

#include "common/cell_text.h"
#include "common/output_file.h"
#include "qorsolve/output/own_output.h"
#include "qorsolve/output/restriction_text.h"
#include "qorsolve/output/result_paths.h"

namespace {

// The classes and their characteristics, the classes by the names the adjusted table's header
// gives them.
void describeClasses(const Project& project, ReportData& data) {
    data.project = project.name;
    for (std::size_t k = 0; k < project.labels.classes.size(); ++k) {
        const ClassLabels& labels = project.labels.classes[k];
        data.classNames.push_back(className(project, k));
        data.classSizes.push_back(labels.size);
        std::vector<std::string> names;
        if (labels.named || project.hasNames) {
            const CellNamer namer(project, NameStyle::RAW);
            names.reserve(static_cast<std::size_t>(labels.size));
            for (int32_t i = 0; i < labels.size; ++i) names.push_back(namer.label(k, i));
        }
        data.characteristics.push_back(std::move(names));
    }
}

}  // namespace

bool isReportFirstLine(std::string_view line) {
    // The marker line, and whatever a later version may put after it.
    return line.starts_with(REPORT_FIRST_LINE);
}

bool mayWriteReport(const std::string& path, std::string& error) {
    const OutputCheck check = checkEarlierOutput(path, &isReportFirstLine);
    if (!mayWrite(check)) {
        error = refusalMessage(path, check, false);
        return false;
    }
    return mayCreate(path, error);
}

ReportData tableReport(const Project& project, const WrittenTable& table, double objective,
                       const SolveSettings& settings, Distance distance) {
    const std::vector<double>& x = table.x;
    const std::vector<RestrictionCheck>& checks = table.checks;
    const SolveOutcome& outcome = table.outcome;
    ReportData data;
    describeClasses(project, data);
    data.status = statusWord(outcome.status.model, outcome.status.stop);
    data.hasTable = true;
    data.objective = objective;
    data.proven = outcome.proven();
    data.gap = outcome.gap;
    data.bound = outcome.bound;
    data.run = reportRun(project, settings, distance);
    data.run.work = outcome.work;

    const std::size_t classes = project.labels.classes.size();
    const std::size_t cells = std::min(x.size(), project.cells.cellIndex.size());
    data.base.assign(project.cells.base.begin(),
                     project.cells.base.begin() + static_cast<std::ptrdiff_t>(cells));
    data.adjusted.assign(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(cells));
    data.cellAt.reserve(cells * classes);
    const CellNamer namer(project, NameStyle::RAW);
    std::vector<int32_t> at;
    for (std::size_t j = 0; j < cells; ++j) {
        namer.indices(project.cells.cellIndex[j], at);
        data.cellAt.insert(data.cellAt.end(), at.begin(), at.end());
    }

    const std::vector<DeclaredRestriction>& declared = project.control.restrictions;
    for (std::size_t i = 0; i < checks.size() && i < declared.size() && i < table.changes.size();
         ++i) {
        const RestrictionCheck& check = checks[i];
        ReportRow row;
        row.number = static_cast<int32_t>(i + 1);
        row.kind = restrictionKindName(check.kind);
        row.lower = check.lower;
        row.upper = check.upper;
        row.value = check.value;
        row.change = table.changes[i].value;
        row.slack = check.slack;
        row.weak = check.kind == RestrictionKind::WEAK;
        row.binding = check.binding;
        // A margin as published, and its file and line, where the names file says.
        const std::string_view label = declaredLabel(project, i);
        row.text = label.empty() ? declaredText(project, namer, declared[i])
                                 : std::string(label) + " (" +
                                       std::string(restrictionSource(project, i)) + ")";
        data.rows.push_back(std::move(row));
    }
    return data;
}

ReportData statusReport(const Project& project, const StatusLines& status,
                        const SolveSettings& settings, Distance distance) {
    ReportData data;
    describeClasses(project, data);
    data.run = reportRun(project, settings, distance);
    data.status = status.status;
    data.conflictLines = status.lines;
    return data;
}

bool writeReport(const std::string& path, const ReportData& data, ResultSet& results,
                 std::string& error) {
    OutputFile* file = openResult(path, &isReportFirstLine, results, error);
    if (file == nullptr) return false;
    file->writeText(renderReport(data));
    return true;
}
