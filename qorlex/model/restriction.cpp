#include "qorlex/model/restriction.h"

#include <new>
#include <stdexcept>

bool RestrictionList::appendReserved(const Restriction& head, bool withCoefficients) {
    Restriction stored = head;
    stored.firstEntry = columns_.size();
    stored.firstCoefficient = withCoefficients ? coefficients_.size() : Restriction::SHARED;
    try {
        items_.push_back(stored);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    columns_.take(static_cast<std::size_t>(head.entryCount));
    if (withCoefficients) coefficients_.take(static_cast<std::size_t>(head.entryCount));
    return true;
}

void RestrictionList::clear() {
    items_.clear();
    columns_.clear();
    coefficients_.clear();
}
