#include "qorsolve/output/result_files.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "common/cell_text.h"
#include "common/output_file.h"
#include "qorsolve/core/qorsolve_error.h"
#include "qorsolve/output/csv_text.h"
#include "qorsolve/output/own_output.h"
#include "qorsolve/output/restriction_text.h"
#include "qorsolve/problem/exact_rows.h"

namespace {

struct ResultFile {
    std::string path;
    bool (*isOurs)(std::string_view);
};

std::vector<ResultFile> resultFiles(const ResultPlace& place) {
    return {{adjustedTablePath(place), &isAdjustedTableHeader},
            {rowReportPath(place), &isRowReportHeader},
            {conflictFilePath(place), &isConflictFileHeader}};
}

// An empty field for a bound that is not there.
std::string limitField(double value, const CsvForm& form) {
    return std::isfinite(value) ? formNumber(csvNumber(value), form) : std::string();
}

// A restriction's value and its slack to the digits they have: exact ones exactly, any other
// without the digits below its error (VALUE_ROUNDING of the size of its terms, and of the
// bound for the slack), so that both are what a reader computes from the written numbers:
// 20000000070.05 from 1000000000 * 19.9999999963 + 33.75 + 40, not 20000000070.1.
std::string valueField(const RestrictionCheck& check, const CsvForm& form) {
    return formNumber(
        check.exact ? csvNumber(check.value) : csvWithin(check.value, VALUE_ROUNDING * check.size),
        form);
}

std::string slackField(const RestrictionCheck& check, const CsvForm& form) {
    if (!std::isfinite(check.slack)) return std::string();
    if (check.exact) return formNumber(csvNumber(check.slack), form);
    const double size = check.size + std::fabs(check.value) + std::fabs(check.slack);
    return formNumber(csvWithin(check.slack, VALUE_ROUNDING * size), form);
}

}  // namespace

bool mayWriteResults(const ResultPlace& place, bool table, std::string& error) {
    const std::vector<ResultFile> files = resultFiles(place);
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (isSameFile(files[j].path, files[i].path)) {
                error = errorMessage({QorsolveFault::SAME_FILE, files[j].path, files[i].path});
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
        if (written && !mayCreate(file.path, error)) return false;
    }
    return true;
}

bool writeAdjustedTable(const Project& project, const ResultPlace& place,
                        const std::vector<double>& x, bool allCells, ResultSet& results,
                        std::string& error) {
    OutputFile* file = openResult(adjustedTablePath(place), &isAdjustedTableHeader, results, error);
    if (file == nullptr) return false;
    const CsvForm& form = place.form;
    const char separator = form.separator;
    const std::size_t classes = project.labels.classes.size();
    std::string line;
    for (std::size_t k = 0; k < classes; ++k) {
        line += formField(className(project, k), form) + separator;
    }
    file->writeText(line + formHeader(ADJUSTED_TABLE_COLUMNS, form) + "\n");

    const CellNamer namer(project, NameStyle::RAW);
    std::vector<int32_t> at;
    const auto writeCell = [&](int32_t cell, double base, double adjusted) {
        namer.indices(cell, at);
        line.clear();
        for (std::size_t k = 0; k < classes; ++k) {
            line += formField(namer.label(k, at[k]), form) + separator;
        }
        const double change = adjusted - base;
        // Exact between whole numbers; else each of the two decimals is the double nearest to
        // it, within 2^-53 of it.
        const double error = isWholeNumber(adjusted) && isWholeNumber(base)
                                 ? 0.0
                                 : DBL_EPSILON * std::max(std::fabs(adjusted), std::fabs(base));
        // A cell of base 0 (only with --all-cells) has no relative change.
        const std::string relative =
            base != 0 ? csvResult(change / base,
                                  (error + DBL_EPSILON * std::fabs(change)) / std::fabs(base))
                      : std::string();
        line += formNumber(csvNumber(base), form) + separator +
                formNumber(csvNumber(adjusted), form) + separator +
                formNumber(csvResult(change, error), form) + separator +
                formNumber(relative, form) + "\n";
        file->writeText(line);
    };
    const BaseArrays& cells = project.cells;
    const std::size_t count = std::min(x.size(), cells.cellIndex.size());
    if (!allCells) {
        for (std::size_t j = 0; j < count; ++j) writeCell(cells.cellIndex[j], cells.base[j], x[j]);
        return true;
    }
    // Every cell of the table in order, the adjustable ones among them.
    std::size_t j = 0;
    for (int32_t cell = 0; cell < cells.tableSize; ++cell) {
        if (j < count && cells.cellIndex[j] == cell) {
            writeCell(cell, cells.base[j], x[j]);
            ++j;
        } else {
            writeCell(cell, 0.0, 0.0);
        }
    }
    return true;
}

bool writeRowReport(const Project& project, const ResultPlace& place, const WrittenTable& table,
                    ResultSet& results, std::string& error) {
    OutputFile* file = openResult(rowReportPath(place), &isRowReportHeader, results, error);
    if (file == nullptr) return false;
    const CsvForm& form = place.form;
    file->writeText(formHeader(ROW_REPORT_HEADER, form) + "\n");
    const std::vector<RestrictionCheck>& checks = table.checks;
    const CellNamer namer(project, NameStyle::RAW);
    const auto& declared = project.control.restrictions;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const RestrictionCheck& check = checks[i];
        const bool weak = check.kind == RestrictionKind::WEAK;
        // To the digits the change has.
        const std::string change =
            i < table.changes.size()
                ? formNumber(csvWithin(table.changes[i].value, table.changes[i].error), form)
                : std::string();
        const std::string text = i < declared.size()
                                     ? formField(declaredText(project, namer, declared[i]), form)
                                     : std::string();
        const std::string_view binding = weak ? "" : check.binding ? "yes" : "no";
        // As the restriction's source states it, and where it comes from.
        file->writeText(formLine(
            {std::to_string(i + 1), restrictionKindName(check.kind), limitField(check.lower, form),
             limitField(check.upper, form), valueField(check, form), slackField(check, form),
             binding, change, text, formField(declaredLabel(project, i), form),
             formField(restrictionSource(project, i), form)},
            form));
    }
    return true;
}

bool commitResults(const ResultPlace& place, ResultSet& results, std::string& error) {
    for (const ResultFile& file : resultFiles(place)) {
        if (results.includes(file.path)) continue;
        const OutputCheck check = checkEarlierOutput(file.path, file.isOurs);
        if (check.state == EarlierOutput::READ_ONLY) {
            error = refusalMessage(file.path, check, true);
            withdrawResults(place, results);
            return false;
        }
        if (check.state == EarlierOutput::OURS) results.removeWhenCommitted(file.path);
    }
    if (results.commit()) return true;
    error = errorMessage(
        {QorsolveFault::CANNOT_WRITE, results.failedPath(), "", results.failedError()});
    withdrawResults(place, results);
    return false;
}

void withdrawResults(const ResultPlace& place, ResultSet& results) {
    results.discard();
    for (const ResultFile& file : resultFiles(place)) {
        if (checkEarlierOutput(file.path, file.isOurs).state == EarlierOutput::OURS) {
            results.removeWhenCommitted(file.path);
        }
    }
    results.discard();
}
