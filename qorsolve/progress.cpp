#include "qorsolve/progress.h"

#include <cmath>

void Progress::update(std::string_view phase, double best, double bound) {
    if (!enabled_) return;
    double now = clock_.elapsed();
    if (now < lastPrint_) return;
    lastPrint_ = now + 1.0;
    std::fprintf(stderr, "\r%-12.*s best %-14.8g bound %-14.8g %8.1f s",
                 static_cast<int>(phase.size()), phase.data(), best, bound, now);
    std::fflush(stderr);
    printed_ = true;
}

void Progress::finish() {
    if (!printed_) return;
    std::fputc('\n', stderr);
    printed_ = false;
}
