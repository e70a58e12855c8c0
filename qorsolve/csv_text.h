// Fields of the comma-separated files qorsolve writes.
#pragma once

#include <string>
#include <string_view>

// A field as it is, or in double quotes (inner quotes doubled) when it holds a comma, a
// quote, a line break, or spaces at either end.
std::string csvField(std::string_view bytes);

// The shortest text that reads back as the same double, whole numbers without a decimal
// point or exponent ("12", "-3", "100000000", "0.25", "1e-07"); 0 for a negative zero.
std::string csvNumber(double value);
