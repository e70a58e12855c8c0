// A set of row numbers below a fixed count, with constant-time insert, erase and a pick by
// position: the repairs keep the rows a table violates in one and pick one of them at random.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RowSet {
  public:
    explicit RowSet(int32_t rowCount = 0) : where_(static_cast<std::size_t>(rowCount), -1) {}

    // Puts row `i` in the set when `in`, else takes it out.
    void set(int32_t i, bool in) {
        const auto r = static_cast<std::size_t>(i);
        if (in && where_[r] < 0) {
            where_[r] = static_cast<int64_t>(rows_.size());
            rows_.push_back(i);
        } else if (!in && where_[r] >= 0) {
            const int32_t last = rows_.back();
            rows_[static_cast<std::size_t>(where_[r])] = last;
            where_[static_cast<std::size_t>(last)] = where_[r];
            rows_.pop_back();
            where_[r] = -1;
        }
    }

    bool empty() const { return rows_.empty(); }
    std::size_t size() const { return rows_.size(); }
    // The row at `position` (below size()), in no particular order.
    int32_t operator[](std::size_t position) const { return rows_[position]; }

  private:
    std::vector<int32_t> rows_;
    std::vector<int64_t> where_;  // each row's position in rows_, -1 when not in the set
};
