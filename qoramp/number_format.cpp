#include "qoramp/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// snprintf for the values to_chars spells differently (inf, nan).
char* formatWithPrintf(char* out, const char* format, double value) {
    int written = std::snprintf(out, MAX_NUMBER_TEXT, format, value);
    if (written < 0) return out;
    std::size_t length = static_cast<std::size_t>(written);
    return out + (length < MAX_NUMBER_TEXT ? length : MAX_NUMBER_TEXT - 1);
}

}  // namespace

char* number_text::formatFixedTextSlow(char* out, double value) {
    // A negative or large whole number is its integer and six zeros too.
    if (std::fabs(value) < 1e15 && std::trunc(value) == value) {
        if (std::signbit(value)) *out++ = '-';
        out = formatIntegerText(out, static_cast<int64_t>(std::fabs(value)));
        std::memcpy(out, ".000000", 7);
        return out + 7;
    }
    if (!std::isfinite(value)) return formatWithPrintf(out, "%f", value);
    auto result = std::to_chars(out, out + MAX_NUMBER_TEXT, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return formatWithPrintf(out, "%f", value);
    return result.ptr;
}

char* formatRoundTripText(char* out, double value) {
    if (!std::isfinite(value)) return formatWithPrintf(out, "%.17g", value);
    auto result = std::to_chars(out, out + MAX_NUMBER_TEXT, value, std::chars_format::general, 17);
    if (result.ec != std::errc()) return formatWithPrintf(out, "%.17g", value);
    return result.ptr;
}
