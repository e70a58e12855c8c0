#include "qoramp/export_input.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "common/allocation.h"
#include "common/bound_type.h"

QorampError checkAndGroupRows(const RowsView& hard, RowLists& lists) {
    lists = RowLists();
    const std::size_t m = hard.rowCount > 0 ? static_cast<std::size_t>(hard.rowCount) : 0;
    if (hard.boundType.size() < m || hard.lowerValue.size() < m || hard.upperValue.size() < m) {
        return QorampError::INVALID_FILE;
    }
    // Reserved up front, so appending below never allocates.
    if (!tryAssign(lists.rightSides, m) || !tryReserve(lists.equalRows, m) ||
        !tryReserve(lists.lowerRows, m) || !tryReserve(lists.upperRows, m)) {
        return QorampError::NO_MEMORY;
    }
    for (std::size_t j = 0; j < m; ++j) {
        std::vector<int32_t>* list = nullptr;
        double value = 0.0;
        switch (hard.boundType[j]) {
            case BOUND_LOWER:
                list = &lists.lowerRows;
                value = hard.lowerValue[j];
                break;
            case BOUND_UPPER:
                list = &lists.upperRows;
                value = hard.upperValue[j];
                break;
            case BOUND_EQUAL:
                list = &lists.equalRows;
                value = hard.lowerValue[j];
                break;
            default:
                lists.failedRow = static_cast<int32_t>(j);
                return QorampError::UNDEFINED_BOUND_TYPE;
        }
        if (!(std::floor(value) == value)) {
            lists.failedRow = static_cast<int32_t>(j);
            return QorampError::NON_INTEGER_BOUND;
        }
        if (value < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
            value > static_cast<double>(std::numeric_limits<int32_t>::max())) {
            lists.failedRow = static_cast<int32_t>(j);
            return QorampError::BOUND_OUT_OF_RANGE;
        }
        lists.rightSides[j] = static_cast<int32_t>(value);
        list->push_back(static_cast<int32_t>(j + 1));
    }
    return QorampError::OK;
}

bool hasWeightedEntries(const RowsView& hard) {
    return hard.coefficient.anyOf([](double coefficient) { return coefficient != 1.0; });
}
