// Fields of the comma-separated files qorsolve writes.
#pragma once

#include <string>

#include "common/csv_fields.h"

// The shortest text that reads back as the same double, whole numbers without a decimal
// point or exponent ("12", "-3", "100000000", "0.25", "1e-07"); 0 for a negative zero.
std::string csvNumber(double value);

// `value` rounded to `digits` significant decimal digits (1 to 17), as near as a double holds
// it; infinities and NaN as they are.
double roundToDigits(double value, int digits);

// Significant digits of the real numbers in qorsolve's results: far below the accuracy of a
// solve (1e-9 relative), and above the rounding of sums and differences.
inline constexpr int RESULT_DIGITS = 12;

// A computed value as the results show it: a whole number exactly as csvNumber writes it,
// any other rounded to RESULT_DIGITS significant digits ("0.3", not "0.30000000000000004").
std::string csvResult(double value);
