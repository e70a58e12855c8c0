// The base table: BASIS statements give cell values, and at RESTRIKTIONEN the cells with
// a positive value become the adjustable cells.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/allocation.h"
#include "common/bound_type.h"
#include "qorlex/model/base_file.h"
#include "qorlex/model/number_range.h"
#include "qorlex/model/number_text.h"
#include "qorlex/model/table.h"

namespace {

constexpr std::size_t DBF_LINE_LIMIT = 2047;  // a line this long, its line end counted, is too long

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The file name of a base-file token: the text between its first '[' and the next ']'. A
// NUL byte ends it where a C string would.
std::string_view fileName(std::string_view token) {
    std::size_t start = token.find('[');
    start = start == std::string_view::npos ? token.size() : start + 1;
    const std::size_t end = token.find_first_of(std::string_view("]\0", 2), start);
    return token.substr(start, (end == std::string_view::npos ? token.size() : end) - start);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

ErrorCode Table::assignAll() {
    if (!inPhase(BasePhase::AFTER_REFERENCE)) return INCOMPLETE_DECLARATION;
    if (ErrorCode code = expandInto(0, tableSize)) return code;
    setPhase(BasePhase::AFTER_ASSIGNMENT);
    return OK;
}

ErrorCode Table::addBaseValue(const char* text) {
    const double value = tokenReal(text);
    const auto state = phaseIn<BasePhase>();
    using enum BasePhase;
    if (state == AFTER_REFERENCE || state == IN_VALUE_LIST || state == AFTER_ASSIGNMENT) {
        if (ErrorCode code = checkNumberRange(value)) return code;
    }
    switch (state) {
        case AFTER_ASSIGNMENT:
            for (int32_t i = 0; i < expandedCells; ++i)
                cellValues[static_cast<std::size_t>(cellBuffer[i])] = value;
            setPhase(READY);
            return OK;
        case AFTER_REFERENCE:
            if (ErrorCode code = expandInto(0, tableSize)) return code;
            cellValues[static_cast<std::size_t>(cellBuffer[0])] = value;
            valueCount = 1;
            valueCursor = 1;
            setPhase(IN_VALUE_LIST);
            return OK;
        case IN_VALUE_LIST:
            if (valueCount >= expandedCells) return LIST_TOO_LONG;
            cellValues[static_cast<std::size_t>(
                cellBuffer[static_cast<std::size_t>(valueCursor)])] = value;
            valueCount += 1;
            valueCursor += 1;
            return OK;
        default:
            return INCOMPLETE_DECLARATION;
    }
}

ErrorCode Table::endBaseStatement() {
    if (inPhase(BasePhase::IN_VALUE_LIST)) {
        if (valueCount < expandedCells) return LIST_TOO_SHORT;
        setPhase(BasePhase::READY);
    }
    if (!inPhase(BasePhase::READY)) return INCOMPLETE_DECLARATION;
    return OK;
}

ErrorCode Table::readAsciiBaseFile(std::string_view text) {
    const BaseFileOpening opening = openBaseFile(fileName(text), directory_);
    if (opening.file == nullptr) {
        baseFileProblem_ = "base table file not found: tried " + opening.tried;
        return BASE_FILE_NOT_FOUND;
    }
    FileHandle file(opening.file);
    NumberFileReader reader(file.get());
    const auto where = [&] { return opening.path + ":" + std::to_string(reader.line()) + ": "; };
    for (std::size_t cell = 0; cell < cellValues.size(); ++cell) {
        // Built only for a message: a file may hold millions of numbers.
        const auto ordinal = [&] {
            return "number " + std::to_string(cell + 1) + " of " +
                   std::to_string(cellValues.size());
        };
        if (!reader.next(cellValues[cell])) {
            const std::string_view failed = reader.failedText();
            if (failed.empty()) {
                baseFileProblem_ = where() + "the file ends after " + std::to_string(cell) +
                                   " numbers; the table has " + std::to_string(cellValues.size()) +
                                   " cells";
            } else if (const std::string_view before = reader.failedAfter(); !before.empty()) {
                baseFileProblem_ = where() + ordinal() + ": " + quotedText(failed) + " after " +
                                   quotedText(before) + " is not a number";
            } else {
                baseFileProblem_ =
                    where() + ordinal() + ": " + quotedText(failed) + " is not a number";
            }
            return BASE_FILE_INCOMPLETE;
        }
        if (ErrorCode code = checkNumberRange(cellValues[cell])) {
            baseFileProblem_ = where() + ordinal() + ": " + quotedText(reader.number()) +
                               " is no number within the range of double precision";
            return code;
        }
    }
    return OK;
}

std::string Table::classLabel(int classIndex) const {
    std::string label = "class " + std::to_string(classIndex + 1);
    if (classNames[classIndex] != nullptr)
        label += std::string(" (") + classNames[classIndex] + ")";
    return label;
}

std::string Table::indexFieldProblem(int k, std::string_view field, int64_t line) const {
    std::string problem = "field " + std::to_string(k + 1) + " " + quotedText(field);
    const std::string range = "1 and " + std::to_string(classSize(k));
    const bool digits =
        !field.empty() && field.find_first_not_of("0123456789") == std::string_view::npos;
    if (digits) return problem + " is not between " + range + ", the numbers of " + classLabel(k);
    if (!field.empty() && std::isalpha(static_cast<unsigned char>(field[0])) &&
        static_cast<unsigned char>(field[0]) < 128) {
        problem += " is not a characteristic of " + classLabel(k);
    } else {
        problem += " is neither a characteristic name nor a number between " + range + " of " +
                   classLabel(k);
    }
    // A first line that names the columns is no line of data.
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (line == 1 && std::any_of(field.begin(), field.end(), isLetter)) {
        problem += "; a header line?";
    }
    return problem;
}

ErrorCode Table::readDbfBaseFile(std::string_view text) {
    const std::string_view name = fileName(text);
    // The token ends in "][c]": c is the separator, also when a NUL byte ends the name early.
    char separator = text.size() >= 2 ? text[text.size() - 2] : '\0';
    if (separator == 's' || separator == 'S') separator = ' ';
    if (separator == 't' || separator == 'T') separator = '\t';

    const BaseFileOpening opening = openBaseFile(name, directory_);
    if (opening.file == nullptr) {
        baseFileProblem_ = "base table file not found: tried " + opening.tried;
        return BASE_FILE_NOT_FOUND;
    }
    FileHandle file(opening.file);
    LineReader reader(file.get(), DBF_LINE_LIMIT);
    const auto where = [&] { return opening.path + ":" + std::to_string(reader.line()) + ": "; };
    const auto fail = [&](ErrorCode code, const std::string& problem) {
        baseFileProblem_ = where() + problem;
        return code;
    };
    std::string line;
    std::size_t length = 0;
    while (reader.next(line, length)) {
        if (length >= DBF_LINE_LIMIT) {
            return fail(DBF_LINE_TOO_LONG, "the line is longer than " +
                                               std::to_string(DBF_LINE_LIMIT - 1) +
                                               " characters with its line end");
        }
        // A line is a C string: a NUL byte ends it.
        const std::size_t end = std::min(line.size(), std::strlen(line.c_str()));
        const std::string_view view(line.data(), end);
        if (view.find(separator) == std::string_view::npos) continue;

        int64_t cell = 0;
        std::size_t position = 0;
        const auto lineEndsAfter = [&](int k, std::string_view field) {
            const std::string last = "field " + std::to_string(k + 1) + " " + quotedText(field);
            if (k + 1 == classCount) return fail(DBF_LINE_INCOMPLETE, "no value after " + last);
            return fail(DBF_LINE_INCOMPLETE, "the line ends after " + last + "; " +
                                                 std::to_string(classCount) +
                                                 " index fields and a value are expected");
        };
        for (int k = 0; k < classCount; ++k) {
            const std::size_t found = view.find(separator, position);
            if (found == std::string_view::npos) return lineEndsAfter(k, view.substr(position));
            const std::string_view field = view.substr(position, found - position);
            int64_t index = -1;
            if (!field.empty() && std::isalpha(static_cast<unsigned char>(field[0])) &&
                static_cast<unsigned char>(field[0]) < 128) {
                index = findCharacteristic(k, field);
            } else if (!field.empty() &&
                       field.find_first_not_of("0123456789") == std::string_view::npos) {
                const int64_t number = leadingInteger(std::string(field).c_str());
                if (number >= 1 && number <= classSize(k)) index = number - 1;
            }
            if (index < 0) return fail(DBF_INDEX_RANGE, indexFieldProblem(k, field, reader.line()));
            cell = cell * classSize(k) + index;
            position = found + 1;
            while (position < view.size() &&
                   (view[position] == separator || isBlank(view[position]))) {
                ++position;
            }
            if (position >= view.size()) return lineEndsAfter(k, field);
        }
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
        if (!setCell(static_cast<int32_t>(cell), value)) return INTERNAL_ERROR;
    }
    return OK;
}

bool Table::setCell(int32_t cell, double value) {
    if (cell < 0 || static_cast<std::size_t>(cell) >= cellValues.size()) return false;
    cellValues[static_cast<std::size_t>(cell)] = value;
    return true;
}

ErrorCode Table::finishBaseTable() {
    // Cells with a value of 0 or below (also those never given one) are no columns.
    int64_t positive = 0;
    for (double value : cellValues) {
        if (value > 0) ++positive;
    }
    if (positive == 0) return BASE_TABLE_ZERO;
    const auto n = static_cast<std::size_t>(positive);
    BaseArrays& arrays = baseArrays_;
    if (!tryAssign(arrays.cellIndex, n) || !tryAssign(arrays.base, n) ||
        !tryAssign(arrays.lower, n, 0.0) || !tryAssign(arrays.upper, n, NO_BOUND)) {
        return NO_MEMORY_BASE_ARRAYS;
    }
    arrays.tableSize = tableSize;
    arrays.cellCount = static_cast<int32_t>(positive);
    std::size_t column = 0;
    for (std::size_t cell = 0; cell < cellValues.size(); ++cell) {
        if (cellValues[cell] > 0) {
            arrays.cellIndex[column] = static_cast<int32_t>(cell);
            arrays.base[column] = cellValues[cell];
            ++column;
        }
    }
    return OK;
}

ErrorCode Table::closeBaseBlock() {
    // An open value list gets the same length check as at ";".
    if (ErrorCode code = endBaseStatement()) return code;
    if (ErrorCode code = finishBaseTable()) return code;
    setPhase(BasePhase::CLOSED);
    return OK;
}
