#include "qoramp/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// snprintf for the values to_chars spells differently (inf, nan).
char* formatWithPrintf(char* out, const char* format, double value) {
    int written = std::snprintf(out, MAX_NUMBER_TEXT, format, value);
    if (written < 0) return out;
    std::size_t length = static_cast<std::size_t>(written);
    return out + (length < MAX_NUMBER_TEXT ? length : MAX_NUMBER_TEXT - 1);
}

}  // namespace

char* formatIntegerText(char* out, int64_t value) {
    return std::to_chars(out, out + MAX_NUMBER_TEXT, value).ptr;
}

char* formatFixedText(char* out, double value) {
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
