// Row values of a table, exact wherever the numbers allow, and the one rule that says
// whether a table meets a row or a cell bound.
//
// A double holds every whole number up to 2^53. A coefficient is a short decimal when a
// decimal of at most SHORT_DECIMAL_PLACES places reads back as it (0.5, 1.5, 0.25, 0.1: the
// decimal the description wrote); a whole number up to 2^53 is one of no places. A row whose
// coefficients are all short decimals, over cells that are whole numbers up to 2^53, takes
// values on the lattice of step 10^-k (k its most places): its value times 10^k is a whole
// number, summed in 128-bit integers, so the row's value and every comparison with its bounds
// are exact. Such a row value is called exact. A bound is compared as the decimal it was
// written as where it is a short decimal too, else as the exact value of the double. Any other
// row value is summed in doubled precision (error-free products and sums), so it and its
// distance to a bound are correct to about 1e-16 of the size of its terms (the sum of their
// magnitudes).
//
// A table meets an exact row when the row's value lies within its bounds, exactly. It meets
// any other row when the value misses its bounds by at most ROW_TOLERANCE of the size of its
// terms (at least 1). Cell bounds are met exactly: lower <= x <= upper as stored.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "qorsolve/core/settings.h"
#include "qorsolve/problem/adjustment_problem.h"

// The largest whole number up to which a double holds every whole number.
inline constexpr double LARGEST_WHOLE = 9007199254740992.0;  // 2^53

// A whole number of at most LARGEST_WHOLE in size.
inline bool isWholeNumber(double value) {
    return std::fabs(value) <= LARGEST_WHOLE && value == std::trunc(value);
}

// Whether every coefficient of the row is a whole number of at most LARGEST_WHOLE.
bool hasWholeCoefficients(const SparseRows& rows, int32_t row);

// The most places of a short decimal (above).
inline constexpr int SHORT_DECIMAL_PLACES = 6;

// value = digits / 10^places, with |digits| at most LARGEST_WHOLE and places the fewest.
struct ShortDecimal {
    int64_t digits = 0;
    int places = 0;
};

// Whether a decimal of at most SHORT_DECIMAL_PLACES places reads back as `value` (the double
// nearest to it is `value`), and which: the one of fewest places, in `out`.
bool shortDecimal(double value, ShortDecimal& out);

// The least multiplier q that makes every coefficient of the row a whole number of at most
// LARGEST_WHOLE: 1 for a row of whole coefficients, 2 for 0.5 x + 1.5 y (which it makes x + 3 y),
// a power of ten divided by a common factor for other decimals; 0 when there is none with at
// most SHORT_DECIMAL_PLACES decimals (a coefficient of 1/3). For a row of short decimals it is
// exactly the multiplier of their decimals; for any other row each q * a is whole only up to
// DECIMAL_ROUNDING of it. Either way, take std::nearbyint(q * a).
double wholeMultiplier(const SparseRows& rows, int32_t row);
// The wholeMultiplier of a row of short decimals (1 for whole coefficients), whose whole row
// std::nearbyint(q * a) is exactly the row times q; 0 for any other row.
double exactMultiplier(const SparseRows& rows, int32_t row);
// A decimal d / 10^k read into a double and multiplied by 10^k lies within a few units of
// rounding (about 1e-16 of it) of d. A product within this share of a whole number is taken
// for it: far above that rounding, and far below ROW_TOLERANCE, so that the whole row differs
// from the row by less than any table may miss the row by.
inline constexpr double DECIMAL_ROUNDING = 1e-12;

// How far a row value that is not exact may lie from the exact sum over the decimals that
// its coefficients and cells were written as, relative to the size of its terms: reading each
// decimal into a double moves its term by at most 2^-53 of it, the doubled-precision sum adds
// about 2^-104 and the value's last rounding 2^-53 of its size: about 3.3e-16 in all, with
// room for a few more roundings.
inline constexpr double VALUE_ROUNDING = 1e-15;

// Wide enough for any sum of products of whole numbers up to 2^53 over fewer than 2^21 terms;
// longer sums are checked for overflow.
__extension__ typedef __int128 WholeSum;

class RowValue {
  public:
    // Adds coefficient * x.
    void add(double coefficient, double x);

    // Every term so far was a product of a short decimal and a whole number, and their sum did
    // not overflow.
    bool exact() const { return exact_; }
    // The value, rounded to a double (once where it has at most 2^53 in units of its last
    // place).
    double value() const;
    // The sum of the terms' magnitudes.
    double size() const { return size_; }
    // value - bound, rounded to a double (exact when both are whole and the difference is at
    // most 2^53; for an exact value within a unit of its last place); for an infinite bound,
    // the opposite infinity.
    double minus(double bound) const;
    // -1, 0 or 1 as the value lies below, on or above `bound`; exact for an exact value.
    int compare(double bound) const;
    // Whether the value lies within [lower, upper] by the rule above (either may be infinite).
    bool holds(double lower, double upper) const;
    // Whether the value lies on `bound` by the same rule: exactly for an exact value, within
    // the tolerance otherwise.
    bool on(double bound) const;

  private:
    double tolerance() const;

    bool exact_ = true;
    int places_ = 0;  // whole_ is the exact value times 10^places_
    WholeSum whole_ = 0;
    double high_ = 0.0;  // high_ + low_: the sum in doubled precision
    double low_ = 0.0;
    double size_ = 0.0;
};

// The value of row `row` of `rows` over the table `x`.
RowValue rowValue(const SparseRows& rows, int32_t row, const std::vector<double>& x);
// The value of the terms coefficients[k] * x[columns[k]].
RowValue rowValue(std::span<const double> coefficients, std::span<const int32_t> columns,
                  const std::vector<double>& x);

// Whether `x` meets lower_i <= row i <= upper_i for every row of `rows` by the rule above.
bool meetsRows(const SparseRows& rows, const std::vector<double>& lower,
               const std::vector<double>& upper, const std::vector<double>& x);

// Whether `x` (one finite value per cell) meets every cell bound and every hard row of the
// problem by the rule above.
bool meetsHardRowsAndBounds(const AdjustmentProblem& problem, const std::vector<double>& x);

// The whole-number range of a cell with bounds [lower, upper]: [ceil(lower), floor(upper)],
// exact; empty (first > second) when no whole number lies within.
std::pair<double, double> wholeRange(double lower, double upper);

// The whole values that q times hard row `row`'s value may take, q its wholeMultiplier (> 0),
// on a table of whole cells within [lower, upper] that meets the row by the rule above:
// [first, second], empty when first > second. Exactly those of a row of short decimals
// (exact over whole cells). For any other, every whole value within the row's tolerance of
// its bounds, at the largest size of its terms that the cells' ranges allow (at its bounds,
// where every term has one sign): a range that holds every value a table may take, and at
// most a few more. Infinite where that size has no bound or a side is open. `largestSize`,
// where finite, bounds the size of the tables asked about (those of a cost below some value,
// say).
std::pair<double, double> wholeRowValues(const AdjustmentProblem& problem, int32_t row, double q,
                                         const std::vector<double>& lower,
                                         const std::vector<double>& upper,
                                         double largestSize = INFINITY);

// Two hard rows over the same cells whose whole coefficients are proportional, and whose
// values no real table can meet together: "(_) = 2000000000; 3 (_) = 6000000001". Their
// values are compared exactly, in whole numbers, where a relative tolerance would take the
// difference for rounding.
struct ParallelRows {
    int32_t first = -1;  // 0-based hard rows, first < second; -1 when there are none
    int32_t second = -1;
    // The least change of the first row's values alone, or of the second's alone, that lets
    // both hold.
    double firstChange = 0.0;
    double secondChange = 0.0;
};

// The pair whose first row comes first. Rows with a fractional coefficient or value,
// values beyond 2^53, or a cell named twice are left out. Throws std::bad_alloc when memory
// runs out.
ParallelRows findContradictingParallelRows(const AdjustmentProblem& problem);
