// How a cell's cost measures its distance from its base (the objective, problem/objective.h);
// chosen on the command line (--distance) and carried in SolveSettings. What the run needs to
// know of each distance beside its cost stands here once: the option's value, which the
// summary also shows, the report's words, and the values its cost is defined for.
#pragma once

#include <limits>
#include <string_view>

enum class Distance {
    CHI_SQUARE,  // (x - b)^2 / b, the default
    RAKING,      // b (r ln r - r + 1), r = x / b
    ABSOLUTE,    // |x - b|
};

struct DistanceInfo {
    Distance distance;
    std::string_view option;    // the value of --distance, and the summary's word
    std::string_view words;     // the report's name: "chi-square distance"
    std::string_view cellTerm;  // the report's cost of one cell: "(x − b)² / b"
    // The least value the cost is defined for: a cell's lower bound below it is raised to it.
    double lowestValue = -std::numeric_limits<double>::infinity();
};

inline constexpr DistanceInfo DISTANCES[] = {
    {Distance::CHI_SQUARE, "chi2", "chi-square distance", "(x \u2212 b)\u00b2 / b"},
    {Distance::RAKING, "raking", "raking distance", "b (r ln r \u2212 r + 1) with r = x / b", 0.0},
    {Distance::ABSOLUTE, "absolute", "absolute distance", "|x \u2212 b|"},
};

// The names of `distance`.
constexpr const DistanceInfo& distanceInfo(Distance distance) {
    for (const DistanceInfo& names : DISTANCES) {
        if (names.distance == distance) return names;
    }
    return DISTANCES[0];
}
