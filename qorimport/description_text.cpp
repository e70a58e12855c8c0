#include "qorimport/description_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

constexpr std::size_t LINE_WIDTH = 96;

// A file name in a comment line: one line, whatever bytes it has.
std::string commentText(std::string_view text) {
    std::string comment(text);
    for (char& c : comment) {
        if (c == '\n' || c == '\r') c = '?';
    }
    return comment;
}

// The characteristic names of a class as one statement, wrapped into lines.
std::string characteristicList(const std::string& className, const std::vector<std::string>& names,
                               std::size_t count) {
    std::string text = "   " + className + " =";
    if (names.empty()) return text + " " + std::to_string(count) + ";\n";
    std::size_t width = text.size();
    const std::string indent(className.size() + 6, ' ');
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (i > 0 && width + name.size() + 2 > LINE_WIDTH) {
            text += "\n" + indent;
            width = indent.size();
        } else {
            text += " ";
            ++width;
        }
        text += name;
        text += i + 1 < names.size() ? "," : ";";
        width += name.size() + 1;
    }
    return text + "\n";
}

}  // namespace

std::string descriptionNumber(double value) {
    char text[64];
    // Whole numbers below 1e15 are exact as integers, and printed faster so.
    const bool whole = std::fabs(value) < 1e15 && std::trunc(value) == value;
    const auto [end, failure] =
        whole ? std::to_chars(text, text + sizeof text, static_cast<int64_t>(value))
              : std::to_chars(text, text + sizeof text, value);
    if (failure != std::errc()) return "0";
    // The scanner reads an exponent only after a decimal point.
    char* exponent = std::find(text, end, 'e');
    std::string number(text, exponent);
    if (exponent != end && std::find(text, exponent, '.') == exponent) number += '.';
    number.append(exponent, static_cast<std::size_t>(end - exponent));
    return number;
}

std::string restrictionStatement(const ImportOptions& options, const TableNames& names,
                                 const Margin& margin) {
    std::string text = "(";
    for (std::size_t k = 0; k < margin.cells.size(); ++k) {
        if (k > 0) text += ", ";
        text += margin.cells[k] < 0 ? std::string("_") : names.characteristic(k, margin.cells[k]);
    }
    text += ")";
    const MarginSource& source = options.margins[margin.file];
    const double value = margin.value;
    if (source.weak) {
        text += " ~ ";
        text += descriptionNumber(value);
        if (source.weight != 1.0) {
            text += ' ';
            text += descriptionNumber(source.weight);
        }
        return text;
    }
    double tolerance = 0.0;
    if (options.tolerance == ToleranceKind::PERCENT) {
        tolerance = value * options.toleranceValue / 100.0;
    } else if (options.tolerance == ToleranceKind::ABSOLUTE) {
        tolerance = options.toleranceValue;
    }
    if (!(tolerance > 0) || !std::isfinite(value + tolerance)) {
        return text + " = " + descriptionNumber(value);
    }
    return text + " | " + descriptionNumber(std::max(0.0, value - tolerance)) + " " +
           descriptionNumber(value + tolerance);
}

std::string descriptionText(const ImportOptions& options, const ImportedTable& table,
                            const TableNames& names, const std::vector<Margin>& margins,
                            std::string_view basis, std::string_view namesFile) {
    std::string text(DESCRIPTION_FIRST_LINE);
    text += " from " + commentText(options.basePath);
    for (const MarginSource& source : options.margins) text += ", " + commentText(source.path);
    text += ".\n# The names stand for the labels as written; " + commentText(namesFile) +
            " gives the label of each.\nKLASSEN\n  ";
    for (std::size_t k = 0; k < names.classes.size(); ++k) {
        text += " " + names.classes[k] + (k + 1 < names.classes.size() ? "," : ";");
    }
    text += "\n\nAUSPRAEGUNGEN\n";
    for (std::size_t k = 0; k < names.classes.size(); ++k) {
        text += characteristicList(names.classes[k], names.characteristics[k],
                                   table.classes[k].labels.size());
    }
    text += "\nBASIS\n   ";
    text += basis;
    text += "\n\nRESTRIKTIONEN\n";
    std::size_t m = 0;
    for (std::size_t source = 0; source < options.margins.size(); ++source) {
        text += "# " + commentText(options.margins[source].path) + "\n";
        for (; m < margins.size() && margins[m].file == source; ++m) {
            text += "   " + restrictionStatement(options, names, margins[m]) + ";\n";
        }
    }
    return text + "ENDE\n";
}

void writeBaseFile(OutputFile& file, const ImportedTable& table, const TableNames& names) {
    const std::size_t classes = table.classes.size();
    // Room for the longest line: every class's longest name, the separators and a number.
    std::size_t room = 64;
    for (std::size_t k = 0; k < classes; ++k) {
        std::size_t longest = 11;  // a characteristic's number
        for (const std::string& name : names.characteristics[k]) {
            longest = std::max(longest, name.size());
        }
        room += longest + 1;
    }
    for (std::size_t i = 0; i < table.cellCount(); ++i) {
        char* const start = file.reserveChars(room);
        char* at = start;
        const int32_t* cell = table.cellAt(i);
        for (std::size_t k = 0; k < classes; ++k) {
            if (names.named(k)) {
                const std::string& name =
                    names.characteristics[k][static_cast<std::size_t>(cell[k])];
                at = std::copy(name.begin(), name.end(), at);
            } else {
                at = std::to_chars(at, start + room, cell[k] + 1).ptr;
            }
            *at++ = ';';
        }
        const double value = table.values[i];
        if (value < 1e15 && std::trunc(value) == value) {
            at = std::to_chars(at, start + room, static_cast<int64_t>(value)).ptr;
        } else {
            const std::string number = descriptionNumber(value);
            at = std::copy(number.begin(), number.end(), at);
        }
        *at++ = '\n';
        file.commitChars(static_cast<std::size_t>(at - start));
    }
}
