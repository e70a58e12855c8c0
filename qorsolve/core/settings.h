// Every tolerance and limit of qorsolve that more than one stage relies on, each named once
// with its unit and the reason for its value. A stage's own step counts and search sizes stay
// beside the method they steer, each with its reason; what the command line decides is in
// solve_settings.h.
#pragma once

#include <cstdint>

// --- Whether a table meets a row -------------------------------------------------------------

// How far a row value that is not exact (exact_rows.h) may miss a bound, relative to the size
// of its terms (the sum of their magnitudes, at least 1): the accuracy to which the real-valued
// method meets rows, far above the rounding of a doubled-precision sum (about 1e-16).
inline constexpr double ROW_TOLERANCE = 1e-9;

// --- Whether a ray proves that no table exists -----------------------------------------------

// A ray y proves that no point within the column bounds meets the rows when the least value
// the rows force on y . (A x) exceeds the most the column bounds allow by more than this share
// of the size of the terms of both sums. The margin lies far above the rounding of those sums
// over millions of terms (about 1e-10 of their size) and equals ROW_TOLERANCE: a
// contradiction large enough to be proved is one that no tolerated table could absorb.
inline constexpr double CERTIFICATE_MARGIN = 1e-9;
// Multipliers below this share of the largest one are rounding left over from the method
// that found the ray, not part of the proof; they are taken as 0.
inline constexpr double RAY_NOISE = 1e-11;
// A column whose combined coefficient y . a_j is below this share of the size of its terms
// is cancelled out: the rows' multipliers sum to 0 there. Leaving out such a coefficient
// changes y . (A x) by at most this share of sum_i |y_i| sum_j |a_ij x_j|, which is what
// ROW_TOLERANCE lets every tolerated table miss its rows by anyway; so it equals
// ROW_TOLERANCE. Rays found by an iterative method (the real-valued one) carry cancellation
// errors of about 1e-11 of the terms on small tables, more on large ones; a share at the level
// of rounding (1e-12) turned such proofs down.
inline constexpr double RAY_CANCELLED = ROW_TOLERANCE;

// --- Optimality ------------------------------------------------------------------------------

// The relative accuracy to which the real-valued method meets rows and its optimality
// conditions; equal to ROW_TOLERANCE, so that its tables meet rows by the one rule.
inline constexpr double CONTINUOUS_TOLERANCE = ROW_TOLERANCE;
// A whole-number table is proven optimal when objective - bound <= INTEGER_RELATIVE_GAP *
// |objective|: below the rounding of an objective summed over millions of cells, so that
// "optimal" means optimal.
inline constexpr double INTEGER_RELATIVE_GAP = 1e-9;
// The smallest objective a gap is divided by: an objective of 0 is proven by any bound of 0,
// and a tiny one must not turn rounding into a huge gap.
inline constexpr double GAP_FLOOR = 1e-10;

// A change of a whole-number table is taken as lowering its cost only when it lowers it by
// more than this: relative to the cost where a search compares whole costs, and as the sum of
// the changed cells' costs where a repair weighs one move. Less is rounding, and a search
// that took such changes could go round in circles.
inline constexpr double COST_IMPROVEMENT = 1e-12;

// --- Conflicts ------------------------------------------------------------------------------

// A member's least change computed from the proof (its gap over the member's weight, exact
// where the values are) replaces the linear programme's when the two agree to this share:
// the programme meets its conditions to about 1e-9, so a larger difference is a different
// figure, not rounding.
inline constexpr double SAME_CHANGE = 1e-6;

// --- Limits ----------------------------------------------------------------------------------

// Tables of more cells than this in their full grid (the product of the class sizes) are not
// searched by the blocks and the cycles, which index the whole grid: 1 GB at this size.
inline constexpr int64_t LARGEST_SEARCHED_GRID = int64_t(1) << 28;

// --- The conflict search ---------------------------------------------------------------------

// A point of a simplex solve shows that a set of rows and bounds can hold when it misses each
// by at most this share of (1 + the size of its terms). The question differs from whether a
// table meets its rows (ROW_TOLERANCE): such a point is never a table the user gets, only
// the simplex method's evidence that a sub-problem has one, and the simplex method meets rows
// to its own feasibility tolerance (1e-7, on the programme as it scales it), which unscaled
// rows of large terms can miss by more. A stricter rule would leave verdicts open and keep
// members a conflict does not need.
inline constexpr double SIMPLEX_POINT_TOLERANCE = 1e-6;
// A mixed-integer point's whole-number column counts as the whole number it lies within this
// of: the most a solver's mixed-integer search is let leave a column from a whole number
// (its usual default). The rounded point is then checked exactly (exact_rows.h).
inline constexpr double WHOLE_VALUE_TOLERANCE = 1e-6;

// --- The real-valued method (continuous_solver.cpp) ------------------------------------------

// The relative residual to which the Newton system is solved for a polishing step and for a
// ray candidate: six orders below the loosest row tolerance a user sets, so that the step's
// own error does not decide whether a row is met or a ray proves anything.
inline constexpr double TIGHT_SOLVE_RESIDUAL = 1e-10;
// The rounding of the dual value g, a sum over every cell and row: a trial point whose g is
// below the last by less than this share of the magnitude of g's terms counts as no worse
// (about 10^4 units of rounding, the error of a sum over millions of terms).
inline constexpr double DUAL_ROUNDING = 1e-12;
