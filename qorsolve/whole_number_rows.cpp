#include "qorsolve/whole_number_rows.h"

#include <cmath>
#include <cstdlib>
#include <numeric>

namespace {

// Whole numbers up to this size are exact in a double and their products fit int64.
constexpr double LARGEST_EXACT = 9007199254740992.0;  // 2^53

// The greatest common divisor of the row's coefficients, or 0 when one is not a whole number
// (or too large to be handled exactly), or the row is empty.
int64_t coefficientDivisor(const SparseRows& rows, int32_t row) {
    int64_t divisor = 0;
    const auto r = static_cast<std::size_t>(row);
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        const double value = rows.value[static_cast<std::size_t>(k)];
        if (!(std::fabs(value) < LARGEST_EXACT) || value != std::trunc(value)) return 0;
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
        if (!(std::fabs(lower) < LARGEST_EXACT) || !(std::fabs(upper) < LARGEST_EXACT)) continue;
        const int64_t divisor = coefficientDivisor(problem.hard, i);
        if (divisor == 0) continue;
        const auto g = static_cast<double>(divisor);
        const double tolerance = 1e-9 * std::max(1.0, std::fabs(lower) + std::fabs(upper));
        const double below = std::floor((upper + tolerance) / g) * g;  // largest multiple <= upper
        if (below >= lower - tolerance) continue;
        const double above = below + g;  // smallest multiple above upper, and so above lower
        found.row = i;
        found.change = std::min(lower - below, above - upper);
        return found;
    }
    return found;
}
