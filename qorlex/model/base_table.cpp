// The base table: BASIS statements give cell values, and at RESTRIKTIONEN the cells with
// a positive value become the adjustable cells.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

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
    FileHandle file(openBaseFile(fileName(text), directory_));
    if (!file) return BASE_FILE_NOT_FOUND;
    NumberFileReader reader(file.get());
    for (std::size_t cell = 0; cell < cellValues.size(); ++cell) {
        if (!reader.next(cellValues[cell])) return BASE_FILE_INCOMPLETE;
        if (ErrorCode code = checkNumberRange(cellValues[cell])) return code;
    }
    return OK;
}

ErrorCode Table::readDbfBaseFile(std::string_view text) {
    const std::string_view name = fileName(text);
    // The token ends in "][c]": c is the separator, also when a NUL byte ends the name early.
    char separator = text.size() >= 2 ? text[text.size() - 2] : '\0';
    if (separator == 's' || separator == 'S') separator = ' ';
    if (separator == 't' || separator == 'T') separator = '\t';

    FileHandle file(openBaseFile(name, directory_));
    if (!file) return BASE_FILE_NOT_FOUND;
    LineReader reader(file.get(), DBF_LINE_LIMIT);
    std::string line;
    std::size_t length = 0;
    while (reader.next(line, length)) {
        if (length >= DBF_LINE_LIMIT) return DBF_LINE_TOO_LONG;
        // A line is a C string: a NUL byte ends it.
        const std::size_t end = std::min(line.size(), std::strlen(line.c_str()));
        const std::string_view view(line.data(), end);
        if (view.find(separator) == std::string_view::npos) continue;

        int64_t cell = 0;
        std::size_t position = 0;
        for (int k = 0; k < classCount; ++k) {
            const std::size_t found = view.find(separator, position);
            if (found == std::string_view::npos) return DBF_LINE_INCOMPLETE;
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
            if (index < 0) return DBF_INDEX_RANGE;
            cell = cell * classSize(k) + index;
            position = found + 1;
            while (position < view.size() &&
                   (view[position] == separator || isBlank(view[position]))) {
                ++position;
            }
            if (position >= view.size()) return DBF_LINE_INCOMPLETE;
        }
        const double value = leadingReal(line.c_str() + position);
        if (ErrorCode code = checkNumberRange(value)) return code;
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
