#include "qorlex/model/repeated_cells.h"

#include <algorithm>
#include <new>

#include "common/allocation.h"

namespace {

// Line numbers beyond 32 bits are kept as the largest; no base file has that many lines.
constexpr int64_t LARGEST_LINE = UINT32_MAX;

}  // namespace

bool RepeatedCells::setup(std::size_t tableSize) {
    clear();
    const std::size_t words = (tableSize + 63) / 64;
    if (!tryAssign(seen_, words, uint64_t{0}) || !tryAssign(repeated_, words, uint64_t{0})) {
        clear();
        return false;
    }
    return true;
}

bool RepeatedCells::note(int32_t cell, int64_t line) {
    if (seen_.empty() || cell < 0 || static_cast<std::size_t>(cell) / 64 >= seen_.size()) {
        return false;
    }
    const auto at = static_cast<uint32_t>(cell);
    const uint64_t bit = uint64_t{1} << (at % 64);
    if ((seen_[at / 64] & bit) != 0) {
        repeated_[at / 64] |= bit;
        anyRepeated_ = true;
    }
    seen_[at / 64] |= bit;
    try {
        lines_.push_back(uint64_t{at} << 32 | static_cast<uint64_t>(std::min(line, LARGEST_LINE)));
    } catch (const std::bad_alloc&) {
        clear();
        return false;
    }
    return true;
}

std::vector<RepeatedCells::Repeat> RepeatedCells::repeats(std::size_t most, int64_t& total) const {
    total = 0;
    std::vector<Repeat> result;
    if (!anyRepeated_) return result;
    // The lines of the cells given more than once, by cell and then by line.
    std::vector<uint64_t> byCell;
    for (uint64_t entry : lines_) {
        if (isSet(repeated_, static_cast<uint32_t>(entry >> 32))) byCell.push_back(entry);
    }
    std::sort(byCell.begin(), byCell.end());
    // Each such cell by its last line: the line in the high half, the cell in the low.
    std::vector<uint64_t> byLastLine;
    for (std::size_t i = 0; i < byCell.size(); ++i) {
        if (i + 1 == byCell.size() || byCell[i + 1] >> 32 != byCell[i] >> 32) {
            byLastLine.push_back((byCell[i] & UINT32_MAX) << 32 | byCell[i] >> 32);
        }
    }
    std::sort(byLastLine.begin(), byLastLine.end());
    total = static_cast<int64_t>(byLastLine.size());
    for (std::size_t r = 0; r < byLastLine.size() && r < most; ++r) {
        const uint64_t cell = byLastLine[r] & UINT32_MAX;
        Repeat repeat;
        repeat.cell = static_cast<int32_t>(cell);
        repeat.line = static_cast<int64_t>(byLastLine[r] >> 32);
        const auto first = std::lower_bound(byCell.begin(), byCell.end(), cell << 32);
        const auto last = std::lower_bound(first, byCell.end(), (cell + 1) << 32) - 1;
        for (auto at = first; at != last; ++at) {
            if (repeat.earlier.size() < EARLIER_SHOWN) {
                repeat.earlier.push_back(static_cast<int64_t>(*at & UINT32_MAX));
            } else {
                repeat.moreEarlier += 1;
            }
        }
        result.push_back(std::move(repeat));
    }
    return result;
}

void RepeatedCells::clear() {
    releaseMemory(seen_);
    releaseMemory(repeated_);
    releaseMemory(lines_);
    anyRepeated_ = false;
}
