// Classes and characteristics: the KLASSEN and AUSPRAEGUNGEN blocks, and the per-cell
// arrays set up at the BASIS keyword.
#include "qorlex/model/table.h"

#include <cstring>
#include <limits>

#include "common/allocation.h"
#include "qorlex/model/number_text.h"

ErrorCode Table::beginClasses() {
    if (!names.create()) return NOT_ENOUGH_MEMORY;
    classCount = 0;
    for (auto& name : classNames) name = nullptr;
    listNamed = false;
    classesClosed = false;
    setPhase(ClassPhase::OPEN);
    return OK;
}

ErrorCode Table::addClass(const char* text, ItemKind kind) {
    // Once ";" has closed the class list its name lists exist: the list cannot grow.
    if (classesClosed) return INCOMPLETE_DECLARATION;
    if (kind == ItemKind::NUMBER) {
        if (listNamed) return NUMBER_IN_NAME_LIST;
        const int32_t count = leadingInteger(text);
        if (count < 0) return INDEX_OUT_OF_RANGE;
        classCount = count;
        if (classCount > MAX_CLASSES) return TOO_MANY_DIMENSIONS;
        setPhase(ClassPhase::COUNT_GIVEN);
        return OK;
    }
    listNamed = true;
    if (classCount >= MAX_CLASSES) return TOO_MANY_DIMENSIONS;
    const char* copy = names.store(text);
    if (copy == nullptr) return NOT_ENOUGH_MEMORY;
    classNames[classCount++] = copy;
    return OK;
}

ErrorCode Table::endClasses() {
    if (classCount > MAX_CLASSES) return TOO_MANY_DIMENSIONS;
    try {
        characteristics.assign(static_cast<std::size_t>(classCount), NameList());
    } catch (const std::bad_alloc&) {
        return INDEX_CLASS_ERROR;
    }
    classesClosed = true;
    setPhase(ClassPhase::CLOSED);
    return OK;
}

ErrorCode Table::beginCharacteristics() {
    if (!inPhase(ClassPhase::CLOSED)) {
        if (ErrorCode code = endClasses()) return code;
    }
    setPhase(CharacteristicPhase::NO_LIST_OPEN);
    declarationsRead = 0;
    return OK;
}

ErrorCode Table::selectClass(const char* text, ItemKind kind) {
    if (!inPhase(CharacteristicPhase::NO_LIST_OPEN)) return INCOMPLETE_DECLARATION;
    listCount = 0;
    listNamed = false;
    int64_t selected = -1;
    if (kind == ItemKind::NAME) {
        for (int k = 0; k < classCount; ++k) {
            if (classNames[k] != nullptr && std::strcmp(classNames[k], text) == 0) {
                selected = k;
                break;
            }
        }
    } else {
        selected = int64_t{leadingInteger(text)} - 1;
    }
    if (selected < 0 || selected >= classCount) return INDEX_OUT_OF_RANGE;
    currentClass = static_cast<int32_t>(selected);
    declarationsRead += 1;
    setPhase(CharacteristicPhase::IN_LIST);
    return OK;
}

ErrorCode Table::acceptAssignment() {
    if (!inPhase(CharacteristicPhase::IN_LIST) || listCount > 0) return INCOMPLETE_DECLARATION;
    return OK;
}

ErrorCode Table::addCharacteristic(const char* text, ItemKind kind) {
    if (!inPhase(CharacteristicPhase::IN_LIST)) return INCOMPLETE_DECLARATION;
    if (kind == ItemKind::NUMBER) {
        if (listNamed) return NUMBER_IN_NAME_LIST;
        const int32_t count = leadingInteger(text);
        if (count < 0) return INDEX_OUT_OF_RANGE;
        listCount = count;
        setPhase(CharacteristicPhase::NO_LIST_OPEN);
        return OK;
    }
    listNamed = true;
    if (currentClass < 0 || currentClass >= static_cast<int32_t>(characteristics.size())) {
        return INTERNAL_ERROR;
    }
    const char* copy = names.store(text);
    if (copy == nullptr) return NOT_ENOUGH_MEMORY;
    if (ErrorCode code =
            characteristics[static_cast<std::size_t>(currentClass)].add(copy, listCount)) {
        return code;
    }
    listCount += 1;
    return OK;
}

ErrorCode Table::endCharacteristicList() {
    if (listCount == 0) return INCOMPLETE_DECLARATION;
    if (currentClass < 0 || currentClass >= static_cast<int32_t>(characteristics.size())) {
        return INTERNAL_ERROR;
    }
    NameList& list = characteristics[static_cast<std::size_t>(currentClass)];
    list.size = listCount;
    list.named = listNamed ? 1 : 0;
    setPhase(CharacteristicPhase::NO_LIST_OPEN);
    return OK;
}

ErrorCode Table::endCharacteristics() {
    if (declarationsRead != classCount) return CLASS_DECLARATIONS_INCOMPLETE;
    setPhase(CharacteristicPhase::CLOSED);
    return OK;
}

ErrorCode Table::allocateCells() {
    int64_t size = 1;
    for (int k = 0; k < classCount; ++k) {
        size *= classSize(k);
        if (size > INT32_MAX) return NOT_ENOUGH_MEMORY;
    }
    tableSize = static_cast<int32_t>(size);
    const auto n = static_cast<std::size_t>(tableSize);
    // NaN marks a cell that no statement has given a value.
    if (!tryAssign(cellValues, n, std::numeric_limits<double>::quiet_NaN())) {
        return NOT_ENOUGH_MEMORY;
    }
    return OK;
}

ErrorCode Table::beginBaseTable() {
    if (!inPhase(CharacteristicPhase::CLOSED)) {
        if (ErrorCode code = endCharacteristicList()) return code;
        if (ErrorCode code = endCharacteristics()) return code;
    }
    if (ErrorCode code = allocateCells()) return code;
    if (ErrorCode code = setupIndexRanges()) return code;
    setPhase(BasePhase::READY);
    return OK;
}

int32_t Table::classSize(int classIndex) const {
    if (classIndex < 0 || classIndex >= static_cast<int>(characteristics.size())) return 0;
    return characteristics[static_cast<std::size_t>(classIndex)].size;
}

bool Table::hasCharacteristicNames(int classIndex) const {
    if (classIndex < 0 || classIndex >= static_cast<int>(characteristics.size())) return false;
    return characteristics[static_cast<std::size_t>(classIndex)].named != 0;
}

const char* Table::characteristicName(int classIndex, int32_t index) const {
    if (classIndex < 0 || classIndex >= static_cast<int>(characteristics.size())) return nullptr;
    return characteristics[static_cast<std::size_t>(classIndex)].nameOf(index);
}

int32_t Table::findCharacteristic(int classIndex, std::string_view name) const {
    if (classIndex < 0 || classIndex >= static_cast<int>(characteristics.size())) return -1;
    return characteristics[static_cast<std::size_t>(classIndex)].find(name);
}
