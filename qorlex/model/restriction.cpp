#include "qorlex/model/restriction.h"

#include <new>
#include <stdexcept>

bool RestrictionList::appendReserved(const Restriction& head) {
    Restriction stored = head;
    stored.firstEntry = columns_.size();
    try {
        items_.push_back(stored);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    columns_.take(static_cast<std::size_t>(head.entryCount));
    coefficients_.take(static_cast<std::size_t>(head.entryCount));
    return true;
}

void RestrictionList::clear() {
    items_.clear();
    columns_.clear();
    coefficients_.clear();
}
