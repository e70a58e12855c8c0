#include "qorlex/model/number_text.h"

#include <cstdlib>
#include <limits>

int32_t leadingInteger(const char* text) {
    const char* p = text;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    constexpr int64_t LIMIT = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > LIMIT) magnitude = LIMIT;
    }
    if (negative) return static_cast<int32_t>(-magnitude);
    return magnitude >= LIMIT ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(magnitude);
}

double leadingReal(const char* text) { return std::strtod(text, nullptr); }
