// The work a whole-number search may do, counted in units that do not depend on the machine
// or its load: a simplex iteration counts one unit and one more per thousand rows and columns
// of its programme (its cost grows with them), a branch-and-bound node one unit. A search that
// stops at its work limit stops at the same place on every run, so the same project files and
// options give the same table; the time limit is a wall-clock stop on top of it.
#pragma once

#include <cstdint>

#include "qorsolve/settings.h"

// The units of one simplex iteration of a programme of `rows` rows and `columns` columns.
inline int64_t iterationUnits(int64_t rows, int64_t columns) {
    return 1 + (rows + columns) / 1000;
}

class WorkLimit {
  public:
    explicit WorkLimit(int64_t limit = DEFAULT_WORK_LIMIT) : limit_(limit) {}

    void spend(int64_t units) { spent_ += units; }
    bool exhausted() const { return spent_ >= limit_; }
    int64_t spent() const { return spent_; }
    int64_t limit() const { return limit_; }
    int64_t left() const { return spent_ < limit_ ? limit_ - spent_ : 0; }

  private:
    int64_t limit_;
    int64_t spent_ = 0;
};
