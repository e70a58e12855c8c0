#include "qorsolve/whole_number_rows.h"

#include <algorithm>
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
        // In whole numbers, exactly: the largest multiple of the divisor up to the upper value
        // must reach the lower value.
        const auto least = static_cast<int64_t>(std::ceil(lower));
        const auto most = static_cast<int64_t>(std::floor(upper));
        int64_t quotient = most / divisor;
        if (quotient * divisor > most) --quotient;  // rounded towards minus infinity
        const int64_t below = quotient * divisor;
        if (below >= least) continue;
        const int64_t above = below + divisor;  // the smallest multiple above upper and lower
        found.row = i;
        found.change =
            std::min(lower - static_cast<double>(below), static_cast<double>(above) - upper);
        return found;
    }
    return found;
}
