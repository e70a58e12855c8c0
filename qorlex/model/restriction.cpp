#include "qorlex/model/restriction.h"

#include <algorithm>
#include <new>
#include <stdexcept>

bool RestrictionList::append(const Restriction& head, std::span<const int32_t> columns,
                             std::span<const double> coefficients) {
    const std::size_t before = columns_.size();
    try {
        Restriction stored = head;
        stored.firstEntry = before;
        stored.entryCount = static_cast<int32_t>(columns.size());
        columns_.insert(columns_.end(), columns.begin(), columns.end());
        coefficients_.insert(coefficients_.end(), coefficients.begin(), coefficients.end());
        items_.push_back(stored);
    } catch (const std::bad_alloc&) {
        columns_.resize(before);
        coefficients_.resize(std::min(coefficients_.size(), before));
        return false;
    } catch (const std::length_error&) {
        columns_.resize(before);
        coefficients_.resize(std::min(coefficients_.size(), before));
        return false;
    }
    return true;
}

void RestrictionList::clear() {
    items_.clear();
    columns_.clear();
    coefficients_.clear();
}
