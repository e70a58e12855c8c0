// The real-valued adjustment by a semismooth Newton method on the dual.
//
// With one multiplier y_i per hard row and z_w per weak row (the weak row written as
// a_w.x - s_w = t_w with a free slack s_w of cost c_w s_w^2, c_w = weight / max(|t_w|, 1)),
// the cells minimise the Lagrangian each on its own:
//     x_j(y, z) = clip(base_j + base_j * v_j / 2, lower_j, upper_j),  v = A^T y + W^T z,
// and the dual function
//     g(y, z) = sum_j [(x_j - b_j)^2 / b_j - v_j x_j] + sum_i sigma_i(y_i)
//             + sum_w [z_w t_w - z_w^2 / (4 c_w)],
// with sigma_i(y) = y L_i for y > 0 and y U_i for y < 0, is concave, once differentiable and
// piecewise quadratic. Its value at any multipliers of the right signs (y_i >= 0 needs only a
// lower bound, y_i <= 0 only an upper bound) is a lower bound on the optimum.
//
// Each Newton step solves (A_F D A_F^T + C + mu) d = gradient over the free rows F by
// Jacobi-preconditioned conjugate gradients, where D_j = b_j / 2 for the cells strictly inside
// their bounds and 0 otherwise and C holds 1 / (2 c_w) for the weak rows; mu is a small
// regularisation (rows such as the margins of a table are linearly dependent). A projected
// Armijo search follows. Everything runs over one copy of the rows stored by column, so each
// product with the Hessian is one pass over the entries, gathering from and adding into
// row-sized vectors.
//
// A row whose cells all sit on their bounds has no curvature; its step goes to the nearest
// kink, and where g rises along a step like a line the search goes on outwards.
//
// A problem without a solution shows itself as a dual that grows without bound: the steps
// turn into a ray d with sigma(d) > max over the cell box of (A^T d).x, which proves that no
// table exists. The ray is narrowed to fewer rows, each time proven again; its rows are the
// suspect rows.
#include "qorsolve/continuous_solver.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <utility>

namespace {

constexpr int MAX_NEWTON_STEPS = 1000;
constexpr int MAX_CG_STEPS = 1000;
constexpr int MAX_HALVINGS = 60;
constexpr int MAX_POLISH_STEPS = 3;
constexpr int MAX_EXPANSIONS = 20;
constexpr int DRIFT_STEPS = 25;
constexpr double ARMIJO = 1e-4;
// A direction in which the dual grows is accepted as proof that no table exists when its
// growth rate exceeds this share of the magnitudes it is computed from.
constexpr double RAY_MARGIN = 1e-7;
// Ray entries below this share of the largest are rounding noise and left out.
constexpr double RAY_NOISE = 1e-9;
// A product entry (A^T d)_j below this share of sum_i |a_ij d_i| counts as cancelled.
constexpr double RAY_CANCELLED = 1e-9;

// The rows stored by column: hard rows first, then the weak rows with a positive weight.
struct ColumnRows {
    std::vector<int64_t> start;
    std::vector<int32_t> row;
    std::vector<double> value;
};

// Everything that follows from one choice of multipliers.
struct Point {
    std::vector<double> x;
    std::vector<double> v;          // A^T y + W^T z
    std::vector<double> slope;      // dx_j/dv_j: base_j / 2 inside the bounds, else 0
    std::vector<double> activity;   // a_i . x
    std::vector<double> magnitude;  // sum_j |a_ij x_j|
    std::vector<double> curvature;  // sum_j a_ij^2 slope_j
    double cost = 0.0;              // sum_j (x_j - b_j)^2 / b_j
    double dual = 0.0;              // g
    double dualMagnitude = 0.0;     // sum of the magnitudes of g's terms (its rounding scale)
};

enum class Outcome { CONVERGED, INFEASIBLE, TIME_LIMIT, STALLED };

class DualNewton {
  public:
    DualNewton(const AdjustmentProblem& problem, const ContinuousOptions& options)
        : p_(problem), options_(options) {}

    ContinuousResult solve();

  private:
    bool validate(ContinuousResult& result) const;
    void build();
    void evaluate(const std::vector<double>& multipliers, Point& point) const;
    double projectedGradient(const Point& point);
    int conjugateGradient(double relativeTarget, double regularisation);
    void multiply(const std::vector<double>& direction, std::vector<double>& product) const;
    void stepToKinks();
    double project(double alpha, std::vector<double>& to) const;
    bool lineSearch();
    bool certifyRay(const std::vector<double>& ray, double keepShare,
                    std::vector<int32_t>* support) const;
    void findSuspects(const std::vector<double>& ray, ContinuousResult& result);
    double objective(const Point& point) const;
    double kktResidual(const Point& point) const;
    bool timeUp() const { return options_.deadline != nullptr && options_.deadline->passed(); }

    const AdjustmentProblem& p_;
    const ContinuousOptions& options_;

    int32_t cells_ = 0;
    int32_t hardRows_ = 0;
    int32_t rows_ = 0;
    ColumnRows columns_;
    std::vector<double> rowLower_;
    std::vector<double> rowUpper_;
    std::vector<double> weakScale_;        // 1 / (2 c_w) for weak rows, 0 for hard rows
    std::vector<int32_t> weakIndex_;       // the problem's weak row of each weak row used
    std::vector<double> weakCoefficient_;  // largest |a_wj| of each weak row
    std::vector<double> freeCurvature_;    // sum_j a_ij^2 base_j / 2, at least the smallest normal

    std::vector<double> multipliers_;
    std::vector<double> gradient_;
    std::vector<signed char> side_;  // +1: y >= 0, -1: y <= 0, 0: free, 2: held at 0
    std::vector<int32_t> freeCells_;
    std::vector<double> preconditioner_;
    std::vector<double> extraDiagonal_;
    std::vector<double> rowPenalty_;  // weights of the regularisation (all 1 but in findSuspects)
    std::vector<double> step_;
    std::vector<double> trial_;
    std::vector<double> residual_, search_, product_, scaled_;
    Point current_;
    Point next_;
    std::vector<double> farther_;  // a longer step tried by the search, and its point
    Point farthest_;
    bool expanded_ = false;  // the last search went beyond the full step

    int newtonSteps_ = 0;
    int cgSteps_ = 0;
};

bool DualNewton::validate(ContinuousResult& result) const {
    const std::size_t n = p_.base.size();
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
    const std::size_t hard = p_.hardLower.size();
    const std::size_t weak = p_.weakTarget.size();
    bool shapeOk = p_.lower.size() == n && p_.upper.size() == n && p_.hardUpper.size() == hard &&
                   p_.weakWeight.size() == weak && sparseOk(p_.hard, hard) &&
                   sparseOk(p_.weak, weak) && n <= static_cast<std::size_t>(INT32_MAX) &&
                   hard + weak <= static_cast<std::size_t>(INT32_MAX);
    for (std::size_t j = 0; shapeOk && j < n; ++j)
        shapeOk = std::isfinite(p_.base[j]) && p_.base[j] > 0.0 && !std::isnan(p_.lower[j]) &&
                  !std::isnan(p_.upper[j]) && p_.lower[j] < INFINITE_BOUND &&
                  p_.upper[j] > -INFINITE_BOUND;
    for (std::size_t i = 0; shapeOk && i < hard; ++i)
        shapeOk = !std::isnan(p_.hardLower[i]) && !std::isnan(p_.hardUpper[i]);
    for (std::size_t w = 0; shapeOk && w < weak; ++w)
        shapeOk = std::isfinite(p_.weakTarget[w]) && !std::isnan(p_.weakWeight[w]);
    if (!shapeOk) {
        result.status = ContinuousStatus::INFEASIBLE;
        return false;
    }
    for (std::size_t j = 0; j < n; ++j) {
        if (p_.lower[j] > p_.upper[j]) {
            result.status = ContinuousStatus::INFEASIBLE;
            return false;
        }
    }
    for (std::size_t i = 0; i < hard; ++i) {
        if (p_.hardLower[i] > p_.hardUpper[i] || p_.hardLower[i] == INFINITE_BOUND ||
            p_.hardUpper[i] == -INFINITE_BOUND)
            result.suspectRows.push_back(static_cast<int32_t>(i));
    }
    if (!result.suspectRows.empty()) {
        result.status = ContinuousStatus::INFEASIBLE;
        return false;
    }
    return true;
}

void DualNewton::build() {
    cells_ = p_.cellCount();
    hardRows_ = p_.hard.rowCount();
    for (int32_t w = 0; w < p_.weak.rowCount(); ++w)
        if (p_.weakWeight[w] > 0.0 && std::isfinite(p_.weakWeight[w])) weakIndex_.push_back(w);
    rows_ = hardRows_ + static_cast<int32_t>(weakIndex_.size());

    rowLower_.assign(rows_, 0.0);
    rowUpper_.assign(rows_, 0.0);
    weakScale_.assign(rows_, 0.0);
    for (int32_t i = 0; i < hardRows_; ++i) {
        rowLower_[i] = p_.hardLower[i];
        rowUpper_[i] = p_.hardUpper[i];
    }
    for (std::size_t k = 0; k < weakIndex_.size(); ++k) {
        const int32_t w = weakIndex_[k];
        const double target = p_.weakTarget[w];
        const double cost = p_.weakWeight[w] / std::max(std::fabs(target), 1.0);
        rowLower_[hardRows_ + k] = rowUpper_[hardRows_ + k] = target;
        weakScale_[hardRows_ + k] = 0.5 / cost;
    }

    columns_.start.assign(static_cast<std::size_t>(cells_) + 1, 0);
    auto count = [this](const SparseRows& rows, int32_t row) {
        for (int64_t k = rows.start[row]; k < rows.start[row + 1]; ++k)
            ++columns_.start[rows.column[k] + 1];
    };
    for (int32_t i = 0; i < hardRows_; ++i) count(p_.hard, i);
    for (int32_t w : weakIndex_) count(p_.weak, w);
    for (int32_t j = 0; j < cells_; ++j) columns_.start[j + 1] += columns_.start[j];
    const auto entries = static_cast<std::size_t>(columns_.start[cells_]);
    columns_.row.resize(entries);
    columns_.value.resize(entries);
    std::vector<int64_t> fill(columns_.start.begin(), columns_.start.end() - 1);
    auto place = [this, &fill](const SparseRows& rows, int32_t from, int32_t to) {
        for (int64_t k = rows.start[from]; k < rows.start[from + 1]; ++k) {
            const int64_t at = fill[rows.column[k]]++;
            columns_.row[at] = to;
            columns_.value[at] = rows.value[k];
        }
    };
    for (int32_t i = 0; i < hardRows_; ++i) place(p_.hard, i, i);
    for (std::size_t k = 0; k < weakIndex_.size(); ++k)
        place(p_.weak, weakIndex_[k], hardRows_ + static_cast<int32_t>(k));

    freeCurvature_.assign(rows_, 0.0);
    weakCoefficient_.assign(rows_, 0.0);
    for (int32_t j = 0; j < cells_; ++j) {
        for (int64_t k = columns_.start[j]; k < columns_.start[j + 1]; ++k) {
            const int32_t i = columns_.row[k];
            const double a = columns_.value[k];
            weakCoefficient_[i] = std::max(weakCoefficient_[i], std::fabs(a));
            freeCurvature_[i] += a * a * 0.5 * p_.base[j];
        }
    }
    for (double& c : freeCurvature_) c = std::max(c, 1e-300);

    for (Point* point : {&current_, &next_, &farthest_}) {
        point->x.resize(cells_);
        point->slope.resize(cells_);
        point->v.resize(cells_);
        point->activity.resize(rows_);
        point->magnitude.resize(rows_);
        point->curvature.resize(rows_);
    }
    multipliers_.assign(rows_, 0.0);
    for (auto* v : {&gradient_, &preconditioner_, &extraDiagonal_, &step_, &trial_, &farther_,
                    &residual_, &search_, &product_, &scaled_})
        v->assign(rows_, 0.0);
    side_.assign(rows_, 0);
    rowPenalty_.assign(rows_, 1.0);
    freeCells_.reserve(cells_);
}

void DualNewton::evaluate(const std::vector<double>& multipliers, Point& point) const {
    std::fill(point.activity.begin(), point.activity.end(), 0.0);
    std::fill(point.magnitude.begin(), point.magnitude.end(), 0.0);
    std::fill(point.curvature.begin(), point.curvature.end(), 0.0);
    const int64_t* start = columns_.start.data();
    const int32_t* row = columns_.row.data();
    const double* value = columns_.value.data();
    const double* y = multipliers.data();
    double* activity = point.activity.data();
    double* magnitude = point.magnitude.data();
    double* curvature = point.curvature.data();
    double cost = 0.0;
    double lagrangian = 0.0;
    double scale = 0.0;
    for (int32_t j = 0; j < cells_; ++j) {
        double v = 0.0;
        for (int64_t k = start[j]; k < start[j + 1]; ++k) v += value[k] * y[row[k]];
        const double b = p_.base[j];
        const double unclipped = b + 0.5 * b * v;
        const double lo = p_.lower[j];
        const double hi = p_.upper[j];
        double x = unclipped;
        double slope = 0.5 * b;
        if (!(unclipped > lo)) {
            x = lo;
            slope = 0.0;
        } else if (!(unclipped < hi)) {
            x = hi;
            slope = 0.0;
        }
        point.x[j] = x;
        point.slope[j] = slope;
        point.v[j] = v;
        const double change = x - b;
        const double c = change * change / b;
        cost += c;
        lagrangian += c - v * x;
        scale += c + std::fabs(v * x);
        for (int64_t k = start[j]; k < start[j + 1]; ++k) {
            const double ax = value[k] * x;
            activity[row[k]] += ax;
            magnitude[row[k]] += std::fabs(ax);
            curvature[row[k]] += value[k] * value[k] * slope;
        }
    }
    for (int32_t i = 0; i < rows_; ++i) {
        const double m = y[i];
        double term = 0.0;
        if (i >= hardRows_)
            term = m * rowLower_[i] - 0.5 * m * m * weakScale_[i];
        else if (m > 0.0)
            term = m * rowLower_[i];
        else if (m < 0.0)
            term = m * rowUpper_[i];
        lagrangian += term;
        scale += std::fabs(term);
    }
    point.cost = cost;
    point.dual = lagrangian;
    point.dualMagnitude = scale;
}

// The gradient of g over the rows that may move, the side each row's multiplier keeps to, and
// the largest scaled gradient entry: the rows' violation and complementarity.
double DualNewton::projectedGradient(const Point& point) {
    double largest = 0.0;
    for (int32_t i = 0; i < rows_; ++i) {
        const double y = multipliers_[i];
        const double lo = rowLower_[i];
        const double hi = rowUpper_[i];
        const double ax = point.activity[i];
        double g = 0.0;
        signed char side = 2;
        if (i >= hardRows_) {
            g = lo - ax - y * weakScale_[i];
            side = 0;
        } else if (lo == hi) {
            g = lo - ax;
            side = 0;
        } else if (y > 0.0) {
            g = lo - ax;
            side = 1;
        } else if (y < 0.0) {
            g = hi - ax;
            side = -1;
        } else if (lo - ax > 0.0) {
            g = lo - ax;
            side = 1;
        } else if (hi - ax < 0.0) {
            g = hi - ax;
            side = -1;
        }
        gradient_[i] = g;
        side_[i] = side;
        largest = std::max(largest, std::fabs(g) / std::max(1.0, point.magnitude[i]));
        if (i >= hardRows_) {
            // The weak multiplier that x implies differs from y by g / weakScale_: its effect
            // on the cells' optimality conditions.
            const double a = weakCoefficient_[i];
            largest =
                std::max(largest, std::fabs(g) * a / weakScale_[i] / (1.0 + std::fabs(y) * a));
        }
    }
    return largest;
}

void DualNewton::multiply(const std::vector<double>& direction,
                          std::vector<double>& product) const {
    std::fill(product.begin(), product.end(), 0.0);
    const int64_t* start = columns_.start.data();
    const int32_t* row = columns_.row.data();
    const double* value = columns_.value.data();
    const double* d = direction.data();
    double* out = product.data();
    const double* slope = current_.slope.data();
    for (int32_t j : freeCells_) {
        double v = 0.0;
        for (int64_t k = start[j]; k < start[j + 1]; ++k) v += value[k] * d[row[k]];
        if (v == 0.0) continue;
        v *= slope[j];
        for (int64_t k = start[j]; k < start[j + 1]; ++k) out[row[k]] += value[k] * v;
    }
    for (int32_t i = 0; i < rows_; ++i)
        out[i] = side_[i] == 2 ? 0.0 : out[i] + extraDiagonal_[i] * d[i];
}

// Solves the Newton system into step_ until the residual is below relativeTarget times the
// gradient (Euclidean norms). Returns the number of steps, or -1 when the deadline passed.
int DualNewton::conjugateGradient(double relativeTarget, double regularisation) {
    double rr = 0.0;
    for (int32_t i = 0; i < rows_; ++i) {
        // A row whose cells all sit on a bound has no curvature: its step is scaled by the
        // curvature it would have with every cell free, to reach the cells' kinks in a few
        // halvings of the search.
        const double diagonal = current_.curvature[i] + weakScale_[i];
        const double floor = diagonal > 0.0 ? 1e-12 * freeCurvature_[i] : freeCurvature_[i];
        extraDiagonal_[i] = weakScale_[i] + regularisation * diagonal * rowPenalty_[i] + floor;
        preconditioner_[i] = current_.curvature[i] + extraDiagonal_[i];
        step_[i] = 0.0;
        residual_[i] = side_[i] == 2 ? 0.0 : gradient_[i];
        rr += residual_[i] * residual_[i];
    }
    const double target = relativeTarget * relativeTarget * rr;
    double rz = 0.0;
    for (int32_t i = 0; i < rows_; ++i) {
        scaled_[i] = residual_[i] / preconditioner_[i];
        search_[i] = scaled_[i];
        rz += residual_[i] * scaled_[i];
    }
    int steps = 0;
    while (rr > target && steps < MAX_CG_STEPS) {
        if (timeUp()) return -1;
        if (options_.progress != nullptr)
            options_.progress->update("continuous", NAN, current_.dual);
        multiply(search_, product_);
        ++steps;
        double curvature = 0.0;
        for (int32_t i = 0; i < rows_; ++i) curvature += search_[i] * product_[i];
        if (!(curvature > 0.0)) break;
        const double alpha = rz / curvature;
        rr = 0.0;
        double rzNext = 0.0;
        for (int32_t i = 0; i < rows_; ++i) {
            step_[i] += alpha * search_[i];
            residual_[i] -= alpha * product_[i];
            rr += residual_[i] * residual_[i];
            scaled_[i] = residual_[i] / preconditioner_[i];
            rzNext += residual_[i] * scaled_[i];
        }
        const double beta = rzNext / rz;
        rz = rzNext;
        for (int32_t i = 0; i < rows_; ++i) search_[i] = scaled_[i] + beta * search_[i];
    }
    return steps;
}

// A hard row whose cells all sit on their bounds has no curvature: g is linear in its
// multiplier until one of its cells leaves its bound, and the Newton system says nothing about
// the step's length. Its step goes just past the nearest such kink (or, without one, keeps the
// length the system gave it, and the search goes on outwards).
void DualNewton::stepToKinks() {
    for (int32_t i = 0; i < hardRows_; ++i) {
        if (side_[i] == 2 || current_.curvature[i] != 0.0 || gradient_[i] == 0.0) continue;
        const double direction = gradient_[i] > 0.0 ? 1.0 : -1.0;
        double nearest = INFINITE_BOUND;
        for (int64_t k = p_.hard.start[i]; k < p_.hard.start[i + 1]; ++k) {
            const int32_t j = p_.hard.column[k];
            const double rate = p_.hard.value[k] * direction;
            const double lo = p_.lower[j];
            const double hi = p_.upper[j];
            if (!(lo < hi) || rate == 0.0) continue;
            const double b = p_.base[j];
            const double v = current_.v[j];
            // The cell is inside its bounds for v between these two.
            const double from = std::isfinite(lo) ? 2.0 * (lo / b - 1.0) : -INFINITE_BOUND;
            const double to = std::isfinite(hi) ? 2.0 * (hi / b - 1.0) : INFINITE_BOUND;
            double distance = INFINITE_BOUND;
            if (v <= from && rate > 0.0) distance = (from - v) / rate;
            if (v >= to && rate < 0.0) distance = (to - v) / rate;
            nearest = std::min(nearest, distance);
        }
        if (std::isfinite(nearest))
            step_[i] =
                direction * (nearest * (1.0 + 1e-6) + 1e-12 * (1.0 + std::fabs(multipliers_[i])));
    }
}

// The multipliers alpha * step_ away from multipliers_, kept to their sides, into `to`;
// returns the gradient's share of the change (the linear prediction of g's rise).
double DualNewton::project(double alpha, std::vector<double>& to) const {
    double ascent = 0.0;
    for (int32_t i = 0; i < rows_; ++i) {
        double y = multipliers_[i];
        if (side_[i] != 2) {
            y += alpha * step_[i];
            if (side_[i] == 1) y = std::max(y, 0.0);
            if (side_[i] == -1) y = std::min(y, 0.0);
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
        evaluate(trial_, next_);
        const double slack = 1e-12 * std::max(current_.dualMagnitude, next_.dualMagnitude);
        if (next_.dual >= current_.dual + ARMIJO * ascent - slack) {
            accepted = true;
            break;
        }
        if (timeUp()) return false;
    }
    if (!accepted) return false;
    if (alpha < 1.0 || next_.dual - current_.dual < 0.9 * ascent) return true;
    for (int expansion = 0; expansion < MAX_EXPANSIONS && !timeUp(); ++expansion) {
        alpha *= 4.0;
        const double further = project(alpha, farther_);
        if (!std::isfinite(further)) break;
        evaluate(farther_, farthest_);
        if (!(farthest_.dual > next_.dual) || farthest_.dual - current_.dual < 0.5 * further) break;
        std::swap(trial_, farther_);
        std::swap(next_, farthest_);
        expanded_ = true;
    }
    return true;
}

// Whether the dual grows without bound along `ray` (over the hard rows): sigma(ray) above the
// largest value of (A^T ray).x over the cell box, by a clear margin. Rows whose share of the
// ray is below keepShare of its largest entry are left out. The rows used go to *support.
bool DualNewton::certifyRay(const std::vector<double>& ray, double keepShare,
                            std::vector<int32_t>* support) const {
    double largest = 0.0;
    for (int32_t i = 0; i < hardRows_; ++i) largest = std::max(largest, std::fabs(ray[i]));
    if (!(largest > 0.0) || !std::isfinite(largest)) return false;
    std::vector<double> kept(hardRows_, 0.0);
    double rowSide = 0.0;
    double scale = 0.0;
    for (int32_t i = 0; i < hardRows_; ++i) {
        const double d = ray[i] / largest;
        if (std::fabs(d) < std::max(keepShare, RAY_NOISE)) continue;
        const double bound = d > 0.0 ? rowLower_[i] : rowUpper_[i];
        if (!std::isfinite(bound)) return false;
        kept[i] = d;
        rowSide += d * bound;
        scale += std::fabs(d * bound);
        if (support != nullptr) support->push_back(i);
    }
    double boxSide = 0.0;
    const int64_t* start = columns_.start.data();
    const int32_t* row = columns_.row.data();
    const double* value = columns_.value.data();
    for (int32_t j = 0; j < cells_; ++j) {
        double v = 0.0;
        double size = 0.0;
        for (int64_t k = start[j]; k < start[j + 1]; ++k) {
            if (row[k] >= hardRows_) continue;
            const double term = value[k] * kept[row[k]];
            v += term;
            size += std::fabs(term);
        }
        if (v == 0.0) continue;
        const double bound = v > 0.0 ? p_.upper[j] : p_.lower[j];
        if (!std::isfinite(bound)) {
            if (std::fabs(v) <= RAY_CANCELLED * size) continue;
            return false;
        }
        boxSide += v * bound;
        scale += std::fabs(v * bound);
    }
    return rowSide - boxSide > RAY_MARGIN * std::max(scale, 1e-300);
}

// The rows of a proven ray, as few as still prove it: the rows with the largest shares of the
// ray, at falling thresholds, each time with a ray solved again over just those rows; a smaller
// set whose ray is a proof by itself replaces the last, until none is found.
void DualNewton::findSuspects(const std::vector<double>& ray, ContinuousResult& result) {
    const std::vector<signed char> sides = side_;
    std::vector<double> best = ray;
    std::vector<int32_t> bestSupport;
    certifyRay(best, 0.0, &bestSupport);
    for (bool reduced = true; reduced && !timeUp();) {
        reduced = false;
        double largest = 0.0;
        for (int32_t i = 0; i < hardRows_; ++i) largest = std::max(largest, std::fabs(best[i]));
        for (double share : {1e-2, 1e-3, 1e-4}) {
            std::size_t kept = 0;
            for (int32_t i = 0; i < rows_; ++i) {
                const bool drop = i < hardRows_ && std::fabs(best[i]) < share * largest;
                side_[i] = drop ? 2 : sides[i];
                kept += i < hardRows_ && !drop;
                if (i < hardRows_ && !drop)
                    rowPenalty_[i] = std::min(1e4, largest / std::fabs(best[i]));
            }
            if (kept >= bestSupport.size()) break;
            const int steps = conjugateGradient(1e-10, 1e-14);
            if (steps < 0) break;
            cgSteps_ += steps;
            stepToKinks();
            std::vector<double> candidate(hardRows_, 0.0);
            for (int32_t i = 0; i < hardRows_; ++i)
                if (side_[i] != 2) candidate[i] = step_[i];
            std::vector<int32_t> support;
            if (certifyRay(candidate, 0.0, &support) && support.size() < bestSupport.size()) {
                best = std::move(candidate);
                bestSupport = std::move(support);
                reduced = true;
                break;
            }
        }
    }
    side_ = sides;
    std::fill(rowPenalty_.begin(), rowPenalty_.end(), 1.0);
    result.suspectRows = std::move(bestSupport);
}

double DualNewton::objective(const Point& point) const {
    double total = point.cost;
    for (int32_t i = hardRows_; i < rows_; ++i) {
        const double deviation = point.activity[i] - rowLower_[i];
        total += 0.5 * deviation * deviation / weakScale_[i];
    }
    return total;
}

// See ContinuousResult::kktResidual.
double DualNewton::kktResidual(const Point& point) const {
    double largest = 0.0;
    std::vector<double> multiplier(rows_, 0.0);
    for (int32_t i = 0; i < rows_; ++i) {
        const double scale = std::max(1.0, point.magnitude[i]);
        const double ax = point.activity[i];
        if (i >= hardRows_) {
            multiplier[i] = -(ax - rowLower_[i]) / weakScale_[i];
            continue;
        }
        multiplier[i] = multipliers_[i];
        const double lo = rowLower_[i];
        const double hi = rowUpper_[i];
        double violation = std::max({lo - ax, ax - hi, 0.0});
        largest = std::max(largest, violation / scale);
        const double y = multipliers_[i];
        if (y != 0.0) {
            const double bound = y > 0.0 ? lo : hi;
            largest = std::max(largest, std::min(std::fabs(y), std::fabs(ax - bound) / scale));
        }
    }
    const int64_t* start = columns_.start.data();
    for (int32_t j = 0; j < cells_; ++j) {
        double v = 0.0;
        double size = 0.0;
        for (int64_t k = start[j]; k < start[j + 1]; ++k) {
            const double term = columns_.value[k] * multiplier[columns_.row[k]];
            v += term;
            size += std::fabs(term);
        }
        const double x = point.x[j];
        const double b = p_.base[j];
        double r = 2.0 * (x - b) / b - v;
        if (x <= p_.lower[j]) r = std::min(r, 0.0);
        if (x >= p_.upper[j]) r = std::max(r, 0.0);
        largest = std::max(largest, std::fabs(r) / (1.0 + size));
    }
    return largest;
}

ContinuousResult DualNewton::solve() {
    ContinuousResult result;
    if (!validate(result)) return result;
    build();
    evaluate(multipliers_, current_);

    const double tolerance = options_.tolerance > 0.0 ? options_.tolerance : 1e-9;
    Outcome outcome = Outcome::STALLED;
    double boost = 1.0;
    double previous = INFINITE_BOUND;
    int polish = 0;
    std::vector<double> ray(hardRows_);
    std::vector<double> drift(hardRows_, 0.0);
    for (;;) {
        const double violation = projectedGradient(current_);
        if (options_.progress != nullptr)
            options_.progress->update("continuous", NAN, current_.dual);
        if (violation <= tolerance) {
            if (violation <= 1e-3 * tolerance || polish >= MAX_POLISH_STEPS ||
                violation >= previous) {
                outcome = Outcome::CONVERGED;
                break;
            }
            ++polish;
        }
        if (timeUp()) {
            outcome = Outcome::TIME_LIMIT;
            break;
        }
        if (newtonSteps_ >= MAX_NEWTON_STEPS) break;
        ++newtonSteps_;

        freeCells_.clear();
        for (int32_t j = 0; j < cells_; ++j)
            if (current_.slope[j] > 0.0) freeCells_.push_back(j);
        const double forcing = polish > 0 ? 1e-10 : std::min(0.1, std::sqrt(violation));
        const double regularisation =
            polish > 0 ? 1e-14 : boost * std::clamp(violation, 1e-12, 1e-6);
        int steps = 0;
        for (int round = 0; round < 4; ++round) {
            const int more = conjugateGradient(forcing, regularisation);
            if (more < 0) {
                steps = -1;
                break;
            }
            steps += more;
            // A multiplier at 0 whose step leaves its side stays at 0, and the others are
            // solved again without it: otherwise its clamped step spoils theirs.
            bool held = false;
            for (int32_t i = 0; i < hardRows_; ++i) {
                if (multipliers_[i] == 0.0 && (side_[i] == 1 || side_[i] == -1) &&
                    step_[i] * side_[i] < 0.0) {
                    side_[i] = 2;
                    held = true;
                }
            }
            if (!held) break;
        }
        stepToKinks();
        if (steps < 0) {
            outcome = Outcome::TIME_LIMIT;
            break;
        }
        cgSteps_ += steps;
        if (!lineSearch()) {
            if (timeUp()) {
                outcome = Outcome::TIME_LIMIT;
                break;
            }
            if (violation <= tolerance) {
                outcome = Outcome::CONVERGED;
                break;
            }
            boost *= 100.0;
            if (boost > 1e8) break;
            continue;
        }
        if (polish > 0) {
            // A polishing step is kept only when it meets the rows more tightly.
            std::swap(multipliers_, trial_);
            std::swap(current_, next_);
            const double polished = projectedGradient(current_);
            if (polished >= violation) {
                std::swap(multipliers_, trial_);
                std::swap(current_, next_);
                projectedGradient(current_);
                outcome = Outcome::CONVERGED;
                break;
            }
            previous = violation;
            continue;
        }
        boost = std::max(1.0, boost * 0.1);
        // A dual that keeps rising slowly is tested too: the drift of the multipliers over the
        // last stretch of steps, and the step solved tightly.
        const bool drifting = newtonSteps_ % DRIFT_STEPS == 0;
        if (drifting) {
            for (int32_t i = 0; i < hardRows_; ++i) ray[i] = trial_[i] - drift[i];
            std::copy(trial_.begin(), trial_.begin() + hardRows_, drift.begin());
            if (certifyRay(ray, 0.0, nullptr)) {
                outcome = Outcome::INFEASIBLE;
                break;
            }
        }
        if (expanded_ || drifting) {
            // g rose along the step as fast as a line: it may rise without bound. The step
            // solved tightly, with hardly any regularisation, is then close to a ray.
            const int more = conjugateGradient(1e-10, 1e-14);
            if (more < 0) {
                outcome = Outcome::TIME_LIMIT;
                break;
            }
            cgSteps_ += more;
            stepToKinks();
            std::copy(step_.begin(), step_.begin() + hardRows_, ray.begin());
            if (certifyRay(ray, 0.0, nullptr)) {
                outcome = Outcome::INFEASIBLE;
                break;
            }
        }
        std::swap(multipliers_, trial_);
        std::swap(current_, next_);
        previous = violation;
    }

    result.x = current_.x;
    result.hardDual.assign(multipliers_.begin(), multipliers_.begin() + hardRows_);
    result.objective = objective(current_);
    // g is a lower bound at any multipliers; at the optimum it may exceed F by rounding.
    result.dualBound =
        outcome == Outcome::CONVERGED ? std::min(current_.dual, result.objective) : current_.dual;
    result.kktResidual = kktResidual(current_);
    switch (outcome) {
        case Outcome::CONVERGED:
            result.status = ContinuousStatus::OPTIMAL;
            break;
        case Outcome::TIME_LIMIT:
            result.status = ContinuousStatus::TIME_LIMIT;
            break;
        case Outcome::INFEASIBLE:
            result.status = ContinuousStatus::INFEASIBLE;
            findSuspects(ray, result);
            break;
        case Outcome::STALLED:
            // No certificate and no convergence: the rows still violated most are the
            // likeliest culprits.
            result.status = ContinuousStatus::NOT_CONVERGED;
            {
                double largest = 0.0;
                for (int32_t i = 0; i < hardRows_; ++i)
                    largest = std::max(
                        largest, std::fabs(gradient_[i]) / std::max(1.0, current_.magnitude[i]));
                for (int32_t i = 0; i < hardRows_; ++i)
                    if (std::fabs(gradient_[i]) / std::max(1.0, current_.magnitude[i]) >
                        1e-2 * largest)
                        result.suspectRows.push_back(i);
            }
            break;
    }
    result.newtonSteps = newtonSteps_;
    result.cgSteps = cgSteps_;
    return result;
}

}  // namespace

ContinuousResult solveContinuous(const AdjustmentProblem& problem,
                                 const ContinuousOptions& options) {
    try {
        DualNewton method(problem, options);
        return method.solve();
    } catch (const std::bad_alloc&) {
        ContinuousResult result;
        result.status = ContinuousStatus::NO_MEMORY;
        return result;
    }
}
