#include "qordump/row_text.h"

#include <cmath>

#include "common/bound_type.h"

namespace {

std::string sumText(const Project& project, const CellNamer& namer,
                    std::span<const int32_t> columns, std::span<const double> coefficients) {
    std::string text;
    for (std::size_t i = 0; i < columns.size() && i < coefficients.size(); ++i) {
        const double coefficient = coefficients[i];
        const bool negative = std::signbit(coefficient) && !std::isnan(coefficient);
        if (i == 0) {
            if (negative) text += "-";
        } else {
            text += negative ? " - " : " + ";
        }
        const double magnitude = std::fabs(coefficient);
        if (magnitude != 1.0) text += numberText(magnitude) + " * ";
        const auto column = static_cast<std::size_t>(columns[i]);
        text += namer.cellText(project.cells.cellIndex[column]);
    }
    return text;
}

}  // namespace

std::string_view relationSymbol(int32_t type) {
    switch (type) {
        case BOUND_LOWER:
            return ">=";
        case BOUND_UPPER:
            return "<=";
        case BOUND_RANGE:
            return "range";
        case BOUND_EQUAL:
            return "=";
        default:
            return isWeakType(type) ? "~" : "";
    }
}

std::string rowText(const Project& project, const CellNamer& namer, Relation relation,
                    std::span<const int32_t> columns, std::span<const double> coefficients) {
    const std::string sum = sumText(project, namer, columns, coefficients);
    const std::string lower = numberText(relation.lowerValue);
    switch (relation.type) {
        case BOUND_LOWER:
            return sum + " >= " + lower;
        case BOUND_UPPER:
            return sum + " <= " + numberText(relation.upperValue);
        case BOUND_RANGE:
            return lower + " <= " + sum + " <= " + numberText(relation.upperValue);
        case BOUND_EQUAL:
            return sum + " = " + lower;
        default:
            break;
    }
    if (isWeakType(relation.type)) return sum + " ~ " + lower;
    return sum + " (relation code " + std::to_string(relation.type) + ", values " + lower +
           " and " + numberText(relation.upperValue) + ")";
}
