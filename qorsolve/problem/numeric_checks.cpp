#include "qorsolve/problem/numeric_checks.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "qorsolve/core/settings.h"

namespace {

// Whether `ray` with the sign given proves infeasibility, by the rule in the header.
bool proves(const SparseRows& rows, const std::vector<double>& rowLower,
            const std::vector<double>& rowUpper, const std::vector<double>& columnLower,
            const std::vector<double>& columnUpper, const std::vector<double>& ray, double sign,
            std::vector<double>& combined, std::vector<double>& magnitude) {
    std::fill(combined.begin(), combined.end(), 0.0);
    std::fill(magnitude.begin(), magnitude.end(), 0.0);
    double implied = 0.0;  // the least value the rows force on y . (A x)
    double scale = 0.0;
    for (int32_t i = 0; i < rows.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        const double y = sign * ray[r];
        if (y == 0.0) continue;
        const double side = y > 0.0 ? rowLower[r] : rowUpper[r];
        if (!std::isfinite(side)) return false;
        implied += y * side;
        scale += std::fabs(y * side);
        for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
            const auto e = static_cast<std::size_t>(k);
            const auto j = static_cast<std::size_t>(rows.column[e]);
            combined[j] += y * rows.value[e];
            magnitude[j] += std::fabs(y * rows.value[e]);
        }
    }
    double reachable = 0.0;  // the most y . (A x) can be within the column bounds
    for (std::size_t j = 0; j < combined.size(); ++j) {
        const double c = combined[j];
        if (std::fabs(c) <= RAY_CANCELLED * magnitude[j]) continue;
        const double best = c > 0.0 ? columnUpper[j] : columnLower[j];
        if (!std::isfinite(best)) return false;
        reachable += c * best;
        scale += std::fabs(c * best);
    }
    return implied - reachable > CERTIFICATE_MARGIN * scale;
}

}  // namespace

std::vector<double> certifiedRay(const SparseRows& rows, const std::vector<double>& rowLower,
                                 const std::vector<double>& rowUpper,
                                 const std::vector<double>& columnLower,
                                 const std::vector<double>& columnUpper, std::vector<double> ray) {
    const auto rowCount = static_cast<std::size_t>(rows.rowCount());
    if (ray.size() != rowCount || rowLower.size() != rowCount || rowUpper.size() != rowCount ||
        columnLower.size() != columnUpper.size()) {
        return {};
    }
    for (int32_t j : rows.column) {
        if (j < 0 || static_cast<std::size_t>(j) >= columnLower.size()) return {};
    }
    double largest = 0.0;
    for (double y : ray) largest = std::max(largest, std::fabs(y));
    if (!(largest > 0.0) || !std::isfinite(largest)) return {};
    for (double& y : ray) {
        y /= largest;
        if (std::fabs(y) < RAY_NOISE) y = 0.0;
    }
    std::vector<double> combined(columnLower.size());
    std::vector<double> magnitude(columnLower.size());
    for (double sign : {1.0, -1.0}) {
        if (!proves(rows, rowLower, rowUpper, columnLower, columnUpper, ray, sign, combined,
                    magnitude)) {
            continue;
        }
        if (sign < 0.0) {
            for (double& y : ray) y = -y;
        }
        return ray;
    }
    return {};
}

double weakRowCost(double weight, double target) {
    return weight / std::max(std::fabs(target), 1.0);
}

double relativeGap(double objective, double bound) {
    return std::max(0.0, objective - bound) / std::max(std::fabs(objective), GAP_FLOOR);
}
