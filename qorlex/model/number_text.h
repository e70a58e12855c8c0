// Conversion of the number tokens of a table description.
#pragma once

#include <cstdint>

// The leading decimal integer of `text`: optional sign, then digits, up to the first other
// character. Saturates at the int32 limits instead of wrapping; 0 when there are no digits.
int32_t leadingInteger(const char* text);

// The decimal floating-point value of the leading part of `text` (sign, digits, decimal
// point, exponent introduced by E or e); 0.0 when it does not begin with a number.
double leadingReal(const char* text);

// The value of a number token of the description: like leadingReal, and a D or d introduces
// the exponent as E does ("1.5D3" is 1500).
double tokenReal(const char* text);

// The number at the start of `text` exactly as strtod reads it (its full syntax), where
// the number cannot reach beyond `limit`, which is the end of `text` or a white-space
// character. `end` (when not null) receives where the number stops; `text` when there is
// none. Plain decimal numbers take a fast path that gives strtod's values bit for bit.
double parseReal(const char* text, const char* limit, const char** end);
