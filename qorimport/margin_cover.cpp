#include "qorimport/margin_cover.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>

namespace {

// The cells of positive base value: a bit per cell of the table, or, for a table much larger
// than its base file, their numbers in order.
class PositiveCells {
  public:
    explicit PositiveCells(const ImportedTable& table) {
        const auto cells = static_cast<std::size_t>(table.tableSize);
        sparse_ = cells / 64 > 2 * table.cellCount();
        if (!sparse_) bits_.assign((cells + 63) / 64, 0);
        for (std::size_t i = 0; i < table.cellCount(); ++i) {
            if (!(table.values[i] > 0)) continue;
            const int64_t cell = table.cellNumber(i);
            if (sparse_) {
                numbers_.push_back(cell);
            } else {
                bits_[static_cast<std::size_t>(cell) / 64] |= uint64_t{1} << (cell % 64);
            }
        }
        std::sort(numbers_.begin(), numbers_.end());
    }
    bool has(int64_t cell) const {
        if (sparse_) return std::binary_search(numbers_.begin(), numbers_.end(), cell);
        const auto c = static_cast<std::size_t>(cell);
        return (bits_[c / 64] >> (c % 64) & 1) != 0;
    }

  private:
    bool sparse_ = false;
    std::vector<uint64_t> bits_;
    std::vector<int64_t> numbers_;
};

// Whether one of the cells `margin` covers is positive: its free classes run as an odometer,
// the last fastest.
bool coversPositive(const Margin& margin, const std::vector<int64_t>& strides,
                    const ImportedTable& table, const PositiveCells& positive) {
    const std::size_t k = table.classes.size();
    std::vector<int32_t> at(k);
    for (std::size_t c = 0; c < k; ++c) at[c] = margin.cells[c] < 0 ? 0 : margin.cells[c];
    for (;;) {
        int64_t cell = 0;
        for (std::size_t c = 0; c < k; ++c) cell += at[c] * strides[c];
        if (positive.has(cell)) return true;
        std::size_t c = k;
        for (; c-- > 0;) {
            if (margin.cells[c] >= 0) continue;
            if (++at[c] < table.classes[c].size()) break;
            at[c] = 0;
        }
        if (c == SIZE_MAX) return false;
    }
}

}  // namespace

std::vector<char> coverPositiveCells(const ImportedTable& table,
                                     const std::vector<Margin>& margins) {
    std::vector<char> covers(margins.size(), 0);
    if (margins.empty()) return covers;
    const PositiveCells positive(table);
    const std::size_t k = table.classes.size();
    std::vector<int64_t> strides(k, 1);
    for (std::size_t c = k; c-- > 1;) strides[c - 1] = strides[c] * table.classes[c].size();

    // The margins by the set of classes they fix.
    std::map<uint32_t, std::vector<std::size_t>> byPattern;
    for (std::size_t m = 0; m < margins.size(); ++m) {
        uint32_t pattern = 0;
        for (std::size_t c = 0; c < k; ++c) {
            if (margins[m].cells[c] >= 0) pattern |= uint32_t{1} << c;
        }
        byPattern[pattern].push_back(m);
    }
    for (const auto& [fixed, members] : byPattern) {
        const uint32_t pattern = fixed;  // a structured binding lambdas may not capture
        double covered = static_cast<double>(members.size());
        for (std::size_t c = 0; c < k; ++c) {
            if ((pattern >> c & 1) == 0) covered *= table.classes[c].size();
        }
        if (covered <= static_cast<double>(table.cellCount())) {
            for (std::size_t m : members) {
                covers[m] = coversPositive(margins[m], strides, table, positive) ? 1 : 0;
            }
            continue;
        }
        // One pass over the base table's cells: each positive one marks the margin of its
        // characteristics in the fixed classes.
        const auto keyOf = [&](const int32_t* at) {
            int64_t key = 0;
            for (std::size_t c = 0; c < k; ++c) {
                if (pattern >> c & 1) key = key * table.classes[c].size() + at[c];
            }
            return key;
        };
        std::unordered_map<int64_t, std::size_t> marginOf;
        for (std::size_t m : members) marginOf.emplace(keyOf(margins[m].cells.data()), m);
        for (std::size_t i = 0; i < table.cellCount(); ++i) {
            if (!(table.values[i] > 0)) continue;
            const auto found = marginOf.find(keyOf(table.cellAt(i)));
            if (found != marginOf.end()) covers[found->second] = 1;
        }
    }
    return covers;
}
