// The work a whole-number search may do, counted in units that do not depend on the machine
// or its load: a simplex iteration counts one unit and one more per thousand rows and columns
// of its programme (its cost grows with them); a branch-and-bound node, a round of cuts and a
// heuristic's pass one unit and one more per hundred entries of the programme with the cuts it
// carries (each scales that programme again, applies its cuts or looks for new ones, all in
// proportion to its entries).
// So a unit costs about the same time on every table, and the time of a run grows with its
// limit, not faster. A search that stops at its work limit stops at the same place on every
// run, so the same project files and options give the same table; the time limit is a
// wall-clock stop on top of it.
#pragma once

#include <cstdint>

// The units of one simplex iteration of a programme of `rows` rows and `columns` columns.
inline int64_t iterationUnits(int64_t rows, int64_t columns) {
    return 1 + (rows + columns) / 1000;
}

// The units of one node, round of cuts or heuristic pass over a programme of `entries` entries,
// cuts included.
inline int64_t nodeUnits(int64_t entries) {
    return 1 + (entries > 0 ? entries : 0) / 100;
}

class WorkLimit {
  public:
    explicit WorkLimit(int64_t limit) : limit_(limit) {}

    void spend(int64_t units) { spent_ += units; }
    bool exhausted() const { return spent_ >= limit_; }
    int64_t spent() const { return spent_; }
    int64_t limit() const { return limit_; }
    int64_t left() const { return spent_ < limit_ ? limit_ - spent_ : 0; }

  private:
    int64_t limit_;
    int64_t spent_ = 0;
};
