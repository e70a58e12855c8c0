// Numbers as text, formatted in place into a caller's buffer without stdio.
//
// The text is exactly what printf gives for the same conversion, so files stay byte-identical
// however they are produced; only non-finite reals go through snprintf. The common cases (whole
// numbers that fit 32 bits, as column numbers, counts and bounds are) are written inline, two
// digits at a time.
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Room that one integer needs at most ("-9223372036854775808").
inline constexpr std::size_t MAX_INTEGER_TEXT = 20;

// Room that one formatted number needs at most, any conversion below ("%f" of the largest
// double is 317 characters).
inline constexpr std::size_t MAX_NUMBER_TEXT = 330;

namespace number_text {

// "00", "01", ..., "99" back to back.
inline constexpr std::array<char, 200> DIGIT_PAIRS = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

inline void writePair(char* out, uint32_t twoDigits) {
    std::memcpy(out, DIGIT_PAIRS.data() + 2 * twoDigits, 2);
}

// Exactly four digits of `value` < 10000, leading zeros included.
inline char* writeFour(char* out, uint32_t value) {
    writePair(out, value / 100);
    writePair(out + 2, value % 100);
    return out + 4;
}

// The digits of `value` < 10000 without leading zeros.
inline char* writeUpToFour(char* out, uint32_t value) {
    if (value < 100) {
        if (value < 10) {
            *out = static_cast<char>('0' + value);
            return out + 1;
        }
        writePair(out, value);
        return out + 2;
    }
    const uint32_t high = value / 100;
    if (high < 10) {
        *out++ = static_cast<char>('0' + high);
    } else {
        writePair(out, high);
        out += 2;
    }
    writePair(out, value % 100);
    return out + 2;
}

char* formatFixedTextSlow(char* out, double value);

}  // namespace number_text

// Each writes the text of `value` at `out` (which has room for MAX_NUMBER_TEXT characters) and
// returns the position just after it. No terminating zero.

inline char* formatUnsignedText(char* out, uint32_t value) {  // "%u"
    using namespace number_text;
    if (value < 10000) return writeUpToFour(out, value);
    if (value < 100000000) return writeFour(writeUpToFour(out, value / 10000), value % 10000);
    out = writeUpToFour(out, value / 100000000);
    const uint32_t low = value % 100000000;
    return writeFour(writeFour(out, low / 10000), low % 10000);
}

inline char* formatIntegerText(char* out, int64_t value) {  // "%d"
    if (value >= 0 && value <= int64_t{UINT32_MAX}) {
        return formatUnsignedText(out, static_cast<uint32_t>(value));
    }
    return std::to_chars(out, out + MAX_NUMBER_TEXT, value).ptr;
}

inline char* formatFixedText(char* out, double value) {  // "%f": six decimals
    // A whole number, as counts and bounds mostly are, is its integer and six zeros.
    if (!std::signbit(value) && value < 4294967296.0) {
        const uint32_t whole = static_cast<uint32_t>(value);
        if (static_cast<double>(whole) == value) {
            out = formatUnsignedText(out, whole);
            std::memcpy(out, ".000000", 7);
            return out + 7;
        }
    }
    return number_text::formatFixedTextSlow(out, value);
}

char* formatRoundTripText(char* out, double value);  // "%.17g": reads back as the same double
