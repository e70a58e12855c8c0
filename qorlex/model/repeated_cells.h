// The cells that the lines of one delimited base file give more than once: the later line's
// value counts, and the earlier one is usually a mistake. The lines are noted as the file is
// read, in memory linear in the lines and two bits per cell of the table, and looked at once
// at its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RepeatedCells {
  public:
    static constexpr std::size_t EARLIER_SHOWN = 3;

    struct Repeat {
        int32_t cell = 0;
        int64_t line = 0;              // the last line that gives the cell
        std::vector<int64_t> earlier;  // the first lines before it, EARLIER_SHOWN at most
        int64_t moreEarlier = 0;       // the lines between those and `line`
    };

    // Prepares for a table of `tableSize` cells; false when that does not fit into memory.
    bool setup(std::size_t tableSize);
    // Line `line` gives `cell`. False when the note does not fit into memory; nothing is noted
    // from then on.
    bool note(int32_t cell, int64_t line);
    // The first `most` cells given on more than one line, in the order of their last lines;
    // `total` is the number of all such cells.
    std::vector<Repeat> repeats(std::size_t most, int64_t& total) const;
    // Gives the memory back.
    void clear();

  private:
    static bool isSet(const std::vector<uint64_t>& bits, uint32_t cell) {
        return (bits[cell / 64] >> (cell % 64) & 1) != 0;
    }

    std::vector<uint64_t> seen_;      // a bit per cell: given on a line
    std::vector<uint64_t> repeated_;  // a bit per cell: given on a second line
    std::vector<uint64_t> lines_;     // per line: the cell in the high half, the line in the low
    bool anyRepeated_ = false;
};
