// The numbers of base and margin files as spreadsheets write them: plain ("347.5", "-2",
// "1e6") or, with a decimal comma, "347,5" and "1.234,5" (a point between groups of three
// digits). No thousands separator in plain numbers, no unit, no infinity.
#pragma once

#include <string>
#include <string_view>

// The value of `field`; false when it is no number of the form or beyond the range of double.
bool readNumber(std::string_view field, bool decimalComma, double& value);

// Why `field` is no number, for a message: the field, and how the other form reads it where it
// would ("\"347,5\" is not a number; with --decimal-comma it reads as 347.5").
std::string notANumberText(std::string_view field, bool decimalComma);
