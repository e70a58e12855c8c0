#include "common/binary_data_file.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "common/allocation.h"

void writeBaseRecord(OutputFile& file, const BaseArrays& base) {
    const std::size_t n = static_cast<std::size_t>(base.cellCount);
    file.writeInt32(base.tableSize);
    file.writeInt32(base.cellCount);
    file.writeInt32s(base.cellIndex.data(), n);
    file.writeFloat64s(base.base.data(), n);
    file.writeFloat64s(base.lower.data(), n);
    file.writeFloat64s(base.upper.data(), n);
}

void writeHardRecord(OutputFile& file, const HardArrays& hard, const RowEntries* entries) {
    file.writeInt32(hard.rowCount);
    file.writeInt32(hard.columnCount);
    file.writeInt32(hard.nonzeroCount);
    if (hard.rowCount <= 0) return;
    const std::size_t m = static_cast<std::size_t>(hard.rowCount);
    const std::size_t p = static_cast<std::size_t>(hard.nonzeroCount);
    file.writeInt32s(hard.boundType.data(), m);
    file.writeFloat64s(hard.lowerValue.data(), m);
    file.writeFloat64s(hard.upperValue.data(), m);
    file.writeInt32s(hard.rowStart.data(), m + 1);
    if (entries != nullptr) {
        entries->writeColumns(file);
        entries->writeCoefficients(file);
        return;
    }
    file.writeInt32s(hard.columnIndex.data(), p);
    file.writeFloat64s(hard.coefficient.data(), p);
}

void writeWeakRecord(OutputFile& file, const WeakArrays& weak, const RowEntries* entries) {
    if (weak.rowCount <= 0) return;
    const std::size_t m = static_cast<std::size_t>(weak.rowCount);
    const std::size_t p = static_cast<std::size_t>(weak.nonzeroCount);
    file.writeInt32(weak.rowCount);
    file.writeInt32(weak.columnCount);
    file.writeInt32(weak.nonzeroCount);
    file.writeFloat64s(weak.target.data(), m);
    file.writeFloat64s(weak.weight.data(), m);
    file.writeInt32s(weak.rowStart.data(), m + 1);
    if (entries != nullptr) {
        entries->writeColumns(file);
        entries->writeCoefficients(file);
        return;
    }
    file.writeInt32s(weak.columnIndex.data(), p);
    file.writeFloat64s(weak.coefficient.data(), p);
}

namespace {

// Every real of the file is a finite number; "no bound" is the finite 1e38.
bool allFinite(const PackedArray<double>& values) {
    return !values.anyOf([](double value) { return !std::isfinite(value); });
}

// A compressed sparse-row matrix read from a file fits together: its rows start at 0, never
// go back, end at the entry count, and every entry names an existing column.
ReadResult checkRows(const RowsView& rows, int32_t cellCount) {
    const PackedArray<int32_t>& rowStart = rows.rowStart;
    if (rowStart.front() != 0 || rowStart.back() != rows.nonzeroCount) return ReadResult::INVALID;
    for (std::size_t r = 0; r + 1 < rowStart.size(); ++r) {
        if (rowStart[r + 1] < rowStart[r]) return ReadResult::INVALID;
    }
    const bool outside = rows.columnIndex.anyOf([cellCount](int32_t column) {
        return static_cast<uint32_t>(column) >= static_cast<uint32_t>(cellCount);  // or < 0
    });
    return outside ? ReadResult::INVALID : ReadResult::OK;
}

// The entries of a record whose counts are read and checked.
ReadResult viewEntries(InputFile& file, RowsView& rows, int32_t cellCount) {
    const std::size_t m = static_cast<std::size_t>(rows.rowCount);
    const std::size_t p = static_cast<std::size_t>(rows.nonzeroCount);
    if (!file.viewInt32s(rows.rowStart, m + 1) || !file.viewInt32s(rows.columnIndex, p) ||
        !file.viewFloat64s(rows.coefficient, p)) {
        return ReadResult::INVALID;
    }
    if (!allFinite(rows.coefficient)) return ReadResult::INVALID;
    return checkRows(rows, cellCount);
}

// Gives `v` the elements of `view`. False when the memory cannot be had.
template <class T>
bool tryCopy(std::vector<T>& v, const PackedArray<T>& view) {
    if (!tryAssign(v, view.size())) return false;
    view.copyTo(v.data());
    return true;
}

// The counts and the row entries, which hard and weak records share. False when the memory
// cannot be had.
template <class Rows>
bool copyRows(const RowsView& view, Rows& rows) {
    rows.rowCount = view.rowCount;
    rows.columnCount = view.columnCount;
    rows.nonzeroCount = view.nonzeroCount;
    return tryCopy(rows.rowStart, view.rowStart) && tryCopy(rows.columnIndex, view.columnIndex) &&
           tryCopy(rows.coefficient, view.coefficient);
}

}  // namespace

ReadResult viewBaseRecord(InputFile& file, BaseView& base) {
    base = BaseView();
    if (!file.readInt32(base.tableSize) || !file.readInt32(base.cellCount))
        return ReadResult::INVALID;
    if (base.cellCount < 0) return ReadResult::NEGATIVE_COUNT;
    const std::size_t n = static_cast<std::size_t>(base.cellCount);
    if (!file.viewInt32s(base.cellIndex, n) || !file.viewFloat64s(base.base, n) ||
        !file.viewFloat64s(base.lower, n) || !file.viewFloat64s(base.upper, n)) {
        return ReadResult::INVALID;
    }
    if (!allFinite(base.base) || !allFinite(base.lower) || !allFinite(base.upper)) {
        return ReadResult::INVALID;
    }
    return ReadResult::OK;
}

ReadResult viewHardRecord(InputFile& file, RowsView& hard, int32_t cellCount) {
    hard = RowsView();
    if (!file.readInt32(hard.rowCount) || !file.readInt32(hard.columnCount) ||
        !file.readInt32(hard.nonzeroCount)) {
        return ReadResult::INVALID;
    }
    if (hard.rowCount < 0 || hard.nonzeroCount < 0) return ReadResult::NEGATIVE_COUNT;
    if (hard.rowCount == 0) return hard.nonzeroCount == 0 ? ReadResult::OK : ReadResult::INVALID;
    if (hard.columnCount != cellCount) return ReadResult::INVALID;
    const std::size_t m = static_cast<std::size_t>(hard.rowCount);
    if (!file.viewInt32s(hard.boundType, m) || !file.viewFloat64s(hard.lowerValue, m) ||
        !file.viewFloat64s(hard.upperValue, m)) {
        return ReadResult::INVALID;
    }
    if (!allFinite(hard.lowerValue) || !allFinite(hard.upperValue)) return ReadResult::INVALID;
    return viewEntries(file, hard, cellCount);
}

ReadResult viewWeakRecord(InputFile& file, RowsView& weak, int32_t cellCount) {
    weak = RowsView();
    if (file.remaining() == 0) return ReadResult::OK;
    if (!file.readInt32(weak.rowCount) || !file.readInt32(weak.columnCount) ||
        !file.readInt32(weak.nonzeroCount)) {
        return ReadResult::INVALID;
    }
    if (weak.rowCount < 0 || weak.nonzeroCount < 0) return ReadResult::NEGATIVE_COUNT;
    if (weak.rowCount == 0 || weak.columnCount != cellCount) return ReadResult::INVALID;
    const std::size_t m = static_cast<std::size_t>(weak.rowCount);
    if (!file.viewFloat64s(weak.target, m) || !file.viewFloat64s(weak.weight, m)) {
        return ReadResult::INVALID;
    }
    if (!allFinite(weak.target) || !allFinite(weak.weight)) return ReadResult::INVALID;
    const ReadResult result = viewEntries(file, weak, cellCount);
    // The weak record is the last of the file.
    if (result == ReadResult::OK && file.remaining() != 0) return ReadResult::INVALID;
    return result;
}

ReadResult readBaseArrays(InputFile& file, BaseArrays& base) {
    BaseView view;
    if (ReadResult result = viewBaseRecord(file, view); result != ReadResult::OK) return result;
    base.tableSize = view.tableSize;
    base.cellCount = view.cellCount;
    if (!tryCopy(base.cellIndex, view.cellIndex) || !tryCopy(base.base, view.base) ||
        !tryCopy(base.lower, view.lower) || !tryCopy(base.upper, view.upper)) {
        return ReadResult::NO_MEMORY;
    }
    return ReadResult::OK;
}

ReadResult readHardArrays(InputFile& file, HardArrays& hard, int32_t cellCount) {
    RowsView view;
    if (ReadResult result = viewHardRecord(file, view, cellCount); result != ReadResult::OK) {
        return result;
    }
    if (!tryCopy(hard.boundType, view.boundType) || !tryCopy(hard.lowerValue, view.lowerValue) ||
        !tryCopy(hard.upperValue, view.upperValue) || !copyRows(view, hard)) {
        return ReadResult::NO_MEMORY;
    }
    return ReadResult::OK;
}

ReadResult readWeakArrays(InputFile& file, WeakArrays& weak, int32_t cellCount) {
    weak = WeakArrays();
    RowsView view;
    if (ReadResult result = viewWeakRecord(file, view, cellCount); result != ReadResult::OK) {
        return result;
    }
    if (!tryCopy(weak.target, view.target) || !tryCopy(weak.weight, view.weight) ||
        !copyRows(view, weak)) {
        return ReadResult::NO_MEMORY;
    }
    return ReadResult::OK;
}
