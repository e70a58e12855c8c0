// The adjustable cells that a cell reference covers, found from the reference's index
// ranges and the ascending cell numbers of the columns, without expanding the cells the
// reference names.
//
// The columns in ascending cell order form a tree by class: the cells that share their
// indices in the first k classes lie in one run of columns. A reference is walked down
// that tree, class by class, only into the runs that hold columns and that its ranges
// select; once the remaining classes are selected whole, a range's run is taken at once.
// Where a run holds every cell of its part of the table, columns follow from cell numbers
// by arithmetic. So a reference costs time in the columns it covers, the ranges it has and
// the runs on its way, not in the cells it names.
#pragma once

#include <cstdint>
#include <span>

#include "common/table_limits.h"
#include "qorlex/model/index_stack.h"

class ColumnCover {
  public:
    // `cellIndex`: the cell number of each column, strictly ascending, each below the
    // product of the `classCount` class sizes. The array must outlive every use.
    void setup(std::span<const int32_t> cellIndex, const int32_t* sizes, int classCount);

    // Writes the columns whose cells every class's ranges of `ranges` select, ascending,
    // to `out`, which has room for every column (a reference covers a column at most
    // once). Returns their number. The ranges of each class must be ascending and apart.
    int32_t collect(const IndexStack& ranges, int32_t* out) const;

  private:
    struct Walk;
    void walk(Walk& w, int k, int64_t cellBase, int32_t columnLow, int32_t columnHigh,
              bool dense) const;
    // The first column from `from` on, below `to`, whose cell is at least `cell`.
    int32_t firstAtLeast(int32_t from, int32_t to, int64_t cell) const;

    const int32_t* cells_ = nullptr;
    int32_t columnCount_ = 0;
    int classCount_ = 0;
    int32_t sizes_[MAX_CLASSES] = {};
    int64_t strides_[MAX_CLASSES] = {};  // cells per index of each class
    int64_t tableSize_ = 0;
};
