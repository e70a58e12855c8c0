// The cells given a negative base value, which leave the table as cells of base 0: the first
// few with the line that names them, for standard error. A cell given a value again keeps one
// line, of its latest negative value; a cell given 0 or more later is no longer negative, and
// its line goes.
#pragma once

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
    // `cell` was given a value of 0 or more.
    void forget(int32_t cell) {
        if (!entries_.empty()) forgetNoted(cell);
    }

    // The lines, in the order their cells were first noted.
    std::vector<std::string> lines() const;

  private:
    struct Entry {
        int32_t cell;
        uint64_t order;
        std::string line;
    };
    // The entry of `cell`, or where it would go: entries_ is ordered by cell.
    std::vector<Entry>::const_iterator find(int32_t cell) const;
    void forgetNoted(int32_t cell);

    std::vector<Entry> entries_;
    uint64_t nextOrder_ = 0;
};
