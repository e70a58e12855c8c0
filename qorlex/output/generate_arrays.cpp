#include "qorlex/output/generate_arrays.h"

#include "common/allocation.h"
#include "common/bound_type.h"
#include "qorlex/model/number_range.h"

namespace {

// Turns coefficient * x >= / <= value into a bound on x; a negative coefficient turns the
// direction round. The quotient is stored as it is.
void foldCellBound(const Restriction& r, int32_t column, double a, BaseArrays& cells) {
    const auto c = static_cast<std::size_t>(column);
    const bool positive = a > 0;
    switch (r.type) {
        case BOUND_LOWER:
            (positive ? cells.lower : cells.upper)[c] = r.lowerValue / a;
            break;
        case BOUND_UPPER:
            (positive ? cells.upper : cells.lower)[c] = r.upperValue / a;
            break;
        case BOUND_RANGE:
            cells.lower[c] = (positive ? r.lowerValue : r.upperValue) / a;
            cells.upper[c] = (positive ? r.upperValue : r.lowerValue) / a;
            break;
        default:
            break;
    }
}

// Appends the entries of one row at `at`, which then stands behind them.
void appendEntries(std::vector<int32_t>& columnIndex, std::vector<double>& coefficient,
                   std::size_t& at, std::span<const int32_t> columns,
                   const Coefficients& coefficients) {
    for (std::size_t i = 0; i < columns.size(); ++i, ++at) {
        columnIndex[at] = columns[i];
        coefficient[at] = coefficients[i];
    }
}

// With `withEntries` false the records' columnIndex and coefficient arrays stay empty.
ErrorCode generate(Table& table, HardArrays& hard, WeakArrays& weak, bool withEntries) {
    const RestrictionList& list = table.restrictions();
    // Sizes of the two records; an entry count is at least 1.
    std::size_t hardRows = 0, hardEntries = 0, weakRows = 0, weakEntries = 0;
    double weightSum = 0.0;
    for (const Restriction& r : list) {
        switch (storedAs(r.type, r.entryCount)) {
            case StoredAs::WEAK_ROW:
                ++weakRows;
                weakEntries += static_cast<std::size_t>(r.entryCount);
                weightSum += r.weight;
                break;
            case StoredAs::HARD_ROW:
                ++hardRows;
                hardEntries += static_cast<std::size_t>(r.entryCount);
                break;
            case StoredAs::CELL_BOUND:
                break;
        }
    }
    if (weakRows > 0 && !(weightSum > 0)) return WEAK_WEIGHTS_ZERO;
    constexpr std::size_t MOST = INT32_MAX;
    if (hardRows > MOST - 1 || hardEntries > MOST) return NO_MEMORY_HARD_ARRAYS;
    if (weakRows > MOST - 1 || weakEntries > MOST) return NO_MEMORY_WEAK_ARRAYS;
    const double factor = weakRows > 0 ? static_cast<double>(weakRows) / weightSum : 0.0;
    const int32_t cellCount = table.baseArrays().cellCount;

    if (hardRows > 0) {
        if (!tryAssign(hard.boundType, hardRows) || !tryAssign(hard.lowerValue, hardRows) ||
            !tryAssign(hard.upperValue, hardRows) || !tryAssign(hard.rowStart, hardRows + 1) ||
            (withEntries && (!tryAssign(hard.columnIndex, hardEntries) ||
                             !tryAssign(hard.coefficient, hardEntries)))) {
            return NO_MEMORY_HARD_ARRAYS;
        }
        hard.rowCount = static_cast<int32_t>(hardRows);
        hard.columnCount = cellCount;
        hard.nonzeroCount = static_cast<int32_t>(hardEntries);
    }
    if (weakRows > 0) {
        if (!tryAssign(weak.target, weakRows) || !tryAssign(weak.weight, weakRows) ||
            !tryAssign(weak.rowStart, weakRows + 1) ||
            (withEntries && (!tryAssign(weak.columnIndex, weakEntries) ||
                             !tryAssign(weak.coefficient, weakEntries)))) {
            return NO_MEMORY_WEAK_ARRAYS;
        }
        weak.rowCount = static_cast<int32_t>(weakRows);
        weak.columnCount = cellCount;
        weak.nonzeroCount = static_cast<int32_t>(weakEntries);
    }

    std::size_t hardRow = 0, hardEntry = 0, weakRow = 0, weakEntry = 0;
    if (hardRows > 0) hard.rowStart[0] = 0;
    if (weakRows > 0) weak.rowStart[0] = 0;
    for (const Restriction& r : list) {
        const auto columns = list.columns(r);
        const auto coefficients = list.coefficients(r);
        switch (storedAs(r.type, r.entryCount)) {
            case StoredAs::WEAK_ROW:
                if (withEntries) {
                    appendEntries(weak.columnIndex, weak.coefficient, weakEntry, columns,
                                  coefficients);
                } else {
                    weakEntry += columns.size();
                }
                weak.target[weakRow] = r.lowerValue;
                weak.weight[weakRow] = r.weight * factor;
                if (ErrorCode code = checkNumberRange(weak.weight[weakRow])) return code;
                weak.rowStart[++weakRow] = static_cast<int32_t>(weakEntry);
                break;
            case StoredAs::HARD_ROW:
                if (withEntries) {
                    appendEntries(hard.columnIndex, hard.coefficient, hardEntry, columns,
                                  coefficients);
                } else {
                    hardEntry += columns.size();
                }
                hard.boundType[hardRow] = r.type;
                hard.lowerValue[hardRow] = r.type == BOUND_UPPER ? -NO_BOUND : r.lowerValue;
                hard.upperValue[hardRow] = r.type == BOUND_LOWER   ? NO_BOUND
                                           : r.type == BOUND_EQUAL ? r.lowerValue
                                                                   : r.upperValue;
                hard.rowStart[++hardRow] = static_cast<int32_t>(hardEntry);
                break;
            case StoredAs::CELL_BOUND:
                foldCellBound(r, columns[0], coefficients[0], table.baseArrays());
                break;
        }
    }
    return OK;
}

}  // namespace

ErrorCode generateArrays(Table& table, HardArrays& hard, WeakArrays& weak) {
    return generate(table, hard, weak, true);
}

ErrorCode generateRows(Table& table, HardArrays& hard, WeakArrays& weak) {
    return generate(table, hard, weak, false);
}

void releaseArrays(HardArrays& hard, WeakArrays& weak) {
    hard = HardArrays();
    weak = WeakArrays();
}
