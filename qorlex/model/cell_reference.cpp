// Cell references: the index items between parentheses, their checks, and their
// expansion into cell numbers.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "common/allocation.h"
#include "qorlex/model/number_text.h"
#include "qorlex/model/table.h"

std::string Table::indexItemsExpected() const {
    return std::to_string(classCount) + (classCount == 1 ? " index item" : " index items") +
           " expected";
}

ErrorCode Table::setupIndexRanges() {
    int32_t sizes[MAX_CLASSES] = {};
    for (int k = 0; k < classCount; ++k) sizes[k] = classSize(k);
    return indexRanges.setup(sizes, classCount);
}

ErrorCode Table::beginCellReference() {
    indexRanges.clear();
    referenceClass = 0;
    rangeState = RangeState::NONE;
    rangeLow = 0;
    rangeHigh = 0;
    return OK;
}

ErrorCode Table::addIndex(const char* text, ItemKind kind) {
    const int classIndex = referenceClass;
    int64_t index = -1;
    if (kind == ItemKind::NAME) {
        index = findCharacteristic(classIndex, text);
        if (index < 0) {
            // A name past the last class has no class to be looked up in.
            if (classIndex < classCount) {
                setProblem(descriptionPlace() + nameNotFound(classIndex, text, true));
            }
            return NAME_NOT_FOUND;
        }
    } else {
        index = int64_t{leadingInteger(text)} - 1;
    }
    if (index < 0 || index >= classSize(classIndex)) {
        if (kind == ItemKind::NUMBER && classIndex < classCount) {
            const int32_t size = classSize(classIndex);
            // A number of 400 digits is shown by its beginning.
            const std::string_view number(text);
            const std::string shown = number.size() <= 24
                                          ? std::string(number)
                                          : std::string(number.substr(0, 20)) + "...";
            std::string problem = descriptionPlace() + classLabel(classIndex);
            if (size <= 0) {
                problem += " has no characteristics";
            } else {
                problem = descriptionPlace() + shown + " is not between 1 and " +
                          std::to_string(size) + ", the numbers of " + classLabel(classIndex);
            }
            // "1-3" reads as the numbers 1 and -3.
            if (text[0] == '-' || text[0] == '+') {
                problem += "; a sign directly before a digit is part of the number: to join " +
                           std::string("ranges, write a blank after it, as in 1 ") + text[0] + " 3";
            }
            setProblem(std::move(problem));
        }
        return INDEX_OUT_OF_RANGE;
    }
    if (rangeState == RangeState::NONE) {
        rangeLow = static_cast<int32_t>(index);
        rangeState = RangeState::LOW;
    } else if (rangeState == RangeState::SEPARATOR) {
        rangeHigh = static_cast<int32_t>(index);
        rangeState = RangeState::COMPLETE;
    } else {
        return INCOMPLETE_DECLARATION;
    }
    return OK;
}

ErrorCode Table::addRangeSeparator(char) {
    if (rangeState == RangeState::NONE) {
        rangeLow = 0;
    } else if (rangeState != RangeState::LOW) {
        return INDEX_OUT_OF_RANGE;
    }
    rangeState = RangeState::SEPARATOR;
    return OK;
}

ErrorCode Table::endIndexItem(char character) {
    if (rangeState == RangeState::LOW) {
        rangeHigh = rangeLow;
        rangeState = RangeState::COMPLETE;
    } else if (rangeState == RangeState::SEPARATOR) {
        rangeHigh = classSize(referenceClass) - 1;
        rangeState = RangeState::COMPLETE;
    }
    if (rangeState != RangeState::COMPLETE) return INDEX_OUT_OF_RANGE;
    if (ErrorCode code = indexRanges.push(referenceClass, rangeLow, rangeHigh)) return code;
    rangeState = RangeState::NONE;
    rangeLow = 0;
    rangeHigh = 0;
    if (character == ',') {
        referenceClass += 1;
        if (referenceClass == classCount) {
            setProblem(descriptionPlace() + indexItemsExpected() + ", at least " +
                       std::to_string(classCount + 1) + " given");
            return INDEX_OUT_OF_RANGE;
        }
    } else if (character == ')') {
        referenceClass += 1;
    }
    return OK;
}

ErrorCode Table::endCellReference() {
    if (ErrorCode code = endIndexItem(')')) return code;
    if (referenceClass != classCount) {
        setProblem(descriptionPlace() + indexItemsExpected() + ", " +
                   std::to_string(referenceClass) + " given");
        return INCOMPLETE_DECLARATION;
    }
    for (int k = 0; k < classCount; ++k) {
        int32_t previousHigh = -1;
        for (int32_t r = 0; r < indexRanges.rangeCount(k); ++r) {
            const IndexRange& range = indexRanges.range(k, r);
            if (range.low > range.high || range.low <= previousHigh) return OVERLAPPING_RANGES;
            previousHigh = range.high;
        }
    }
    setPhase(RestrictionPhase::AFTER_REFERENCE);  // BasePhase::AFTER_REFERENCE alike
    return OK;
}

// Expands the reference just read into cellBuffer from position `at` on, with room for
// `room` cells; the buffer grows as far as that needs.
ErrorCode Table::expandInto(int64_t at, int64_t room) {
    const int64_t count = indexRanges.cellCount();
    if (room <= 0 || count > room) return NOT_ENOUGH_MEMORY;
    const auto needed = static_cast<std::size_t>(at + count);
    if (cellBuffer.size() < needed) {
        const std::size_t grown = std::min<std::size_t>(std::max(needed, 2 * cellBuffer.size()),
                                                        static_cast<std::size_t>(tableSize));
        std::vector<int32_t> larger;
        if (!tryAssign(larger, std::max(grown, needed))) return NOT_ENOUGH_MEMORY;
        std::copy(cellBuffer.begin(), cellBuffer.end(), larger.begin());
        cellBuffer.swap(larger);
    }
    return expandCells(cellBuffer.data() + at, room);
}

ErrorCode Table::expandCells(int32_t* out, int64_t room) {
    int64_t produced = 0;
    ErrorCode code = indexRanges.expand(out, room, produced);
    expandedCells = static_cast<int32_t>(produced);
    return code;
}
