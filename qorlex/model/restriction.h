// The declared restrictions, in declaration order, each reduced to its non-zero
// coefficients over the adjustable cells (columns ascending).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

#include "qorlex/model/entry_pool.h"

struct Restriction {
    // firstCoefficient of a restriction whose entries all have `coefficient`.
    static constexpr std::size_t SHARED = SIZE_MAX;

    double weight = 0.0;         // weak restrictions only; 0.0 for hard ones
    double lowerValue = 0.0;     // the target for a weak restriction
    double upperValue = 0.0;     // the target for a weak restriction
    double coefficient = 0.0;    // every entry's coefficient, when they share one
    std::size_t firstEntry = 0;  // position of the first column in the list's column array
    // Position of the first coefficient in the list's coefficient array, or SHARED.
    std::size_t firstCoefficient = SHARED;
    int32_t type = 0;        // BoundType
    int32_t entryCount = 0;  // at least 1

    bool sharesCoefficient() const { return firstCoefficient == SHARED; }
};

// The coefficients of one restriction, in the order of its columns: an array of them, or a
// single value that every entry has.
class Coefficients {
  public:
    Coefficients(const double* values, std::size_t count) : values_(values), count_(count) {}
    Coefficients(double shared, std::size_t count) : shared_(shared), count_(count) {}

    std::size_t size() const { return count_; }
    double operator[](std::size_t i) const { return values_ != nullptr ? values_[i] : shared_; }
    // Whether every entry has the same coefficient, which then stands in no array.
    bool shared() const { return values_ == nullptr; }
    // The array; nullptr when shared().
    const double* data() const { return values_; }

    class Iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = double;
        using difference_type = std::ptrdiff_t;
        using pointer = const double*;
        using reference = double;

        Iterator(const Coefficients* of, std::size_t at) : of_(of), at_(at) {}
        double operator*() const { return (*of_)[at_]; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++at_;
            return before;
        }
        bool operator==(const Iterator& other) const { return at_ == other.at_; }

      private:
        const Coefficients* of_;
        std::size_t at_;
    };
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, count_); }

  private:
    const double* values_ = nullptr;
    double shared_ = 0.0;
    std::size_t count_ = 0;
};

// The columns of all restrictions lie end to end in one array, in declaration order, and so
// do the coefficients of those whose entries do not all share one, so that consecutive
// restrictions can be written out in one piece. A restriction's entries are written straight
// into the room behind the last ones.
class RestrictionList {
  public:
    std::size_t size() const { return items_.size(); }
    const Restriction& operator[](std::size_t i) const { return items_[i]; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    std::span<const int32_t> columns(const Restriction& r) const {
        return {columns_.data() + r.firstEntry, static_cast<std::size_t>(r.entryCount)};
    }
    Coefficients coefficients(const Restriction& r) const {
        const auto count = static_cast<std::size_t>(r.entryCount);
        if (r.sharesCoefficient()) return Coefficients(r.coefficient, count);
        return Coefficients(coefficients_.data() + r.firstCoefficient, count);
    }

    // Room for the columns of one more restriction, and with `withCoefficients` for its
    // coefficients too. False when memory runs out.
    bool reserveEntries(std::size_t count, bool withCoefficients = true) {
        return columns_.reserveMore(count) &&
               (!withCoefficients || coefficients_.reserveMore(count));
    }
    // The reserved room, which the next `appendReserved` takes.
    int32_t* columnRoom() { return columns_.room(); }
    double* coefficientRoom() { return coefficients_.room(); }
    std::span<const double> reservedCoefficients(std::size_t count) const {
        return {coefficients_.data() + coefficients_.size(), count};
    }

    // Appends a restriction whose `entryCount` columns stand in the reserved room, and with
    // `withCoefficients` its coefficients too; without, every entry has `head.coefficient`.
    // False when memory runs out; the list is then unchanged.
    bool appendReserved(const Restriction& head, bool withCoefficients);

    void clear();

  private:
    std::vector<Restriction> items_;
    EntryPool<int32_t> columns_;
    EntryPool<double> coefficients_;
};
