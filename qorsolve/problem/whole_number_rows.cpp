#include "qorsolve/problem/whole_number_rows.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

#include "qorsolve/problem/exact_rows.h"

namespace {

// The greatest common divisor of the row's coefficients multiplied by q, or 0 when one of them
// is too large to be handled exactly, or the row is empty.
int64_t coefficientDivisor(const SparseRows& rows, int32_t row, double q) {
    int64_t divisor = 0;
    const auto r = static_cast<std::size_t>(row);
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        const double value = std::nearbyint(q * rows.value[static_cast<std::size_t>(k)]);
        if (!(std::fabs(value) < LARGEST_WHOLE)) return 0;
        divisor = std::gcd(divisor, std::llabs(static_cast<int64_t>(value)));
    }
    return divisor;
}

}  // namespace

RowWithoutWholeValue findRowWithoutWholeValue(const AdjustmentProblem& problem) {
    RowWithoutWholeValue found;
    for (int32_t i = 0; i < problem.hard.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        const double lower = problem.hardLower[r];
        const double upper = problem.hardUpper[r];
        // An open side always reaches a multiple; huge values are left to the solver.
        if (!(std::fabs(lower) < LARGEST_WHOLE) || !(std::fabs(upper) < LARGEST_WHOLE)) continue;
        // Decimal coefficients multiplied to whole ones: 0.333 a + 1.5 b = 452.5 is
        // 333 a + 1500 b = 452500, and 3 divides every value of the left side but not 452500.
        const double q = wholeMultiplier(problem.hard, i);
        if (q <= 0.0) continue;
        const int64_t divisor = coefficientDivisor(problem.hard, i, q);
        if (divisor == 0) continue;
        // In whole numbers, exactly: the largest multiple of the divisor up to the upper value
        // must reach the lower value.
        const auto [first, last] = wholeRowValues(problem, i, q, problem.lower, problem.upper);
        if (!(std::fabs(first) < LARGEST_WHOLE) || !(std::fabs(last) < LARGEST_WHOLE)) continue;
        const auto least = static_cast<int64_t>(first);
        const auto most = static_cast<int64_t>(last);
        int64_t quotient = most / divisor;
        if (quotient * divisor > most) --quotient;  // rounded towards minus infinity
        const int64_t below = quotient * divisor;
        if (below >= least) continue;
        const int64_t above = below + divisor;  // the smallest multiple above upper and lower
        found.row = i;
        // In the whole row's units, where a decimal bound is whole too (452.5 is 452500): the
        // change 1 / 1000, not the rounding of 452.5 - 452.499.
        const auto scaled = [q](double side) {
            const double s = q * side;
            const double n = std::nearbyint(s);
            return std::fabs(s - n) <= DECIMAL_ROUNDING * std::fabs(s) ? n : s;
        };
        found.change = std::min(scaled(lower) - static_cast<double>(below),
                                static_cast<double>(above) - scaled(upper)) /
                       q;
        return found;
    }
    return found;
}
