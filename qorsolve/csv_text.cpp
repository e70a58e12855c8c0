#include "qorsolve/csv_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

std::string csvField(std::string_view bytes, Quoting quoting) {
    const bool quoted = quoting == Quoting::ALWAYS ||
                        bytes.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!bytes.empty() && (bytes.front() == ' ' || bytes.back() == ' '));
    if (!quoted) return std::string(bytes);
    std::string text = "\"";
    for (char c : bytes) {
        if (c == '"') text += '"';
        text += c;
    }
    return text + '"';
}

std::string csvLine(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (const std::string_view* field = fields.begin(); field != fields.end(); ++field) {
        if (field != fields.begin()) line += ',';
        line += *field;
    }
    return line + '\n';
}

bool csvSplit(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::size_t at = 0;
    while (true) {
        std::string field;
        if (at < line.size() && line[at] == '"') {
            // Up to the quote that is not doubled.
            for (++at;; ++at) {
                if (at == line.size()) return false;
                if (line[at] == '"') {
                    if (at + 1 == line.size() || line[at + 1] != '"') break;
                    ++at;
                }
                field += line[at];
            }
            ++at;
            if (at < line.size() && line[at] != ',') return false;
        } else {
            const std::size_t end = std::min(line.find(',', at), line.size());
            field = line.substr(at, end - at);
            at = end;
        }
        fields.push_back(std::move(field));
        if (at == line.size()) return true;
        ++at;  // the comma
    }
}

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
