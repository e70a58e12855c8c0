// Fields of the comma-separated files qorsolve writes.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// When a text field goes in double quotes (inner quotes doubled).
enum class Quoting {
    WHEN_NEEDED,  // when it holds a comma, a quote, a line break, or spaces at either end
    ALWAYS,       // always, so that a column of texts and numbers tells them apart
};

// A text field as `quoting` asks.
std::string csvField(std::string_view bytes, Quoting quoting = Quoting::WHEN_NEEDED);

// One line of a file: `fields`, each written already (csvField, csvNumber, ...), separated by
// commas, and the line end.
std::string csvLine(std::initializer_list<std::string_view> fields);

// The fields of one line (without its line end) as csvField writes them, quoted ones without
// their quotes; false when a quoted field is not closed or text follows its closing quote.
bool csvSplit(std::string_view line, std::vector<std::string>& fields);

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
