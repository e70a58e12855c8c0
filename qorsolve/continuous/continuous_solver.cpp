// The real-valued adjustment by a semismooth Newton method on the dual.
//
// The problem (adjustment_problem.h), with the weak rows written as a_w.x - s_w = t_w with a
// free slack s_w:
//     minimise    F(x, s) = sum_j (x_j - b_j)^2 / b_j + sum_w c_w s_w^2
//     subject to  L_i <= a_i.x <= U_i          for every hard row i,
//                 a_w.x - s_w = t_w            for every weak row w,
//                 l_j <= x_j <= u_j            for every cell j,
// where c_w = weakRowCost(weight_w, t_w); weak rows of weight 0 are left out. The cells'
// cost, their response x_j(v) to the multipliers and its rate D_j come from the objective
// (objective.h); the formulas here are those of its distance, (x_j - b_j)^2 / b_j.
//
// The dual. With one multiplier y_i per hard row and z_w per weak row, the cells minimise the
// Lagrangian each on its own:
//     x_j(y, z) = clip(b_j + b_j v_j / 2, l_j, u_j),  v = A^T y + W^T z,
// and the dual function
//     g(y, z) = sum_j [(x_j - b_j)^2 / b_j - v_j x_j] + sum_i sigma_i(y_i)
//             + sum_w [z_w t_w - z_w^2 / (4 c_w)],
// with sigma_i(y) = y L_i for y > 0 and y U_i for y < 0, is concave, once differentiable and
// piecewise quadratic. Its value at any multipliers of the right signs (y_i >= 0 needs only a
// lower bound, y_i <= 0 only an upper bound) is a lower bound on the optimum. Its gradient is
// the rows' violation: L_i - a_i.x (or U_i - a_i.x) and t_w - a_w.x - z_w / (2 c_w).
//
// The Newton step solves (A_F D A_F^T + C + mu) d = gradient over the rows whose multiplier may
// move, where D_j = b_j / 2 for the cells strictly inside their bounds and 0 otherwise, C holds
// 1 / (2 c_w) for the weak rows and mu is a small regularisation (rows such as the margins of a
// table are linearly dependent). A projected Armijo search along d follows. A row whose cells
// all sit on their bounds has no curvature: its step goes to the nearest kink, and where g
// rises along a step like a line the search goes on outwards.
//
// Infeasibility. A problem without a solution shows itself as a dual that grows without bound:
// the steps turn into a ray d of the hard rows that certifiedRay (numeric_checks.h) accepts,
// which proves that no table exists. The ray is narrowed to fewer rows, each time proven again;
// its rows are the suspect rows.
//
// The parts, each apart: the data (DualRows: the hard and weak rows stacked and stored by
// column, with their sides), the iterate (the multipliers, their RowSide and the Point they
// give), the residuals (the projected gradient and the KKT residual), the linear system
// (NewtonSystem: conjugate gradients) and the method (DualNewton), which runs the steps.
#include "qorsolve/continuous/continuous_solver.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/numeric_checks.h"

namespace {

// --- Step control ----------------------------------------------------------------------------

// Conjugate-gradient steps for one Newton system: a well-scaled system converges in tens; the
// rest is the budget of a badly conditioned one, whose inexact step the search still uses.
constexpr int MAX_CG_STEPS = 1000;
// Halvings of a step in the search: 2^-60 of a step is below the rounding of any multiplier.
constexpr int MAX_HALVINGS = 60;
// Fourfold lengthenings of a step whose rise is linear: 4^20 (about 10^12) times the step
// reaches the far kinks of any table the files can hold.
constexpr int MAX_EXPANSIONS = 20;
constexpr double EXPANSION_FACTOR = 4.0;
// A full step lengthens when g rose by at least this share of the linear prediction (g is
// linear along it), and the lengthening goes on while g rises by at least the second share.
constexpr double LINEAR_RISE = 0.9;
constexpr double KEEPS_RISING = 0.5;
// The sufficient-rise share of the Armijo search: the usual small value, so that any step
// that rises at all in proportion is taken.
constexpr double ARMIJO = 1e-4;
// Solves of one Newton system, each again without the multipliers at 0 whose step would
// leave their side: one or two are needed in practice.
constexpr int MAX_HOLD_ROUNDS = 4;
// Steps that polish a point already within the tolerance, each kept only when it meets the
// rows more tightly; they stop once the violation is below POLISHED_SHARE of the tolerance
// and the point meets every hard row by the rule of exact_rows.h (a row of whole
// coefficients over cells that came out whole must hold exactly).
constexpr int MAX_POLISH_STEPS = 3;
constexpr double POLISHED_SHARE = 1e-3;
// Inexact Newton: the system is solved to a relative residual of min(MAX_FORCING,
// sqrt(violation)), loosely far from the optimum and more tightly near it.
constexpr double MAX_FORCING = 0.1;
// The regularisation mu, relative to each row's curvature: the violation, kept between these,
// so that dependent rows get a unique step far from the optimum and a nearly exact one near it.
constexpr double MIN_REGULARISATION = 1e-12;
constexpr double MAX_REGULARISATION = 1e-6;
// Where the search finds no rise, mu grows by BOOST_GROWTH (down to a shorter, safer step) up
// to MAX_BOOST, after which the method has stalled; each successful step takes back a factor
// BOOST_DECAY.
constexpr double BOOST_GROWTH = 100.0;
constexpr double MAX_BOOST = 1e8;
constexpr double BOOST_DECAY = 0.1;
// A row with curvature gets this share of its curvature with every cell free on top of its
// own, so that a row whose cells nearly all sit on their bounds keeps a usable scale.
constexpr double CURVATURE_FLOOR = 1e-12;
// The curvature of a row without entries: positive, so that every row divides, and far below
// any real row's.
constexpr double LEAST_CURVATURE = 1e-300;
// A step to a kink goes this share past it, plus KINK_NUDGE of the multiplier's size, so that
// the cell has left its bound after the step despite rounding.
constexpr double KINK_OVERSHOOT = 1e-6;
constexpr double KINK_NUDGE = 1e-12;
// Every DRIFT_STEPS Newton steps, the change of the multipliers over them is tested as a ray:
// a dual that rises slowly without bound shows itself there.
constexpr int DRIFT_STEPS = 25;
// The regularisation of a polishing step and of a ray candidate: hardly any, so that the step
// is the exact Newton step (or ray) and only dependent rows are told apart.
constexpr double TIGHT_REGULARISATION = 1e-14;
// Narrowing a ray: rows below these shares of its largest entry are left out in turn, and the
// rows kept are regularised by up to MAX_ROW_PENALTY times more the smaller their share.
constexpr double NARROWING_SHARES[] = {1e-2, 1e-3, 1e-4};
constexpr double MAX_ROW_PENALTY = 1e4;
// A stalled method names the rows whose scaled violation is above this share of the largest.
constexpr double STALLED_SUSPECT_SHARE = 1e-2;

// --- The data --------------------------------------------------------------------------------

// The rows as the method uses them: hard rows 0 .. hardRows - 1, then the weak rows with a
// positive weight, stored by column.
struct DualRows {
    int32_t cells = 0;
    int32_t hardRows = 0;
    int32_t rows = 0;
    SparseColumns columns;
    std::vector<double> lower;
    std::vector<double> upper;          // a weak row's sides are both its target
    std::vector<double> weakScale;      // 1 / (2 c_w) for weak rows, 0 for hard rows
    std::vector<int32_t> weakRow;       // the problem's weak row of each weak row used
    std::vector<double> largestEntry;   // largest |a_ij| of each row
    std::vector<double> freeCurvature;  // sum_j a_ij^2 b_j / 2, at least LEAST_CURVATURE
};

// Whether the problem's sizes, indices and values are ones the method can work with (see
// solveContinuous).
bool wellFormed(const AdjustmentProblem& p) {
    const std::size_t n = p.base.size();
    auto sparseOk = [n](const SparseRows& rows, std::size_t count) {
        if (rows.start.empty() || rows.start.size() != count + 1 || rows.start[0] != 0)
            return false;
        if (rows.column.size() != rows.value.size()) return false;
        for (std::size_t i = 0; i < count; ++i)
            if (rows.start[i + 1] < rows.start[i]) return false;
        if (static_cast<std::size_t>(rows.start[count]) != rows.column.size()) return false;
        for (std::size_t k = 0; k < rows.column.size(); ++k)
            if (rows.column[k] < 0 || static_cast<std::size_t>(rows.column[k]) >= n ||
                !std::isfinite(rows.value[k]))
                return false;
        return true;
    };
    const std::size_t hard = p.hardLower.size();
    const std::size_t weak = p.weakTarget.size();
    bool ok = p.lower.size() == n && p.upper.size() == n && p.hardUpper.size() == hard &&
              p.weakWeight.size() == weak && sparseOk(p.hard, hard) && sparseOk(p.weak, weak) &&
              n <= static_cast<std::size_t>(INT32_MAX) &&
              hard + weak <= static_cast<std::size_t>(INT32_MAX);
    for (std::size_t j = 0; ok && j < n; ++j)
        ok = std::isfinite(p.base[j]) && p.base[j] > 0.0 && !std::isnan(p.lower[j]) &&
             !std::isnan(p.upper[j]) && p.lower[j] < INFINITE_BOUND && p.upper[j] > -INFINITE_BOUND;
    for (std::size_t i = 0; ok && i < hard; ++i)
        ok = !std::isnan(p.hardLower[i]) && !std::isnan(p.hardUpper[i]);
    for (std::size_t w = 0; ok && w < weak; ++w)
        ok = std::isfinite(p.weakTarget[w]) && !std::isnan(p.weakWeight[w]);
    return ok;
}

// Whether every entry of the hard rows, and of the weak rows used, is 1: the columns then
// hold no values (a table's margins, a sixth of the run's memory on 10^6 cells).
bool unitEntries(const AdjustmentProblem& p, const std::vector<int32_t>& weakRow) {
    if (!allValuesOne(p.hard)) return false;
    for (int32_t w : weakRow) {
        for (int64_t k = p.weak.start[w]; k < p.weak.start[w + 1]; ++k) {
            if (p.weak.value[k] != 1.0) return false;
        }
    }
    return true;
}

// The hard rows, then the weak rows used, by column. Without weak rows the hard rows are
// transposed as they stand, with no stacked copy of the entries.
SparseColumns stackedColumns(const AdjustmentProblem& p, const std::vector<int32_t>& weakRow) {
    const bool values = !unitEntries(p, weakRow);
    if (weakRow.empty()) return byColumns(p.hard, p.cellCount(), values);
    SparseRows stacked = p.hard;
    for (int32_t w : weakRow) {
        for (int64_t k = p.weak.start[w]; k < p.weak.start[w + 1]; ++k) {
            stacked.column.push_back(p.weak.column[k]);
            stacked.value.push_back(p.weak.value[k]);
        }
        stacked.start.push_back(static_cast<int64_t>(stacked.column.size()));
    }
    return byColumns(stacked, p.cellCount(), values);
}

DualRows dualRows(const AdjustmentProblem& p) {
    DualRows d;
    d.cells = p.cellCount();
    d.hardRows = p.hard.rowCount();
    for (int32_t w = 0; w < p.weak.rowCount(); ++w)
        if (p.weakWeight[w] > 0.0 && std::isfinite(p.weakWeight[w])) d.weakRow.push_back(w);
    d.rows = d.hardRows + static_cast<int32_t>(d.weakRow.size());

    d.lower.assign(d.rows, 0.0);
    d.upper.assign(d.rows, 0.0);
    d.weakScale.assign(d.rows, 0.0);
    std::copy(p.hardLower.begin(), p.hardLower.end(), d.lower.begin());
    std::copy(p.hardUpper.begin(), p.hardUpper.end(), d.upper.begin());
    for (std::size_t k = 0; k < d.weakRow.size(); ++k) {
        const int32_t w = d.weakRow[k];
        const double target = p.weakTarget[w];
        d.lower[d.hardRows + k] = d.upper[d.hardRows + k] = target;
        d.weakScale[d.hardRows + k] = 0.5 / weakRowCost(p.weakWeight[w], target);
    }

    d.columns = stackedColumns(p, d.weakRow);
    d.freeCurvature.assign(d.rows, 0.0);
    d.largestEntry.assign(d.rows, 0.0);
    const double* value = d.columns.values();
    for (int32_t j = 0; j < d.cells; ++j) {
        for (int64_t k = d.columns.start[j]; k < d.columns.start[j + 1]; ++k) {
            const int32_t i = d.columns.row[k];
            const double a = entryValue(value, k);
            d.largestEntry[i] = std::max(d.largestEntry[i], std::fabs(a));
            d.freeCurvature[i] += p.cellCost(j).rateAtBaseTimes(a * a);
        }
    }
    for (double& c : d.freeCurvature) c = std::max(c, LEAST_CURVATURE);
    return d;
}

// --- The iterate -----------------------------------------------------------------------------

// The values a row's multiplier may take in the next step.
enum class RowSide : signed char {
    FREE,          // any: an equality or a weak row
    NON_NEGATIVE,  // y >= 0: the lower side binds
    NON_POSITIVE,  // y <= 0: the upper side binds
    HELD_AT_ZERO,  // y stays 0: no side binds, or the step would take y across 0
};

// Everything that follows from one choice of multipliers.
struct Point {
    std::vector<double> x;
    std::vector<double> v;          // A^T y + W^T z
    std::vector<double> activity;   // a_i . x
    std::vector<double> magnitude;  // sum_j |a_ij x_j|
    // sum_j a_ij^2 dx_j/dv_j, where dx_j/dv_j is the cell's response rate (b_j / 2) for the
    // cells strictly inside their bounds (the free cells) and 0 for the others
    std::vector<double> curvature;
    double cost = 0.0;           // sum_j c_j(x_j)
    double dual = 0.0;           // g
    double dualMagnitude = 0.0;  // sum of the magnitudes of g's terms (its rounding scale)

    void resize(const DualRows& d) {
        x.resize(d.cells);
        v.resize(d.cells);
        activity.resize(d.rows);
        magnitude.resize(d.rows);
        curvature.resize(d.rows);
    }
};

// The point of `multipliers`: the cells' values, the rows' sums and curvature and g.
void evaluate(const AdjustmentProblem& p, const DualRows& d, const std::vector<double>& multipliers,
              Point& point) {
    std::fill(point.activity.begin(), point.activity.end(), 0.0);
    std::fill(point.magnitude.begin(), point.magnitude.end(), 0.0);
    std::fill(point.curvature.begin(), point.curvature.end(), 0.0);
    const int64_t* start = d.columns.start.data();
    const int32_t* row = d.columns.row.data();
    const double* value = d.columns.values();
    const double* y = multipliers.data();
    double* activity = point.activity.data();
    double* magnitude = point.magnitude.data();
    double* curvature = point.curvature.data();
    double cost = 0.0;
    double lagrangian = 0.0;
    double scale = 0.0;
    for (int32_t j = 0; j < d.cells; ++j) {
        double v = 0.0;
        for (int64_t k = start[j]; k < start[j + 1]; ++k) v += entryValue(value, k) * y[row[k]];
        const CellCost cell = p.cellCost(j);
        const double unclipped = cell.response(v);
        const double lo = p.lower[j];
        const double hi = p.upper[j];
        double x = unclipped;
        double slope = cell.responseRate(v);
        if (!(unclipped > lo)) {
            x = lo;
            slope = 0.0;
        } else if (!(unclipped < hi)) {
            x = hi;
            slope = 0.0;
        }
        point.x[j] = x;
        point.v[j] = v;
        const double c = cell.at(x);
        cost += c;
        lagrangian += c - v * x;
        scale += c + std::fabs(v * x);
        for (int64_t k = start[j]; k < start[j + 1]; ++k) {
            const double ax = entryValue(value, k) * x;
            activity[row[k]] += ax;
            magnitude[row[k]] += std::fabs(ax);
            curvature[row[k]] += entryValue(value, k) * entryValue(value, k) * slope;
        }
    }
    for (int32_t i = 0; i < d.rows; ++i) {
        const double m = y[i];
        double term = 0.0;
        if (i >= d.hardRows)
            term = m * d.lower[i] - 0.5 * m * m * d.weakScale[i];
        else if (m > 0.0)
            term = m * d.lower[i];
        else if (m < 0.0)
            term = m * d.upper[i];
        lagrangian += term;
        scale += std::fabs(term);
    }
    point.cost = cost;
    point.dual = lagrangian;
    point.dualMagnitude = scale;
}

// --- The linear system -----------------------------------------------------------------------

// (A_F D A_F^T + C + mu) d = gradient over the rows not held at 0, by Jacobi-preconditioned
// conjugate gradients over the rows stored by column: each product with the matrix is one pass
// over the entries of the free cells, gathering from and adding into row-sized vectors.
class NewtonSystem {
  public:
    NewtonSystem(const AdjustmentProblem& problem, const DualRows& rows,
                 const ContinuousOptions& options)
        : p_(problem), d_(rows), options_(options) {}

    // The work vectors, once the rows are known.
    void allocate() {
        for (auto* v :
             {&preconditioner_, &extraDiagonal_, &residual_, &search_, &product_, &scaled_})
            v->assign(d_.rows, 0.0);
        freeCells_.reserve(d_.cells);
    }

    // The matrix at `point`: D from the cells strictly inside their bounds.
    void linearise(const Point& point) {
        freeCells_.clear();
        for (int32_t j = 0; j < d_.cells; ++j)
            if (p_.lower[j] < point.x[j] && point.x[j] < p_.upper[j]) freeCells_.push_back(j);
    }

    // Solves the system at `point` (linearised there) into `step` until the residual is below
    // relativeTarget times the gradient (Euclidean norms); mu is `regularisation` times each
    // row's curvature times its penalty. Returns the number of steps, or -1 when the deadline
    // passed.
    int solve(const Point& point, const std::vector<RowSide>& sides,
              const std::vector<double>& gradient, const std::vector<double>& rowPenalty,
              double relativeTarget, double regularisation, std::vector<double>& step);

  private:
    void multiply(const Point& point, const std::vector<RowSide>& sides,
                  const std::vector<double>& direction, std::vector<double>& product) const;

    const AdjustmentProblem& p_;
    const DualRows& d_;
    const ContinuousOptions& options_;
    std::vector<int32_t> freeCells_;
    std::vector<double> preconditioner_, extraDiagonal_;
    std::vector<double> residual_, search_, product_, scaled_;
};

void NewtonSystem::multiply(const Point& point, const std::vector<RowSide>& sides,
                            const std::vector<double>& direction,
                            std::vector<double>& product) const {
    std::fill(product.begin(), product.end(), 0.0);
    const int64_t* start = d_.columns.start.data();
    const int32_t* row = d_.columns.row.data();
    const double* value = d_.columns.values();
    const double* dir = direction.data();
    double* out = product.data();
    const double* price = point.v.data();
    for (int32_t j : freeCells_) {
        double v = 0.0;
        for (int64_t k = start[j]; k < start[j + 1]; ++k) v += entryValue(value, k) * dir[row[k]];
        if (v == 0.0) continue;
        v *= p_.cellCost(j).responseRate(price[j]);  // D_j
        for (int64_t k = start[j]; k < start[j + 1]; ++k) out[row[k]] += entryValue(value, k) * v;
    }
    for (int32_t i = 0; i < d_.rows; ++i)
        out[i] = sides[i] == RowSide::HELD_AT_ZERO ? 0.0 : out[i] + extraDiagonal_[i] * dir[i];
}

int NewtonSystem::solve(const Point& point, const std::vector<RowSide>& sides,
                        const std::vector<double>& gradient, const std::vector<double>& rowPenalty,
                        double relativeTarget, double regularisation, std::vector<double>& step) {
    double rr = 0.0;
    for (int32_t i = 0; i < d_.rows; ++i) {
        // A row whose cells all sit on a bound has no curvature: its step is scaled by the
        // curvature it would have with every cell free, to reach the cells' kinks in a few
        // halvings of the search.
        const double diagonal = point.curvature[i] + d_.weakScale[i];
        const double floor =
            diagonal > 0.0 ? CURVATURE_FLOOR * d_.freeCurvature[i] : d_.freeCurvature[i];
        extraDiagonal_[i] = d_.weakScale[i] + regularisation * diagonal * rowPenalty[i] + floor;
        preconditioner_[i] = point.curvature[i] + extraDiagonal_[i];
        step[i] = 0.0;
        residual_[i] = sides[i] == RowSide::HELD_AT_ZERO ? 0.0 : gradient[i];
        rr += residual_[i] * residual_[i];
    }
    const double target = relativeTarget * relativeTarget * rr;
    double rz = 0.0;
    for (int32_t i = 0; i < d_.rows; ++i) {
        scaled_[i] = residual_[i] / preconditioner_[i];
        search_[i] = scaled_[i];
        rz += residual_[i] * scaled_[i];
    }
    int steps = 0;
    while (rr > target && steps < MAX_CG_STEPS) {
        if (options_.deadline.passed()) return -1;
        if (options_.progress != nullptr) options_.progress->update("continuous", NAN, point.dual);
        multiply(point, sides, search_, product_);
        ++steps;
        double curvature = 0.0;
        for (int32_t i = 0; i < d_.rows; ++i) curvature += search_[i] * product_[i];
        if (!(curvature > 0.0)) break;
        const double alpha = rz / curvature;
        rr = 0.0;
        double rzNext = 0.0;
        for (int32_t i = 0; i < d_.rows; ++i) {
            step[i] += alpha * search_[i];
            residual_[i] -= alpha * product_[i];
            rr += residual_[i] * residual_[i];
            scaled_[i] = residual_[i] / preconditioner_[i];
            rzNext += residual_[i] * scaled_[i];
        }
        const double beta = rzNext / rz;
        rz = rzNext;
        for (int32_t i = 0; i < d_.rows; ++i) search_[i] = scaled_[i] + beta * search_[i];
    }
    return steps;
}

// --- The method ------------------------------------------------------------------------------

enum class Outcome { RUNNING, CONVERGED, INFEASIBLE, TIME_LIMIT, STALLED };

class DualNewton {
  public:
    DualNewton(const AdjustmentProblem& problem, const ContinuousOptions& options)
        : p_(problem), options_(options), system_(problem, d_, options) {}

    ContinuousResult solve();

  private:
    // The steps of a solve.
    bool validate(ContinuousResult& result) const;
    void setUp();
    Outcome iterate();
    void report(Outcome outcome, ContinuousResult& result);

    // The steps of one iteration.
    bool polishedEnough(double violation) const;
    bool newtonStep(double violation);
    bool holdRowsLeavingTheirSide();
    bool boostRegularisation();
    bool keepPolishingStep(double violation);
    Outcome testForRay();
    void acceptStep(double violation);

    // The residuals.
    double projectedGradient(const Point& point);
    double kktResidual(const Point& point) const;
    double objective(const Point& point) const;

    // The search along a step.
    void stepToKinks();
    double project(double alpha, std::vector<double>& to) const;
    bool lineSearch();

    // Rays.
    std::vector<int32_t> certifiedSupport(const std::vector<double>& ray) const;
    int tightSolve();
    void findSuspects(ContinuousResult& result);
    void stalledSuspects(ContinuousResult& result) const;

    bool timeUp() const { return options_.deadline.passed(); }

    const AdjustmentProblem& p_;
    const ContinuousOptions& options_;
    DualRows d_;
    NewtonSystem system_;

    // The iterate, and the step from it.
    std::vector<double> multipliers_;
    std::vector<double> gradient_;
    std::vector<RowSide> sides_;
    std::vector<double> step_;
    std::vector<double> rowPenalty_;  // weights of the regularisation (all 1 but in findSuspects)
    std::vector<double> trial_;       // the multipliers the search accepted, and their point
    Point current_;
    Point next_;
    std::vector<double> farther_;  // a longer step tried by the search, and its point
    Point farthest_;
    bool expanded_ = false;  // the last search went beyond the full step

    // The state of the iteration.
    double tolerance_ = CONTINUOUS_TOLERANCE;
    int polish_ = 0;                    // polishing steps taken
    double boost_ = 1.0;                // the regularisation's factor
    double previous_ = INFINITE_BOUND;  // the violation before the last step
    std::vector<double> ray_;           // the last ray tested, over the hard rows
    std::vector<double> drift_;         // the multipliers at the last drift test

    int newtonSteps_ = 0;
    int cgSteps_ = 0;
};

ContinuousResult DualNewton::solve() {
    ContinuousResult result;
    if (!validate(result)) return result;
    setUp();
    const Outcome outcome = iterate();
    report(outcome, result);
    return result;
}

// A malformed problem, crossed cell bounds or crossed row sides: INFEASIBLE at once.
bool DualNewton::validate(ContinuousResult& result) const {
    result.status.call = CallStatus::OK;
    result.status.model = ModelStatus::INFEASIBLE;
    if (!wellFormed(p_)) return false;
    for (std::size_t j = 0; j < p_.base.size(); ++j)
        if (p_.lower[j] > p_.upper[j]) return false;
    for (std::size_t i = 0; i < p_.hardLower.size(); ++i) {
        if (p_.hardLower[i] > p_.hardUpper[i] || p_.hardLower[i] == INFINITE_BOUND ||
            p_.hardUpper[i] == -INFINITE_BOUND)
            result.suspectRows.push_back(static_cast<int32_t>(i));
    }
    return result.suspectRows.empty();
}

void DualNewton::setUp() {
    d_ = dualRows(p_);
    system_.allocate();
    for (Point* point : {&current_, &next_, &farthest_}) point->resize(d_);
    for (auto* v : {&multipliers_, &gradient_, &step_, &trial_, &farther_}) v->assign(d_.rows, 0.0);
    sides_.assign(d_.rows, RowSide::FREE);
    rowPenalty_.assign(d_.rows, 1.0);
    ray_.assign(d_.hardRows, 0.0);
    drift_.assign(d_.hardRows, 0.0);
    tolerance_ = options_.tolerance > 0.0 ? options_.tolerance : CONTINUOUS_TOLERANCE;
}

Outcome DualNewton::iterate() {
    evaluate(p_, d_, multipliers_, current_);
    const int stepLimit = std::max(options_.newtonStepLimit, 0);
    for (;;) {
        const double violation = projectedGradient(current_);
        if (options_.progress != nullptr)
            options_.progress->update("continuous", NAN, current_.dual);
        if (violation <= tolerance_) {
            if (polishedEnough(violation)) return Outcome::CONVERGED;
            ++polish_;
        }
        if (timeUp()) return Outcome::TIME_LIMIT;
        if (newtonSteps_ >= stepLimit) return Outcome::STALLED;
        ++newtonSteps_;
        if (!newtonStep(violation)) return Outcome::TIME_LIMIT;
        if (!lineSearch()) {
            if (timeUp()) return Outcome::TIME_LIMIT;
            if (violation <= tolerance_) return Outcome::CONVERGED;
            if (!boostRegularisation()) return Outcome::STALLED;
            continue;
        }
        if (polish_ > 0) {
            if (!keepPolishingStep(violation)) return Outcome::CONVERGED;
            continue;
        }
        boost_ = std::max(1.0, boost_ * BOOST_DECAY);
        const Outcome ray = testForRay();
        if (ray != Outcome::RUNNING) return ray;
        acceptStep(violation);
    }
}

// A point within the tolerance is final when it is far within it and meets the hard rows by
// the one rule, when it has been polished enough, or when the last polish did not help.
bool DualNewton::polishedEnough(double violation) const {
    if (polish_ >= MAX_POLISH_STEPS || violation >= previous_) return true;
    return violation <= POLISHED_SHARE * tolerance_ &&
           meetsRows(p_.hard, p_.hardLower, p_.hardUpper, current_.x);
}

// The Newton step into step_, with the rows of no curvature sent to their kinks. False when
// the deadline passed.
bool DualNewton::newtonStep(double violation) {
    system_.linearise(current_);
    const double forcing =
        polish_ > 0 ? TIGHT_SOLVE_RESIDUAL : std::min(MAX_FORCING, std::sqrt(violation));
    const double regularisation =
        polish_ > 0 ? TIGHT_REGULARISATION
                    : boost_ * std::clamp(violation, MIN_REGULARISATION, MAX_REGULARISATION);
    int steps = 0;
    for (int round = 0; round < MAX_HOLD_ROUNDS; ++round) {
        const int more =
            system_.solve(current_, sides_, gradient_, rowPenalty_, forcing, regularisation, step_);
        if (more < 0) {
            steps = -1;
            break;
        }
        steps += more;
        if (!holdRowsLeavingTheirSide()) break;
    }
    stepToKinks();
    if (steps < 0) return false;
    cgSteps_ += steps;
    return true;
}

// A multiplier at 0 whose step leaves its side stays at 0, and the others are solved again
// without it: otherwise its clamped step spoils theirs. Whether any was held.
bool DualNewton::holdRowsLeavingTheirSide() {
    bool held = false;
    for (int32_t i = 0; i < d_.hardRows; ++i) {
        const bool leaves = (sides_[i] == RowSide::NON_NEGATIVE && step_[i] < 0.0) ||
                            (sides_[i] == RowSide::NON_POSITIVE && step_[i] > 0.0);
        if (multipliers_[i] == 0.0 && leaves) {
            sides_[i] = RowSide::HELD_AT_ZERO;
            held = true;
        }
    }
    return held;
}

// After a failed search: a larger regularisation for a shorter step; false when it has grown
// beyond use (the method has stalled).
bool DualNewton::boostRegularisation() {
    boost_ *= BOOST_GROWTH;
    return boost_ <= MAX_BOOST;
}

// A polishing step is kept only when it meets the rows more tightly; false when it did not
// (the point before it is final).
bool DualNewton::keepPolishingStep(double violation) {
    std::swap(multipliers_, trial_);
    std::swap(current_, next_);
    const double polished = projectedGradient(current_);
    if (polished >= violation) {
        std::swap(multipliers_, trial_);
        std::swap(current_, next_);
        projectedGradient(current_);
        return false;
    }
    previous_ = violation;
    return true;
}

// Whether the dual rises without bound: every DRIFT_STEPS steps the drift of the multipliers
// over the last stretch is tested, and where the search went beyond the full step (g rose along
// it like a line) or on a drift test, the step solved tightly, which is then close to a ray.
Outcome DualNewton::testForRay() {
    const bool drifting = newtonSteps_ % DRIFT_STEPS == 0;
    if (drifting) {
        for (int32_t i = 0; i < d_.hardRows; ++i) ray_[i] = trial_[i] - drift_[i];
        std::copy(trial_.begin(), trial_.begin() + d_.hardRows, drift_.begin());
        if (!certifiedSupport(ray_).empty()) return Outcome::INFEASIBLE;
    }
    if (expanded_ || drifting) {
        if (tightSolve() < 0) return Outcome::TIME_LIMIT;
        std::copy(step_.begin(), step_.begin() + d_.hardRows, ray_.begin());
        if (!certifiedSupport(ray_).empty()) return Outcome::INFEASIBLE;
    }
    return Outcome::RUNNING;
}

void DualNewton::acceptStep(double violation) {
    std::swap(multipliers_, trial_);
    std::swap(current_, next_);
    previous_ = violation;
}

void DualNewton::report(Outcome outcome, ContinuousResult& result) {
    result.x = current_.x;
    result.hardDual.assign(multipliers_.begin(), multipliers_.begin() + d_.hardRows);
    result.objective = objective(current_);
    // g is a lower bound at any multipliers; at the optimum it may exceed F by rounding.
    result.dualBound =
        outcome == Outcome::CONVERGED ? std::min(current_.dual, result.objective) : current_.dual;
    result.kktResidual = kktResidual(current_);
    result.status.call = CallStatus::OK;
    result.status.model = ModelStatus::NOT_CONVERGED;
    switch (outcome) {
        case Outcome::CONVERGED:
            result.status.model = ModelStatus::OPTIMAL;
            break;
        case Outcome::TIME_LIMIT:
            result.status.model = ModelStatus::NO_POINT;
            result.status.stop = StopReason::TIME_LIMIT;
            break;
        case Outcome::INFEASIBLE:
            result.status.model = ModelStatus::INFEASIBLE;
            findSuspects(result);
            break;
        case Outcome::RUNNING:
        case Outcome::STALLED:
            stalledSuspects(result);
            break;
    }
    result.newtonSteps = newtonSteps_;
    result.cgSteps = cgSteps_;
}

// --- The residuals ---------------------------------------------------------------------------

// The gradient of g over the rows that may move, the side each row's multiplier keeps to, and
// the largest scaled gradient entry: the rows' violation and complementarity.
double DualNewton::projectedGradient(const Point& point) {
    double largest = 0.0;
    for (int32_t i = 0; i < d_.rows; ++i) {
        const double y = multipliers_[i];
        const double lo = d_.lower[i];
        const double hi = d_.upper[i];
        const double ax = point.activity[i];
        double g = 0.0;
        RowSide side = RowSide::HELD_AT_ZERO;
        if (i >= d_.hardRows) {
            g = lo - ax - y * d_.weakScale[i];
            side = RowSide::FREE;
        } else if (lo == hi) {
            g = lo - ax;
            side = RowSide::FREE;
        } else if (y > 0.0) {
            g = lo - ax;
            side = RowSide::NON_NEGATIVE;
        } else if (y < 0.0) {
            g = hi - ax;
            side = RowSide::NON_POSITIVE;
        } else if (lo - ax > 0.0) {
            g = lo - ax;
            side = RowSide::NON_NEGATIVE;
        } else if (hi - ax < 0.0) {
            g = hi - ax;
            side = RowSide::NON_POSITIVE;
        }
        gradient_[i] = g;
        sides_[i] = side;
        largest = std::max(largest, std::fabs(g) / std::max(1.0, point.magnitude[i]));
        if (i >= d_.hardRows) {
            // The weak multiplier that x implies differs from y by g / weakScale: its effect
            // on the cells' optimality conditions.
            const double a = d_.largestEntry[i];
            largest =
                std::max(largest, std::fabs(g) * a / d_.weakScale[i] / (1.0 + std::fabs(y) * a));
        }
    }
    return largest;
}

double DualNewton::objective(const Point& point) const {
    double total = point.cost;
    for (int32_t i = d_.hardRows; i < d_.rows; ++i) {
        const double deviation = point.activity[i] - d_.lower[i];
        total += 0.5 * deviation * deviation / d_.weakScale[i];
    }
    return total;
}

// See ContinuousResult::kktResidual.
double DualNewton::kktResidual(const Point& point) const {
    double largest = 0.0;
    std::vector<double> multiplier(d_.rows, 0.0);
    for (int32_t i = 0; i < d_.rows; ++i) {
        const double scale = std::max(1.0, point.magnitude[i]);
        const double ax = point.activity[i];
        if (i >= d_.hardRows) {
            multiplier[i] = -(ax - d_.lower[i]) / d_.weakScale[i];
            continue;
        }
        multiplier[i] = multipliers_[i];
        const double lo = d_.lower[i];
        const double hi = d_.upper[i];
        double violation = std::max({lo - ax, ax - hi, 0.0});
        largest = std::max(largest, violation / scale);
        const double y = multipliers_[i];
        if (y != 0.0) {
            const double bound = y > 0.0 ? lo : hi;
            largest = std::max(largest, std::min(std::fabs(y), std::fabs(ax - bound) / scale));
        }
    }
    const int64_t* start = d_.columns.start.data();
    const double* value = d_.columns.values();
    for (int32_t j = 0; j < d_.cells; ++j) {
        double v = 0.0;
        double size = 0.0;
        for (int64_t k = start[j]; k < start[j + 1]; ++k) {
            const double term = entryValue(value, k) * multiplier[d_.columns.row[k]];
            v += term;
            size += std::fabs(term);
        }
        const double x = point.x[j];
        double r = p_.cellCost(j).slopeGap(x, v);
        if (x <= p_.lower[j]) r = std::min(r, 0.0);
        if (x >= p_.upper[j]) r = std::max(r, 0.0);
        largest = std::max(largest, std::fabs(r) / (1.0 + size));
    }
    return largest;
}

// --- The search along a step -----------------------------------------------------------------

// A hard row whose cells all sit on their bounds has no curvature: g is linear in its
// multiplier until one of its cells leaves its bound, and the Newton system says nothing about
// the step's length. Its step goes just past the nearest such kink (or, without one, keeps the
// length the system gave it, and the search goes on outwards).
void DualNewton::stepToKinks() {
    for (int32_t i = 0; i < d_.hardRows; ++i) {
        if (sides_[i] == RowSide::HELD_AT_ZERO || current_.curvature[i] != 0.0 ||
            gradient_[i] == 0.0)
            continue;
        const double direction = gradient_[i] > 0.0 ? 1.0 : -1.0;
        double nearest = INFINITE_BOUND;
        for (int64_t k = p_.hard.start[i]; k < p_.hard.start[i + 1]; ++k) {
            const int32_t j = p_.hard.column[k];
            const double rate = p_.hard.value[k] * direction;
            const double lo = p_.lower[j];
            const double hi = p_.upper[j];
            if (!(lo < hi) || rate == 0.0) continue;
            const CellCost cell = p_.cellCost(j);
            const double v = current_.v[j];
            // The cell is inside its bounds for v between these two.
            const double from = std::isfinite(lo) ? cell.priceOf(lo) : -INFINITE_BOUND;
            const double to = std::isfinite(hi) ? cell.priceOf(hi) : INFINITE_BOUND;
            double distance = INFINITE_BOUND;
            if (v <= from && rate > 0.0) distance = (from - v) / rate;
            if (v >= to && rate < 0.0) distance = (to - v) / rate;
            nearest = std::min(nearest, distance);
        }
        if (std::isfinite(nearest))
            step_[i] = direction * (nearest * (1.0 + KINK_OVERSHOOT) +
                                    KINK_NUDGE * (1.0 + std::fabs(multipliers_[i])));
    }
}

// The multipliers alpha * step_ away from multipliers_, kept to their sides, into `to`;
// returns the gradient's share of the change (the linear prediction of g's rise).
double DualNewton::project(double alpha, std::vector<double>& to) const {
    double ascent = 0.0;
    for (int32_t i = 0; i < d_.rows; ++i) {
        double y = multipliers_[i];
        if (sides_[i] != RowSide::HELD_AT_ZERO) {
            y += alpha * step_[i];
            if (sides_[i] == RowSide::NON_NEGATIVE) y = std::max(y, 0.0);
            if (sides_[i] == RowSide::NON_POSITIVE) y = std::min(y, 0.0);
        }
        to[i] = y;
        ascent += gradient_[i] * (y - multipliers_[i]);
    }
    return ascent;
}

// A projected Armijo search along step_ from multipliers_; on success the new point is in
// trial_ and next_. Where the full step rises as fast as the gradient predicts, g is linear
// there (cells held at their bounds, or a problem without solution), and the search goes on
// outwards while g keeps rising, so that far kinks are reached in a few steps.
bool DualNewton::lineSearch() {
    double alpha = 1.0;
    bool accepted = false;
    expanded_ = false;
    double ascent = 0.0;
    for (int halving = 0; halving < MAX_HALVINGS; ++halving, alpha *= 0.5) {
        ascent = project(alpha, trial_);
        if (!std::isfinite(ascent)) return false;
        // Clamped multipliers can make a long step no ascent; a shorter one clamps fewer.
        if (!(ascent > 0.0)) continue;
        evaluate(p_, d_, trial_, next_);
        const double slack = DUAL_ROUNDING * std::max(current_.dualMagnitude, next_.dualMagnitude);
        if (next_.dual >= current_.dual + ARMIJO * ascent - slack) {
            accepted = true;
            break;
        }
        if (timeUp()) return false;
    }
    if (!accepted) return false;
    if (alpha < 1.0 || next_.dual - current_.dual < LINEAR_RISE * ascent) return true;
    for (int expansion = 0; expansion < MAX_EXPANSIONS && !timeUp(); ++expansion) {
        alpha *= EXPANSION_FACTOR;
        const double further = project(alpha, farther_);
        if (!std::isfinite(further)) break;
        evaluate(p_, d_, farther_, farthest_);
        if (!(farthest_.dual > next_.dual) ||
            farthest_.dual - current_.dual < KEEPS_RISING * further)
            break;
        std::swap(trial_, farther_);
        std::swap(next_, farthest_);
        expanded_ = true;
    }
    return true;
}

// --- Rays ------------------------------------------------------------------------------------

// The hard rows of `ray` when it proves that no table exists (certifiedRay), else none.
std::vector<int32_t> DualNewton::certifiedSupport(const std::vector<double>& ray) const {
    const std::vector<double> proof =
        certifiedRay(p_.hard, p_.hardLower, p_.hardUpper, p_.lower, p_.upper, ray);
    std::vector<int32_t> support;
    for (std::size_t i = 0; i < proof.size(); ++i)
        if (proof[i] != 0.0) support.push_back(static_cast<int32_t>(i));
    return support;
}

// The step at the current point solved tightly, with hardly any regularisation: where g rises
// without bound, close to a ray. Returns the CG steps, or -1 when the deadline passed.
int DualNewton::tightSolve() {
    const int steps = system_.solve(current_, sides_, gradient_, rowPenalty_, TIGHT_SOLVE_RESIDUAL,
                                    TIGHT_REGULARISATION, step_);
    if (steps < 0) return steps;
    cgSteps_ += steps;
    stepToKinks();
    return steps;
}

// The rows of the proven ray_, as few as still prove it: the rows with the largest shares of
// the ray, at falling thresholds, each time with a ray solved again over just those rows; a
// smaller set whose ray is a proof by itself replaces the last, until none is found.
void DualNewton::findSuspects(ContinuousResult& result) {
    const std::vector<RowSide> sides = sides_;
    std::vector<double> best = ray_;
    std::vector<int32_t> bestSupport = certifiedSupport(best);
    for (bool reduced = true; reduced && !timeUp();) {
        reduced = false;
        double largest = 0.0;
        for (int32_t i = 0; i < d_.hardRows; ++i) largest = std::max(largest, std::fabs(best[i]));
        for (double share : NARROWING_SHARES) {
            std::size_t kept = 0;
            for (int32_t i = 0; i < d_.rows; ++i) {
                const bool drop = i < d_.hardRows && std::fabs(best[i]) < share * largest;
                sides_[i] = drop ? RowSide::HELD_AT_ZERO : sides[i];
                kept += i < d_.hardRows && !drop;
                if (i < d_.hardRows && !drop)
                    rowPenalty_[i] = std::min(MAX_ROW_PENALTY, largest / std::fabs(best[i]));
            }
            if (kept >= bestSupport.size()) break;
            if (tightSolve() < 0) break;
            std::vector<double> candidate(d_.hardRows, 0.0);
            for (int32_t i = 0; i < d_.hardRows; ++i)
                if (sides_[i] != RowSide::HELD_AT_ZERO) candidate[i] = step_[i];
            std::vector<int32_t> support = certifiedSupport(candidate);
            if (!support.empty() && support.size() < bestSupport.size()) {
                best = std::move(candidate);
                bestSupport = std::move(support);
                reduced = true;
                break;
            }
        }
    }
    sides_ = sides;
    std::fill(rowPenalty_.begin(), rowPenalty_.end(), 1.0);
    result.suspectRows = std::move(bestSupport);
}

// No certificate and no convergence: the rows still violated most are the likeliest culprits.
void DualNewton::stalledSuspects(ContinuousResult& result) const {
    auto scaled = [this](int32_t i) {
        return std::fabs(gradient_[i]) / std::max(1.0, current_.magnitude[i]);
    };
    double largest = 0.0;
    for (int32_t i = 0; i < d_.hardRows; ++i) largest = std::max(largest, scaled(i));
    for (int32_t i = 0; i < d_.hardRows; ++i)
        if (scaled(i) > STALLED_SUSPECT_SHARE * largest) result.suspectRows.push_back(i);
}

}  // namespace

ContinuousResult solveContinuous(const AdjustmentProblem& problem,
                                 const ContinuousOptions& options) {
    try {
        DualNewton method(problem, options);
        return method.solve();
    } catch (const std::bad_alloc&) {
        ContinuousResult result;
        result.status.call = CallStatus::NO_MEMORY;
        return result;
    }
}
