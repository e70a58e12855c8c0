#include "qorimport/number_field.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "common/cell_text.h"
#include "qorimport/import_error.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits at `at`; their count.
std::size_t digitsAt(std::string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && isDigit(text[end])) ++end;
    return end - at;
}

// `field` in the plain form with a point, into `plain`: sign, digits, fraction, exponent.
bool normalise(std::string_view field, bool decimalComma, std::string& plain) {
    plain.clear();
    std::size_t at = 0;
    if (at < field.size() && (field[at] == '+' || field[at] == '-')) {
        if (field[at] == '-') plain += '-';
        ++at;
    }
    const char point = decimalComma ? ',' : '.';
    std::size_t digits = digitsAt(field, at);
    plain.append(field.substr(at, digits));
    at += digits;
    std::size_t whole = digits;
    // Groups of three digits after the first group of one to three: 1.234.567,5.
    if (decimalComma && digits >= 1 && digits <= 3) {
        while (at < field.size() && field[at] == '.' && digitsAt(field, at + 1) == 3) {
            plain.append(field.substr(at + 1, 3));
            at += 4;
            whole += 3;
        }
    }
    std::size_t fraction = 0;
    if (at < field.size() && field[at] == point) {
        ++at;
        fraction = digitsAt(field, at);
        plain += '.';
        plain.append(field.substr(at, fraction));
        at += fraction;
    }
    if (whole == 0 && fraction == 0) return false;
    if (at < field.size() && (field[at] == 'e' || field[at] == 'E')) {
        plain += 'e';
        ++at;
        if (at < field.size() && (field[at] == '+' || field[at] == '-')) plain += field[at++];
        const std::size_t exponent = digitsAt(field, at);
        if (exponent == 0) return false;
        plain.append(field.substr(at, exponent));
        at += exponent;
    }
    return at == field.size();
}

std::string valueText(double value) {
    return numberText(value == 0 ? 0.0 : value);
}

}  // namespace

bool readNumber(std::string_view field, bool decimalComma, double& value) {
    // Most values are whole numbers of a few digits, which are exact as doubles.
    if (!field.empty() && field.size() <= 15) {
        int64_t whole = 0;
        std::size_t digits = 0;
        for (; digits < field.size() && isDigit(field[digits]); ++digits) {
            whole = whole * 10 + (field[digits] - '0');
        }
        if (digits == field.size()) {
            value = static_cast<double>(whole);
            return true;
        }
    }
    std::string plain;
    if (!normalise(field, decimalComma, plain)) return false;
    const char* end = plain.data() + plain.size();
    const auto [stop, failure] = std::from_chars(plain.data(), end, value);
    if (failure != std::errc() || stop != end || !std::isfinite(value)) return false;
    if (value == 0) value = 0.0;  // no negative zero
    return true;
}

std::string notANumberText(std::string_view field, bool decimalComma) {
    std::string text = quotedLabel(field) + " is not a number";
    double other = 0.0;
    if (readNumber(field, !decimalComma, other)) {
        text += decimalComma ? "; without --decimal-comma it reads as "
                             : "; with --decimal-comma it reads as ";
        text += valueText(other);
    }
    return text;
}
