#include "qorsolve/restriction_check.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/bound_type.h"

namespace {

constexpr double NONE = std::numeric_limits<double>::infinity();

RestrictionCheck check(const DeclaredRestriction& declared, StoredAs storedAs,
                       const std::vector<double>& x) {
    RestrictionCheck result;
    double size = 0.0;  // the sum of the terms' magnitudes
    for (std::size_t k = 0; k < declared.columns.size(); ++k) {
        const double term =
            declared.coefficients[k] * x[static_cast<std::size_t>(declared.columns[k])];
        result.value += term;
        size += std::fabs(term);
    }
    if (isWeakType(declared.type)) {
        result.kind = RestrictionKind::WEAK;
        result.lower = result.upper = declared.lowerValue;
        result.slack = result.value - declared.lowerValue;
        return result;
    }
    result.kind = storedAs == StoredAs::CELL_BOUND ? RestrictionKind::BOUND : RestrictionKind::HARD;
    const double lower = declared.lowerValue <= -NO_BOUND ? -NONE : declared.lowerValue;
    const double upper = declared.upperValue >= NO_BOUND ? NONE : declared.upperValue;
    result.lower = declared.type == BOUND_UPPER ? -NONE : lower;
    result.upper = declared.type == BOUND_LOWER   ? NONE
                   : declared.type == BOUND_EQUAL ? declared.lowerValue
                                                  : upper;
    result.slack = std::min(result.value - result.lower, result.upper - result.value);
    const double nearest =
        result.value - result.lower < result.upper - result.value ? result.lower : result.upper;
    const double scale = std::max({1.0, size, std::isfinite(nearest) ? std::fabs(nearest) : 0.0});
    if (std::fabs(result.slack) <= BINDING_TOLERANCE * scale) {
        result.slack = 0.0;
        result.binding = true;
    }
    return result;
}

}  // namespace

std::vector<RestrictionCheck> checkRestrictions(const Project& project,
                                                const std::vector<double>& x) {
    const std::vector<Destination> where = destinations(project);
    std::vector<RestrictionCheck> checks;
    checks.reserve(where.size());
    for (std::size_t i = 0; i < where.size(); ++i) {
        checks.push_back(check(project.control.restrictions[i], where[i].kind, x));
    }
    return checks;
}
