#include "qorsolve/integer/cheaper_table_ranges.h"

#include <algorithm>
#include <cmath>

#include "qorsolve/problem/numeric_checks.h"

namespace {

// L and the excesses are sums of terms of either sign. They are summed in long double, and
// each multiplier lambda_j in double, so their rounding stays many orders below this share of
// the terms' total size; the room C - L gets this share in addition, so that rounding never
// puts a table of cost at most C outside its intervals.
constexpr double RANGE_ROUNDING = 1e-9;

}  // namespace

CheaperTableRanges cheaperTableRanges(const AdjustmentProblem& p, const std::vector<double>& lower,
                                      const std::vector<double>& upper,
                                      const std::vector<double>& hardDual,
                                      const std::vector<double>& center, double cost) {
    CheaperTableRanges r;
    const size_t cells = p.base.size();
    const int32_t weakRows = p.weak.rowCount();
    if (!std::isfinite(cost) || hardDual.size() != size_t(p.hard.rowCount()) ||
        center.size() != cells || lower.size() != cells || upper.size() != cells) {
        return r;
    }
    // lambda = A^T y - W^T v, with v_w the slope of weak row w's cost at the centre; and the
    // size of each lambda_j's terms.
    std::vector<double> lambda(cells, 0.0), lambdaSize(cells, 0.0);
    long double bound = 0.0L, size = std::fabs(cost);
    for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
        const double y = hardDual[size_t(i)];
        if (y == 0.0 || !std::isfinite(y)) continue;
        const double side = y > 0.0 ? p.hardLower[size_t(i)] : p.hardUpper[size_t(i)];
        if (!std::isfinite(side)) continue;  // a sign that does not fit the row: 0
        bound += static_cast<long double>(y) * side;
        size += std::fabs(static_cast<long double>(y) * side);
        for (int64_t k = p.hard.start[size_t(i)]; k < p.hard.start[size_t(i) + 1]; ++k) {
            const size_t j = size_t(p.hard.column[size_t(k)]);
            lambda[j] += y * p.hard.value[size_t(k)];
            lambdaSize[j] += std::fabs(y * p.hard.value[size_t(k)]);
        }
    }
    r.weakLower.assign(size_t(weakRows), -INFINITE_BOUND);
    r.weakUpper.assign(size_t(weakRows), INFINITE_BOUND);
    std::vector<double> weakCost(size_t(weakRows), 0.0);
    for (int32_t w = 0; w < weakRows; ++w) {
        const double c = weakRowCost(p.weakWeight[size_t(w)], p.weakTarget[size_t(w)]);
        const double at = rowSum(p.weak, w, center);
        if (!(c > 0.0) || !std::isfinite(c) || !std::isfinite(at)) continue;  // no cost: v 0
        const double t = p.weakTarget[size_t(w)];
        const double slope = 2.0 * c * (at - t);
        // h_w(s) = c (s - t)^2 - slope s is least at s = at.
        bound += static_cast<long double>(c) * (at - t) * (at - t) -
                 static_cast<long double>(slope) * at;
        size += static_cast<long double>(c) * (at - t) * (at - t) + std::fabs(slope * at);
        weakCost[size_t(w)] = c;
        r.weakLower[size_t(w)] = r.weakUpper[size_t(w)] = at;
        for (int64_t k = p.weak.start[size_t(w)]; k < p.weak.start[size_t(w) + 1]; ++k) {
            const size_t j = size_t(p.weak.column[size_t(k)]);
            lambda[j] -= slope * p.weak.value[size_t(k)];
            lambdaSize[j] += std::fabs(slope * p.weak.value[size_t(k)]);
        }
    }
    // Each cell's h_j(v) = c_j(v) - lambda_j v (objective.h): its least real and whole values.
    std::vector<PricedCell> priced(cells);
    for (size_t j = 0; j < cells; ++j) {
        const CellCost cell = p.cellCost(j);
        const double l = lambda[j];
        const PricedCell& h = priced[j] = cell.priced(l, lower[j], upper[j]);
        if (!std::isfinite(h.least)) return r;
        // lambda_j's rounding, over the values it multiplies.
        const long double lambdaRounding = static_cast<long double>(lambdaSize[j]) *
                                           (std::fabs(h.least) + std::fabs(h.leastWhole) + 1.0);
        bound += cell.pricedLeast(h, l);
        size += cell.pricedSize(h, l) + lambdaRounding;
    }
    const double room = static_cast<double>(cost - bound + RANGE_ROUNDING * size);
    if (!std::isfinite(room) || room < 0.0) return r;
    r.cellLower.resize(cells);
    r.cellUpper.resize(cells);
    for (size_t j = 0; j < cells; ++j) {
        const PricedCell& h = priced[j];
        const auto [from, to] = p.cellCost(j).pricedRange(h, room);
        // The least whole value is inside even where rounding would put the bound past it.
        r.cellLower[j] = std::max(lower[j], std::min(h.leastWhole, std::ceil(from)));
        r.cellUpper[j] = std::min(upper[j], std::max(h.leastWhole, std::floor(to)));
    }
    for (int32_t w = 0; w < weakRows; ++w) {
        const double c = weakCost[size_t(w)];
        if (c == 0.0) continue;
        const double reach = std::sqrt(room / c);
        r.weakLower[size_t(w)] -= reach;
        r.weakUpper[size_t(w)] += reach;
    }
    r.bound = static_cast<double>(bound);
    r.used = true;
    return r;
}
