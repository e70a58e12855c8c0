// What the command line decides for a run, made once by parseOptions (options.h), which checks
// every value against its range, and read as it is by every stage that depends on one. Each
// value's default stands here and nowhere else.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "qorsolve/core/distance.h"

// The work a whole-number search may do by default (work_limit.h): enough for every
// benchmark table to end within a minute on a small machine; small tables end proven long
// before it.
inline constexpr int64_t DEFAULT_WORK_LIMIT = 200000;

struct SolveSettings {
    bool continuous = false;     // real-valued cells instead of whole numbers
    bool ignoreWeak = false;     // the objective without the weak restrictions
    bool conflictsOnly = false;  // only check that the restrictions can hold
    bool quiet = false;          // no progress line
    bool allCells = false;       // the adjusted table with the cells of base 0 too
    // Seconds from the start of the run: a finite number > 0, or infinity for none.
    double timeLimit = std::numeric_limits<double>::infinity();
    // Units of work of a whole-number search (work_limit.h): a whole number > 0.
    int64_t workLimit = DEFAULT_WORK_LIMIT;
    std::string report;  // the HTML report's path: not empty; empty for none
    // The result files: the prefix of their names (not empty; empty for the project's name),
    // the character between their fields (',', ';' or a tab) and whether their numbers have a
    // decimal comma (only with another separator than ',').
    std::string output;
    char separator = ',';
    bool decimalComma = false;
    // The factor of every weak weight after the binary data file's normalisation to average
    // 1: a finite number > 0.
    double weakScale = 1.0;
    // With ratioBounds, every adjustable cell lies between ratioLower * base and ratioUpper *
    // base: finite, 0 <= ratioLower <= 1 <= ratioUpper.
    bool ratioBounds = false;
    double ratioLower = 0.0;
    double ratioUpper = 1.0;
    // The alterability file's path: not empty; empty for the project's own, where it has one.
    std::string alterability;
    Distance distance = Distance::CHI_SQUARE;  // the cells' cost (--distance)

    // Whole numbers unless --continuous or --conflicts-only.
    bool wholeNumbers() const { return !continuous && !conflictsOnly; }
};
