// The index ranges of the cell reference being read, per class, and the odometer that
// expands them into cell numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "common/table_limits.h"
#include "qorlex/model/error_code.h"

struct IndexRange {
    int32_t low = 0;   // 0-based, inclusive
    int32_t high = 0;  // 0-based, inclusive
};

class IndexStack {
  public:
    static constexpr int32_t CAPACITY = 1024;

    // Prepares room for CAPACITY ranges in each of `classCount` classes of the given sizes.
    ErrorCode setup(const int32_t* sizes, int classCount);
    // Forgets the ranges of the previous reference.
    void clear();
    // Appends a range to class `classIndex`.
    ErrorCode push(int classIndex, int32_t low, int32_t high);

    int classCount() const { return classCount_; }
    int32_t rangeCount(int classIndex) const { return rangeCount_[classIndex]; }
    const IndexRange& range(int classIndex, int32_t position) const {
        return ranges_[classIndex][static_cast<std::size_t>(position)];
    }

    // The number of cells the collected ranges select: the product over the classes of
    // their ranges' summed lengths.
    int64_t cellCount() const;

    // Writes the cell numbers of every combination of the collected ranges to `out`, the
    // last class fastest, each class's ranges in the order read. NOT_ENOUGH_MEMORY when
    // more than `room` cells result (or room <= 0). `produced` is the number written.
    ErrorCode expand(int32_t* out, int64_t room, int64_t& produced);

  private:
    int32_t cellOfCurrent() const;

    int classCount_ = 0;
    int32_t sizes_[MAX_CLASSES] = {};
    std::vector<IndexRange> ranges_[MAX_CLASSES];
    int32_t rangeCount_[MAX_CLASSES] = {};
    int32_t value_[MAX_CLASSES] = {};
    int32_t rangeNumber_[MAX_CLASSES] = {};
};
