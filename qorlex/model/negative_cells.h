// The cells given a negative base value, which leave the table as cells of base 0: the first
// few with the line that names them, for standard error. A cell given a value again keeps one
// line, of its latest negative value; a cell given 0 or more later is no longer negative and
// its line is dropped when the lines are taken.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class NegativeCells {
  public:
    static constexpr std::size_t SHOWN = 20;

    // Whether a negative value given to `cell` needs its line: the cell has one already,
    // which the new line replaces, or there is room for one more.
    bool wants(int32_t cell) const;
    // The line of a negative value given to `cell`, after wants() said so.
    void note(int32_t cell, std::string line);

    // The lines of the cells that `isNegative` says are still negative, in the order they
    // were first noted.
    template <class IsNegative>
    std::vector<std::string> lines(IsNegative isNegative) const {
        std::vector<const Entry*> kept;
        for (const Entry& entry : entries_) {
            if (isNegative(entry.cell)) kept.push_back(&entry);
        }
        std::sort(kept.begin(), kept.end(),
                  [](const Entry* a, const Entry* b) { return a->order < b->order; });
        std::vector<std::string> result;
        for (const Entry* entry : kept) result.push_back(entry->line);
        return result;
    }

  private:
    struct Entry {
        int32_t cell;
        std::size_t order;
        std::string line;
    };
    // The entry of `cell`, or where it would go: entries_ is ordered by cell.
    std::vector<Entry>::const_iterator find(int32_t cell) const;

    std::vector<Entry> entries_;
};
