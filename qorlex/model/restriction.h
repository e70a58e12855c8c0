// The declared restrictions, in declaration order, each reduced to its non-zero
// coefficients over the adjustable cells (columns ascending).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct Restriction {
    double weight = 0.0;         // weak restrictions only; 0.0 for hard ones
    int32_t type = 0;            // BoundType
    double lowerValue = 0.0;     // the target for a weak restriction
    double upperValue = 0.0;     // the target for a weak restriction
    int32_t entryCount = 0;      // at least 1
    std::size_t firstEntry = 0;  // position of the first entry in the list's entry arrays
};

// The entries of all restrictions lie end to end in two arrays, so that storing a
// restriction allocates nothing but the room it grows them by.
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

    // Appends a restriction with the given entries. False when memory runs out; the list
    // is then unchanged.
    bool append(const Restriction& head, std::span<const int32_t> columns,
                std::span<const double> coefficients);

    void clear();

  private:
    std::vector<Restriction> items_;
    std::vector<int32_t> columns_;
    std::vector<double> coefficients_;
};
