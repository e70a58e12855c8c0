#include "qorsolve/continuous/equality_fit.h"

#include <algorithm>
#include <cmath>

#include "qorsolve/core/settings.h"

namespace {

// At most so many steps, counted so that every run stops at the same place: a fit cut short
// still orders the rows for the conflict search; it only proves nothing.
constexpr int CGLS_STEPS = 500;
// The fit has converged when the gradient A'r has fallen to 1e-10 of its first size (its
// square, which CGLS keeps, by 1e-20): a tenth of ROW_TOLERANCE, so that a residual at the
// consistency threshold below is not an artefact of stopping early.
constexpr double CGLS_TOLERANCE = 1e-20;
// Values that agree leave a residual within the accuracy to which rows are met: its length
// at most ROW_TOLERANCE of the length of the values (squares compared).
constexpr double CONSISTENT = ROW_TOLERANCE * ROW_TOLERANCE;

}  // namespace

EqualityFit fitEqualities(const AdjustmentProblem& problem, const Deadline& deadline) {
    EqualityFit fit;
    const SparseRows& a = problem.hard;
    const auto rows = static_cast<std::size_t>(a.rowCount());
    const auto columns = static_cast<std::size_t>(problem.cellCount());
    std::vector<char> equality(rows, 0);
    std::vector<double> r(rows, 0.0);
    double size = 0.0;
    for (std::size_t i = 0; i < rows; ++i) {
        if (problem.hardLower[i] == problem.hardUpper[i] && std::isfinite(problem.hardLower[i])) {
            equality[i] = 1;
            r[i] = problem.hardLower[i];
            size += r[i] * r[i];
        }
    }
    if (size == 0.0) return fit;
    const auto transposed = [&](const std::vector<double>& y, std::vector<double>& out) {
        std::fill(out.begin(), out.end(), 0.0);
        for (std::size_t i = 0; i < rows; ++i) {
            if (!equality[i] || y[i] == 0.0) continue;
            for (int64_t e = a.start[i]; e < a.start[i + 1]; ++e) {
                const auto k = static_cast<std::size_t>(e);
                out[static_cast<std::size_t>(a.column[k])] += a.value[k] * y[i];
            }
        }
    };
    const auto dot = [](const std::vector<double>& u, const std::vector<double>& v) {
        double sum = 0.0;
        for (std::size_t i = 0; i < u.size(); ++i) sum += u[i] * v[i];
        return sum;
    };
    std::vector<double> s(columns);
    transposed(r, s);
    std::vector<double> p = s;
    std::vector<double> q(rows);
    double gamma = dot(s, s);
    const double firstGamma = gamma;
    fit.converged = false;
    for (int step = 0; step < CGLS_STEPS; ++step) {
        if (!(gamma > CGLS_TOLERANCE * firstGamma)) {
            fit.converged = true;
            break;
        }
        // A step reads every equality's cells twice, in time that grows with the table: the
        // clock is looked at on every step.
        if (deadline.passed()) break;
        for (std::size_t i = 0; i < rows; ++i) {
            double sum = 0.0;
            if (equality[i]) {
                for (int64_t e = a.start[i]; e < a.start[i + 1]; ++e) {
                    const auto k = static_cast<std::size_t>(e);
                    sum += a.value[k] * p[static_cast<std::size_t>(a.column[k])];
                }
            }
            q[i] = sum;
        }
        const double qq = dot(q, q);
        if (!(qq > 0.0)) {
            fit.converged = true;
            break;
        }
        const double alpha = gamma / qq;
        for (std::size_t i = 0; i < rows; ++i) r[i] -= alpha * q[i];
        transposed(r, s);
        const double next = dot(s, s);
        for (std::size_t j = 0; j < columns; ++j) p[j] = s[j] + next / gamma * p[j];
        gamma = next;
    }
    if (!(dot(r, r) > CONSISTENT * size)) return fit;
    fit.consistent = false;
    fit.residual = std::move(r);
    return fit;
}
