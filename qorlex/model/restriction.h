// The declared restrictions, in declaration order, each reduced to its non-zero
// coefficients over the adjustable cells (columns ascending).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "qorlex/model/entry_pool.h"

struct Restriction {
    double weight = 0.0;         // weak restrictions only; 0.0 for hard ones
    int32_t type = 0;            // BoundType
    double lowerValue = 0.0;     // the target for a weak restriction
    double upperValue = 0.0;     // the target for a weak restriction
    int32_t entryCount = 0;      // at least 1
    std::size_t firstEntry = 0;  // position of the first entry in the list's entry arrays
};

// The entries of all restrictions lie end to end in two arrays, in declaration order, so
// that the entries of consecutive restrictions can be written out in one piece. A
// restriction's entries are written straight into the room behind the last ones.
class RestrictionList {
  public:
    std::size_t size() const { return items_.size(); }
    const Restriction& operator[](std::size_t i) const { return items_[i]; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    std::span<const int32_t> columns(const Restriction& r) const {
        return {columns_.data() + r.firstEntry, static_cast<std::size_t>(r.entryCount)};
    }
    std::span<const double> coefficients(const Restriction& r) const {
        return {coefficients_.data() + r.firstEntry, static_cast<std::size_t>(r.entryCount)};
    }

    // Room for the entries of one more restriction. False when memory runs out.
    bool reserveEntries(std::size_t count) {
        return columns_.reserveMore(count) && coefficients_.reserveMore(count);
    }
    // The reserved room, which the next `appendReserved` takes.
    int32_t* columnRoom() { return columns_.room(); }
    double* coefficientRoom() { return coefficients_.room(); }
    std::span<const double> reservedCoefficients(std::size_t count) const {
        return {coefficients_.data() + coefficients_.size(), count};
    }

    // Appends a restriction whose `entryCount` entries stand in the reserved room. False
    // when memory runs out; the list is then unchanged.
    bool appendReserved(const Restriction& head);

    void clear();

  private:
    std::vector<Restriction> items_;
    EntryPool<int32_t> columns_;
    EntryPool<double> coefficients_;
};
