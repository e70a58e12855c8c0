#include "qorsolve/core/progress.h"

#include <cmath>

namespace {

// A value to 8 digits, or "-" when there is none yet (NaN, or an infinite bound).
struct ValueText {
    explicit ValueText(double value) {
        if (std::isfinite(value)) {
            std::snprintf(text, sizeof text, "%.8g", value);
        } else {
            std::snprintf(text, sizeof text, "-");
        }
    }
    char text[32];
};

}  // namespace

void Progress::update(std::string_view phase, double best, double bound) {
    if (!enabled_) return;
    double now = clock_.elapsed();
    if (now < lastPrint_) return;
    lastPrint_ = now + 1.0;
    std::fprintf(stderr, "\r%-12.*s best %-14s bound %-14s %8.1f s", static_cast<int>(phase.size()),
                 phase.data(), ValueText(best).text, ValueText(bound).text, now);
    std::fflush(stderr);
    printed_ = true;
}

void Progress::finish() {
    if (!printed_) return;
    std::fputc('\n', stderr);
    printed_ = false;
}
