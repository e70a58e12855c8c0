// The base table: BASIS statements give cell values, and at RESTRIKTIONEN the cells with
// a positive value become the adjustable cells.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/allocation.h"
#include "common/bound_type.h"
#include "qorlex/model/base_file.h"
#include "qorlex/model/number_range.h"
#include "qorlex/model/number_text.h"
#include "qorlex/model/table.h"

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
        valuesInDescription += 1;
        if (value > 0) positiveInDescription += 1;
    }
    // A value given in the description is named at the description's line.
    const auto set = [&](int32_t cell) {
        cellValues[static_cast<std::size_t>(cell)] = value;
        noteValue(
            cell, value, [&] { return std::string_view(text); },
            [&] { return descriptionPlace(); });
    };
    switch (state) {
        case AFTER_ASSIGNMENT:
            for (int32_t i = 0; i < expandedCells; ++i) set(cellBuffer[i]);
            setPhase(READY);
            return OK;
        case AFTER_REFERENCE:
            if (ErrorCode code = expandInto(0, tableSize)) return code;
            set(cellBuffer[0]);
            valueCount = 1;
            valueCursor = 1;
            setPhase(IN_VALUE_LIST);
            return OK;
        case IN_VALUE_LIST:
            if (valueCount >= expandedCells) return LIST_TOO_LONG;
            set(cellBuffer[static_cast<std::size_t>(valueCursor)]);
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

void Table::noteNegative(int32_t cell, std::string_view text, const std::string& place) {
    negativeCells.note(cell, place + "value " + std::string(text) + " of cell " + cellText(cell) +
                                 " is negative; the cell is left out as one of base 0");
}

ErrorCode Table::readAsciiBaseFile(std::string_view text) {
    const BaseFileOpening opening = openBaseFile(baseFileName(text), directory_);
    if (opening.file == nullptr) {
        problem_ = "base table file not found: tried " + opening.tried;
        return BASE_FILE_NOT_FOUND;
    }
    FileHandle file(opening.file);
    noteInput(opening.path, file.get());
    baseSources.push_back(BaseSource{opening.path});
    NumberFileReader reader(file.get());
    int64_t positive = 0;
    const auto where = [&] { return opening.path + ":" + std::to_string(reader.line()) + ": "; };
    for (std::size_t cell = 0; cell < cellValues.size(); ++cell) {
        // Built only for a message: a file may hold millions of numbers.
        const auto ordinal = [&] {
            return "number " + std::to_string(cell + 1) + " of " +
                   std::to_string(cellValues.size());
        };
        double& value = cellValues[cell];
        if (!reader.next(value)) {
            const std::string_view failed = reader.failedText();
            if (failed.empty()) {
                problem_ = where() + "the file ends after " + std::to_string(cell) +
                           " numbers; the table has " + std::to_string(cellValues.size()) +
                           " cells";
            } else if (const std::string_view before = reader.failedAfter(); !before.empty()) {
                problem_ = where() + ordinal() + ": " + quotedText(failed) + " after " +
                           quotedText(before) + " is not a number";
            } else {
                problem_ = where() + ordinal() + ": " + quotedText(failed) + " is not a number";
            }
            return BASE_FILE_INCOMPLETE;
        }
        if (ErrorCode code = checkNumberRange(value)) {
            problem_ = where() + ordinal() + ": " + quotedText(reader.number()) +
                       " is no number within the range of double precision";
            return code;
        }
        if (value > 0) ++positive;
        noteValue(
            static_cast<int32_t>(cell), value, [&] { return reader.number(); }, where);
    }
    BaseSource& source = baseSources.back();
    source.lines = source.values = static_cast<int64_t>(cellValues.size());
    source.positive = positive;
    return OK;
}

std::string Table::zeroTableProblem() const {
    std::string problem;
    const auto add = [&](const std::string& part) {
        if (!problem.empty()) problem += "; ";
        problem += part;
    };
    const auto values = [](int64_t positive) {
        if (positive == 0) return std::string(", every value 0 or negative");
        return ", " + std::to_string(positive) + " of them positive, and later statements " +
               "gave those cells 0 or a negative value";
    };
    for (const BaseSource& source : baseSources) {
        const std::string lines = std::to_string(source.lines);
        if (source.separator == 0) {
            add(source.path + ": " + lines + " numbers read" + values(source.positive));
            continue;
        }
        if (source.lines == 0) {
            add(source.path + ": the file is empty");
            continue;
        }
        if (source.values > 0) {
            add(source.path + ": " + lines + " lines read" + values(source.positive));
            continue;
        }
        std::string part = source.path + ": " + lines + " lines, none holds the separator " +
                           separatorName(source.separator);
        // The separator that most lines hold instead, the first one of the list of a tie.
        std::size_t most = 0;
        for (std::size_t i = 1; i < std::size(USUAL_SEPARATORS); ++i) {
            if (source.otherSeparatorLines[i] > source.otherSeparatorLines[most]) most = i;
        }
        if (const int64_t holding = source.otherSeparatorLines[most]; holding > 0) {
            part += " (" +
                    (holding == source.lines ? std::string("they")
                                             : std::to_string(holding) + " of them") +
                    " hold " + separatorPlural(USUAL_SEPARATORS[most]) + ")";
        }
        add(part);
    }
    if (valuesInDescription > 0) {
        add(descriptionName_ + (descriptionName_.empty() ? "" : ": ") +
            std::to_string(valuesInDescription) +
            (valuesInDescription == 1 ? " value" : " values") + " given in the description" +
            values(positiveInDescription));
    }
    if (problem.empty()) {
        add(descriptionName_ + (descriptionName_.empty() ? "" : ": ") +
            "no statement of the BASIS block gives a cell a value");
    }
    return problem;
}

ErrorCode Table::finishBaseTable() {
    // Cells with a value of 0 or below (also those never given one) are no columns.
    int64_t positive = 0;
    for (double value : cellValues) {
        if (value > 0) ++positive;
    }
    int64_t negative = 0;
    if (anyNegativeGiven) {
        for (double value : cellValues) {
            if (value < 0) ++negative;
        }
    }
    const std::vector<std::string> negativeLines = negativeCells.lines();
    notices_.insert(notices_.end(), negativeLines.begin(), negativeLines.end());
    if (const auto more = negative - static_cast<int64_t>(negativeLines.size()); more > 0) {
        notices_.push_back(descriptionName_ + (descriptionName_.empty() ? "" : ": ") +
                           std::to_string(more) + " more cells with a negative value are left " +
                           "out as cells of base 0");
    }
    if (positive == 0) {
        problem_ = zeroTableProblem();
        return BASE_TABLE_ZERO;
    }
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
    // Which cells of base 0 were given a value, for the message of a restriction on them only.
    if (!anyNotPositiveGiven) return OK;
    if (!tryAssign(givenCells, (cellValues.size() + 63) / 64, uint64_t{0})) {
        givenCellsUnknown = true;
        return OK;
    }
    for (std::size_t cell = 0; cell < cellValues.size(); ++cell) {
        if (!std::isnan(cellValues[cell])) givenCells[cell / 64] |= uint64_t{1} << (cell % 64);
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
