// A restriction as the user reads it, in the conflict lines and the rows file:
// "(Bern, female, 1) + (Bern, female, 2) + (Bern, female, 3) … (+ 9 more cells) = 1200".
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/cell_text.h"
#include "common/control_file.h"
#include "common/project.h"

// A restriction over more cells than this shows only its first terms.
inline constexpr std::size_t MOST_CELLS_SHOWN = 6;
inline constexpr std::size_t FIRST_CELLS_SHOWN = 3;

// "-2 (A, x) + (A, y) … (+ 9 more cells)": the terms over adjustable cells (columns).
std::string termsText(const Project& project, const CellNamer& namer,
                      std::span<const int32_t> columns, std::span<const double> coefficients);

// "SUM = V", "SUM >= L", "SUM <= U" or "L <= SUM <= U" (a bound of +-NO_BOUND or infinity is
// none).
std::string relationText(const std::string& sum, double lower, double upper);

// A declared restriction whole: its terms and relation, "SUM ~ TARGET" for a weak one.
std::string declaredText(const Project& project, const CellNamer& namer,
                         const DeclaredRestriction& restriction);
