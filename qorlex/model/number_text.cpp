#include "qorlex/model/number_text.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
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
    return magnitude >= LIMIT ? std::numeric_limits<int32_t>::max()
                              : static_cast<int32_t>(magnitude);
}

double parseReal(const char* text, const char* limit, const char** end) {
    const char* p = text;
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    const bool decimal =
        digits < limit && ((*digits >= '0' && *digits <= '9') || *digits == '.') &&
        !(digits[0] == '0' && digits + 1 < limit && (digits[1] == 'x' || digits[1] == 'X'));
    if (decimal) {
        // from_chars reads what strtod reads, but for a '+' sign, which it does not take.
        double value = 0.0;
        const auto [stop, error] = std::from_chars(*p == '+' ? digits : p, limit, value);
        if (error == std::errc()) {
            if (end != nullptr) *end = stop;
            return value;
        }
    }
    // Everything else, and results beyond the range of double, as strtod gives them.
    char* stop = nullptr;
    const double value = std::strtod(text, &stop);
    if (end != nullptr) *end = stop;
    return value;
}

double leadingReal(const char* text) {
    return parseReal(text, text + std::strlen(text), nullptr);
}

double tokenReal(const char* text) {
    const char* exponent = std::strpbrk(text, "Dd");
    const std::size_t length = std::strlen(text);
    // A token fits into the scanner's buffer, and so into this copy.
    char copy[16384];
    if (exponent == nullptr || length >= sizeof copy) return leadingReal(text);
    std::memcpy(copy, text, length + 1);
    copy[exponent - text] = 'e';
    return parseReal(copy, copy + length, nullptr);
}
