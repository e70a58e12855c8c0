// How an adjusted table meets each declared restriction.
#pragma once

#include <cstdint>
#include <vector>

#include "common/project.h"

enum class RestrictionKind { HARD, WEAK, BOUND };

struct RestrictionCheck {
    RestrictionKind kind = RestrictionKind::HARD;
    double lower = 0.0;  // as declared, -infinity for none; a weak restriction's target
    double upper = 0.0;  // as declared, +infinity for none; a weak restriction's target
    double value = 0.0;  // the restriction's sum over the adjusted table
    // Hard and bound: the distance to the nearer bound, negative when outside (0 when
    // binding). Weak: value - target.
    double slack = 0.0;
    bool binding = false;  // a hard or bound restriction that holds with equality
};

// A value within this relative distance of a bound lies on it. The distance is measured
// against the size of the restriction's terms, so that rounding in long sums does not count.
inline constexpr double BINDING_TOLERANCE = 1e-7;

// One check per declared restriction, in declaration order. `x` has one value per adjustable
// cell; the project's control file fits its binary data file (buildAdjustmentProblem checked).
std::vector<RestrictionCheck> checkRestrictions(const Project& project,
                                                const std::vector<double>& x);
