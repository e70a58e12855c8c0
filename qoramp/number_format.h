// Numbers as text, formatted in place into a caller's buffer without stdio.
//
// The text is exactly what printf gives for the same conversion, so files stay byte-identical
// however they are produced; only non-finite reals go through snprintf.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>

// Room that one integer needs at most ("-9223372036854775808").
inline constexpr std::size_t MAX_INTEGER_TEXT = 20;

// Room that one formatted number needs at most, any conversion below ("%f" of the largest
// double is 317 characters).
inline constexpr std::size_t MAX_NUMBER_TEXT = 330;

// Each writes the text of `value` at `out` (which has room for MAX_NUMBER_TEXT characters) and
// returns the position just after it. No terminating zero.
inline char* formatIntegerText(char* out, int64_t value) {  // "%d"
    return std::to_chars(out, out + MAX_NUMBER_TEXT, value).ptr;
}
char* formatFixedText(char* out, double value);      // "%f": six decimals
char* formatRoundTripText(char* out, double value);  // "%.17g": reads back as the same double
