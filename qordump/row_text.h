// qordump's readable form of a row or restriction: every term, numbers as they read back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/cell_text.h"
#include "common/project.h"

// What the right-hand side of a row says.
struct Relation {
    int32_t type;  // BoundType; above 4 weak
    double lowerValue;
    double upperValue;
};

// "=", ">=", "<=", "range", "~", or "" for a hard code that means nothing.
std::string_view relationSymbol(int32_t type);

// A row over the columns of `cells` as a readable sum with its relation:
// "2 * (East, 1) - (East, 2) = 0", "0 <= (North, _) <= 30", "(South, 1) ~ 13".
std::string rowText(const Project& project, const CellNamer& namer, Relation relation,
                    std::span<const int32_t> columns, std::span<const double> coefficients);
