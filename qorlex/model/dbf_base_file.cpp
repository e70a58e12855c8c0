// The delimited base file of a DBF[file][c] statement: one line per cell, its index fields
// and its value separated by the character c.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <string>

#include "common/allocation.h"
#include "qorlex/model/base_file.h"
#include "qorlex/model/number_range.h"
#include "qorlex/model/table.h"

namespace {

constexpr std::size_t DBF_LINE_LIMIT = 2047;  // a line this long, its line end counted, is too long
constexpr std::size_t SHOWN_TWICE = 20;       // lines about cells given twice, per file

// A value as it reads back exactly, in as few digits as that takes.
std::string numberText(double value) {
    char text[32];
    const auto [end, failure] = std::to_chars(text, text + sizeof text, value);
    return failure == std::errc() ? std::string(text, end) : std::string();
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// How the index fields of a DBF line read with a separator.
struct DbfFields {
    enum class Stop {
        COMPLETE,      // every index field is an index: `cell`, and the value at `valueStart`
        LINE_ENDS,     // the line ends in or after field `field`, whose text is `text`
        NOT_AN_INDEX,  // field `field`, `text`, is no index of its class
    };
    Stop stop = Stop::COMPLETE;
    int field = 0;  // 0-based
    std::string_view text;
    int64_t cell = 0;
    std::size_t valueStart = 0;
};

// Reads the index fields of `line`: each up to the next separator, after which further
// separators and blanks are skipped.
DbfFields readIndexFields(const Table& table, std::string_view line, char separator) {
    DbfFields fields;
    std::size_t position = 0;
    for (int k = 0; k < table.classCount; ++k) {
        fields.field = k;
        const std::size_t found = line.find(separator, position);
        if (found == std::string_view::npos) {
            fields.stop = DbfFields::Stop::LINE_ENDS;
            fields.text = line.substr(position);
            return fields;
        }
        fields.text = line.substr(position, found - position);
        const std::string_view field = fields.text;
        int64_t index = -1;
        if (!field.empty() && isAsciiLetter(field[0])) {
            index = table.findCharacteristic(k, field);
        } else if (!field.empty()) {
            // Digits only; a number beyond every class size is kept as one.
            int64_t number = 0;
            bool digits = true;
            for (char c : field) {
                digits = digits && c >= '0' && c <= '9';
                if (digits && number <= INT32_MAX) number = number * 10 + (c - '0');
            }
            if (digits && number >= 1 && number <= table.classSize(k)) index = number - 1;
        }
        if (index < 0) {
            fields.stop = DbfFields::Stop::NOT_AN_INDEX;
            return fields;
        }
        fields.cell = fields.cell * table.classSize(k) + index;
        position = found + 1;
        while (position < line.size() && (line[position] == separator || isBlank(line[position]))) {
            ++position;
        }
        if (position >= line.size()) {
            fields.stop = DbfFields::Stop::LINE_ENDS;
            return fields;
        }
    }
    fields.valueStart = position;
    return fields;
}

}  // namespace

std::string Table::indexFieldProblem(int k, std::string_view field, int64_t line) const {
    std::string problem = "field " + std::to_string(k + 1) + " ";
    const std::string range = "1 and " + std::to_string(classSize(k));
    const bool digits =
        !field.empty() && field.find_first_not_of("0123456789") == std::string_view::npos;
    if (digits) {
        return problem + quotedText(field) + " is not between " + range + ", the numbers of " +
               classLabel(k);
    }
    if (!field.empty() && isAsciiLetter(field[0])) {
        problem += nameNotFound(k, field, false);
    } else {
        problem += quotedText(field) + " is neither a characteristic name nor a number between " +
                   range + " of " + classLabel(k);
    }
    // A first line that names the columns is no line of data.
    if (line == 1 && std::any_of(field.begin(), field.end(), isAsciiLetter)) {
        problem += problem.ends_with("?") ? " Or a header line?" : "; a header line?";
    }
    return problem;
}

std::string Table::otherSeparatorProblem(std::string_view line, const char* text, char separator) {
    BaseSource& source = baseSources.back();
    for (std::size_t i = 0; i < std::size(USUAL_SEPARATORS); ++i) {
        const char other = USUAL_SEPARATORS[i];
        if (other == separator || line.find(other) == std::string_view::npos) continue;
        source.otherSeparatorLines[i] += 1;
        const DbfFields fields = readIndexFields(*this, line, other);
        if (fields.stop != DbfFields::Stop::COMPLETE) continue;
        double value = 0.0;
        std::size_t numberLength = 0;
        if (readDbfValue(text + fields.valueStart, other, value, numberLength) !=
                DbfValue::NUMBER ||
            checkNumberRange(value) != OK) {
            continue;
        }
        return "no " + separatorName(separator) + " in the line; with " + separatorPlural(other) +
               " it would give cell " + cellText(fields.cell) + " the value " +
               std::string(line.substr(fields.valueStart, numberLength));
    }
    return "";
}

void Table::setDbfCell(int32_t cell, double value, std::string_view text, int64_t line) {
    cellValues[static_cast<std::size_t>(cell)] = value;
    BaseSource& source = baseSources.back();
    source.values += 1;
    if (value > 0) source.positive += 1;
    noteValue(
        cell, value, [&] { return text; },
        [&] { return source.path + ":" + std::to_string(line) + ": "; });
    if (!repeatedCells.note(cell, line) && !repeatsNotLookedFor) {
        notices_.push_back(source.path + ": not enough memory to look for cells given twice");
        repeatsNotLookedFor = true;
    }
}

void Table::noteRepeatedCells(const std::string& path) {
    int64_t total = 0;
    const std::vector<RepeatedCells::Repeat> repeats = repeatedCells.repeats(SHOWN_TWICE, total);
    for (const RepeatedCells::Repeat& repeat : repeats) {
        std::string lines = repeat.earlier.size() + repeat.moreEarlier > 1 ? "lines " : "line ";
        for (std::size_t i = 0; i < repeat.earlier.size(); ++i) {
            const bool last = i + 1 == repeat.earlier.size() && repeat.moreEarlier == 0;
            lines += (i == 0 ? "" : last ? " and " : ", ") + std::to_string(repeat.earlier[i]);
        }
        if (repeat.moreEarlier > 0) lines += " and " + std::to_string(repeat.moreEarlier) + " more";
        notices_.push_back(
            path + ":" + std::to_string(repeat.line) + ": cell " + cellText(repeat.cell) +
            " was given on " + lines + " too; the value of line " + std::to_string(repeat.line) +
            " (" + numberText(cellValues[static_cast<std::size_t>(repeat.cell)]) + ") is used");
    }
    if (const auto more = total - static_cast<int64_t>(repeats.size()); more > 0) {
        notices_.push_back(path + ": " + std::to_string(more) +
                           " more cells were given on two lines or more; the value of the " +
                           "last line is used");
    }
}

ErrorCode Table::readDbfBaseFile(std::string_view text) {
    const std::string_view name = baseFileName(text);
    // The token ends in "][c]": c is the separator, also when a NUL byte ends the name early.
    char separator = text.size() >= 2 ? text[text.size() - 2] : '\0';
    if (separator == 's' || separator == 'S') separator = ' ';
    if (separator == 't' || separator == 'T') separator = '\t';

    const BaseFileOpening opening = openBaseFile(name, directory_);
    if (opening.file == nullptr) {
        problem_ = "base table file not found: tried " + opening.tried;
        return BASE_FILE_NOT_FOUND;
    }
    FileHandle file(opening.file);
    noteInput(opening.path, file.get());
    baseSources.push_back(BaseSource{opening.path, separator});
    // Cells given on two lines of the file are named; a table too large for the lines of its
    // cells is read without looking for them.
    repeatsNotLookedFor = !repeatedCells.setup(cellValues.size());
    if (repeatsNotLookedFor) {
        notices_.push_back(opening.path + ": not enough memory to look for cells given twice");
    }
    LineReader reader(file.get(), DBF_LINE_LIMIT);
    const auto where = [&] { return opening.path + ":" + std::to_string(reader.line()) + ": "; };
    const auto fail = [&](ErrorCode code, const std::string& problem) {
        problem_ = where() + problem;
        repeatedCells.clear();
        return code;
    };
    std::string line;
    std::size_t length = 0;
    while (reader.next(line, length)) {
        baseSources.back().lines = reader.line();
        if (length >= DBF_LINE_LIMIT) {
            return fail(DBF_LINE_TOO_LONG, "the line is longer than " +
                                               std::to_string(DBF_LINE_LIMIT - 1) +
                                               " characters with its line end");
        }
        // A line is a C string: a NUL byte ends it.
        const std::size_t end = std::min(line.size(), std::strlen(line.c_str()));
        const std::string_view view(line.data(), end);
        // A line without the separator holds no fields (a title, a blank line), unless it is a
        // line of the table written with another separator, which would be lost.
        if (view.find(separator) == std::string_view::npos) {
            if (std::string problem = otherSeparatorProblem(view, line.c_str(), separator);
                !problem.empty()) {
                return fail(DBF_LINE_INCOMPLETE, problem);
            }
            continue;
        }
        const DbfFields fields = readIndexFields(*this, view, separator);
        switch (fields.stop) {
            case DbfFields::Stop::COMPLETE:
                break;
            case DbfFields::Stop::LINE_ENDS: {
                const std::string last =
                    "field " + std::to_string(fields.field + 1) + " " + quotedText(fields.text);
                if (fields.field + 1 == classCount) {
                    return fail(DBF_LINE_INCOMPLETE, "no value after " + last);
                }
                return fail(DBF_LINE_INCOMPLETE, "the line ends after " + last + "; " +
                                                     std::to_string(classCount) +
                                                     " index fields and a value are expected");
            }
            case DbfFields::Stop::NOT_AN_INDEX:
                return fail(DBF_INDEX_RANGE,
                            indexFieldProblem(fields.field, fields.text, reader.line()));
        }
        const std::size_t position = fields.valueStart;
        double value = 0.0;
        std::size_t numberLength = 0;
        const DbfValue read = readDbfValue(line.c_str() + position, separator, value, numberLength);
        // The value field for a message: up to the separator after the number.
        const std::string_view valueField =
            view.substr(position, view.find(separator, position + numberLength) - position);
        const auto valueLabel = [&] {
            return "field " + std::to_string(classCount + 1) + " " + quotedText(valueField);
        };
        switch (read) {
            case DbfValue::NUMBER:
                break;
            case DbfValue::NO_NUMBER:
                return fail(DBF_VALUE_ERROR, valueLabel() + " is not a number");
            case DbfValue::MORE_THAN_A_NUMBER:
                return fail(DBF_VALUE_ERROR, valueLabel() + " holds more than a number: " +
                                                 quotedText(valueField.substr(0, numberLength)) +
                                                 " is followed by " +
                                                 quotedText(valueField.substr(numberLength)));
        }
        if (ErrorCode code = checkNumberRange(value)) {
            return fail(code, valueLabel() + " is no number within the range of double precision");
        }
        if (fields.cell < 0 || static_cast<std::size_t>(fields.cell) >= cellValues.size()) {
            return INTERNAL_ERROR;
        }
        setDbfCell(static_cast<int32_t>(fields.cell), value, valueField.substr(0, numberLength),
                   reader.line());
    }
    noteRepeatedCells(opening.path);
    repeatedCells.clear();
    return OK;
}
