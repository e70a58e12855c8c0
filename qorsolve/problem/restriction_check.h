// How an adjusted table meets each declared restriction.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/project.h"

enum class RestrictionKind { HARD, WEAK, BOUND };

// "hard", "weak" or "bound", as the rows file and the report write the kind.
std::string_view restrictionKindName(RestrictionKind kind);

struct RestrictionCheck {
    RestrictionKind kind = RestrictionKind::HARD;
    double lower = 0.0;  // as declared, -INFINITE_BOUND for none; a weak restriction's target
    double upper = 0.0;  // as declared, INFINITE_BOUND for none; a weak restriction's target
    double value = 0.0;  // the restriction's sum over the adjusted table
    // Whether `value` and `slack` are exact (exact_rows.h: short decimal coefficients over
    // whole cells); else correct to about VALUE_ROUNDING of `size`, the sum of the magnitudes
    // of the restriction's terms.
    bool exact = true;
    double size = 0.0;
    // Hard and bound: the distance to the nearer bound, negative when outside. Weak:
    // value - target. Computed from `x` as given, exact where the value is exact
    // (exact_rows.h), never rounded to 0.
    double slack = 0.0;
    // Hard and bound: whether the restriction holds, and holds with equality, by the rule of
    // exact_rows.h: exactly for short decimal coefficients over whole numbers, otherwise
    // within ROW_TOLERANCE of the size of its terms.
    bool met = true;
    bool binding = false;
};

// One check per declared restriction, in declaration order. `x` has one value per adjustable
// cell; the project's control file fits its binary data file (buildAdjustmentProblem checked).
std::vector<RestrictionCheck> checkRestrictions(const Project& project,
                                                const std::vector<double>& x);
