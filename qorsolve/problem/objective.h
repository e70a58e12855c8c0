// The cells' cost: the part of F (adjustment_problem.h) that each adjustable cell adds, and
// every question a stage asks of it.
//
// Each cell j adds c_j(x_j) = d(x_j) / a_j, convex and least at the cell's base b_j > 0, with
// d the distance and a_j > 0 the cell's coefficient (1 unless set):
//     CHI_SQUARE   d(x) = (x - b)^2 / b,
//     RAKING       d(x) = b (r ln r - r + 1), r = x / b: x ln(x / b) - x + b, d(0) = b, and no
//                  value below 0 (its slope ln r is unbounded at 0),
//     ABSOLUTE     d(x) = |x - b|: no slope at the base, one-sided slopes -1 and +1.
// A coefficient 0 marks a cell its bounds fix (the problem holds it at one value): it costs 0
// at every value, so that no operation divides by 0 and F counts only the cells that may move.
// A coefficient of 1 multiplies or divides exactly, so that the cells' figures are those of
// the distance alone.
// The stages ask a cell's CellCost (AdjustmentProblem::cellCost) and never write a distance
// out: the searches over whole numbers ask c at whole values and its change by whole steps,
// the block programmes its chords, the real-valued method its slope and the point where
// c(x) - v x is least (the cell's response to the price v) with the response's rate (the
// inverse of c's curvature), the Lagrangian bounds and the ranges of cheaper tables the least
// of c(v) - price v over the whole numbers of a range.
//
// Results depend on every bit of these figures (a search's path turns on them): each operation
// keeps the floating-point expression its stage has always used, and where two stages compute
// one quantity by different expressions, each has its own operation, named for its use. The
// operations are inline, without a virtual call, since they run once per cell in the hot
// loops; each switches over the distance, so that the compiler names every operation a new
// distance has yet to provide.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "qorsolve/core/distance.h"

// A cell's term h(v) = c(v) - price v of a Lagrangian at one price, over the whole numbers
// of the cell's range.
struct PricedCell {
    double least = 0.0;       // the real v where h is least
    double leastWhole = 0.0;  // the whole v of the range where h is least
    // What the distance keeps to tell h(leastWhole) and the values near it later; for
    // CHI_SQUARE (leastWhole - least)^2, for the others h(leastWhole).
    double gap = 0.0;
    double price = 0.0;  // the price, for the distances other than CHI_SQUARE
};

// The cost of one cell. Made per use from the problem (a distance, the base and the
// coefficient; cheap).
class CellCost {
  public:
    CellCost(Distance distance, double base, double coefficient = 1.0)
        : distance_(distance), base_(base), a_(coefficient) {}

    Distance distance() const { return distance_; }
    double base() const { return base_; }
    double coefficient() const { return a_; }
    // A cell of coefficient 0: its bounds hold it, and it costs 0.
    bool fixed() const { return a_ == 0.0; }

    // --- At whole and real values ------------------------------------------------------

    // c(x).
    double at(double x) const;
    // c(x + step) - c(x), as one difference rather than two costs subtracted (which cancel
    // where the costs are large and the step is small).
    double change(double x, double step) const;
    // The chords of the whole-number programmes: c(v + 1) - c(v) and c(v - 1) - c(v).
    double upChord(double v) const;
    double downChord(double v) const;
    // What a unit step from the base costs: the scale of a typical move of this cell.
    double unitStepFromBase() const;

    // --- The real-valued method --------------------------------------------------------

    // How far v is from a slope of c at x, signed: c'(x) - v where c has a slope; where it
    // has only one-sided slopes, 0 for a v between them and the distance to the nearer one
    // otherwise.
    double slopeGap(double x, double v) const;
    // The response x(v): the real x where c(x) - v x is least, before the cell's bounds.
    double response(double v) const;
    // dx/dv of the response at the price v (the inverse of c's curvature there); 0 where the
    // response does not move.
    double responseRate(double v) const;
    // factor times the response's rate at the base (v = 0), multiplied in that order: the
    // scale of a row's curvature with all its cells free.
    double rateAtBaseTimes(double factor) const;
    // The price v whose response is x (the slope of c at x), as the search for the cells'
    // kinks writes it.
    double priceOf(double x) const;

    // --- Lagrangian bounds over whole numbers -------------------------------------------

    // The real v where c(v) - price v is least, as the whole-number bounds write it.
    double priceMinimiser(double price) const;
    // The least of c(v) - price v over the whole v of [lower, upper] (whole bounds), its v
    // into `least`; INFINITY, with `least` left as it is, where no value is below INFINITY.
    double leastPricedWhole(double price, double lower, double upper, double& least) const;
    // The term c(v) - price v over the whole v of [lower, upper] (whole bounds): its least
    // points. The caller checks that least is finite (a price beyond the distance's slopes,
    // or one that overflows, has none).
    PricedCell priced(double price, double lower, double upper) const;
    // h(leastWhole) of `cell` (priced at `price`), in long double for sums of many terms.
    long double pricedLeast(const PricedCell& cell, double price) const;
    // The size of the terms h(leastWhole) is summed from, for the rounding of that sum.
    long double pricedSize(const PricedCell& cell, double price) const;
    // The real values v with h(v) <= h(leastWhole) + room, an interval around least.
    std::pair<double, double> pricedRange(const PricedCell& cell, double room) const;

    // --- The whole-number programme ---------------------------------------------------------

    // The cost as coefficient * (v - centre)^2, for the programme that holds the cells' and
    // the weak rows' costs alike; false for a distance that is no quadratic.
    bool asQuadratic(double& coefficient, double& centre) const;
    // A cell that costs at most F lies within sqrt(F) times this of its base.
    double reachPerRootCost() const;
    // d > 0 where c(v) is a multiple of 1 / d at every whole v, else 0.
    double wholeCostDenominator() const;

  private:
    // Raking's d(x): x ln(x / b) - x + b through log1p, exact to a few roundings near b.
    double rakingAt(double x) const;
    // The least whole v of [lower, upper] of h = c(v) - price v for a distance other than
    // CHI_SQUARE, its h into `value`; a centre beyond an infinite bound gives -INFINITY.
    double leastWholeOf(double price, double lower, double upper, double& value) const;
    // h(v) = c(v) - price v.
    double pricedAt(double price, double v) const { return at(v) - price * v; }

    Distance distance_;
    double base_;
    double a_;
};

// The objective's own data beyond the cells' bases: which distance, and the cells'
// coefficients. A problem holds one (AdjustmentProblem::objective); the stages reach it
// through the cells' CellCost.
class Objective {
  public:
    Objective() = default;
    explicit Objective(Distance distance) : distance_(distance) {}

    Distance distance() const { return distance_; }
    void setDistance(Distance distance) { distance_ = distance; }
    // One coefficient per adjustable cell, in the cells' order, each finite and >= 0 (the
    // caller checks; 0 where the cell's bounds fix it); empty for 1 everywhere.
    void setCoefficients(std::vector<double> coefficients) {
        coefficients_ = std::move(coefficients);
    }
    const std::vector<double>& coefficients() const { return coefficients_; }
    // Whether the cells' cost is the chi-square distance with every coefficient 1.
    bool isDefault() const { return distance_ == Distance::CHI_SQUARE && coefficients_.empty(); }
    // Cell j's cost, the cell's base given.
    CellCost cell(std::size_t j, double base) const {
        return CellCost(distance_, base, j < coefficients_.size() ? coefficients_[j] : 1.0);
    }
    // sum_j c_j(x_j) over the cells in order, one value of x per base.
    double cellsTotal(const std::vector<double>& base, const std::vector<double>& x) const;

  private:
    Distance distance_ = Distance::CHI_SQUARE;
    std::vector<double> coefficients_;
};

// --- The operations, per distance ----------------------------------------------------------
//
// CHI_SQUARE keeps the expressions its stages had, each with the coefficient applied last (a
// coefficient of 1 leaves every bit as it was).

inline double CellCost::rakingAt(double x) const {
    if (!(x >= 0.0)) return INFINITY;
    if (x == 0.0) return base_;
    if (!std::isfinite(x)) return INFINITY;
    const double d = x - base_;
    return x * std::log1p(d / base_) - d;
}

inline double CellCost::at(double x) const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE: {
            const double d = x - base_;
            return d * d / base_ / a_;
        }
        case Distance::RAKING:
            return rakingAt(x) / a_;
        case Distance::ABSOLUTE:
            return std::fabs(x - base_) / a_;
    }
    return NAN;
}

inline double CellCost::change(double x, double step) const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE: {
            const double from = x - base_, to = x + step - base_;
            return (to * to - from * from) / base_ / a_;
        }
        case Distance::RAKING:
            return (rakingAt(x + step) - rakingAt(x)) / a_;
        case Distance::ABSOLUTE:
            return (std::fabs(x + step - base_) - std::fabs(x - base_)) / a_;
    }
    return NAN;
}

inline double CellCost::upChord(double v) const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return (2.0 * (v - base_) + 1.0) / base_ / a_;
        case Distance::RAKING:
        case Distance::ABSOLUTE:
            return change(v, 1.0);
    }
    return NAN;
}

inline double CellCost::downChord(double v) const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return (-2.0 * (v - base_) + 1.0) / base_ / a_;
        case Distance::RAKING:
        case Distance::ABSOLUTE:
            return change(v, -1.0);
    }
    return NAN;
}

inline double CellCost::unitStepFromBase() const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return 1.0 / base_ / a_;
        case Distance::RAKING:
            return rakingAt(base_ + 1.0) / a_;
        case Distance::ABSOLUTE:
            return 1.0 / a_;
    }
    return NAN;
}

inline double CellCost::slopeGap(double x, double v) const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return 2.0 * (x - base_) / base_ / a_ - v;
        case Distance::RAKING:
            return x > 0.0 ? std::log(x / base_) / a_ - v : -INFINITY;
        case Distance::ABSOLUTE: {
            const double slope = 1.0 / a_;
            if (x > base_) return slope - v;
            if (x < base_) return -slope - v;
            if (v > slope) return slope - v;
            if (v < -slope) return -slope - v;
            return 0.0;
        }
    }
    return NAN;
}

// ABSOLUTE: the least of |x - b| / a - v x is at b for |v| < 1 / a and runs off beyond; its
// response is flat (rate 0), which the real-valued method cannot step on: that distance is
// solved as a linear programme (continuous_solver.h).
inline double CellCost::response(double v) const {
    if (fixed()) return base_;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return base_ + 0.5 * base_ * a_ * v;
        case Distance::RAKING:
            return base_ * std::exp(a_ * v);
        case Distance::ABSOLUTE: {
            const double slope = 1.0 / a_;
            return v > slope ? INFINITY : v < -slope ? -INFINITY : base_;
        }
    }
    return NAN;
}

inline double CellCost::responseRate(double v) const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return 0.5 * base_ * a_;
        case Distance::RAKING:
            return a_ * base_ * std::exp(a_ * v);
        case Distance::ABSOLUTE:
            return 0.0;
    }
    return NAN;
}

inline double CellCost::rateAtBaseTimes(double factor) const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return factor * 0.5 * base_ * a_;
        case Distance::RAKING:
            return factor * base_ * a_;
        case Distance::ABSOLUTE:
            return 0.0;
    }
    return NAN;
}

inline double CellCost::priceOf(double x) const {
    if (fixed()) return x < base_ ? -INFINITY : x > base_ ? INFINITY : 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return 2.0 * (x / base_ - 1.0) / a_;
        case Distance::RAKING:
            return x > 0.0 ? std::log(x / base_) / a_ : -INFINITY;
        case Distance::ABSOLUTE:
            return x > base_ ? 1.0 / a_ : x < base_ ? -1.0 / a_ : 0.0;
    }
    return NAN;
}

inline double CellCost::priceMinimiser(double price) const {
    if (fixed()) return price > 0.0 ? INFINITY : price < 0.0 ? -INFINITY : base_;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return base_ * (1.0 + price * a_ / 2.0);
        case Distance::RAKING:
        case Distance::ABSOLUTE:
            return response(price);
    }
    return NAN;
}

inline double CellCost::leastWholeOf(double price, double lower, double upper,
                                     double& value) const {
    const double centre = std::clamp(priceMinimiser(price), lower, upper);
    if (!std::isfinite(centre)) {
        value = -INFINITY;
        return centre;
    }
    double least = std::floor(centre);
    value = INFINITY;
    for (double v : {std::floor(centre), std::ceil(centre)}) {
        v = std::clamp(v, lower, upper);
        const double h = pricedAt(price, v);
        if (h < value) {
            value = h;
            least = v;
        }
    }
    return least;
}

// For every convex c the least over whole v is at the floor or the ceiling of the real one.
inline double CellCost::leastPricedWhole(double price, double lower, double upper,
                                         double& least) const {
    if (fixed() || distance_ != Distance::CHI_SQUARE) {
        double value = INFINITY;
        const double v = leastWholeOf(price, lower, upper, value);
        if (value < INFINITY) least = v;
        return value;
    }
    const double centre = priceMinimiser(price);
    double best = INFINITY;
    for (double v : {std::floor(centre), std::ceil(centre)}) {
        v = std::clamp(v, lower, upper);
        const double h = at(v) - price * v;
        if (h < best) {
            best = h;
            least = v;
        }
    }
    return best;
}

inline PricedCell CellCost::priced(double price, double lower, double upper) const {
    PricedCell cell;
    if (fixed() || distance_ != Distance::CHI_SQUARE) {
        cell.price = price;
        cell.least = std::clamp(priceMinimiser(price), lower, upper);
        double value = INFINITY;
        cell.leastWhole = leastWholeOf(price, lower, upper, value);
        cell.gap = value;
        if (!(value < INFINITY) || !(value > -INFINITY)) cell.least = NAN;
        return cell;
    }
    cell.least = priceMinimiser(price);
    // h is symmetric about least: its least whole value is the one nearest to it.
    const double at = cell.least;
    double m = std::clamp(std::floor(at), lower, upper);
    const double up = std::clamp(std::ceil(at), lower, upper);
    if (std::fabs(up - at) < std::fabs(m - at)) m = up;
    cell.leastWhole = m;
    cell.gap = (m - at) * (m - at);
    return cell;
}

// CHI_SQUARE: h(v) = (v - least)^2 / (a b) + K with K = -price b - price^2 a b / 4.
inline long double CellCost::pricedLeast(const PricedCell& cell, double price) const {
    if (fixed() || distance_ != Distance::CHI_SQUARE) return cell.gap;
    const double b = base_, l = price;
    const long double k =
        -static_cast<long double>(l) * b - static_cast<long double>(l) * l * b * a_ / 4;
    return cell.gap / b / a_ + k;
}

inline long double CellCost::pricedSize(const PricedCell& cell, double price) const {
    if (fixed() || distance_ != Distance::CHI_SQUARE)
        return std::fabs(static_cast<long double>(at(cell.leastWhole))) +
               std::fabs(static_cast<long double>(price) * cell.leastWhole);
    const double b = base_, l = price;
    return cell.gap / b / a_ + std::fabs(static_cast<long double>(l) * b) +
           static_cast<long double>(l) * l * b * a_ / 4;
}

// CHI_SQUARE: (v - least)^2 / (a b) - gap / (a b) <= room. The others: each end found by
// doubling a step out of least until h exceeds h(leastWhole) + room, then by halving; the
// ends returned lie where h is above that, so that the range holds every value it should.
inline std::pair<double, double> CellCost::pricedRange(const PricedCell& cell, double room) const {
    if (!fixed() && distance_ == Distance::CHI_SQUARE) {
        const double reach = std::sqrt(base_ * a_ * room + cell.gap);
        return {cell.least - reach, cell.least + reach};
    }
    const double m = cell.leastWhole;
    const double limit = cell.gap + room;
    if (!std::isfinite(m) || !std::isfinite(limit)) return {-INFINITY, INFINITY};
    const double price = cell.price;
    auto end = [&](double direction) {
        double inside = m, step = 1.0, outside = NAN;
        for (int k = 0; k < 1100; ++k, step *= 2.0) {
            const double v = m + direction * step;
            if (!(pricedAt(price, v) <= limit)) {
                outside = v;
                break;
            }
            inside = v;
        }
        if (std::isnan(outside)) return direction * INFINITY;
        for (int k = 0; k < 200 && std::fabs(outside - inside) > 1e-9 * (1.0 + std::fabs(m)); ++k) {
            const double mid = 0.5 * (inside + outside);
            if (pricedAt(price, mid) <= limit)
                inside = mid;
            else
                outside = mid;
        }
        return outside;
    };
    return {end(-1.0), end(1.0)};
}

inline bool CellCost::asQuadratic(double& coefficient, double& centre) const {
    if (fixed()) return false;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            coefficient = 1.0 / base_ / a_;
            centre = base_;
            return true;
        case Distance::RAKING:
        case Distance::ABSOLUTE:
            return false;
    }
    return false;
}

// CHI_SQUARE: (x - b)^2 / (a b) <= F where |x - b| <= sqrt(F) sqrt(a b). The others grow more
// slowly than a square far from the base: no such reach.
inline double CellCost::reachPerRootCost() const {
    if (fixed()) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return std::sqrt(base_ * a_);
        case Distance::RAKING:
        case Distance::ABSOLUTE:
            return INFINITY;
    }
    return NAN;
}

// CHI_SQUARE: (v - b)^2 / b is a multiple of 1 / b at whole v when b is whole; ABSOLUTE:
// |v - b| is whole. With a coefficient other than 1, or for raking, no step is claimed.
inline double CellCost::wholeCostDenominator() const {
    if (fixed()) return 1.0;
    if (a_ != 1.0) return 0.0;
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return base_ == std::floor(base_) ? base_ : 0.0;
        case Distance::RAKING:
            return 0.0;
        case Distance::ABSOLUTE:
            return base_ == std::floor(base_) ? 1.0 : 0.0;
    }
    return 0.0;
}
