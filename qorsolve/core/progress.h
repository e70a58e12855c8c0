// Progress of a long solve on standard error: the phase, the best objective and the bound,
// and the time so far, at most about once a second, and only when enabled (a terminal and
// no --quiet). Solvers call update() as often as they like.
#pragma once

#include <cstdio>
#include <string_view>

#include "qorsolve/core/deadline.h"

class Progress {
  public:
    Progress(const Deadline& clock, bool enabled) : clock_(clock), enabled_(enabled) {}

    // best: the objective of the best table that meets every restriction so far; best and
    // bound NaN (printed "-") when not known yet.
    void update(std::string_view phase, double best, double bound);
    // Ends the progress line, if one was printed.
    void finish();

  private:
    const Deadline& clock_;
    bool enabled_;
    double lastPrint_ = 1.0;  // nothing during the first second
    bool printed_ = false;
};
