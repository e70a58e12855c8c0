#include "common/control_file.h"

#include "common/allocation.h"

bool ControlFileWriter::open(int32_t tableSize, int32_t restrictionCount) {
    if (!file_.open()) return false;
    file_.writeInt32(tableSize);
    file_.writeInt32(restrictionCount);
    return true;
}

void ControlFileWriter::writeRestriction(int32_t type, double lowerValue, double upperValue,
                                         std::span<const int32_t> columns,
                                         std::span<const double> coefficients) {
    file_.writeInt32(type);
    file_.writeInt32(static_cast<int32_t>(columns.size()));
    file_.writeFloat64(lowerValue);
    file_.writeFloat64(upperValue);
    file_.writeInt32s(columns.data(), columns.size());
    file_.writeFloat64s(coefficients.data(), coefficients.size());
}

void ControlFileWriter::writeRestriction(int32_t type, double lowerValue, double upperValue,
                                         std::span<const int32_t> columns, double coefficient) {
    file_.writeInt32(type);
    file_.writeInt32(static_cast<int32_t>(columns.size()));
    file_.writeFloat64(lowerValue);
    file_.writeFloat64(upperValue);
    file_.writeInt32s(columns.data(), columns.size());
    file_.writeRepeatedFloat64(coefficient, columns.size());
}

ReadResult readControlFile(InputFile& file, ControlFile& control, int32_t cellCount) {
    control = ControlFile();
    int32_t restrictionCount = 0;
    if (!file.readInt32(control.tableSize) || !file.readInt32(restrictionCount)) {
        return ReadResult::INVALID;
    }
    // A record is at least 36 bytes: four fields and one entry.
    constexpr std::uint64_t SMALLEST_RECORD = 4 + 4 + 8 + 8 + 4 + 8;
    if (restrictionCount < 0 ||
        static_cast<std::uint64_t>(restrictionCount) * SMALLEST_RECORD > file.remaining()) {
        return ReadResult::INVALID;
    }
    if (!tryAssign(control.restrictions, static_cast<std::size_t>(restrictionCount))) {
        return ReadResult::NO_MEMORY;
    }
    for (DeclaredRestriction& restriction : control.restrictions) {
        int32_t entryCount = 0;
        if (!file.readInt32(restriction.type) || !file.readInt32(entryCount) ||
            !file.readFloat64s(&restriction.lowerValue, 1) ||
            !file.readFloat64s(&restriction.upperValue, 1)) {
            return ReadResult::INVALID;
        }
        if (restriction.type <= 0 || entryCount < 1 ||
            static_cast<std::uint64_t>(entryCount) * (4 + 8) > file.remaining()) {
            return ReadResult::INVALID;
        }
        const std::size_t n = static_cast<std::size_t>(entryCount);
        if (!tryAssign(restriction.columns, n) || !tryAssign(restriction.coefficients, n)) {
            return ReadResult::NO_MEMORY;
        }
        if (!file.readInt32s(restriction.columns.data(), n) ||
            !file.readFloat64s(restriction.coefficients.data(), n)) {
            return ReadResult::INVALID;
        }
        int32_t previous = -1;
        for (int32_t column : restriction.columns) {
            if (column <= previous || column >= cellCount) return ReadResult::INVALID;
            previous = column;
        }
    }
    return file.remaining() == 0 ? ReadResult::OK : ReadResult::INVALID;
}
