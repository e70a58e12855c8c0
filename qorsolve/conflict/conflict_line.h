// One line of the conflict report: a member of the conflict as the user knows it (a declared
// restriction, a hard row the control file does not explain, or a default cell bound), with
// what the search found out about it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

struct ConflictLine {
    enum class Type { RESTRICTION, ROW, BOUND } type = Type::RESTRICTION;
    int32_t number = 0;     // restriction number (1-based), hard row (0-based) or column
    bool upper = false;     // a bound: the upper one
    bool equality = false;  // "=": the restriction's value is the same from both sides
    std::size_t cells = 0;
    // The least change of the member's value alone that lets the others hold.
    double change = std::numeric_limits<double>::quiet_NaN();
    // The member's weight in the proof (ConflictResult::multiplier), and the value of the
    // side of it that the proof uses; NaN when not known.
    double multiplier = std::numeric_limits<double>::quiet_NaN();
    double value = std::numeric_limits<double>::quiet_NaN();
    // The adjustment objective once this member's value is changed by `change`.
    double objective = std::numeric_limits<double>::quiet_NaN();
    // A bound: the run's own (RATIO_BOUND_SOURCE, FIXED_CELL_SOURCE in adjustment_problem.h),
    // or 0 for a cell's default bound.
    int32_t source = 0;
};
