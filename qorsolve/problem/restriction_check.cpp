#include "qorsolve/problem/restriction_check.h"

#include <algorithm>

#include "common/bound_type.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/sparse_rows.h"

namespace {

RestrictionCheck check(const DeclaredRestriction& declared, StoredAs storedAs,
                       const std::vector<double>& x) {
    RestrictionCheck result;
    const RowValue row = rowValue(declared.coefficients, declared.columns, x);
    result.value = row.value();
    result.exact = row.exact();
    result.size = row.size();
    if (isWeakType(declared.type)) {
        result.kind = RestrictionKind::WEAK;
        result.lower = result.upper = declared.lowerValue;
        result.slack = row.minus(declared.lowerValue);
        return result;
    }
    result.kind = storedAs == StoredAs::CELL_BOUND ? RestrictionKind::BOUND : RestrictionKind::HARD;
    const double lower = declared.lowerValue <= -NO_BOUND ? -INFINITE_BOUND : declared.lowerValue;
    const double upper = declared.upperValue >= NO_BOUND ? INFINITE_BOUND : declared.upperValue;
    result.lower = declared.type == BOUND_UPPER ? -INFINITE_BOUND : lower;
    result.upper = declared.type == BOUND_LOWER   ? INFINITE_BOUND
                   : declared.type == BOUND_EQUAL ? declared.lowerValue
                                                  : upper;
    result.slack = std::min(row.minus(result.lower), -row.minus(result.upper));
    result.met = row.holds(result.lower, result.upper);
    result.binding = result.met && (row.on(result.lower) || row.on(result.upper));
    return result;
}

}  // namespace

std::string_view restrictionKindName(RestrictionKind kind) {
    switch (kind) {
        case RestrictionKind::HARD:
            return "hard";
        case RestrictionKind::WEAK:
            return "weak";
        case RestrictionKind::BOUND:
            break;
    }
    return "bound";
}

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
