#include "qorsolve/integer/lagrangian_bound.h"

#include <algorithm>
#include <cmath>

namespace {

// Subgradient steps in all; the step length halves after this many without a better bound.
constexpr int STEPS = 400;
constexpr int PATIENCE = 8;
// g is a sum of terms of either sign: it is trusted to this much of their total size.
constexpr double SUM_ERROR = 1e-12;
// Polyak's step aims at least this share of the target above g, so that a g that has reached
// the target still moves.
constexpr double LEAST_STEP = 1e-9;

struct Evaluation {
    double value = 0.0;
    double size = 0.0;  // sum of |terms|
};

class Lagrangian {
  public:
    Lagrangian(const AdjustmentProblem& p, const std::vector<double>& lower,
               const std::vector<double>& upper)
        : p_(p),
          lower_(lower),
          upper_(upper),
          gradient_(p.base.size()),
          rowValue_(p.hardLower.size()) {}

    // g(y) into `e`, with the minimising cells in x; false, with `e` and x unfinished, when
    // `looks` finds the deadline passed (on 10^6 cells an evaluation takes a tenth of a
    // second: the clock is looked at within it).
    bool evaluate(const std::vector<double>& y, std::vector<double>& x, DeadlineLooks& looks,
                  Evaluation& e) {
        const SparseRows& a = p_.hard;
        e = Evaluation{};
        std::fill(gradient_.begin(), gradient_.end(), 0.0);
        for (int32_t i = 0; i < a.rowCount(); ++i) {
            if (looks.passed(a.start[i + 1] - a.start[i] + 1)) return false;
            if (y[i] == 0.0) continue;
            const double side = y[i] > 0.0 ? p_.hardLower[i] : p_.hardUpper[i];
            e.value += y[i] * side;
            e.size += std::fabs(y[i] * side);
            for (int64_t k = a.start[i]; k < a.start[i + 1]; ++k) {
                gradient_[a.column[k]] += y[i] * a.value[k];
            }
        }
        for (size_t j = 0; j < x.size(); ++j) {
            if ((j & 4095) == 0 && looks.passed(4096)) return false;
            const CellCost cell = p_.cellCost(j);
            const double g = gradient_[j];
            e.value += cell.leastPricedWhole(g, lower_[j], upper_[j], x[j]);
            e.size += cell.at(x[j]) + std::fabs(g * x[j]);
        }
        for (int32_t i = 0; i < a.rowCount(); ++i) {
            if (looks.passed(a.start[i + 1] - a.start[i] + 1)) return false;
            rowValue_[i] = rowSum(a, i, x);
        }
        return true;
    }

    // The subgradient's component of row i at y_i (the side the row's multiplier uses).
    double slope(int32_t i, double y) const {
        const double v = rowValue_[i], lo = p_.hardLower[i], hi = p_.hardUpper[i];
        if (y > 0.0) return lo - v;
        if (y < 0.0) return hi - v;
        if (v < lo) return lo - v;
        if (v > hi) return hi - v;
        return 0.0;
    }

    // y + step in the row's sign range: not past 0 where the other side is missing or differs.
    double project(int32_t i, double y, double moved) const {
        const double lo = p_.hardLower[i], hi = p_.hardUpper[i];
        if (lo == hi) return moved;
        if ((y > 0.0 && moved < 0.0) || (y < 0.0 && moved > 0.0)) return 0.0;
        if (moved > 0.0 && !std::isfinite(lo)) return 0.0;
        if (moved < 0.0 && !std::isfinite(hi)) return 0.0;
        return moved;
    }

  private:
    const AdjustmentProblem& p_;
    const std::vector<double>& lower_;
    const std::vector<double>& upper_;
    std::vector<double> gradient_;
    std::vector<double> rowValue_;
};

}  // namespace

LagrangianResult lagrangianBound(const AdjustmentProblem& problem,
                                 const std::vector<double>& lowerWhole,
                                 const std::vector<double>& upperWhole,
                                 const std::vector<double>& hardDual, double best,
                                 const Deadline& deadline, Progress* progress) {
    LagrangianResult result;
    const int32_t rows = problem.hard.rowCount();
    if (problem.weak.rowCount() > 0 || hardDual.size() != static_cast<size_t>(rows)) return result;
    // The arrays of every cell are not set up after the deadline.
    if (deadline.passed()) return result;
    Lagrangian lagrangian(problem, lowerWhole, upperWhole);
    std::vector<double> y(hardDual);
    for (int32_t i = 0; i < rows; ++i) {
        if (!std::isfinite(y[i])) return result;
        y[i] = lagrangian.project(i, 0.0, y[i]);
    }
    std::vector<double> x(problem.base.size()), s(static_cast<size_t>(rows));
    double theta = 1.0;
    int sinceBetter = 0;
    result.bound = -INFINITY;
    DeadlineLooks looks(deadline);
    Evaluation e;
    for (int step = 0; step < STEPS; ++step) {
        // An evaluation cut short by the deadline is not used: the best bound so far stands.
        if (!lagrangian.evaluate(y, x, looks, e)) break;
        const double value = e.value - SUM_ERROR * e.size;
        if (value > result.bound) {
            result.bound = value;
            result.x = x;
            sinceBetter = 0;
        } else if (++sinceBetter >= PATIENCE) {
            theta /= 2.0;
            sinceBetter = 0;
        }
        if (progress) progress->update("bound", best, result.bound);
        double norm = 0.0;
        for (int32_t i = 0; i < rows; ++i) {
            s[i] = lagrangian.slope(i, y[i]);
            norm += s[i] * s[i];
        }
        if (norm == 0.0) break;  // the cells meet every row: g is their cost
        // Polyak's step towards the best table's cost, or a tenth of g when there is none.
        const double target = std::isfinite(best) ? best : e.value + 0.1 * std::fabs(e.value) + 1.0;
        const double length =
            theta * std::max(target - e.value, LEAST_STEP * (1.0 + std::fabs(target))) / norm;
        for (int32_t i = 0; i < rows; ++i) y[i] = lagrangian.project(i, y[i], y[i] + length * s[i]);
    }
    result.used = std::isfinite(result.bound);
    return result;
}
