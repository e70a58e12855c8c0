#include "qorsolve/continuous/absolute_fit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "qorsolve/problem/numeric_checks.h"

namespace {

// Tangent rounds of the weak costs: each round adds one tangent per weak row the estimate
// misses; a parabola's tangents meet it within the tolerance after a few dozen.
constexpr int MAX_TANGENT_ROUNDS = 100;
// A cell within this share of its base or a bound (and 1) sits there: the programme's point
// carries the simplex method's rounding.
constexpr double AT_BASE_SHARE = 1e-9;
// A weak row's estimate is exact enough when below this share of the tolerance of its cost,
// so that the programme's optimum stays within the tolerance of F.
constexpr double GAP_SHARE = 0.1;

struct WeakCost {
    int32_t row;
    double cost;  // c_w
    std::vector<double> points;
    int32_t valueRow = 0;  // the programme's row s_w = a_w.x
};

class AbsoluteFit {
  public:
    AbsoluteFit(const AdjustmentProblem& p, const ContinuousOptions& options)
        : p_(p), options_(options) {
        for (int32_t w = 0; w < p.weak.rowCount(); ++w) {
            const double weight = p.weakWeight[static_cast<std::size_t>(w)];
            if (!(weight > 0.0) || !std::isfinite(weight)) continue;
            const double target = p.weakTarget[static_cast<std::size_t>(w)];
            weak_.push_back({w, weakRowCost(weight, target), {target, rowSum(p.weak, w, p.base)}});
        }
    }

    ContinuousResult solve();

  private:
    int32_t cells() const { return p_.cellCount(); }
    int32_t sColumn(std::size_t k) const { return 2 * cells() + 2 * static_cast<int32_t>(k); }
    LinearModel model();
    double kktResidual(const std::vector<double>& x, const std::vector<double>& dual) const;

    const AdjustmentProblem& p_;
    const ContinuousOptions& options_;
    std::vector<WeakCost> weak_;
};

void addColumn(LinearModel& m, double lower, double upper, double cost) {
    m.columnLower.push_back(lower);
    m.columnUpper.push_back(upper);
    m.cost.push_back(cost);
}

// Columns: p_j then n_j per cell (x_j = b_j + p_j - n_j, bounded so that x_j keeps to its
// bounds), then s_w and z_w per weak row. Rows: the hard rows over p and n, their sides less
// their value at the base (their multipliers are the result's), then per weak row its value
// and its tangents.
LinearModel AbsoluteFit::model() {
    LinearModel m;
    const int32_t n = cells();
    for (int side = 0; side < 2; ++side) {
        for (int32_t j = 0; j < n; ++j) {
            const auto c = static_cast<std::size_t>(j);
            const CellCost cell = p_.cellCost(c);
            const double b = p_.base[c];
            // p = x - b above b, n = b - x below it.
            const double up = p_.upper[c] - b, down = b - p_.lower[c];
            const double lower = side == 0 ? std::max(0.0, -down) : std::max(0.0, -up);
            const double upper = side == 0 ? std::max(0.0, up) : std::max(0.0, down);
            addColumn(m, lower, upper, cell.fixed() ? 0.0 : 1.0 / cell.coefficient());
        }
    }
    for (std::size_t k = 0; k < weak_.size(); ++k) {
        addColumn(m, -INFINITE_BOUND, INFINITE_BOUND, 0.0);
        addColumn(m, 0.0, INFINITE_BOUND, 1.0);
    }
    auto rowOver = [&](const SparseRows& rows, int32_t i) {
        double atBase = 0.0;
        for (int64_t k = rows.start[i]; k < rows.start[i + 1]; ++k) {
            m.addEntry(rows.column[k], rows.value[k]);
            m.addEntry(n + rows.column[k], -rows.value[k]);
            atBase += rows.value[k] * p_.base[static_cast<std::size_t>(rows.column[k])];
        }
        return atBase;
    };
    auto less = [](double side, double by) { return std::isfinite(side) ? side - by : side; };
    for (int32_t i = 0; i < p_.hard.rowCount(); ++i) {
        m.beginRow(0.0, 0.0);
        const double atBase = rowOver(p_.hard, i);
        m.rowLower.back() = less(p_.hardLower[static_cast<std::size_t>(i)], atBase);
        m.rowUpper.back() = less(p_.hardUpper[static_cast<std::size_t>(i)], atBase);
    }
    for (std::size_t k = 0; k < weak_.size(); ++k) {
        WeakCost& w = weak_[k];
        const double t = p_.weakTarget[static_cast<std::size_t>(w.row)];
        w.valueRow = static_cast<int32_t>(m.rowLower.size());
        m.beginRow(0.0, 0.0);  // s_w is the row's value
        const double atBase = rowOver(p_.weak, w.row);
        m.rowLower.back() = m.rowUpper.back() = -atBase;
        m.addEntry(sColumn(k), -1.0);
        // z >= c (q - t)^2 + 2 c (q - t) (s - q).
        for (double q : w.points) {
            const double slope = 2.0 * w.cost * (q - t);
            m.beginRow(w.cost * (q - t) * (q - t) - slope * q, INFINITE_BOUND);
            m.addEntry(sColumn(k) + 1, 1.0);
            m.addEntry(sColumn(k), -slope);
        }
    }
    return m;
}

// The largest violation of the rows, of complementarity and of the cells' optimality
// conditions at the programme's multipliers `dual` (its hard rows' first, then the weak rows'
// value rows), each relative as ContinuousResult::kktResidual states.
double AbsoluteFit::kktResidual(const std::vector<double>& x,
                                const std::vector<double>& dual) const {
    const std::vector<double>& y = dual;
    double largest = 0.0;
    std::vector<double> price(x.size(), 0.0), size(x.size(), 0.0);
    for (int32_t i = 0; i < p_.hard.rowCount(); ++i) {
        double ax = 0.0, scale = 0.0;
        for (int64_t k = p_.hard.start[i]; k < p_.hard.start[i + 1]; ++k) {
            const double term = p_.hard.value[k] * x[static_cast<std::size_t>(p_.hard.column[k])];
            ax += term;
            scale += std::fabs(term);
        }
        scale = std::max(1.0, scale);
        const double lo = p_.hardLower[static_cast<std::size_t>(i)];
        const double hi = p_.hardUpper[static_cast<std::size_t>(i)];
        largest = std::max(largest, std::max({lo - ax, ax - hi, 0.0}) / scale);
        const double m = y[static_cast<std::size_t>(i)];
        if (m != 0.0) {
            const double bound = m > 0.0 ? lo : hi;
            largest = std::max(largest, std::min(std::fabs(m), std::fabs(ax - bound) / scale));
        }
        for (int64_t k = p_.hard.start[i]; k < p_.hard.start[i + 1]; ++k) {
            const auto j = static_cast<std::size_t>(p_.hard.column[k]);
            price[j] += p_.hard.value[k] * m;
            size[j] += std::fabs(p_.hard.value[k] * m);
        }
    }
    for (const WeakCost& w : weak_) {
        const double z = dual[static_cast<std::size_t>(w.valueRow)];
        for (int64_t e = p_.weak.start[w.row]; e < p_.weak.start[w.row + 1]; ++e) {
            const auto j = static_cast<std::size_t>(p_.weak.column[e]);
            price[j] += p_.weak.value[e] * z;
            size[j] += std::fabs(p_.weak.value[e] * z);
        }
    }
    for (std::size_t j = 0; j < x.size(); ++j) {
        const CellCost cell = p_.cellCost(j);
        const double b = p_.base[j];
        const bool atBase = std::fabs(x[j] - b) <= AT_BASE_SHARE * std::max(1.0, std::fabs(b));
        double r = cell.slopeGap(atBase ? b : x[j], price[j]);
        if (x[j] <= p_.lower[j]) r = std::min(r, 0.0);
        if (x[j] >= p_.upper[j]) r = std::max(r, 0.0);
        largest = std::max(largest, std::fabs(r) / (1.0 + size[j]));
    }
    return largest;
}

ContinuousResult AbsoluteFit::solve() {
    ContinuousResult result;
    result.status = modelStatus(ModelStatus::NOT_CONVERGED);
    std::unique_ptr<LinearSolver> solver = newSolver(options_.newSolver);
    if (!options_.newSolver) return result;
    if (!solver) {
        result.status.call = CallStatus::NO_MEMORY;
        return result;
    }
    const double tolerance = options_.tolerance > 0.0 ? options_.tolerance : CONTINUOUS_TOLERANCE;
    LinearResult lp;
    for (int round = 0;; ++round) {
        if (options_.deadline.passed()) {
            result.status = modelStatus(ModelStatus::NO_POINT, StopReason::TIME_LIMIT);
            return result;
        }
        if (!solver->load(model())) {
            result.status.call = CallStatus::NO_MEMORY;
            return result;
        }
        lp = solver->solveLinear(options_.deadline);
        if (!lp.status.ok()) {
            result.status.call = lp.status.call;
            return result;
        }
        if (lp.status.model == ModelStatus::INFEASIBLE) {
            // The rows and bounds alone decide it: the real-valued method tells the suspects.
            AdjustmentProblem chi2 = p_;
            chi2.objective = Objective();
            ContinuousResult verdict = solveContinuous(chi2, options_);
            if (verdict.status.model == ModelStatus::INFEASIBLE) return verdict;
            return result;
        }
        if (lp.status.model != ModelStatus::OPTIMAL) {
            if (lp.status.stop == StopReason::TIME_LIMIT)
                result.status = modelStatus(ModelStatus::NO_POINT, StopReason::TIME_LIMIT);
            return result;
        }
        bool added = false;
        for (std::size_t k = 0; k < weak_.size(); ++k) {
            WeakCost& w = weak_[k];
            const double t = p_.weakTarget[static_cast<std::size_t>(w.row)];
            const double s = lp.x[static_cast<std::size_t>(sColumn(k))];
            const double z = lp.x[static_cast<std::size_t>(sColumn(k)) + 1];
            const double exact = w.cost * (s - t) * (s - t);
            if (exact - z > GAP_SHARE * tolerance * (1.0 + exact)) {
                w.points.push_back(s);
                added = true;
            }
        }
        if (!added || round + 1 >= MAX_TANGENT_ROUNDS) break;
    }
    result.x.resize(static_cast<std::size_t>(cells()));
    for (std::size_t j = 0; j < result.x.size(); ++j) {
        // A cell within the simplex method's rounding of a bound sits on it.
        const double up = lp.x[j], down = lp.x[j + result.x.size()];
        const double b = p_.base[j];
        result.x[j] = up == down ? b : b + up - down;
        for (const double bound : {p_.lower[j], p_.upper[j]}) {
            if (std::isfinite(bound) &&
                std::fabs(result.x[j] - bound) <= AT_BASE_SHARE * std::max(1.0, std::fabs(bound)))
                result.x[j] = bound;
        }
    }
    const auto hardRows = static_cast<std::size_t>(p_.hard.rowCount());
    if (lp.rowDual.size() < hardRows) return result;
    result.hardDual.assign(lp.rowDual.begin(), lp.rowDual.begin() + hardRows);
    result.objective = adjustmentObjective(p_, result.x);
    result.dualBound = std::min(lp.objective, result.objective);
    result.kktResidual = kktResidual(result.x, lp.rowDual);
    // The weak estimate's gap: the programme's optimum is a lower bound on F's.
    const double gap =
        (result.objective - lp.objective) / std::max(1.0, std::fabs(result.objective));
    if (gap > tolerance) result.kktResidual = std::max(result.kktResidual, gap);
    if (result.kktResidual <= tolerance) result.status = modelStatus(ModelStatus::OPTIMAL);
    return result;
}

}  // namespace

ContinuousResult solveAbsolute(const AdjustmentProblem& problem, const ContinuousOptions& options) {
    try {
        AbsoluteFit fit(problem, options);
        return fit.solve();
    } catch (const std::bad_alloc&) {
        ContinuousResult result;
        result.status.call = CallStatus::NO_MEMORY;
        return result;
    }
}
