#include "qorlex/model/name_list.h"

#include <cstdint>
#include <new>
#include <stdexcept>

ErrorCode NameList::add(const char* name, int32_t index) {
    if (index < 0) return INTERNAL_ERROR;
    try {
        auto [it, inserted] = indexOfName_.try_emplace(std::string_view(name), index);
        if (!inserted) return NAME_IN_USE;
        const auto slot = static_cast<std::size_t>(index);
        if (nameOfIndex_.size() <= slot) nameOfIndex_.resize(slot + 1, nullptr);
        nameOfIndex_[slot] = name;
    } catch (const std::bad_alloc&) {
        return NOT_ENOUGH_MEMORY;
    } catch (const std::length_error&) {
        return NOT_ENOUGH_MEMORY;
    }
    named = 1;
    // A class declared again by names after a count keeps the old size until its list ends;
    // the count may already be the largest there is.
    if (size < INT32_MAX) size += 1;
    return OK;
}

int32_t NameList::find(std::string_view name) const {
    auto it = indexOfName_.find(name);
    return it == indexOfName_.end() ? -1 : it->second;
}

const char* NameList::nameOf(int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= nameOfIndex_.size()) return nullptr;
    return nameOfIndex_[static_cast<std::size_t>(index)];
}
