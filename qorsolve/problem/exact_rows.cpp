#include "qorsolve/problem/exact_rows.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <numeric>
#include <unordered_map>

namespace {

// Doubles below this in size convert to WholeSum exactly once made whole (2^126).
constexpr double WHOLE_SUM_RANGE = 8.507059173023462e37;

// 10^0 to 10^SHORT_DECIMAL_PLACES, exactly.
constexpr int64_t POWER_OF_TEN[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
static_assert(std::size(POWER_OF_TEN) == std::size_t{SHORT_DECIMAL_PLACES} + 1);

// a + b = sum + error exactly (Knuth's two-sum).
void twoSum(double a, double b, double& sum, double& error) {
    sum = a + b;
    const double b2 = sum - a;
    error = (a - (sum - b2)) + (b - b2);
}

// The finite `bound` times 10^places split as whole + part: whole a whole number, 0 <= part < 1
// (part rounded to a double, and 0 only when the product is whole). The bound is taken as the
// short decimal that reads back as it where there is one (what the description wrote), else
// as the double's exact value. False when whole does not fit in a WholeSum (|bound| times
// 10^places at least 2^127).
bool splitScaled(double bound, int places, WholeSum& whole, double& part) {
    part = 0.0;
    ShortDecimal decimal;
    if (shortDecimal(bound, decimal)) {
        if (decimal.places <= places) {
            whole = WholeSum(decimal.digits) * POWER_OF_TEN[places - decimal.places];
            return true;
        }
        const int64_t divisor = POWER_OF_TEN[decimal.places - places];
        int64_t quotient = decimal.digits / divisor;
        int64_t rest = decimal.digits % divisor;
        if (rest < 0) {  // rounded towards minus infinity
            --quotient;
            rest += divisor;
        }
        whole = quotient;
        part = static_cast<double>(rest) / static_cast<double>(divisor);
        return true;
    }
    // bound = mantissa * 2^exponent exactly, |mantissa| < 2^53; times 10^places below 2^73.
    int exponent = 0;
    const double fraction = std::frexp(bound, &exponent);
    const auto mantissa = static_cast<int64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    const WholeSum scaled = WholeSum(mantissa) * POWER_OF_TEN[places];
    if (exponent >= 0) {
        return exponent < 126 && !__builtin_mul_overflow(scaled, WholeSum(1) << exponent, &whole);
    }
    const int shift = -exponent;
    if (shift >= 126) {  // |bound| below 2^-53: between -1 and 0, or 0 and 1
        whole = scaled < 0 ? -1 : 0;
        part = scaled < 0 ? 1.0 + std::ldexp(static_cast<double>(scaled), exponent)
                          : std::ldexp(static_cast<double>(scaled), exponent);
        if (part == 1.0) part = std::nextafter(1.0, 0.0);
        return true;
    }
    whole = scaled >> shift;  // an arithmetic shift: rounded towards minus infinity
    const WholeSum rest = scaled - (whole << shift);
    part = std::ldexp(static_cast<double>(rest), exponent);
    if (part == 1.0) part = std::nextafter(1.0, 0.0);  // rounded up from just below 1
    return true;
}

// -1, 0 or 1 as value / 10^places lies below, on or above the finite or infinite `bound`,
// exactly (a NaN counts as lying above every value).
int compareScaled(WholeSum value, int places, double bound) {
    if (std::isnan(bound)) return -1;
    if (std::isinf(bound)) return bound > 0 ? -1 : 1;
    WholeSum whole = 0;
    double part = 0.0;
    if (!splitScaled(bound, places, whole, part)) return bound > 0 ? -1 : 1;
    if (value < whole) return -1;
    if (value > whole) return 1;
    return part == 0.0 ? 0 : -1;
}

// The multiplier of a row of short decimals (shortDecimal): 10^places, its most places, over
// `common`, what 10^places has in common with every coefficient times 10^places. False when a
// coefficient is not a short decimal or a coefficient times the multiplier passes 2^53.
bool decimalMultiplier(const SparseRows& rows, int32_t row, int& places, int64_t& common) {
    const auto r = static_cast<std::size_t>(row);
    places = 0;
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        ShortDecimal a;
        if (!shortDecimal(rows.value[static_cast<std::size_t>(k)], a)) return false;
        places = std::max(places, a.places);
    }
    common = POWER_OF_TEN[places];
    for (int64_t k = rows.start[r]; k < rows.start[r + 1] && common > 1; ++k) {
        ShortDecimal a;
        shortDecimal(rows.value[static_cast<std::size_t>(k)], a);
        const WholeSum digits = WholeSum(std::llabs(a.digits)) * POWER_OF_TEN[places - a.places];
        common = std::gcd(common, static_cast<int64_t>(digits % POWER_OF_TEN[places]));
    }
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        ShortDecimal a;
        shortDecimal(rows.value[static_cast<std::size_t>(k)], a);
        const WholeSum whole = WholeSum(a.digits) * POWER_OF_TEN[places - a.places] / common;
        if (whole > WholeSum(LARGEST_WHOLE) || whole < -WholeSum(LARGEST_WHOLE)) return false;
    }
    return true;
}

// value / divisor rounded towards minus (floor) or plus infinity, divisor > 0.
WholeSum floorDivide(WholeSum value, int64_t divisor) {
    WholeSum quotient = value / divisor;
    if (quotient * divisor > value) --quotient;
    return quotient;
}

// A whole number as a double no greater (`down`) or no less than it.
double roundedOutwards(WholeSum value, bool down) {
    double rounded = static_cast<double>(value);
    if (std::fabs(rounded) >= WHOLE_SUM_RANGE) return rounded;
    const auto back = static_cast<WholeSum>(rounded);
    if (down && back > value) rounded = std::nextafter(rounded, -INFINITY);
    if (!down && back < value) rounded = std::nextafter(rounded, INFINITY);
    return rounded;
}

}  // namespace

bool hasWholeCoefficients(const SparseRows& rows, int32_t row) {
    const auto r = static_cast<std::size_t>(row);
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        if (!isWholeNumber(rows.value[static_cast<std::size_t>(k)])) return false;
    }
    return true;
}

bool shortDecimal(double value, ShortDecimal& out) {
    if (isWholeNumber(value)) {
        out = {static_cast<int64_t>(value), 0};
        return true;
    }
    if (!std::isfinite(value)) return false;
    // The decimal d / 10^k reads back as the double nearest to it, which is what the division
    // of the two doubles d and 10^k (both exact) gives.
    double power = 1.0;
    for (int places = 1; places <= SHORT_DECIMAL_PLACES; ++places) {
        power *= 10.0;
        const double digits = std::nearbyint(value * power);
        if (!(std::fabs(digits) <= LARGEST_WHOLE)) return false;
        if (digits / power == value) {
            out = {static_cast<int64_t>(digits), places};
            return true;
        }
    }
    return false;
}

double wholeMultiplier(const SparseRows& rows, int32_t row) {
    if (hasWholeCoefficients(rows, row)) return 1.0;
    int places = 0;
    int64_t common = 1;
    if (decimalMultiplier(rows, row, places, common)) {
        return static_cast<double>(POWER_OF_TEN[places] / common);
    }
    const auto r = static_cast<std::size_t>(row);
    // Whole within DECIMAL_ROUNDING, and not 0: a tiny coefficient stays a coefficient.
    const auto nearWhole = [](double y) {
        const double n = std::nearbyint(y);
        return n != 0 && std::fabs(n) <= LARGEST_WHOLE &&
               std::fabs(y - n) <= DECIMAL_ROUNDING * std::fabs(y);
    };
    // The most decimals a coefficient needs; a product whole at d decimals stays whole at more.
    int decimals = 0;
    double power = 1.0;
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        const double a = rows.value[static_cast<std::size_t>(k)];
        while (!nearWhole(a * power)) {
            if (++decimals > SHORT_DECIMAL_PLACES) return 0.0;
            power *= 10.0;
        }
    }
    // Divided by what the power and every product have in common: 0.5 and 1.5 need 2, not 10.
    common = static_cast<int64_t>(power);
    for (int64_t k = rows.start[r]; k < rows.start[r + 1] && common > 1; ++k) {
        const double n = std::nearbyint(rows.value[static_cast<std::size_t>(k)] * power);
        common = std::gcd(common, static_cast<int64_t>(std::fabs(n)));
    }
    return power / static_cast<double>(common);
}

double exactMultiplier(const SparseRows& rows, int32_t row) {
    if (hasWholeCoefficients(rows, row)) return 1.0;
    int places = 0;
    int64_t common = 1;
    if (!decimalMultiplier(rows, row, places, common)) return 0.0;
    return static_cast<double>(POWER_OF_TEN[places] / common);
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
    if (!isWholeNumber(x)) {
        exact_ = false;
        return;
    }
    // Through int64_t, which both fit: the direct conversion to 128 bits is a library call.
    const WholeSum cell = static_cast<int64_t>(x);
    if (places_ == 0 && isWholeNumber(coefficient)) {  // the usual case, without a decimal
        const WholeSum term = static_cast<WholeSum>(static_cast<int64_t>(coefficient)) * cell;
        if (__builtin_add_overflow(whole_, term, &whole_)) exact_ = false;
        return;
    }
    ShortDecimal a;
    if (!shortDecimal(coefficient, a)) {
        exact_ = false;
        return;
    }
    // The sum so far in the finer units of this coefficient's places.
    if (a.places > places_) {
        if (__builtin_mul_overflow(whole_, WholeSum(POWER_OF_TEN[a.places - places_]), &whole_)) {
            exact_ = false;
            return;
        }
        places_ = a.places;
    }
    WholeSum term = 0;
    if (__builtin_mul_overflow(WholeSum(a.digits) * POWER_OF_TEN[places_ - a.places], cell,
                               &term) ||
        __builtin_add_overflow(whole_, term, &whole_)) {
        exact_ = false;
    }
}

double RowValue::value() const {
    if (!exact_) return high_ + low_;
    return static_cast<double>(whole_) / static_cast<double>(POWER_OF_TEN[places_]);
}

double RowValue::minus(double bound) const {
    if (std::isinf(bound)) return -bound;
    WholeSum whole = 0;
    double part = 0.0;
    WholeSum difference = 0;
    if (exact_ && std::isfinite(bound) && splitScaled(bound, places_, whole, part) &&
        !__builtin_sub_overflow(whole_, whole, &difference)) {
        return (static_cast<double>(difference) - part) /
               static_cast<double>(POWER_OF_TEN[places_]);
    }
    double sum = 0.0;
    double error = 0.0;
    twoSum(high_, -bound, sum, error);
    return sum + (error + low_);
}

int RowValue::compare(double bound) const {
    if (exact_) return compareScaled(whole_, places_, bound);
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

bool meetsRows(const SparseRows& rows, const std::vector<double>& lower,
               const std::vector<double>& upper, const std::vector<double>& x) {
    for (int32_t i = 0; i < rows.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        if (!rowValue(rows, i, x).holds(lower[r], upper[r])) return false;
    }
    return true;
}

bool meetsHardRowsAndBounds(const AdjustmentProblem& problem, const std::vector<double>& x) {
    if (x.size() != problem.base.size()) return false;
    for (std::size_t j = 0; j < x.size(); ++j) {
        if (!std::isfinite(x[j]) || !(x[j] >= problem.lower[j]) || !(x[j] <= problem.upper[j])) {
            return false;
        }
    }
    return meetsRows(problem.hard, problem.hardLower, problem.hardUpper, x);
}

std::pair<double, double> wholeRange(double lower, double upper) {
    return {std::ceil(lower), std::floor(upper)};
}

std::pair<double, double> wholeRowValues(const AdjustmentProblem& problem, int32_t row, double q,
                                         const std::vector<double>& lower,
                                         const std::vector<double>& upper, double largestSize) {
    const auto r = static_cast<std::size_t>(row);
    const double rowLower = problem.hardLower[r], rowUpper = problem.hardUpper[r];
    if (q == 1.0) return wholeRange(rowLower, rowUpper);
    int places = 0;
    int64_t common = 1;
    if (decimalMultiplier(problem.hard, row, places, common) &&
        q == static_cast<double>(POWER_OF_TEN[places] / common)) {
        // 10^places times the value is `common` times q times it: the whole values of the
        // former within the bounds times 10^places, divided by `common`, exactly.
        std::pair<double, double> values{-INFINITY, INFINITY};
        WholeSum whole = 0;
        double part = 0.0;
        if (std::isfinite(rowLower)) {
            if (!splitScaled(rowLower, places, whole, part)) {
                values.first = rowLower > 0 ? INFINITY : -INFINITY;
            } else {
                const WholeSum least = whole + (part > 0.0 ? 1 : 0);
                values.first = roundedOutwards(-floorDivide(-least, common), true);
            }
        }
        if (std::isfinite(rowUpper)) {
            if (!splitScaled(rowUpper, places, whole, part)) {
                values.second = rowUpper > 0 ? INFINITY : -INFINITY;
            } else {
                values.second = roundedOutwards(floorDivide(whole, common), false);
            }
        }
        return values;
    }
    double size = 0.0;
    bool oneSign = true;
    for (int64_t k = problem.hard.start[r]; k < problem.hard.start[r + 1]; ++k) {
        const double a = problem.hard.value[static_cast<std::size_t>(k)];
        const auto j = static_cast<std::size_t>(problem.hard.column[static_cast<std::size_t>(k)]);
        size += std::fabs(a) * std::max(std::fabs(lower[j]), std::fabs(upper[j]));
        oneSign = oneSign && (a > 0 ? lower[j] >= 0 : upper[j] <= 0);
    }
    // A value within the tolerance of a bound has a size within that of the bound's.
    if (oneSign) size = std::max(std::fabs(rowLower), std::fabs(rowUpper)) * (1.0 + 1e-6);
    size = std::min(size, largestSize);
    const double slack = ROW_TOLERANCE * std::max(1.0, size);
    return {std::ceil(q * (rowLower - slack)), std::floor(q * (rowUpper + slack))};
}

namespace {

// A row of whole coefficients in lowest terms: its entries sorted by column, divided by their
// greatest common divisor, the first one positive; `factor` is what that divided by (its sign
// included).
struct Canonical {
    std::vector<std::pair<int32_t, int64_t>> entries;
    int64_t factor = 0;
};

bool canonical(const SparseRows& rows, int32_t row, Canonical& out) {
    const auto r = static_cast<std::size_t>(row);
    out.entries.clear();
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        const auto e = static_cast<std::size_t>(k);
        if (!isWholeNumber(rows.value[e])) return false;
        out.entries.emplace_back(rows.column[e], static_cast<int64_t>(rows.value[e]));
    }
    std::sort(out.entries.begin(), out.entries.end());
    // A cell named twice counts once, with the sum of its coefficients.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < out.entries.size(); ++k) {
        if (kept > 0 && out.entries[kept - 1].first == out.entries[k].first) {
            if (__builtin_add_overflow(out.entries[kept - 1].second, out.entries[k].second,
                                       &out.entries[kept - 1].second)) {
                return false;
            }
        } else {
            out.entries[kept++] = out.entries[k];
        }
    }
    out.entries.resize(kept);
    std::erase_if(out.entries, [](const auto& entry) { return entry.second == 0; });
    if (out.entries.empty()) return false;
    int64_t divisor = 0;
    for (const auto& entry : out.entries) divisor = std::gcd(divisor, entry.second);
    if (out.entries.front().second < 0) divisor = -divisor;
    for (auto& entry : out.entries) entry.second /= divisor;
    out.factor = divisor;
    return true;
}

// A side of a row as a whole number, or false when it is fractional or beyond 2^53 (an
// infinite side is kept as the flag `open`).
bool wholeSide(double value, WholeSum& whole, bool& open) {
    open = std::isinf(value);
    if (open) return true;
    if (!isWholeNumber(value)) return false;
    whole = static_cast<WholeSum>(value);
    return true;
}

struct Interval {  // [lower, upper] / factor, as whole numbers; open sides flagged
    WholeSum lower = 0, upper = 0;
    bool lowerOpen = false, upperOpen = false;
    int64_t factor = 1;  // > 0 after turning round
};

bool interval(double lower, double upper, int64_t factor, Interval& out) {
    if (factor < 0) {
        std::swap(lower, upper);
        lower = -lower;
        upper = -upper;
        factor = -factor;
    }
    out.factor = factor;
    return wholeSide(lower, out.lower, out.lowerOpen) && wholeSide(upper, out.upper, out.upperOpen);
}

// x / xFactor < y / yFactor, exactly (factors > 0, every number below 2^53 in size).
bool less(WholeSum x, int64_t xFactor, WholeSum y, int64_t yFactor) {
    return x * yFactor < y * xFactor;
}

double quotient(WholeSum x, int64_t factor) {
    return static_cast<double>(x) / static_cast<double>(factor);
}

// A hash of the row in lowest terms that does not depend on the order of its entries, or
// false when a coefficient is not whole. Rows that are multiples of each other get the same
// hash (unless a cell is named twice in one of them: such a pair is merely not found).
bool rowHash(const SparseRows& rows, int32_t row, std::size_t& hash) {
    const auto r = static_cast<std::size_t>(row);
    int64_t divisor = 0;
    int32_t firstColumn = INT32_MAX;
    bool negative = false;  // the coefficient of the first cell
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        const auto e = static_cast<std::size_t>(k);
        if (!isWholeNumber(rows.value[e]) || rows.value[e] == 0.0) return false;
        if (divisor != 1) divisor = std::gcd(divisor, static_cast<int64_t>(rows.value[e]));
        if (rows.column[e] < firstColumn) {
            firstColumn = rows.column[e];
            negative = rows.value[e] < 0.0;
        }
    }
    if (negative) divisor = -divisor;
    if (divisor == 0) return false;
    hash = 0;
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        const auto e = static_cast<std::size_t>(k);
        uint64_t mixed = static_cast<uint64_t>(rows.column[e]) * 0x9E3779B97F4A7C15ull ^
                         static_cast<uint64_t>(static_cast<int64_t>(rows.value[e]) / divisor);
        mixed ^= mixed >> 29;
        mixed *= 0xBF58476D1CE4E5B9ull;
        mixed ^= mixed >> 32;
        hash += static_cast<std::size_t>(mixed);
    }
    return true;
}

}  // namespace

ParallelRows findContradictingParallelRows(const AdjustmentProblem& problem) {
    ParallelRows found;
    struct Entry {
        std::size_t hash;
        int32_t row;
    };
    // Only the hashes of all rows are kept; rows in lowest terms only for rows that share one.
    std::vector<Entry> keyed;
    for (int32_t i = 0; i < problem.hard.rowCount(); ++i) {
        std::size_t hash = 0;
        if (rowHash(problem.hard, i, hash)) keyed.push_back({hash, i});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Entry& a, const Entry& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.row < b.row;
    });
    std::unordered_map<int32_t, Canonical> rows;
    std::unordered_map<int32_t, Interval> sides;
    // Within each group of rows with the same entries: the highest lower side against the
    // lowest upper side, in the units of the rows in lowest terms.
    std::vector<int32_t> bucket, rest;
    for (std::size_t k = 0; k < keyed.size();) {
        std::size_t end = k;
        bucket.clear();
        while (end < keyed.size() && keyed[end].hash == keyed[k].hash) {
            bucket.push_back(keyed[end++].row);
        }
        k = end;
        if (bucket.size() < 2) continue;
        rows.clear();
        sides.clear();
        std::erase_if(bucket, [&](int32_t row) {
            const auto r = static_cast<std::size_t>(row);
            Canonical& form = rows[row];
            return !canonical(problem.hard, row, form) ||
                   !interval(problem.hardLower[r], problem.hardUpper[r], form.factor, sides[row]);
        });
        while (!bucket.empty()) {  // one group per pass; other rows only on a hash collision
            const auto& entries = rows[bucket.front()].entries;
            int32_t highest = -1, lowest = -1;
            rest.clear();
            for (int32_t row : bucket) {
                if (rows[row].entries != entries) {
                    rest.push_back(row);
                    continue;
                }
                const Interval& side = sides[row];
                const int32_t h = highest;
                const int32_t l = lowest;
                if (!side.lowerOpen && (highest < 0 || less(sides[h].lower, sides[h].factor,
                                                            side.lower, side.factor))) {
                    highest = row;
                }
                if (!side.upperOpen && (lowest < 0 || less(side.upper, side.factor, sides[l].upper,
                                                           sides[l].factor))) {
                    lowest = row;
                }
            }
            bucket.swap(rest);
            if (highest < 0 || lowest < 0) continue;
            const int32_t h = highest;
            const int32_t l = lowest;
            if (!less(sides[l].upper, sides[l].factor, sides[h].lower, sides[h].factor)) continue;
            // The gap times both factors, exactly; each row's change is the gap in its units.
            const WholeSum gap =
                sides[h].lower * sides[l].factor - sides[l].upper * sides[h].factor;
            const int32_t first = std::min(highest, lowest);
            if (found.first >= 0 && first > found.first) continue;
            found.first = first;
            found.second = std::max(highest, lowest);
            const double highChange = quotient(gap, sides[l].factor);
            const double lowChange = quotient(gap, sides[h].factor);
            found.firstChange = first == highest ? highChange : lowChange;
            found.secondChange = first == highest ? lowChange : highChange;
        }
    }
    return found;
}
