#include "qorlex/model/index_stack.h"

#include "common/allocation.h"

ErrorCode IndexStack::setup(const int32_t* sizes, int classCount) {
    if (classCount < 0 || classCount > MAX_CLASSES) return INDEX_CLASS_ERROR;
    for (int k = 0; k < classCount; ++k) {
        sizes_[k] = sizes[k];
        if (!tryAssign(ranges_[k], static_cast<std::size_t>(CAPACITY))) return NOT_ENOUGH_MEMORY;
    }
    classCount_ = classCount;
    clear();
    return OK;
}

void IndexStack::clear() {
    for (int k = 0; k < MAX_CLASSES; ++k) {
        rangeCount_[k] = 0;
        value_[k] = 0;
        rangeNumber_[k] = 0;
    }
}

ErrorCode IndexStack::push(int classIndex, int32_t low, int32_t high) {
    if (classIndex < 0 || classIndex >= classCount_) return INDEX_CLASS_ERROR;
    if (rangeCount_[classIndex] >= CAPACITY) return INDEX_STACK_TOO_SMALL;
    ranges_[classIndex][static_cast<std::size_t>(rangeCount_[classIndex]++)] = {low, high};
    return OK;
}

int64_t IndexStack::cellCount() const {
    if (classCount_ == 0) return 0;
    int64_t count = 1;
    for (int k = 0; k < classCount_; ++k) {
        int64_t length = 0;
        for (int32_t r = 0; r < rangeCount_[k]; ++r) {
            const IndexRange& range = ranges_[k][static_cast<std::size_t>(r)];
            if (range.high >= range.low) length += int64_t{range.high} - range.low + 1;
        }
        count *= length;
        if (count > INT32_MAX) return int64_t{INT32_MAX} + 1;  // more than any table has
    }
    return count;
}

int32_t IndexStack::cellOfCurrent() const {
    int32_t cell = value_[0];
    for (int k = 1; k < classCount_; ++k) cell = cell * sizes_[k] + value_[k];
    return cell;
}

ErrorCode IndexStack::expand(int32_t* out, int64_t room, int64_t& produced) {
    produced = 0;
    if (room <= 0 || classCount_ == 0) return NOT_ENOUGH_MEMORY;
    for (int k = 0; k < classCount_; ++k) {
        if (rangeCount_[k] == 0) return INDEX_CLASS_ERROR;
        rangeNumber_[k] = 0;
        value_[k] = ranges_[k][0].low;
    }
    out[produced++] = cellOfCurrent();
    for (;;) {
        int k = classCount_ - 1;
        for (; k >= 0; --k) {
            const IndexRange& current = ranges_[k][static_cast<std::size_t>(rangeNumber_[k])];
            if (value_[k] < current.high) {
                ++value_[k];
                break;
            }
            if (rangeNumber_[k] + 1 < rangeCount_[k]) {
                ++rangeNumber_[k];
                value_[k] = ranges_[k][static_cast<std::size_t>(rangeNumber_[k])].low;
                break;
            }
            rangeNumber_[k] = 0;
            value_[k] = ranges_[k][0].low;
        }
        if (k < 0) return OK;
        if (produced >= room) return NOT_ENOUGH_MEMORY;
        out[produced++] = cellOfCurrent();
    }
}
