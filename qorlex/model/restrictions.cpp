// Restrictions: each statement of RESTRIKTIONEN collected term by term, its coefficients
// merged per cell and reduced to the adjustable cells.
#include <algorithm>

#include "common/allocation.h"
#include "common/bound_type.h"
#include "qorlex/model/number_range.h"
#include "qorlex/model/number_text.h"
#include "qorlex/model/table.h"

namespace {

// Whether a cell value that cannot be negative can meet a one-entry restriction.
bool isSingleCellFeasible(int32_t type, double a, double lowerValue, double upperValue) {
    switch (type) {
        case BOUND_LOWER:
        case BOUND_EQUAL:
        case BOUND_WEAK:
            return !(a * lowerValue < 0);
        case BOUND_UPPER:
            return !(a * upperValue < 0);
        case BOUND_RANGE:
            return !(a * lowerValue < 0 || a * upperValue < 0);
        default:
            return false;
    }
}

}  // namespace

ErrorCode Table::beginRestrictions(bool withBasis) {
    if (withBasis) {
        if (ErrorCode code = closeBaseBlock()) return code;
    } else if (phase != 2) {
        if (ErrorCode code = endCharacteristicList()) return code;
        if (ErrorCode code = endCharacteristics()) return code;
    }
    declarationsClosed();
    restrictionCount = 0;
    restrictionList.clear();
    if (!tryAssign(groupSizes, static_cast<std::size_t>(MAX_GROUPS)) ||
        !tryAssign(groupCoefficients, static_cast<std::size_t>(MAX_GROUPS))) {
        return NOT_ENOUGH_MEMORY;
    }
    phase = 1;
    return beginRestriction();
}

ErrorCode Table::beginRestriction() {
    if (phase != 1) return INCOMPLETE_DECLARATION;
    cellCursor = 0;
    groupCount = 0;
    termCells = 0;
    cellRoom = tableSize;
    lastCoefficient = 0.0;
    weight = 0.0;
    relation = 0;
    lowerValue = -NO_BOUND;
    upperValue = NO_BOUND;
    sign = 1.0;
    coefficient = 1.0;
    phase = 0;
    return OK;
}

ErrorCode Table::addSign(char character) {
    if (phase == 3) {
        if (ErrorCode code = closeTerm()) return code;
        coefficient = 1.0;
    } else if (phase != 0) {
        return INCOMPLETE_DECLARATION;
    }
    sign = character == '-' ? -1.0 : 1.0;
    phase = 6;
    return OK;
}

ErrorCode Table::closeTerm() {
    if (phase != 3) return INCOMPLETE_DECLARATION;
    coefficient = sign * coefficient;
    if (groupCount == 0 || coefficient != lastCoefficient) {
        if (groupCount + 1 >= MAX_GROUPS) return NOT_ENOUGH_MEMORY;
        groupSizes[static_cast<std::size_t>(groupCount)] = 0;
        groupCoefficients[static_cast<std::size_t>(groupCount)] = coefficient;
        groupCount += 1;
        lastCoefficient = coefficient;
    }
    if (expandInto(cellCursor, cellRoom) != OK) return NOT_ENOUGH_MEMORY;
    groupSizes[static_cast<std::size_t>(groupCount - 1)] += counter;
    termCells += counter;
    cellRoom -= counter;
    cellCursor += counter;
    phase = 0;
    return OK;
}

ErrorCode Table::addRelation(char character) {
    if (phase != 3) return INCOMPLETE_DECLARATION;
    if (ErrorCode code = closeTerm()) return code;
    switch (character) {
        case '>':
            relation = BOUND_LOWER;
            break;
        case '<':
            relation = BOUND_UPPER;
            break;
        case '|':
            relation = BOUND_RANGE;
            break;
        case '=':
            relation = BOUND_EQUAL;
            break;
        default:
            relation = BOUND_WEAK;
            break;
    }
    phase = 9;
    return OK;
}

ErrorCode Table::addNumber(const char* text) {
    const double x = tokenReal(text);
    if (phase == 0 || phase == 6 || phase == 8 || phase == 9) {
        if (ErrorCode code = checkNumberRange(x)) return code;
    }
    switch (phase) {
        case 0:
        case 6:
            coefficient = x;
            phase = 7;
            return OK;
        case 9:
            if (relation == BOUND_LOWER) {
                lowerValue = x;
            } else if (relation == BOUND_UPPER) {
                upperValue = x;
            } else {
                lowerValue = upperValue = x;
            }
            phase = 8;
            return OK;
        case 8:
            if (relation == BOUND_RANGE) {
                upperValue = x;
            } else if (relation == BOUND_WEAK) {
                weight = x;
            } else {
                return DOUBLE_SCALAR_FACTOR;
            }
            phase = 10;
            return OK;
        default:
            return INCOMPLETE_DECLARATION;
    }
}

ErrorCode Table::endRestriction() {
    if (phase == 0 && termCells == 0) {
        phase = 1;
        return OK;
    }
    if (phase == 8) {
        if (relation == BOUND_RANGE) return NO_BOUNDS;
        if (relation == BOUND_WEAK) weight = 1.0;
        phase = 10;
    }
    if (phase != 10) return INCOMPLETE_DECLARATION;
    if (ErrorCode code = storeRestriction()) return code;
    phase = 1;
    restrictionCount += 1;
    return OK;
}

// Sums the coefficients of every cell the terms named, in the order the terms named them,
// and keeps the non-zero sums of the adjustable cells in ascending column order. Cells
// that are no column drop out, since no sum of theirs is ever read. Costs time in the
// number of cells named, not in the size of the table.
ErrorCode Table::storeRestriction() {
    const auto named = static_cast<std::size_t>(termCells);
    // The cells named become their columns (-1 for the others), and those sums start at 0.
    for (std::size_t i = 0; i < named; ++i) {
        const auto column =
            static_cast<int32_t>(cellValues[static_cast<std::size_t>(cellBuffer[i])]);
        cellBuffer[i] = column;
        if (column >= 0) columnSums[static_cast<std::size_t>(column)] = 0.0;
    }
    std::size_t next = 0;
    for (int32_t g = 0; g < groupCount; ++g) {
        const double groupCoefficient = groupCoefficients[static_cast<std::size_t>(g)];
        const auto end = next + static_cast<std::size_t>(groupSizes[static_cast<std::size_t>(g)]);
        for (; next < end; ++next) {
            if (cellBuffer[next] >= 0)
                columnSums[static_cast<std::size_t>(cellBuffer[next])] += groupCoefficient;
        }
    }

    try {
        entryColumns.clear();
        for (std::size_t i = 0; i < named; ++i) {
            if (cellBuffer[i] >= 0) entryColumns.push_back(cellBuffer[i]);
        }
        entryCoefficients.resize(entryColumns.size());
    } catch (const std::bad_alloc&) {
        return NO_MEMORY_RESTRICTION_ARRAYS;
    }
    if (!std::is_sorted(entryColumns.begin(), entryColumns.end())) {
        std::sort(entryColumns.begin(), entryColumns.end());
    }
    entryColumns.erase(std::unique(entryColumns.begin(), entryColumns.end()), entryColumns.end());

    std::size_t kept = 0;
    for (int32_t column : entryColumns) {
        const double sum = columnSums[static_cast<std::size_t>(column)];
        if (sum == 0) continue;
        entryColumns[kept] = column;
        entryCoefficients[kept] = sum;
        ++kept;
    }
    entryColumns.resize(kept);
    entryCoefficients.resize(kept);

    if (kept == 0) return ZERO_BASE_RESTRICTION;
    if (ErrorCode code = checkRestrictionRange(relation, entryCoefficients, lowerValue, upperValue))
        return code;
    if (kept == 1 &&
        !isSingleCellFeasible(relation, entryCoefficients[0], lowerValue, upperValue)) {
        return INFEASIBLE_SINGLE_CELL;
    }
    Restriction head;
    head.weight = weight;
    head.type = relation;
    head.lowerValue = lowerValue;
    head.upperValue = upperValue;
    if (!restrictionList.append(head, entryColumns, entryCoefficients)) {
        return kept == 1 ? NOT_ENOUGH_MEMORY : NO_MEMORY_RESTRICTION_ARRAYS;
    }
    return OK;
}

ErrorCode Table::finishRestrictions() {
    if (ErrorCode code = endRestriction()) return code;
    groupSizes = {};
    groupCoefficients = {};
    return OK;
}
