// The cells' cost: the part of F (adjustment_problem.h) that each adjustable cell adds, and
// every question a stage asks of it.
//
// Each cell j adds c_j(x_j), convex and least at the cell's base b_j > 0. The one distance is
//     CHI_SQUARE   c(x) = (x - b)^2 / b.
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

// How a cell's cost measures its distance from its base.
enum class Distance { CHI_SQUARE };

// A cell's term h(v) = c(v) - price v of a Lagrangian at one price, over the whole numbers
// of the cell's range.
struct PricedCell {
    double least = 0.0;       // the real v where h is least
    double leastWhole = 0.0;  // the whole v of the range where h is least
    // What the distance keeps to tell h(leastWhole) and the values near it later; for
    // CHI_SQUARE (leastWhole - least)^2.
    double gap = 0.0;
};

// The cost of one cell. Made per use from the problem (a distance and the base; cheap).
class CellCost {
  public:
    CellCost(Distance distance, double base) : distance_(distance), base_(base) {}

    Distance distance() const { return distance_; }
    double base() const { return base_; }

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
    Distance distance_;
    double base_;
};

// The objective's own data beyond the cells' bases: which distance. A problem holds one
// (AdjustmentProblem::objective); the stages reach it through the cells' CellCost.
class Objective {
  public:
    Objective() = default;
    explicit Objective(Distance distance) : distance_(distance) {}

    Distance distance() const { return distance_; }
    // Cell j's cost, the cell's base given.
    CellCost cell(std::size_t /*j*/, double base) const { return CellCost(distance_, base); }
    // sum_j c_j(x_j) over the cells in order, one value of x per base.
    double cellsTotal(const std::vector<double>& base, const std::vector<double>& x) const;

  private:
    Distance distance_ = Distance::CHI_SQUARE;
};

// --- The operations, per distance ----------------------------------------------------------

inline double CellCost::at(double x) const {
    switch (distance_) {
        case Distance::CHI_SQUARE: {
            const double d = x - base_;
            return d * d / base_;
        }
    }
    return NAN;
}

inline double CellCost::change(double x, double step) const {
    switch (distance_) {
        case Distance::CHI_SQUARE: {
            const double from = x - base_, to = x + step - base_;
            return (to * to - from * from) / base_;
        }
    }
    return NAN;
}

inline double CellCost::upChord(double v) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return (2.0 * (v - base_) + 1.0) / base_;
    }
    return NAN;
}

inline double CellCost::downChord(double v) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return (-2.0 * (v - base_) + 1.0) / base_;
    }
    return NAN;
}

inline double CellCost::unitStepFromBase() const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return 1.0 / base_;
    }
    return NAN;
}

inline double CellCost::slopeGap(double x, double v) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return 2.0 * (x - base_) / base_ - v;
    }
    return NAN;
}

inline double CellCost::response(double v) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return base_ + 0.5 * base_ * v;
    }
    return NAN;
}

inline double CellCost::responseRate(double /*v*/) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return 0.5 * base_;
    }
    return NAN;
}

inline double CellCost::rateAtBaseTimes(double factor) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return factor * 0.5 * base_;
    }
    return NAN;
}

inline double CellCost::priceOf(double x) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return 2.0 * (x / base_ - 1.0);
    }
    return NAN;
}

inline double CellCost::priceMinimiser(double price) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return base_ * (1.0 + price / 2.0);
    }
    return NAN;
}

// For every convex c the least over whole v is at the floor or the ceiling of the real one.
inline double CellCost::leastPricedWhole(double price, double lower, double upper,
                                         double& least) const {
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
    cell.least = priceMinimiser(price);
    switch (distance_) {
        case Distance::CHI_SQUARE: {
            // h is symmetric about least: its least whole value is the one nearest to it.
            const double at = cell.least;
            double m = std::clamp(std::floor(at), lower, upper);
            const double up = std::clamp(std::ceil(at), lower, upper);
            if (std::fabs(up - at) < std::fabs(m - at)) m = up;
            cell.leastWhole = m;
            cell.gap = (m - at) * (m - at);
            break;
        }
    }
    return cell;
}

// CHI_SQUARE: h(v) = (v - least)^2 / b + K with K = -price b - price^2 b / 4.
inline long double CellCost::pricedLeast(const PricedCell& cell, double price) const {
    switch (distance_) {
        case Distance::CHI_SQUARE: {
            const double b = base_, l = price;
            const long double k =
                -static_cast<long double>(l) * b - static_cast<long double>(l) * l * b / 4;
            return cell.gap / b + k;
        }
    }
    return NAN;
}

inline long double CellCost::pricedSize(const PricedCell& cell, double price) const {
    switch (distance_) {
        case Distance::CHI_SQUARE: {
            const double b = base_, l = price;
            return cell.gap / b + std::fabs(static_cast<long double>(l) * b) +
                   static_cast<long double>(l) * l * b / 4;
        }
    }
    return NAN;
}

// CHI_SQUARE: (v - least)^2 / b - gap / b <= room.
inline std::pair<double, double> CellCost::pricedRange(const PricedCell& cell, double room) const {
    switch (distance_) {
        case Distance::CHI_SQUARE: {
            const double reach = std::sqrt(base_ * room + cell.gap);
            return {cell.least - reach, cell.least + reach};
        }
    }
    return {NAN, NAN};
}

inline bool CellCost::asQuadratic(double& coefficient, double& centre) const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            coefficient = 1.0 / base_;
            centre = base_;
            return true;
    }
    return false;
}

// CHI_SQUARE: (x - b)^2 / b <= F where |x - b| <= sqrt(F) sqrt(b).
inline double CellCost::reachPerRootCost() const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return std::sqrt(base_);
    }
    return NAN;
}

// CHI_SQUARE: (v - b)^2 / b is a multiple of 1 / b at whole v when b is whole.
inline double CellCost::wholeCostDenominator() const {
    switch (distance_) {
        case Distance::CHI_SQUARE:
            return base_ == std::floor(base_) ? base_ : 0.0;
    }
    return 0.0;
}
