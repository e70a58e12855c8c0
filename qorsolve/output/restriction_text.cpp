#include "qorsolve/output/restriction_text.h"

#include <algorithm>
#include <cmath>

#include "common/bound_type.h"
#include "qorsolve/output/csv_text.h"

std::string termsText(const Project& project, const CellNamer& namer,
                      std::span<const int32_t> columns, std::span<const double> coefficients) {
    const std::size_t count = std::min(columns.size(), coefficients.size());
    const std::size_t shown = count > MOST_CELLS_SHOWN ? FIRST_CELLS_SHOWN : count;
    std::string text;
    for (std::size_t i = 0; i < shown; ++i) {
        const double coefficient = coefficients[i];
        const bool negative = std::signbit(coefficient) && !std::isnan(coefficient);
        if (i > 0) text += negative ? " - " : " + ";
        if (i == 0 && negative) text += "-";
        const double magnitude = std::fabs(coefficient);
        if (magnitude != 1.0) text += csvNumber(magnitude) + " ";
        const auto column = static_cast<std::size_t>(columns[i]);
        const int32_t cell = column < project.cells.cellIndex.size()
                                 ? project.cells.cellIndex[column]
                                 : static_cast<int32_t>(column);
        text += namer.cellText(cell);
    }
    if (shown < count) text += " \u2026 (+ " + std::to_string(count - shown) + " more cells)";
    return text;
}

std::string relationText(const std::string& sum, double lower, double upper) {
    if (lower == upper) return sum + " = " + csvNumber(lower);
    const bool hasLower = lower > -NO_BOUND && std::isfinite(lower);
    const bool hasUpper = upper < NO_BOUND && std::isfinite(upper);
    if (hasLower && hasUpper) return csvNumber(lower) + " <= " + sum + " <= " + csvNumber(upper);
    if (hasLower) return sum + " >= " + csvNumber(lower);
    return sum + " <= " + csvNumber(upper);
}

std::string declaredText(const Project& project, const CellNamer& namer,
                         const DeclaredRestriction& restriction) {
    const std::string sum =
        termsText(project, namer, restriction.columns, restriction.coefficients);
    const double lower = restriction.lowerValue;
    const double upper = restriction.upperValue;
    if (isWeakType(restriction.type)) return sum + " ~ " + csvNumber(lower);
    // As the solve reads them: a one-sided relation has only its own value, an equation the
    // lower one.
    switch (restriction.type) {
        case BOUND_UPPER:
            return relationText(sum, -NO_BOUND, upper);
        case BOUND_LOWER:
            return relationText(sum, lower, NO_BOUND);
        case BOUND_EQUAL:
            return relationText(sum, lower, lower);
        default:
            return relationText(sum, lower, upper);
    }
}
