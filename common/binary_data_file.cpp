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
bool allFinite(const std::vector<double>& values) {
    for (double value : values) {
        if (!std::isfinite(value)) return false;
    }
    return true;
}

}  // namespace

ReadResult readBaseArrays(InputFile& file, BaseArrays& base) {
    if (!file.readInt32(base.tableSize) || !file.readInt32(base.cellCount))
        return ReadResult::INVALID;
    if (base.cellCount < 0) return ReadResult::NEGATIVE_COUNT;
    const std::uint64_t n = static_cast<std::uint64_t>(base.cellCount);
    if (n * (4 + 3 * 8) > file.remaining()) return ReadResult::INVALID;
    if (!tryAssign(base.cellIndex, n) || !tryAssign(base.base, n) || !tryAssign(base.lower, n) ||
        !tryAssign(base.upper, n)) {
        return ReadResult::NO_MEMORY;
    }
    if (!file.readInt32s(base.cellIndex.data(), n) || !file.readFloat64s(base.base.data(), n) ||
        !file.readFloat64s(base.lower.data(), n) || !file.readFloat64s(base.upper.data(), n)) {
        return ReadResult::INVALID;
    }
    if (!allFinite(base.base) || !allFinite(base.lower) || !allFinite(base.upper)) {
        return ReadResult::INVALID;
    }
    return ReadResult::OK;
}

namespace {

// A compressed sparse-row matrix read from a file fits together: its rows start at 0, never
// go back, end at the entry count, and every entry names an existing column.
ReadResult checkRows(const std::vector<int32_t>& rowStart, const std::vector<int32_t>& columnIndex,
                     int32_t nonzeroCount, int32_t cellCount) {
    if (rowStart.front() != 0 || rowStart.back() != nonzeroCount) return ReadResult::INVALID;
    for (std::size_t r = 0; r + 1 < rowStart.size(); ++r) {
        if (rowStart[r + 1] < rowStart[r]) return ReadResult::INVALID;
    }
    for (int32_t column : columnIndex) {
        if (column < 0 || column >= cellCount) return ReadResult::INVALID;
    }
    return ReadResult::OK;
}

}  // namespace

ReadResult readHardArrays(InputFile& file, HardArrays& hard, int32_t cellCount) {
    if (!file.readInt32(hard.rowCount) || !file.readInt32(hard.columnCount) ||
        !file.readInt32(hard.nonzeroCount)) {
        return ReadResult::INVALID;
    }
    if (hard.rowCount < 0 || hard.nonzeroCount < 0) return ReadResult::NEGATIVE_COUNT;
    if (hard.rowCount == 0) return hard.nonzeroCount == 0 ? ReadResult::OK : ReadResult::INVALID;
    if (hard.columnCount != cellCount) return ReadResult::INVALID;

    const std::uint64_t m = static_cast<std::uint64_t>(hard.rowCount);
    const std::uint64_t p = static_cast<std::uint64_t>(hard.nonzeroCount);
    if (m * (4 + 8 + 8 + 4) + 4 + p * (4 + 8) > file.remaining()) return ReadResult::INVALID;
    if (!tryAssign(hard.boundType, m) || !tryAssign(hard.lowerValue, m) ||
        !tryAssign(hard.upperValue, m) || !tryAssign(hard.rowStart, m + 1) ||
        !tryAssign(hard.columnIndex, p) || !tryAssign(hard.coefficient, p)) {
        return ReadResult::NO_MEMORY;
    }
    if (!file.readInt32s(hard.boundType.data(), m) ||
        !file.readFloat64s(hard.lowerValue.data(), m) ||
        !file.readFloat64s(hard.upperValue.data(), m) ||
        !file.readInt32s(hard.rowStart.data(), m + 1) ||
        !file.readInt32s(hard.columnIndex.data(), p) ||
        !file.readFloat64s(hard.coefficient.data(), p)) {
        return ReadResult::INVALID;
    }
    if (!allFinite(hard.lowerValue) || !allFinite(hard.upperValue) ||
        !allFinite(hard.coefficient)) {
        return ReadResult::INVALID;
    }
    return checkRows(hard.rowStart, hard.columnIndex, hard.nonzeroCount, cellCount);
}

ReadResult readWeakArrays(InputFile& file, WeakArrays& weak, int32_t cellCount) {
    weak = WeakArrays();
    if (file.remaining() == 0) return ReadResult::OK;
    if (!file.readInt32(weak.rowCount) || !file.readInt32(weak.columnCount) ||
        !file.readInt32(weak.nonzeroCount)) {
        return ReadResult::INVALID;
    }
    if (weak.rowCount < 0 || weak.nonzeroCount < 0) return ReadResult::NEGATIVE_COUNT;
    if (weak.rowCount == 0 || weak.columnCount != cellCount) return ReadResult::INVALID;

    const std::uint64_t m = static_cast<std::uint64_t>(weak.rowCount);
    const std::uint64_t p = static_cast<std::uint64_t>(weak.nonzeroCount);
    if (m * (8 + 8 + 4) + 4 + p * (4 + 8) != file.remaining()) return ReadResult::INVALID;
    if (!tryAssign(weak.target, m) || !tryAssign(weak.weight, m) ||
        !tryAssign(weak.rowStart, m + 1) || !tryAssign(weak.columnIndex, p) ||
        !tryAssign(weak.coefficient, p)) {
        return ReadResult::NO_MEMORY;
    }
    if (!file.readFloat64s(weak.target.data(), m) || !file.readFloat64s(weak.weight.data(), m) ||
        !file.readInt32s(weak.rowStart.data(), m + 1) ||
        !file.readInt32s(weak.columnIndex.data(), p) ||
        !file.readFloat64s(weak.coefficient.data(), p)) {
        return ReadResult::INVALID;
    }
    if (!allFinite(weak.target) || !allFinite(weak.weight) || !allFinite(weak.coefficient)) {
        return ReadResult::INVALID;
    }
    return checkRows(weak.rowStart, weak.columnIndex, weak.nonzeroCount, cellCount);
}
