#include "qordump/label_control_files.h"

#include "common/allocation.h"

namespace {

// Reads the names of a named class and splits them at their zero bytes.
ReadResult readNames(InputFile& file, ClassLabels& labels) {
    int32_t nameBytes = 0;
    if (!file.readInt32(nameBytes)) return ReadResult::INVALID;
    // Every name takes at least its zero byte.
    if (nameBytes < labels.size || static_cast<std::uint64_t>(nameBytes) > file.remaining()) {
        return ReadResult::INVALID;
    }
    const std::size_t byteCount = static_cast<std::size_t>(nameBytes);
    if (!tryAssign(labels.nameBytes, byteCount) ||
        !tryAssign(labels.nameStart, static_cast<std::size_t>(labels.size))) {
        return ReadResult::NO_MEMORY;
    }
    if (!file.readBytes(labels.nameBytes.data(), byteCount)) return ReadResult::INVALID;
    if (byteCount > 0 && labels.nameBytes[byteCount - 1] != '\0') return ReadResult::INVALID;
    std::size_t names = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < byteCount; ++i) {
        if (labels.nameBytes[i] != '\0') continue;
        if (names == labels.nameStart.size()) return ReadResult::INVALID;  // too many names
        labels.nameStart[names++] = static_cast<int32_t>(start);
        start = i + 1;
    }
    return names == labels.nameStart.size() ? ReadResult::OK : ReadResult::INVALID;
}

}  // namespace

ReadResult readLabelFile(InputFile& file, LabelFile& labels) {
    labels = LabelFile();
    int32_t classCount = 0;
    if (!file.readInt32(classCount)) return ReadResult::INVALID;
    if (classCount < 0 || classCount > MAX_CLASSES) return ReadResult::INVALID;
    if (!tryAssign(labels.classes, static_cast<std::size_t>(classCount))) {
        return ReadResult::NO_MEMORY;
    }
    for (ClassLabels& labelsOfClass : labels.classes) {
        int32_t named = 0;
        if (!file.readInt32(labelsOfClass.size) || !file.readInt32(named)) {
            return ReadResult::INVALID;
        }
        if (labelsOfClass.size < 0 || (named != 0 && named != 1)) return ReadResult::INVALID;
        labelsOfClass.named = named == 1;
        if (!labelsOfClass.named) continue;
        if (ReadResult result = readNames(file, labelsOfClass); result != ReadResult::OK) {
            return result;
        }
    }
    return file.remaining() == 0 ? ReadResult::OK : ReadResult::INVALID;
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
