#include "qorsolve/output/csv_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

std::string csvNumber(double value) {
    if (value == 0) return "0";
    char text[400];
    // Whole numbers in plain digits up to 1e21 (fixed notation is exact for them), everything
    // else in the shorter of the two notations.
    const bool whole =
        std::isfinite(value) && std::fabs(value) < 1e21 && std::trunc(value) == value;
    const auto [end, failure] =
        whole ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
              : std::to_chars(text, text + sizeof text, value);
    if (failure != std::errc()) return "?";
    return std::string(text, end);
}

double roundToDigits(double value, int digits) {
    if (!std::isfinite(value) || value == 0 || digits < 1 || digits > 17) return value;
    char text[64];
    const auto [end, failure] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, digits - 1);
    if (failure != std::errc()) return value;
    double rounded = value;
    if (std::from_chars(text, end, rounded).ec != std::errc()) return value;
    return rounded;
}

std::string csvResult(double value) {
    if (!std::isfinite(value) || std::trunc(value) == value) return csvNumber(value);
    return csvNumber(roundToDigits(value, RESULT_DIGITS));
}

std::string csvResult(double value, double error) {
    if (!std::isfinite(value) || std::trunc(value) == value) return csvNumber(value);
    const double rounding = std::fabs(roundToDigits(value, RESULT_DIGITS) - value);
    return csvWithin(value, std::max(error, rounding));
}

std::string csvWithin(double value, double error) {
    if (!std::isfinite(value) || !(error > 0)) return csvNumber(value);
    if (std::fabs(value) <= error) return "0";
    for (int digits = 1; digits < 17; ++digits) {
        const double rounded = roundToDigits(value, digits);
        if (std::fabs(rounded - value) <= error) return csvNumber(rounded);
    }
    return csvNumber(value);
}

std::string formField(std::string_view text, const CsvForm& form, Quoting quoting) {
    return csvField(text, quoting, form.separator);
}

std::string formNumber(std::string number, const CsvForm& form) {
    if (form.decimalComma) std::replace(number.begin(), number.end(), '.', ',');
    return number;
}

std::string formLine(std::initializer_list<std::string_view> fields, const CsvForm& form) {
    return csvLine(fields, form.separator);
}

std::string formHeader(std::string_view names, const CsvForm& form) {
    std::string header(names);
    std::replace(header.begin(), header.end(), ',', form.separator);
    return header;
}
