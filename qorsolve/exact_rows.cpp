#include "qorsolve/exact_rows.h"

#include <algorithm>
#include <cmath>

namespace {

// Doubles below this in size convert to WholeSum exactly once made whole (2^126).
constexpr double WHOLE_SUM_RANGE = 8.507059173023462e37;

// a + b = sum + error exactly (Knuth's two-sum).
void twoSum(double a, double b, double& sum, double& error) {
    sum = a + b;
    const double b2 = sum - a;
    error = (a - (sum - b2)) + (b - b2);
}

// -1, 0 or 1 as the whole number `value` lies below, on or above the finite or infinite
// double `bound`.
int compareWhole(WholeSum value, double bound) {
    if (bound >= WHOLE_SUM_RANGE) return -1;
    if (bound <= -WHOLE_SUM_RANGE) return 1;
    const double below = std::floor(bound);
    const auto whole = static_cast<WholeSum>(below);
    if (value < whole) return -1;
    if (value > whole) return 1;
    return bound == below ? 0 : -1;
}

}  // namespace

bool isWholeNumber(double value) {
    return std::fabs(value) <= LARGEST_WHOLE && value == std::trunc(value);
}

bool hasWholeCoefficients(const SparseRows& rows, int32_t row) {
    const auto r = static_cast<std::size_t>(row);
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        if (!isWholeNumber(rows.value[static_cast<std::size_t>(k)])) return false;
    }
    return true;
}

void RowValue::add(double coefficient, double x) {
    const double product = coefficient * x;
    const double productError = std::fma(coefficient, x, -product);
    double sum = 0.0;
    double sumError = 0.0;
    twoSum(high_, product, sum, sumError);
    high_ = sum;
    low_ += sumError + productError;
    size_ += std::fabs(product);
    if (!exact_) return;
    if (!isWholeNumber(coefficient) || !isWholeNumber(x)) {
        exact_ = false;
        return;
    }
    const WholeSum term = static_cast<WholeSum>(coefficient) * static_cast<WholeSum>(x);
    if (__builtin_add_overflow(whole_, term, &whole_)) exact_ = false;
}

double RowValue::value() const {
    return exact_ ? static_cast<double>(whole_) : high_ + low_;
}

double RowValue::minus(double bound) const {
    if (std::isinf(bound)) return -bound;
    if (exact_ && std::fabs(bound) < WHOLE_SUM_RANGE) {
        const double below = std::floor(bound);
        WholeSum difference = 0;
        if (!__builtin_sub_overflow(whole_, static_cast<WholeSum>(below), &difference)) {
            return static_cast<double>(difference) - (bound - below);
        }
    }
    double sum = 0.0;
    double error = 0.0;
    twoSum(high_, -bound, sum, error);
    return sum + (error + low_);
}

int RowValue::compare(double bound) const {
    if (exact_) return compareWhole(whole_, bound);
    const double difference = minus(bound);
    return difference < 0.0 ? -1 : difference > 0.0 ? 1 : 0;
}

double RowValue::tolerance() const {
    return exact_ ? 0.0 : ROW_TOLERANCE * std::max(1.0, size_);
}

bool RowValue::holds(double lower, double upper) const {
    if (exact_) return compare(lower) >= 0 && compare(upper) <= 0;
    return !(minus(lower) < -tolerance()) && !(minus(upper) > tolerance());
}

bool RowValue::on(double bound) const {
    if (!std::isfinite(bound)) return false;
    if (exact_) return compare(bound) == 0;
    return std::fabs(minus(bound)) <= tolerance();
}

RowValue rowValue(const SparseRows& rows, int32_t row, const std::vector<double>& x) {
    const auto r = static_cast<std::size_t>(row);
    RowValue value;
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        const auto entry = static_cast<std::size_t>(k);
        value.add(rows.value[entry], x[static_cast<std::size_t>(rows.column[entry])]);
    }
    return value;
}

RowValue rowValue(std::span<const double> coefficients, std::span<const int32_t> columns,
                  const std::vector<double>& x) {
    RowValue value;
    const std::size_t count = std::min(coefficients.size(), columns.size());
    for (std::size_t k = 0; k < count; ++k) {
        value.add(coefficients[k], x[static_cast<std::size_t>(columns[k])]);
    }
    return value;
}

bool meetsHardRowsAndBounds(const AdjustmentProblem& problem, const std::vector<double>& x) {
    if (x.size() != problem.base.size()) return false;
    for (std::size_t j = 0; j < x.size(); ++j) {
        if (!std::isfinite(x[j]) || !(x[j] >= problem.lower[j]) || !(x[j] <= problem.upper[j])) {
            return false;
        }
    }
    for (int32_t i = 0; i < problem.hard.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        if (!rowValue(problem.hard, i, x).holds(problem.hardLower[r], problem.hardUpper[r])) {
            return false;
        }
    }
    return true;
}

std::pair<double, double> wholeRange(double lower, double upper) {
    return {std::ceil(lower), std::floor(upper)};
}
