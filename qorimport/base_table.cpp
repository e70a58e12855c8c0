#include "qorimport/base_table.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/cell_text.h"
#include "common/table_limits.h"
#include "qorimport/number_field.h"
#include "qorimport/spreadsheet_file.h"

namespace {

// Column names for a message: "Region, Altersgruppe, Anzahl".
std::string columnList(const std::vector<std::string>& header) {
    std::string text;
    for (const std::string& name : header) {
        if (!text.empty()) text += ", ";
        text += quotedLabel(name);
    }
    return text;
}

// The class columns and the value column of the header; false with `error` set.
bool readHeader(const ImportOptions& options, const SpreadsheetFile& file, ImportedTable& table,
                std::size_t& valueColumn, ImportMessage& error) {
    const std::vector<std::string>& header = file.header();
    if (header.size() == 1) {
        error = file.message(file.headerLine(),
                             "the header line holds one column, " + quotedLabel(header[0]) +
                                 "; the class columns and the value column must be separated "
                                 "by " +
                                 (options.separator != '\0' ? fieldSeparatorName(options.separator)
                                                            : std::string("';', ',' or a tab")));
        return false;
    }
    valueColumn = header.size() - 1;
    if (!options.valueColumn.empty()) {
        const auto at = std::find(header.begin(), header.end(), options.valueColumn);
        if (at == header.end()) {
            error = file.message(file.headerLine(),
                                 "no column is named " + quotedLabel(options.valueColumn) +
                                     " (--value); the columns are " + columnList(header));
            return false;
        }
        valueColumn = static_cast<std::size_t>(at - header.begin());
    }
    double number = 0.0;
    if (readNumber(header[valueColumn], false, number) ||
        readNumber(header[valueColumn], true, number)) {
        error = file.message(file.headerLine(),
                             "the first line is no header: its value column holds the number " +
                                 quotedLabel(header[valueColumn]) +
                                 "; the first line must name the classes and the value column, "
                                 "such as Region;Sex;Persons");
        return false;
    }
    if (header.size() - 1 > static_cast<std::size_t>(MAX_CLASSES)) {
        error = file.message(file.headerLine(), std::to_string(header.size() - 1) +
                                                    " class columns; a table has at "
                                                    "most " +
                                                    std::to_string(MAX_CLASSES) + " classes");
        return false;
    }
    for (std::size_t c = 0; c < header.size(); ++c) {
        if (c == valueColumn) continue;
        ImportedClass added;
        added.label = header[c];
        table.classes.push_back(std::move(added));
    }
    return true;
}

// Two lines for one cell: the first pair found, by cell number.
bool findRepeatedCell(const ImportedTable& table, std::size_t& first, std::size_t& second) {
    const std::size_t n = table.cellCount();
    // A table not much larger than its lines: the first line of each cell, by number.
    if (table.tableSize <= static_cast<int64_t>(4 * n + 1024) && n < UINT32_MAX) {
        std::vector<uint32_t> lineOf(static_cast<std::size_t>(table.tableSize), UINT32_MAX);
        for (std::size_t i = 0; i < n; ++i) {
            uint32_t& seen = lineOf[static_cast<std::size_t>(table.cellNumber(i))];
            if (seen != UINT32_MAX) {
                first = seen;
                second = i;
                return true;
            }
            seen = static_cast<uint32_t>(i);
        }
        return false;
    }
    std::vector<std::pair<int64_t, std::size_t>> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = {table.cellNumber(i), i};
    std::sort(order.begin(), order.end());
    bool found = false;
    for (std::size_t i = 1; i < n; ++i) {
        if (order[i].first != order[i - 1].first) continue;
        // The repeat that comes first in the file.
        if (!found || order[i].second < second) {
            first = order[i - 1].second;
            second = order[i].second;
            found = true;
        }
    }
    return found;
}

}  // namespace

int64_t ImportedTable::cellNumber(std::size_t cell) const {
    const int32_t* at = cellAt(cell);
    int64_t number = 0;
    for (std::size_t k = 0; k < classes.size(); ++k) number = number * classes[k].size() + at[k];
    return number;
}

std::string ImportedTable::cellText(const int32_t* at) const {
    std::string text = "(";
    for (std::size_t k = 0; k < classes.size(); ++k) {
        if (k > 0) text += ", ";
        text += at[k] < 0 ? std::string("all")
                          : terminalText(classes[k].labels[static_cast<std::size_t>(at[k])]);
    }
    return text + ")";
}

bool readBaseTable(const ImportOptions& options, ImportedTable& table,
                   std::vector<ImportMessage>& notes, ImportMessage& error) {
    table = ImportedTable();
    table.path = options.basePath;
    SpreadsheetFile file;
    if (!file.open(options.basePath, options.separator, error)) return false;
    if (file.recoded()) notes.push_back(file.message(0, RECODED_NOTE));
    table.headerLine = file.headerLine();
    std::size_t valueColumn = 0;
    if (!readHeader(options, file, table, valueColumn, error)) return false;

    const std::size_t columns = file.header().size();
    const std::size_t classCount = table.classes.size();
    // The characteristic of each class on the line before: most files repeat them line after
    // line.
    std::vector<int32_t> lastIndex(classCount, -1);
    std::vector<std::string_view> fields;
    while (file.next(fields, error)) {
        const int64_t line = file.line();
        if (fields.size() != columns) {
            error = file.message(
                line, std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") +
                          ", but the header line has " + std::to_string(columns) + " columns");
            return false;
        }
        std::size_t k = 0;
        for (std::size_t c = 0; c < columns; ++c) {
            if (c == valueColumn) continue;
            const std::string_view label = fields[c];
            ImportedClass& named = table.classes[k];
            if (lastIndex[k] < 0 || label != named.labels[static_cast<std::size_t>(lastIndex[k])]) {
                if (label.empty()) {
                    error = file.message(line, "no " + terminalText(named.label) +
                                                   " is given (column " + std::to_string(c + 1) +
                                                   " is empty)");
                    return false;
                }
                int32_t index = named.find(label);
                if (index < 0) {
                    if (std::find(options.totalLabels.begin(), options.totalLabels.end(), label) !=
                        options.totalLabels.end()) {
                        error = file.message(
                            line, quotedLabel(label) + " is a " + terminalText(named.label) +
                                      " here, but --total makes it mean all of them; a base "
                                      "table holds cells, not totals");
                        return false;
                    }
                    if (named.labels.size() >= static_cast<std::size_t>(INT32_MAX)) {
                        error = file.message(
                            line, "too many characteristics of " + terminalText(named.label));
                        return false;
                    }
                    index = named.size();
                    named.labels.emplace_back(label);
                    named.firstLines.push_back(line);
                    named.index.emplace(label, index);
                }
                lastIndex[k] = index;
            }
            table.characteristics.push_back(lastIndex[k]);
            ++k;
        }
        double value = 0.0;
        const std::string_view valueField = fields[valueColumn];
        if (valueField.empty()) {
            error =
                file.message(line, "no value is given (column " + std::to_string(valueColumn + 1) +
                                       " is empty); write 0 for an empty cell");
            return false;
        }
        if (!readNumber(valueField, options.decimalComma, value)) {
            error = file.message(line, notANumberText(valueField, options.decimalComma));
            return false;
        }
        if (value < 0) {
            error = file.message(line, "the value " + quotedLabel(valueField) +
                                           " is negative; base values are counts or amounts "
                                           "of at least 0");
            return false;
        }
        table.values.push_back(value);
        table.lines.push_back(line);
    }
    if (!error.text.empty()) return false;
    if (table.values.empty()) {
        error = file.message(0, "holds no cells: no line of values follows the header line");
        return false;
    }

    int64_t size = 1;
    for (const ImportedClass& named : table.classes) {
        size *= named.size();
        if (size > INT32_MAX) {
            error = file.message(0, "its classes make a table of more than " +
                                        std::to_string(INT32_MAX) +
                                        " cells, more than a table "
                                        "may have");
            return false;
        }
    }
    table.tableSize = size;
    std::size_t first = 0;
    std::size_t second = 0;
    if (findRepeatedCell(table, first, second)) {
        error = file.message(table.lines[second],
                             "the cell " + table.cellText(table.cellAt(second)) +
                                 " is given twice, on lines " + std::to_string(table.lines[first]) +
                                 " and " + std::to_string(table.lines[second]));
        return false;
    }
    if (std::none_of(table.values.begin(), table.values.end(), [](double v) { return v > 0; })) {
        error = file.message(0, "every value is 0: there is no cell to adjust");
        return false;
    }
    return true;
}
