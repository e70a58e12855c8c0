#include "qorimport/margins.h"

#include <algorithm>
#include <unordered_map>

#include "common/cell_text.h"
#include "common/closest_label.h"
#include "qorimport/margin_cover.h"
#include "qorimport/number_field.h"
#include "qorimport/spreadsheet_file.h"

namespace {

// "Region, Altersgruppe and Geschlecht".
std::string classList(const ImportedTable& table) {
    std::string text;
    for (std::size_t k = 0; k < table.classes.size(); ++k) {
        if (k > 0) text += k + 1 == table.classes.size() ? " and " : ", ";
        text += quotedLabel(table.classes[k].label);
    }
    return text;
}

// What one margin file's columns are.
struct MarginColumns {
    std::size_t value = 0;
    std::vector<int32_t> classOf;  // per column: the class it names; -1 for the value column
};

bool readHeader(const ImportOptions& options, const ImportedTable& table,
                const SpreadsheetFile& file, MarginColumns& columns, ImportMessage& error) {
    const std::vector<std::string>& header = file.header();
    columns.value = header.size() - 1;
    if (!options.marginValueColumn.empty()) {
        const auto at = std::find(header.begin(), header.end(), options.marginValueColumn);
        if (at == header.end()) {
            error = file.message(file.headerLine(), "no column is named " +
                                                        quotedLabel(options.marginValueColumn) +
                                                        " (--margin-value)");
            return false;
        }
        columns.value = static_cast<std::size_t>(at - header.begin());
    }
    double number = 0.0;
    if (readNumber(header[columns.value], false, number) ||
        readNumber(header[columns.value], true, number)) {
        error = file.message(file.headerLine(),
                             "the first line is no header: its value column holds the number " +
                                 quotedLabel(header[columns.value]) +
                                 "; the first line must name the classes of the margins and the "
                                 "value column");
        return false;
    }
    columns.classOf.assign(header.size(), -1);
    for (std::size_t c = 0; c < header.size(); ++c) {
        if (c == columns.value) continue;
        const auto named =
            std::find_if(table.classes.begin(), table.classes.end(),
                         [&](const ImportedClass& k) { return k.label == header[c]; });
        if (named == table.classes.end()) {
            error = file.message(file.headerLine(),
                                 "column " + quotedLabel(header[c]) + " is not a class of " +
                                     terminalText(table.path) + "; its classes are " +
                                     classList(table) +
                                     (options.marginValueColumn.empty()
                                          ? ", and the last column holds the margins' values"
                                          : ""));
            return false;
        }
        columns.classOf[c] = static_cast<int32_t>(named - table.classes.begin());
    }
    return true;
}

// The margins of one file, appended to `margins`.
bool readMarginFile(const ImportOptions& options, const ImportedTable& table, std::size_t source,
                    std::vector<Margin>& margins, std::vector<ImportMessage>& notes,
                    ImportMessage& error) {
    SpreadsheetFile file;
    if (!file.open(options.margins[source].path, options.separator, error)) return false;
    if (file.recoded()) notes.push_back(file.message(0, RECODED_NOTE));
    MarginColumns columns;
    if (!readHeader(options, table, file, columns, error)) return false;
    const std::vector<std::string>& header = file.header();
    const auto isTotal = [&](std::string_view field) {
        return field.empty() || std::find(options.totalLabels.begin(), options.totalLabels.end(),
                                          field) != options.totalLabels.end();
    };
    std::vector<std::string_view> fields;
    while (file.next(fields, error)) {
        const int64_t line = file.line();
        if (fields.size() != header.size()) {
            error = file.message(line, std::to_string(fields.size()) +
                                           (fields.size() == 1 ? " field" : " fields") +
                                           ", but the header line has " +
                                           std::to_string(header.size()) + " columns");
            return false;
        }
        Margin margin;
        margin.cells.assign(table.classes.size(), ALL_CHARACTERISTICS);
        margin.file = source;
        margin.line = line;
        for (std::size_t c = 0; c < header.size(); ++c) {
            const int32_t k = columns.classOf[c];
            if (k < 0 || isTotal(fields[c])) continue;
            const ImportedClass& named = table.classes[static_cast<std::size_t>(k)];
            const int32_t index = named.find(fields[c]);
            if (index < 0) {
                const std::string meant = closestLabel(fields[c], named.labels);
                // A label that no label resembles may stand for all of them.
                const std::string hint =
                    meant.empty()
                        ? "; where it means all of them, give --total " + quotedLabel(fields[c])
                        : "; did you mean " + quotedLabel(meant) + "?";
                error = file.message(line, quotedLabel(fields[c]) + " is not a " +
                                               terminalText(named.label) + " of " +
                                               terminalText(table.path) + hint);
                return false;
            }
            margin.cells[static_cast<std::size_t>(k)] = index;
            if (!margin.declared.empty()) margin.declared += ", ";
            margin.declared += named.label + " = " + std::string(fields[c]);
        }
        const std::string_view valueField = fields[columns.value];
        if (valueField.empty()) {
            error = file.message(line, "no value is given (column " +
                                           std::to_string(columns.value + 1) + " is empty)");
            return false;
        }
        if (!readNumber(valueField, options.decimalComma, margin.value)) {
            error = file.message(line, notANumberText(valueField, options.decimalComma));
            return false;
        }
        if (margin.value < 0) {
            error = file.message(line, "the margin " + quotedLabel(valueField) +
                                           " is negative, but it sums cells of at least 0");
            return false;
        }
        margin.declared = (margin.declared.empty() ? std::string("all cells") : margin.declared) +
                          ": " + std::string(valueField);
        margins.push_back(std::move(margin));
    }
    return error.text.empty();
}

std::string placeOf(const ImportOptions& options, const Margin& margin) {
    return terminalText(options.margins[margin.file].path) + ":" + std::to_string(margin.line);
}

ImportMessage messageAt(const ImportOptions& options, const Margin& margin, std::string text) {
    return ImportMessage{options.margins[margin.file].path, margin.line, std::move(text)};
}

// Drops margins given again with their value, with a note; false, with `error` set, for two
// that disagree.
bool mergeRepeated(const ImportOptions& options, const ImportedTable& table,
                   std::vector<Margin>& margins, std::vector<ImportMessage>& notes,
                   ImportMessage& error) {
    std::unordered_map<std::string, std::size_t> firstOf;
    std::vector<Margin> kept;
    for (Margin& margin : margins) {
        std::string key(reinterpret_cast<const char*>(margin.cells.data()),
                        margin.cells.size() * sizeof(int32_t));
        const auto [at, added] = firstOf.emplace(std::move(key), kept.size());
        if (added) {
            kept.push_back(std::move(margin));
            continue;
        }
        const Margin& first = kept[at->second];
        if (first.value != margin.value) {
            error = messageAt(options, margin,
                              "the margin of " + table.cellText(margin.cells.data()) + " is " +
                                  numberText(margin.value) + " here but " +
                                  numberText(first.value) + " on " + placeOf(options, first));
            return false;
        }
        notes.push_back(
            messageAt(options, margin,
                      "repeats the margin of " + placeOf(options, first) + "; it is taken once"));
    }
    margins = std::move(kept);
    return true;
}

}  // namespace

bool readMargins(const ImportOptions& options, const ImportedTable& table,
                 std::vector<Margin>& margins, std::vector<ImportMessage>& notes,
                 ImportMessage& error) {
    margins.clear();
    for (std::size_t source = 0; source < options.margins.size(); ++source) {
        if (!readMarginFile(options, table, source, margins, notes, error)) return false;
    }
    if (!mergeRepeated(options, table, margins, notes, error)) return false;

    const std::vector<char> covers = coverPositiveCells(table, margins);
    std::vector<Margin> kept;
    kept.reserve(margins.size());
    for (std::size_t m = 0; m < margins.size(); ++m) {
        Margin& margin = margins[m];
        if (covers[m]) {
            kept.push_back(std::move(margin));
            continue;
        }
        const std::string cells = table.cellText(margin.cells.data());
        if (margin.value != 0) {
            error = messageAt(options, margin,
                              "the margin " + numberText(margin.value) + " sums the cells " +
                                  cells + ", which are all 0 or missing in " +
                                  terminalText(table.path) + "; no adjustment can reach it");
            return false;
        }
        notes.push_back(messageAt(options, margin,
                                  "the margin 0 of " + cells + ", whose cells are all 0 in " +
                                      terminalText(table.path) +
                                      ", holds already and is left out"));
    }
    margins = std::move(kept);
    return true;
}
