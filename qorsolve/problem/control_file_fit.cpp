#include "qorsolve/problem/control_file_fit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bound_type.h"
#include "common/cell_text.h"

namespace {

template <class T>
std::span<const T> entries(const std::vector<T>& values, const std::vector<int32_t>& rowStart,
                           int32_t row) {
    const auto r = static_cast<std::size_t>(row);
    return rowEntries(values, rowStart, r);
}

bool sameEntries(std::span<const int32_t> columns, std::span<const double> coefficients,
                 const DeclaredRestriction& declared) {
    return std::equal(columns.begin(), columns.end(), declared.columns.begin(),
                      declared.columns.end()) &&
           std::equal(coefficients.begin(), coefficients.end(), declared.coefficients.begin(),
                      declared.coefficients.end());
}

// The same double, bit for bit: what qorlex copies is compared as it was copied.
bool sameDouble(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// The values of a hard row as qorlex writes them from its declared restriction: a "<" row's
// lower value is -NO_BOUND, a ">" row's upper value NO_BOUND, and an equality has its value
// on both sides.
double storedLower(const DeclaredRestriction& declared) {
    return declared.type == BOUND_UPPER ? -NO_BOUND : declared.lowerValue;
}
double storedUpper(const DeclaredRestriction& declared) {
    return declared.type == BOUND_LOWER   ? NO_BOUND
           : declared.type == BOUND_EQUAL ? declared.lowerValue
                                          : declared.upperValue;
}

// The hard row `row` of the binary data file holds the declared restriction: the same
// relation, both values exactly as written for it, and the same entries.
bool hardRowFits(const HardArrays& hard, int32_t row, const DeclaredRestriction& declared) {
    const auto r = static_cast<std::size_t>(row);
    return hard.boundType[r] == declared.type &&
           sameDouble(hard.lowerValue[r], storedLower(declared)) &&
           sameDouble(hard.upperValue[r], storedUpper(declared)) &&
           sameEntries(entries(hard.columnIndex, hard.rowStart, row),
                       entries(hard.coefficient, hard.rowStart, row), declared);
}

bool weakRowFits(const WeakArrays& weak, int32_t row, const DeclaredRestriction& declared) {
    return sameDouble(weak.target[static_cast<std::size_t>(row)], declared.lowerValue) &&
           sameEntries(entries(weak.columnIndex, weak.rowStart, row),
                       entries(weak.coefficient, weak.rowStart, row), declared);
}

// The bound a single-cell restriction gives the side of its cell: its value over its
// coefficient. A negative lower value may have been raised to 0 first, so either is taken.
bool boundFits(double stored, const DeclaredRestriction& declared, bool lowerSide) {
    const double a = declared.coefficients[0];
    const bool fromLowerValue = (a > 0) == lowerSide;
    const double value = fromLowerValue ? declared.lowerValue : declared.upperValue;
    return stored == value / a || (fromLowerValue && value < 0 && stored == 0.0 / a);
}

// The values the restriction's relation uses are numbers, and the record holds what the
// control file's format gives its relation: -NO_BOUND as the lower value of "<", NO_BOUND as
// the upper value of ">", an equality's value and a weak restriction's target in both
// fields. qorlex writes no other; one can only come from a damaged file. A cell bound that a
// later restriction replaced is compared with nothing else.
bool recordAsWritten(const DeclaredRestriction& declared) {
    const int32_t type = declared.type;
    const bool sameBoth = type == BOUND_EQUAL || isWeakType(type);
    return !(usesLowerValue(type) && std::isnan(declared.lowerValue)) &&
           !(usesUpperValue(type) && std::isnan(declared.upperValue)) &&
           (type != BOUND_UPPER || sameDouble(declared.lowerValue, -NO_BOUND)) &&
           (type != BOUND_LOWER || sameDouble(declared.upperValue, NO_BOUND)) &&
           (!sameBoth || sameDouble(declared.upperValue, declared.lowerValue));
}

}  // namespace

void boundedSides(const DeclaredRestriction& declared, bool& lower, bool& upper) {
    const bool positive = declared.coefficients[0] > 0;
    const bool below = declared.type == BOUND_LOWER || declared.type == BOUND_RANGE;
    const bool above = declared.type == BOUND_UPPER || declared.type == BOUND_RANGE;
    lower = positive ? below : above;
    upper = positive ? above : below;
}

bool rowsFitControlFile(const Project& project, const std::vector<Destination>& where) {
    const auto& declared = project.control.restrictions;
    for (std::size_t i = 0; i < where.size(); ++i) {
        const Destination& d = where[i];
        if (!d.known || !recordAsWritten(declared[i])) return false;
        if (d.kind == StoredAs::HARD_ROW && !hardRowFits(project.hard, d.number - 1, declared[i]))
            return false;
        if (d.kind == StoredAs::WEAK_ROW && !weakRowFits(project.weak, d.number - 1, declared[i]))
            return false;
    }
    return true;
}

bool cellBoundsFitControlFile(const Project& project, const std::vector<int32_t>& lowerSource,
                              const std::vector<int32_t>& upperSource) {
    const BaseArrays& cells = project.cells;
    const auto& declared = project.control.restrictions;
    auto source = [&declared](int32_t number) -> const DeclaredRestriction& {
        return declared[static_cast<std::size_t>(number - 1)];
    };
    for (std::size_t j = 0; j < lowerSource.size(); ++j) {
        const bool lowerFits = lowerSource[j] == 0
                                   ? cells.lower[j] == 0.0
                                   : boundFits(cells.lower[j], source(lowerSource[j]), true);
        const bool upperFits = upperSource[j] == 0
                                   ? cells.upper[j] == NO_BOUND
                                   : boundFits(cells.upper[j], source(upperSource[j]), false);
        if (!lowerFits || !upperFits) return false;
    }
    return true;
}
