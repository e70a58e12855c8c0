// Fields of the comma-separated files qorsolve writes, and the form they take for a
// spreadsheet of another locale.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

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
// The same without the digits below `error` (>= 0), how far the value may lie from the one
// its inputs as written give: a change from 20 to 19.99999999625 is "-3.75e-09", not the
// "-3.7499994221e-09" of the doubles nearest to them.
std::string csvResult(double value, double error);

// The decimal of fewest significant digits within `error` (>= 0) of `value`, as csvNumber
// writes it: the digits a computed value has when it may lie up to `error` from the exact one
// ("20000000070.05", not "20000000070.0499992"); "0" where 0 lies within it. csvNumber's text
// for an error of 0 and for an infinite or NaN value.
std::string csvWithin(double value, double error);

// The form of the result files: the character between fields and the decimal mark of the
// numbers. The default is comma-separated with a decimal point; a spreadsheet in a locale
// whose decimal mark is a comma reads ';' (or a tab) and decimal commas.
struct CsvForm {
    char separator = ',';  // one of CSV_SEPARATORS
    bool decimalComma = false;
};

// The separators a result file may have: comma, semicolon, tab.
inline constexpr std::string_view CSV_SEPARATORS = ",;\t";

// A text field in `form`: in double quotes when it holds the separator, a quote, a line break
// or blanks at either end (or always).
std::string formField(std::string_view text, const CsvForm& form,
                      Quoting quoting = Quoting::WHEN_NEEDED);

// A number as csvNumber, csvResult or csvWithin writes it, in `form`: with decimalComma its
// decimal point is a comma ("-0,25", "1,5e-07").
std::string formNumber(std::string number, const CsvForm& form);

// One line of fields written already in `form`, separated by its separator, and the line end.
std::string formLine(std::initializer_list<std::string_view> fields, const CsvForm& form);

// A header of names joined by commas (none of which holds a comma or needs quotes), joined by
// the separator of `form` instead.
std::string formHeader(std::string_view names, const CsvForm& form);
