#include "common/label_file.h"

#include "common/allocation.h"

bool LabelFileWriter::open(int32_t classCount) {
    if (!file_.open()) return false;
    file_.writeInt32(classCount);
    return true;
}

void LabelFileWriter::writeUnnamedClass(int32_t size) {
    file_.writeInt32(size);
    file_.writeInt32(0);
}

void LabelFileWriter::writeNamedClass(std::span<const std::string_view> names) {
    std::size_t nameBytes = 0;
    for (std::string_view name : names) nameBytes += name.size() + 1;
    file_.writeInt32(static_cast<int32_t>(names.size()));
    file_.writeInt32(1);
    file_.writeInt32(static_cast<int32_t>(nameBytes));
    for (std::string_view name : names) {
        file_.writeBytes(name.data(), name.size());
        file_.writeBytes("", 1);
    }
}

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
