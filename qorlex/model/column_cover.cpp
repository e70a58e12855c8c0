#include "qorlex/model/column_cover.h"

#include <algorithm>
#include <cstdint>

struct ColumnCover::Walk {
    const IndexStack& ranges;
    int wholeFrom;  // the classes from this one on are selected whole
    int32_t* out;
    int32_t count;

    // Through a local pointer: a store through `out` could otherwise be a store to `count`,
    // which would then be read again for every column.
    void take(int64_t from, int64_t to) {
        if (from >= to) return;
        int32_t* at = out + count;
        for (int64_t c = from; c < to; ++c) *at++ = static_cast<int32_t>(c);
        count += static_cast<int32_t>(to - from);
    }
};

void ColumnCover::setup(std::span<const int32_t> cellIndex, const int32_t* sizes, int classCount) {
    cells_ = cellIndex.data();
    columnCount_ = static_cast<int32_t>(cellIndex.size());
    classCount_ = std::clamp(classCount, 0, static_cast<int>(MAX_CLASSES));
    // Sizes come from the description; a table too large for the cell numbers has no
    // columns (it is refused at BASIS), so its strides only need to stay defined: they
    // saturate instead of overflowing.
    int64_t stride = 1;
    for (int k = classCount_ - 1; k >= 0; --k) {
        sizes_[k] = sizes[k];
        strides_[k] = stride;
        if (__builtin_mul_overflow(stride, int64_t{sizes[k]}, &stride)) stride = INT64_MAX;
    }
    tableSize_ = stride;
}

int32_t ColumnCover::firstAtLeast(int32_t from, int32_t to, int64_t cell) const {
    if (from >= to || cells_[from] >= cell) return from;
    // Gallop from `from`, whose cell is below `cell`, then search the last step.
    int64_t low = from, step = 1;
    while (low + step < to && cells_[low + step] < cell) {
        low += step;
        step *= 2;
    }
    const int64_t high = std::min<int64_t>(low + step, to);
    return static_cast<int32_t>(std::lower_bound(cells_ + low + 1, cells_ + high, cell) - cells_);
}

int32_t ColumnCover::collect(const IndexStack& ranges, int32_t* out) const {
    if (columnCount_ == 0 || classCount_ == 0 || ranges.classCount() != classCount_) return 0;
    Walk w{ranges, classCount_, out, 0};
    // Ascending ranges that do not overlap select a class whole when their lengths add up
    // to its size.
    while (w.wholeFrom > 0) {
        const int k = w.wholeFrom - 1;
        int64_t selected = 0;
        for (int32_t r = 0; r < ranges.rangeCount(k); ++r) {
            const IndexRange& range = ranges.range(k, r);
            selected += int64_t{range.high} - range.low + 1;
        }
        if (selected != sizes_[k]) break;
        --w.wholeFrom;
    }
    if (w.wholeFrom == 0) {
        w.take(0, columnCount_);
    } else {
        walk(w, 0, 0, 0, columnCount_, columnCount_ == tableSize_);
    }
    return w.count;
}

// Columns columnLow to columnHigh - 1 are those whose cells lie in the part of the table
// that starts at `cellBase` and whose indices in the classes before k are fixed; `dense`
// when they are all of its cells.
void ColumnCover::walk(Walk& w, int k, int64_t cellBase, int32_t columnLow, int32_t columnHigh,
                       bool dense) const {
    const int64_t stride = strides_[k];
    const bool takeWhole = k + 1 >= w.wholeFrom;
    int32_t searchFrom = columnLow;
    for (int32_t r = 0; r < w.ranges.rangeCount(k); ++r) {
        const IndexRange& range = w.ranges.range(k, r);
        const int64_t first = cellBase + range.low * stride;
        const int64_t end = cellBase + (int64_t{range.high} + 1) * stride;
        if (dense) {
            const int64_t offset = columnLow - cellBase;  // column = cell + offset
            if (takeWhole) {
                w.take(first + offset, end + offset);
                continue;
            }
            if (k + 2 == w.wholeFrom) {
                // The next class is the last one selected in part: its runs in each part are
                // taken here rather than by a call per part, which for a last class fixed
                // to one index would be a call per column.
                const int next = k + 1;
                const int64_t nextStride = strides_[next];
                const int32_t runs = w.ranges.rangeCount(next);
                for (int64_t part = first + offset; part < end + offset; part += stride) {
                    for (int32_t n = 0; n < runs; ++n) {
                        const IndexRange& run = w.ranges.range(next, n);
                        w.take(part + run.low * nextStride,
                               part + (int64_t{run.high} + 1) * nextStride);
                    }
                }
                continue;
            }
            for (int64_t part = first; part < end; part += stride) {
                walk(w, k + 1, part, static_cast<int32_t>(part + offset),
                     static_cast<int32_t>(part + offset + stride), true);
            }
            continue;
        }
        int32_t at = firstAtLeast(searchFrom, columnHigh, first);
        if (takeWhole) {
            searchFrom = firstAtLeast(at, columnHigh, end);
            w.take(at, searchFrom);
            continue;
        }
        // Only the indices of this class that some column has.
        while (at < columnHigh && cells_[at] < end) {
            const int64_t part = cellBase + (cells_[at] - cellBase) / stride * stride;
            const int32_t partEnd = firstAtLeast(at, columnHigh, part + stride);
            walk(w, k + 1, part, at, partEnd, partEnd - at == stride);
            at = partEnd;
        }
        searchFrom = at;
    }
}
