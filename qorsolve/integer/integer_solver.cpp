// The whole-number optimum as a mixed-integer linear programme over piecewise-linear costs.
//
// Each cell's cost f(v) = (v - base)^2 / base, and the cost of each weak row whose
// coefficients are all whole (its value is then a whole number), is replaced by the chords
// between consecutive whole numbers of a window E = [lo, hi] around the real-valued optimum,
// the first chord extended down to the variable's lower bound and the last up to its upper
// bound. On whole numbers inside E this equals f; outside E an extended chord of a convex
// function lies below it. So the programme is a relaxation that is exact on the windows: its
// bound is a bound of the whole-number problem, and an optimum that leaves no variable outside
// its window is the whole-number optimum. Variables that leave their window get a wider one
// and the programme is solved again.
//
// A weak row of decimal coefficients is multiplied to whole ones first (0.5 x + 1.5 y ~ 20 as
// x + 3 y ~ 40, with the cost scaled to match): its value then takes whole values too. A weak
// row with a coefficient no power of ten makes whole (1/3) has a real-valued value s; its cost is
// the largest of tangents to the parabola, also a lower estimate. After each solve a tangent is
// added at the value found, until the estimate is exact there.
#include "qorsolve/integer/integer_solver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <numeric>
#include <optional>
#include <tuple>

#include "qorsolve/core/settings.h"
#include "qorsolve/integer/cell_pair_moves.h"
#include "qorsolve/integer/cheaper_table_ranges.h"
#include "qorsolve/integer/lagrangian_bound.h"
#include "qorsolve/integer/margin_repair.h"
#include "qorsolve/integer/neighbourhood_search.h"
#include "qorsolve/integer/rounding_repair.h"
#include "qorsolve/integer/row_lattice.h"
#include "qorsolve/integer/slice_cycles.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/numeric_checks.h"

namespace {

constexpr int MAX_ROUNDS = 200;

// Up to this many cells, each windowed term also gets a whole-number column of its own value
// and the search uses cuts: rows with several whole coefficients (3 x + 2 y = 24063) leave
// the value lattices to branching on the value, which branching on parts does not close.
// Of 39 random tables of 500 to 1,000 cells with such rows and weak rows, 37 end proven with
// them and 20 without (an 8 x 8 x 8 table: 0.05 s against the work limit after 12 s). Of 110
// tables of 1,000 to 5,000 cells, 97 instead of 53 (the sum of their times 115 s instead of
// 520 s, no proof lost), once their first relaxation starts near the real-valued optimum
// (LARGE_START_TABLE); without that start, four proofs were lost and seven tables came out
// worse, the first relaxation alone spending the work limit.
// Where every row's coefficients are 1 or -1 (a table's margins) there is no lattice to
// close, and the value columns only slow the search (4-class 4^4 table with every 1- and
// 2-class margin: 2.3 s against 0.8 s; 4 x 4 x 4 x 3 x 2: the work limit against a proof in
// 3.3 s).
constexpr int32_t SMALL_TABLE = 5000;
// Above this many cells the programme's first relaxation starts at the real-valued optimum:
// its equality rows are shifted by their multipliers there (shiftRow), and where it has value
// columns, the weak rows' links by the slope of their cost there and each value column starts
// basic in its own link, which holds it at the parts' value. 3-class 10^3 table with every
// margin: 485 simplex iterations instead of 4,811 (proven in 0.6 s instead of 1.5 s); 15^3:
// 1,561 instead of 6,736; a 4,080-cell table with weak rows: 4,356 instead of 19,468, beyond
// the default work limit before. 39 tables of 500 to 1,000 cells: 38 proven instead of 37,
// in 22 s instead of 29 s. On small programmes the first relaxation costs little, and the
// start only changes the search's path: on 1,167 tables of up to 625 cells as many end
// proven and take over 1 s either way, and the 125-cell table of tests/e2e took 0.15 s
// instead of 0.01 s.
constexpr int32_t LARGE_START_TABLE = 500;
// ... and only while every windowed term's window lies below this in magnitude. A value
// column holds the distance from its window (build), so its whole numbers stay apart at any
// size; but beyond this the parts of the extended chords span more units than the simplex
// method's integrality tolerance can tell apart: a 3-cell table of bases 10^13 with rows of
// decimals 0.1 to 0.7 was called optimal at 45 % above the optimum (the same table scaled to
// 10^8 ... 10^12 came out right). A hundredth of that size, for safety.
constexpr double LARGEST_VALUE_RANGE = 1e11;

// A hard row that pins a sum of whole (or decimal) coefficients to one value, with at most this
// many different coefficients, gets columns for its lattice (row_lattice.h): a search that
// branches on them closes 0.333 (a) + 1.5 (b) = 3928.86 in a few branches, where branching on
// the cells found no table at all in 10 s (216 cells).
constexpr size_t MAX_LATTICE_TERMS = 6;
// ... and only where a sum's values lie at least this far apart (the largest coefficient
// divided by their greatest common divisor). Below, the value columns close the row as fast,
// and the lattice's columns only slow the search: (a) + 1.5 (b) = 347.5 over 2 a + 3 b took
// 1.1 s with them and 0.06 s without.
constexpr int64_t MIN_LATTICE_STEP = 5;
// Halvings of the range of sizes (in ratio, from the base's size to 1e300) that find the
// largest size of a row's terms at which the row still takes one whole value: the cost a
// lattice covers is then within a factor of 1 + 1e-16 of the largest.
constexpr int COVER_HALVINGS = 64;

// A window that a point leaves grows towards it by at most this many times its width per
// round. Far outside a window the extended chords are a weak estimate of the cost (on a base
// of 10^8 a cell's chord next to the base has a slope of about 10^-8), so the programme's
// optimum may lie there by the weakness alone; a window widened all the way would hold as many
// parts as the distance, 10^8. Grown step by step, the chords steepen and the optimum comes
// back, in a few rounds.
constexpr double WINDOW_GROWTH = 2.0;

// The objective step (objectiveStep) is used where the solver's accuracy, this share of the
// objective, lies below this share of a step: a bound that close to a step below the best
// table then shows that no whole-number table lies between.
constexpr double STEP_ACCURACY_SHARE = 0.25;
// The least common multiple of the bases beyond which the step (its inverse) is too fine to
// matter.
constexpr int64_t LARGEST_STEP_DENOMINATOR = int64_t(1) << 40;

// Rounds of the Lagrangian bound and a repair from its cells before the programme.
constexpr int LAGRANGIAN_ROUNDS = 3;

// Turns of box moves and cycles between planes after the programme stopped short.
constexpr int CYCLE_TURNS = 2;

// The share of the work limit the search over blocks may spend before the programme of the
// whole table gets the rest. The blocks end sooner on their own where they stop improving
// (4-class 10^4 table: a tenth); on the 5-class 6^5 table they improve until the share is
// spent, and the whole table's programme found nothing with the whole limit there. On five
// classes or more the blocks get nearly all of it (5-class 6^5 table: gap 2.18 % to 2.06 %,
// in less time: the whole table's programme spends more time per unit than the blocks).
constexpr double NEIGHBOURHOOD_SHARE = 0.75;
constexpr double NEIGHBOURHOOD_SHARE_FIVE_CLASSES = 0.95;

// A tangent is added where the estimate falls short of the cost by more than this share of
// it: above the rounding of the two, so that refinement ends once the estimate is exact.
constexpr double TANGENT_GAP = 1e-12;

// A convex cost coefficient * (v - target)^2 of a cell's value or a weak row's value.
struct Term {
    double coefficient = 0.0;
    double target = 0.0;
    double lower = 0.0;  // the value's range (whole numbers for a windowed term)
    double upper = 0.0;
    // Windowed terms: the window [windowLower, windowUpper] of whole numbers, and where the
    // term's parts start among the programme's columns.
    double windowLower = 0.0;
    double windowUpper = 0.0;
    int32_t firstPart = 0;
    int32_t weakRow = -1;  // a weak row's term: its row
    // Tangent terms: the points of the tangents, the value's column and the cost's column.
    std::vector<double> points;
    int32_t column = 0;

    double cost(double v) const { return coefficient * (v - target) * (v - target); }
    // cost(k + 1) - cost(k), without the cancellation of subtracting two large costs.
    double slope(double k) const { return coefficient * (2.0 * (k - target) + 1.0); }
};

double weakCoefficient(const AdjustmentProblem& p, int32_t w) {
    return weakRowCost(p.weakWeight[w], p.weakTarget[w]);
}

// The range of a row's value over the cells' ranges.
std::pair<double, double> rowRange(const SparseRows& rows, int32_t i,
                                   const std::vector<double>& lower,
                                   const std::vector<double>& upper) {
    double lo = 0.0, hi = 0.0;
    for (int64_t k = rows.start[i]; k < rows.start[i + 1]; ++k) {
        double a = rows.value[k];
        int32_t j = rows.column[k];
        lo += a > 0 ? a * lower[j] : a * upper[j];
        hi += a > 0 ? a * upper[j] : a * lower[j];
    }
    if (std::isnan(lo)) lo = -INFINITE_BOUND;
    if (std::isnan(hi)) hi = INFINITE_BOUND;
    return {lo, hi};
}

// `rows` with each row that wholeMultiplier makes whole multiplied by it, and the multipliers
// (0 for a row left as it is). No copy (an empty result) where every multiplier is 0 or 1:
// the rows of a table of millions of cells serve as they are.
SparseRows wholeRows(const SparseRows& rows, std::vector<double>& multiplier) {
    multiplier.assign(size_t(rows.rowCount()), 0.0);
    bool scaled = false;
    for (int32_t i = 0; i < rows.rowCount(); ++i) {
        multiplier[size_t(i)] = wholeMultiplier(rows, i);
        scaled = scaled || multiplier[size_t(i)] > 1.0;
    }
    SparseRows whole;
    if (!scaled) return whole;
    whole = rows;
    for (int32_t i = 0; i < rows.rowCount(); ++i) {
        const double q = multiplier[size_t(i)];
        if (q <= 1.0) continue;
        for (int64_t k = rows.start[i]; k < rows.start[i + 1]; ++k) {
            whole.value[k] = std::nearbyint(q * rows.value[k]);
        }
    }
    return whole;
}

// The one whole value that hard row i, multiplied by q to whole coefficients, may take over
// whole cells within their ranges, on tables whose row has terms of at most `largestSize` in
// size; NaN where it may take none or several.
double singleWholeValue(const AdjustmentProblem& p, int32_t i, double q,
                        const std::vector<double>& lower, const std::vector<double>& upper,
                        double largestSize) {
    const auto [lo, hi] = wholeRowValues(p, i, q, lower, upper, largestSize);
    return lo == hi && std::fabs(lo) <= LARGEST_WHOLE ? lo : NAN;
}

// The programme. A windowed term's value v is not a column of its own: it is
// windowLower - down + (up parts), each part a whole-number column (a part of width 1 is 0 or
// 1), and the rows hold these parts in place of v. That keeps the programme at one row per
// hard and weak row (plus tangents), which the simplex method solves far faster than a
// programme with a linking row per cell; its relaxation is the same.
class WindowModel {
  public:
    WindowModel(const AdjustmentProblem& p, const std::vector<double>& lower,
                const std::vector<double>& upper, const std::vector<double>& center,
                const std::vector<double>& hardDual)
        : p_(p),
          hardDual_(hardDual.size() == static_cast<size_t>(p.hard.rowCount())
                        ? hardDual
                        : std::vector<double>()),
          valueColumns_(p.cellCount() <= SMALL_TABLE),
          weakScaled_(wholeRows(p.weak, weakMultiplier_)),
          weak_(weakScaled_.rowCount() > 0 ? weakScaled_ : p.weak) {
        int32_t cells = p.cellCount();
        for (int32_t j = 0; j < cells; ++j) {
            Term t;
            t.coefficient = 1.0 / p.base[j];
            t.target = p.base[j];
            t.lower = lower[j];
            t.upper = upper[j];
            setWindow(t, center[j]);
            windowed_.push_back(t);
        }
        for (int32_t w = 0; w < weak_.rowCount(); ++w) {
            auto [lo, hi] = rowRange(weak_, w, lower, upper);
            double at = rowSum(weak_, w, center);
            weakAt_.push_back(at);
            // The row's value as the programme holds it is q times the value s: the cost
            // c (s - t)^2 is c / q^2 (q s - q t)^2.
            const double q = weakMultiplier_[size_t(w)];
            Term t;
            t.coefficient = q > 0 ? weakCoefficient(p, w) / (q * q) : weakCoefficient(p, w);
            t.target = q > 0 ? q * p.weakTarget[w] : p.weakTarget[w];
            if (q > 0) {
                // The range of a sum of whole terms is whole; below ROW_TOLERANCE a bound
                // off a whole number is the rounding of that sum.
                t.lower = std::ceil(lo - ROW_TOLERANCE);
                t.upper = std::floor(hi + ROW_TOLERANCE);
                setWindow(t, std::clamp(at, t.lower, t.upper));
                t.weakRow = w;
                weakTerm_.push_back({WeakTerm::WINDOWED, static_cast<int32_t>(windowed_.size())});
                windowed_.push_back(t);
            } else {
                t.lower = lo;
                t.upper = hi;
                for (double d : {-1.0, 0.0, 1.0}) t.points.push_back(at + d);
                weakTerm_.push_back({WeakTerm::TANGENT, static_cast<int32_t>(tangent_.size())});
                tangent_.push_back(t);
            }
        }
        // Rows of coefficients 1 and -1 alone (a table's margins) have no lattice to close.
        bool lattice = false;
        for (const SparseRows* rows : {&p.hard, &weak_}) {
            for (size_t k = 0; valueColumns_ && !lattice && k < rows->value.size(); ++k) {
                lattice = std::fabs(rows->value[k]) != 1.0;
            }
        }
        valueColumns_ = valueColumns_ && lattice;
        for (const Term& t : windowed_) {
            if (std::fabs(t.windowLower) > LARGEST_VALUE_RANGE ||
                std::fabs(t.windowUpper) > LARGEST_VALUE_RANGE) {
                valueColumns_ = false;
            }
        }
        for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
            addLattice(i, lower, upper, center);
        }
    }

    // Columns: the parts of every windowed term (cells first, then weak rows of whole
    // coefficients), for each tangent term its value and its cost, a column fixed at 1 that
    // carries the constant of the costs, and on small tables the value of each windowed
    // term that is not fixed.
    LinearModel build() {
        LinearModel m;
        const AdjustmentProblem& p = p_;
        auto addColumn = [&m](double lower, double upper, double cost, bool whole) {
            m.columnLower.push_back(lower);
            m.columnUpper.push_back(upper);
            m.cost.push_back(cost);
            m.isInteger.push_back(whole ? 1 : 0);
        };
        double constant = 0.0;
        for (Term& t : windowed_) {
            t.firstPart = static_cast<int32_t>(m.cost.size());
            if (t.lower == t.upper) {
                constant += t.cost(t.lower);
                continue;
            }
            constant += t.cost(t.windowLower);
            forEachPart(t, [&](bool down, double width, double slope) {
                addColumn(0.0, width, down ? -slope : slope, true);
            });
        }
        for (Term& t : tangent_) {
            t.column = static_cast<int32_t>(m.cost.size());
            addColumn(t.lower, t.upper, 0.0, false);
            addColumn(0.0, INFINITE_BOUND, 1.0, false);
        }
        const size_t constantColumn = m.cost.size();
        addColumn(1.0, 1.0, constant, false);

        auto beginRow = [&m](double lower, double upper) {
            m.rowLower.push_back(lower);
            m.rowUpper.push_back(upper);
            m.rows.start.push_back(m.rows.start.back());
        };
        auto entry = [&m](int32_t column, double value) {
            m.rows.column.push_back(column);
            m.rows.value.push_back(value);
            ++m.rows.start.back();
        };
        // a * v as entries on the term's parts; returns a * (the value with all parts 0).
        auto termEntries = [&](const Term& t, double a) {
            if (t.lower == t.upper) return a * t.lower;
            int32_t column = t.firstPart;
            forEachPart(t, [&](bool down, double, double) { entry(column++, down ? -a : a); });
            return a * t.windowLower;
        };
        auto shifted = [](double bound, double by) {
            return std::isfinite(bound) ? bound - by : bound;
        };
        std::vector<double> multiplier(size_t(p.hard.rowCount()), 0.0);
        for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
            beginRow(0.0, 0.0);
            // A row of short decimals is held as its whole multiple q times it, exact in
            // doubles as a row of whole coefficients is (exact_rows.h), so that the rounding
            // of its terms does not part it from its lattice; both take whole values only,
            // and their bounds are whole too.
            const double q = multiplier[size_t(i)] = exactMultiplier(p.hard, i);
            double fixed = 0.0;
            for (int64_t k = p.hard.start[i]; k < p.hard.start[i + 1]; ++k) {
                const double a = q > 1.0 ? std::nearbyint(q * p.hard.value[k]) : p.hard.value[k];
                fixed += termEntries(windowed_[p.hard.column[k]], a);
            }
            double lower = p.hardLower[i], upper = p.hardUpper[i];
            if (q > 0.0) std::tie(lower, upper) = wholeRowValues(p, i, q, p.lower, p.upper);
            m.rowLower.back() = shifted(lower, fixed);
            m.rowUpper.back() = shifted(upper, fixed);
        }
        const bool largeStart = p.cellCount() > LARGE_START_TABLE;
        for (size_t i = 0; largeStart && i < hardDual_.size(); ++i) {
            shiftRow(m, i, multiplier[i] > 1.0 ? hardDual_[i] / multiplier[i] : hardDual_[i],
                     constantColumn);
        }
        // A value column holds v - windowLower, so that its whole numbers stay a few units
        // of rounding apart whatever the size of v: at 10^9 the integrality tolerance (1e-6)
        // lies below the rounding of v itself, and a search that branches on such a column
        // never sees it whole.
        std::vector<std::pair<size_t, int32_t>> links;  // a value column's link row, the column
        if (valueColumns_) {                            // (v - windowLower) - (parts) = 0
            m.cuts = true;
            for (const Term& t : windowed_) {
                if (t.lower == t.upper) continue;
                int32_t v = static_cast<int32_t>(m.cost.size());
                addColumn(t.lower - t.windowLower, t.upper - t.windowLower, 0.0, true);
                beginRow(0.0, 0.0);
                links.emplace_back(m.rowLower.size() - 1, v);
                termEntries(t, -1.0);
                entry(v, 1.0);
            }
        }
        for (const LatticeRow& row : latticeRows_) {  // (cells of group k) - basis z = origin_k
            const RowLattice& l = row.lattice;
            const int32_t first = static_cast<int32_t>(m.cost.size());
            for (size_t b = 0; b < l.basis.size(); ++b) {
                addColumn(-INFINITE_BOUND, INFINITE_BOUND, 0.0, true);
                m.branchFirst.resize(m.cost.size(), 0);
                m.branchFirst.back() = 1;
            }
            for (size_t k = 0; k < row.groups.size(); ++k) {
                beginRow(0.0, 0.0);
                double fixed = 0.0;
                for (int32_t j : row.groups[k]) fixed += termEntries(windowed_[j], 1.0);
                for (size_t b = 0; b < l.basis.size(); ++b) {
                    if (l.basis[b][k] != 0) entry(first + int32_t(b), -double(l.basis[b][k]));
                }
                m.rowLower.back() = m.rowUpper.back() = double(l.origin[k]) - fixed;
            }
        }
        for (int32_t w = 0; w < weak_.rowCount(); ++w) {  // a . x - s = 0
            beginRow(0.0, 0.0);
            double fixed = 0.0;
            for (int64_t k = weak_.start[w]; k < weak_.start[w + 1]; ++k) {
                fixed += termEntries(windowed_[weak_.column[k]], weak_.value[k]);
            }
            if (weakTerm_[w].kind == WeakTerm::WINDOWED) {
                fixed += termEntries(windowed_[weakTerm_[w].index], -1.0);
            } else {
                entry(tangent_[weakTerm_[w].index].column, -1.0);
            }
            m.rowLower.back() = m.rowUpper.back() = -fixed;
            if (largeStart && valueColumns_ && weakTerm_[w].kind == WeakTerm::WINDOWED) {
                // The multiplier of the link at the optimum: less the slope of the row's cost.
                const Term& t = windowed_[weakTerm_[w].index];
                const double at = std::clamp(weakAt_[w], t.lower, t.upper);
                shiftRow(m, m.rowLower.size() - 1, -2.0 * t.coefficient * (at - t.target),
                         constantColumn);
            }
        }
        for (const Term& t : tangent_) {  // z - g'(q) s >= g(q) - g'(q) q
            for (double q : t.points) {
                double derivative = 2.0 * t.coefficient * (q - t.target);
                beginRow(t.cost(q) - derivative * q, INFINITE_BOUND);
                entry(t.column + 1, 1.0);
                entry(t.column, -derivative);
            }
        }
        if (largeStart && !links.empty()) {
            m.startColumn.assign(m.rowLower.size(), -1);
            for (const auto& [row, v] : links) m.startColumn[row] = v;
        }
        return m;
    }

    // The programme holds every table of up to this cost (the lattices' cover): its bound
    // and verdicts hold for those. Infinite without lattices, or where the cells' ranges
    // alone pin their rows.
    double coveredCost() const {
        double cover = rangeCover_;
        for (const LatticeRow& row : latticeRows_) cover = std::min(cover, row.cover);
        return cover;
    }
    // Each term's range narrowed to the values a table of cost at most `cost` may take: the
    // programme then holds every such table only, and its windows lie within the ranges.
    void narrow(const CheaperTableRanges& r, double cost) {
        if (!r.used) return;
        auto within = [](Term& t, double lower, double upper) {
            lower = std::max(t.lower, lower);
            upper = std::min(t.upper, upper);
            if (!(lower <= upper)) return;  // rounding at a bound: the term stays as it is
            t.lower = lower;
            t.upper = upper;
            t.windowLower = std::clamp(t.windowLower, t.lower, t.upper);
            t.windowUpper = std::clamp(t.windowUpper, t.lower, t.upper);
        };
        for (size_t j = 0; j < r.cellLower.size(); ++j) {
            within(windowed_[j], r.cellLower[j], r.cellUpper[j]);
        }
        for (size_t w = 0; w < weakTerm_.size(); ++w) {
            const double lo = r.weakLower[w], hi = r.weakUpper[w];
            if (weakTerm_[w].kind == WeakTerm::TANGENT) {
                within(tangent_[size_t(weakTerm_[w].index)], lo, hi);
                continue;
            }
            // The programme holds q times the value, a whole number.
            const double q = weakMultiplier_[w] > 0.0 ? weakMultiplier_[w] : 1.0;
            within(windowed_[size_t(weakTerm_[w].index)],
                   std::ceil(q * lo - ROW_TOLERANCE * std::max(1.0, std::fabs(q * lo))),
                   std::floor(q * hi + ROW_TOLERANCE * std::max(1.0, std::fabs(q * hi))));
        }
        rangeCover_ = std::min(rangeCover_, cost);
    }

    // The programme without lattices that do not cover every table, for the next build.
    void dropPartialLattices() {
        std::erase_if(latticeRows_, [](const LatticeRow& row) { return std::isfinite(row.cover); });
    }

    // Table x as a point of the last programme built.
    std::vector<double> pointOf(const std::vector<double>& x) const {
        std::vector<double> point;
        for (size_t i = 0; i < windowed_.size(); ++i) {
            const Term& t = windowed_[i];
            if (t.lower == t.upper) continue;
            double v = i < x.size() ? x[i] : rowSum(weak_, t.weakRow, x);
            double above = std::max(v - t.windowLower, 0.0);
            forEachPart(t, [&](bool down, double width, double) {
                if (down) {
                    point.push_back(std::max(t.windowLower - v, 0.0));
                } else {
                    point.push_back(std::min(above, width));
                    above -= point.back();
                }
            });
        }
        for (int32_t w = 0; w < weak_.rowCount(); ++w) {
            if (weakTerm_[w].kind == WeakTerm::WINDOWED) continue;
            double s = rowSum(weak_, w, x);
            point.push_back(s);
            point.push_back(estimate(tangent_[weakTerm_[w].index], s));
        }
        point.push_back(1.0);
        for (size_t i = 0; valueColumns_ && i < windowed_.size(); ++i) {
            const Term& t = windowed_[i];
            if (t.lower == t.upper) continue;
            point.push_back((i < x.size() ? x[i] : rowSum(weak_, t.weakRow, x)) - t.windowLower);
        }
        for (const LatticeRow& row : latticeRows_) {
            std::vector<double> sums(row.groups.size(), 0.0);
            for (size_t k = 0; k < row.groups.size(); ++k) {
                for (int32_t j : row.groups[k]) sums[k] += x[size_t(j)];
            }
            const RowLattice& l = row.lattice;
            for (size_t b = 0; b < l.basis.size(); ++b) {
                double z = -double(l.coordinateOffset[b]);
                for (size_t k = 0; k < sums.size(); ++k) z += double(l.coordinates[b][k]) * sums[k];
                point.push_back(z);
            }
        }
        return point;
    }

    // The table of a point of the last programme built.
    std::vector<double> tableOf(const std::vector<double>& point) const {
        std::vector<double> x(p_.base.size());
        for (size_t j = 0; j < x.size(); ++j) x[j] = valueOf(windowed_[j], point);
        return x;
    }

    // Whether a term of the point lies outside its window (by more than a point of whole
    // values may be off a whole number).
    bool leaves(const std::vector<double>& point) const {
        for (const Term& t : windowed_) {
            const double v = valueOf(t, point);
            if (v < t.windowLower - 0.5 || v > t.windowUpper + 0.5) return true;
        }
        return false;
    }

    // Widens the windows the point leaves and adds tangents where the estimate of a weak cost
    // is below the cost. False when the point is inside every window and every estimate is
    // exact: the programme's optimum is then the whole-number optimum.
    bool refine(const std::vector<double>& point) {
        bool changed = false;
        for (Term& t : windowed_) {
            double v = valueOf(t, point);
            const double growth = WINDOW_GROWTH * (t.windowUpper - t.windowLower + 1.0);
            if (v < t.windowLower) {
                t.windowLower = std::max({t.lower, v - 1.0, t.windowLower - growth});
                changed = true;
            }
            if (v > t.windowUpper) {
                t.windowUpper = std::min({t.upper, v + 1.0, t.windowUpper + growth});
                changed = true;
            }
        }
        for (Term& t : tangent_) {
            double s = point[t.column];
            double exact = t.cost(s);
            if (exact - estimate(t, s) > TANGENT_GAP * std::max(1.0, exact)) {
                t.points.push_back(s);
                changed = true;
            }
        }
        return changed;
    }

  private:
    // Equality row i of the programme, sum e_k z_k = r_i, less y times itself: every column's
    // cost less y e_ik, and the constant's plus y r_i. Every point that meets the row costs the
    // same, so the programme is the same. With y the real-valued optimum's multiplier of the
    // row, the simplex method's first relaxation, which starts with each part at the bound its
    // cost's sign picks, starts at that optimum (whose cost is flat under the multipliers)
    // instead of at the base, and its optimum lies a few pivots away (LARGE_START_TABLE).
    static void shiftRow(LinearModel& m, size_t i, double y, size_t constantColumn) {
        const double r = m.rowLower[i];
        if (y == 0.0 || !std::isfinite(y) || r != m.rowUpper[i] || !std::isfinite(r)) return;
        for (int64_t k = m.rows.start[i]; k < m.rows.start[i + 1]; ++k) {
            m.cost[static_cast<size_t>(m.rows.column[static_cast<size_t>(k)])] -=
                y * m.rows.value[static_cast<size_t>(k)];
        }
        m.cost[constantColumn] += y * r;
    }

    // The lattice of hard row i where it pins a sum of whole coefficients to one value and
    // has two to MAX_LATTICE_TERMS coefficients far enough apart.
    void addLattice(int32_t i, const std::vector<double>& lower, const std::vector<double>& upper,
                    const std::vector<double>& center) {
        const double q = wholeMultiplier(p_.hard, i);
        if (q <= 0.0) return;
        // The row over the sums of its cells of each coefficient, and its fixed cells.
        LatticeRow row;
        std::vector<int64_t> coefficients;
        std::vector<double> near;
        WholeSum fixed = 0;
        for (int64_t k = p_.hard.start[i]; k < p_.hard.start[i + 1]; ++k) {
            const int32_t j = p_.hard.column[k];
            const double c = std::nearbyint(q * p_.hard.value[k]);
            if (std::fabs(c) > double(LARGEST_LATTICE_ENTRY)) return;
            if (lower[j] == upper[j]) {
                if (std::fabs(lower[j]) > LARGEST_WHOLE) return;
                fixed += WholeSum(int64_t(c)) * WholeSum(int64_t(lower[j]));
                continue;
            }
            size_t g = 0;
            while (g < coefficients.size() && coefficients[g] != int64_t(c)) ++g;
            if (g == coefficients.size()) {
                if (g == MAX_LATTICE_TERMS) return;
                coefficients.push_back(int64_t(c));
                near.push_back(0.0);
                row.groups.emplace_back();
            }
            row.groups[g].push_back(j);
            near[g] += center[j];
        }
        // Small steps are closed as fast by branching on the values (value columns), and the
        // lattice's columns only slow the search there.
        int64_t divisor = 0, largest = 0;
        for (int64_t c : coefficients) {
            divisor = std::gcd(divisor, c < 0 ? -c : c);
            largest = std::max(largest, c < 0 ? -c : c);
        }
        if (coefficients.size() < 2 || largest < MIN_LATTICE_STEP * divisor) return;
        const double value = coveredValue(i, q, lower, upper, row.cover);
        if (std::isnan(value)) return;
        const WholeSum rest = WholeSum(value) - fixed;
        if (rest > WholeSum(LARGEST_WHOLE) || rest < -WholeSum(LARGEST_WHOLE)) return;
        if (!rowLattice(coefficients, int64_t(rest), near, row.lattice)) return;
        latticeRows_.push_back(std::move(row));
    }

    // The one whole value that hard row i times q takes on every table of cost up to `cover`,
    // with `cover` as large as it can be: infinite where the cells' ranges alone pin the
    // value. Else a table of cost at most F has each cell within sqrt(F * base) of its base,
    // which bounds the size of the row's terms (a row of mixed signs over cells without an
    // upper bound), and the largest size that pins the value is found by halving. NaN where
    // not even the base's size pins it.
    double coveredValue(int32_t i, double q, const std::vector<double>& lower,
                        const std::vector<double>& upper, double& cover) const {
        cover = INFINITY;
        double value = singleWholeValue(p_, i, q, lower, upper, INFINITY);
        if (!std::isnan(value)) return value;
        double baseSize = 0.0, spread = 0.0;
        for (int64_t k = p_.hard.start[i]; k < p_.hard.start[i + 1]; ++k) {
            const double a = std::fabs(p_.hard.value[k]), b = p_.base[p_.hard.column[k]];
            baseSize += a * b;
            spread += a * std::sqrt(b);
        }
        double pinned = std::max(baseSize, 1.0), beyond = std::max(pinned, 1e300);
        if (std::isnan(singleWholeValue(p_, i, q, lower, upper, pinned))) return NAN;
        for (int step = 0; step < COVER_HALVINGS; ++step) {
            const double size = std::sqrt(pinned) * std::sqrt(beyond);
            if (std::isnan(singleWholeValue(p_, i, q, lower, upper, size))) {
                beyond = size;
            } else {
                pinned = size;
            }
        }
        const double reach = (pinned - baseSize) / spread;
        cover = reach * reach;
        return singleWholeValue(p_, i, q, lower, upper, pinned);
    }

    // [floor(v) - 1, ceil(v) + 1] within the term's range.
    static void setWindow(Term& t, double v) {
        t.windowLower = std::clamp(std::floor(v) - 1.0, t.lower, t.upper);
        t.windowUpper = std::clamp(std::ceil(v) + 1.0, t.lower, t.upper);
    }

    // The parts of a windowed term: down from windowLower to lower (if below) at the first
    // chord's slope, then one part per whole step of the window, the last one extended up to
    // upper.
    template <class Visit>
    static void forEachPart(const Term& t, Visit visit) {
        double lo = t.windowLower, hi = t.windowUpper;
        if (lo > t.lower) visit(true, lo - t.lower, t.slope(lo));
        for (double k = lo; k < hi; ++k) visit(false, k + 1 < hi ? 1.0 : t.upper - k, t.slope(k));
    }

    static double valueOf(const Term& t, const std::vector<double>& point) {
        if (t.lower == t.upper) return t.lower;
        double v = t.windowLower;
        int32_t column = t.firstPart;
        forEachPart(t, [&](bool down, double, double) {
            v += down ? -point[column] : point[column];
            ++column;
        });
        return v;
    }

    static double estimate(const Term& t, double s) {
        double z = 0.0;
        for (double q : t.points) {
            double derivative = 2.0 * t.coefficient * (q - t.target);
            z = std::max(z, t.cost(q) + derivative * (s - q));
        }
        return z;
    }

    const AdjustmentProblem& p_;
    // The real-valued optimum's multipliers of the hard rows (shiftRow); empty when
    // not known.
    std::vector<double> hardDual_;
    bool valueColumns_;
    std::vector<double> weakAt_;  // each weak row's value at the real-valued optimum
    // The weak rows as the programme holds them: multiplied to whole coefficients where
    // wholeMultiplier finds a multiplier (kept here, 0 where it finds none).
    std::vector<double> weakMultiplier_;
    SparseRows weakScaled_;  // empty where no row needed a multiplier
    const SparseRows& weak_;
    std::vector<Term> windowed_;  // the cells, then the weak rows of whole coefficients
    std::vector<Term> tangent_;   // the other weak rows
    // Where each weak row's cost is: a windowed term (whole coefficients) or tangents.
    struct WeakTerm {
        enum Kind { WINDOWED, TANGENT } kind;
        int32_t index;  // in windowed_ or tangent_
    };
    std::vector<WeakTerm> weakTerm_;
    // A hard row that pins a sum to one value: the cells of each of its coefficients, and the
    // lattice of their sums; its columns follow the value columns.
    struct LatticeRow {
        std::vector<std::vector<int32_t>> groups;
        RowLattice lattice;
        double cover = INFINITY;  // the lattice holds every table of up to this cost
    };
    std::vector<LatticeRow> latticeRows_;
    double rangeCover_ = INFINITY;  // the narrowed ranges hold every table of up to this cost
};

// The least amount by which F may differ between two whole-number tables, or 0: where every
// base is a whole number and there is no weak row, (x - b)^2 / b is a multiple of 1 / b at
// whole x, so F is a multiple of 1 / L, L the least common multiple of the bases.
double objectiveStep(const AdjustmentProblem& p) {
    if (p.weak.rowCount() > 0) return 0.0;
    int64_t multiple = 1;
    for (double b : p.base) {
        if (!(b >= 1.0 && b <= double(LARGEST_STEP_DENOMINATOR)) || b != std::floor(b)) return 0.0;
        const int64_t whole = int64_t(b);
        const int64_t factor = whole / std::gcd(multiple, whole);
        if (multiple > LARGEST_STEP_DENOMINATOR / factor) return 0.0;
        multiple *= factor;
    }
    return 1.0 / double(multiple);
}

// Whether v is finite and more than 2^53 in size, where not every whole number is a double.
bool beyondWholeRange(double v) {
    return std::isfinite(v) && std::fabs(v) > LARGEST_WHOLE;
}

// Whether every finite side of every hard row is a number of at most 2^53 in size, where the
// programme's whole-number rows are exact.
bool withinWholeRange(const AdjustmentProblem& p) {
    for (size_t i = 0; i < p.hardLower.size(); ++i) {
        if (beyondWholeRange(p.hardLower[i]) || beyondWholeRange(p.hardUpper[i])) return false;
    }
    return true;
}

// The search for the whole-number optimum, step by step: the cells' whole ranges and the
// centre, a first table (rounding and repair, with the Lagrangian bound's rounds), a cheaper
// one (box moves, blocks), then the programme over windows until it proves the optimum or a
// limit stops it, and where it stopped short, moves of one cell or two. Each step either goes
// on or concludes the result.
class WholeNumberSearch {
  public:
    WholeNumberSearch(const AdjustmentProblem& p, const ContinuousResult& relaxed,
                      const IntegerOptions& options, const Deadline& deadline)
        : p_(p),
          relaxed_(relaxed),
          options_(options),
          deadline_(deadline),
          blocksSearch_(p.classSizes.size() >= 4 && p.weak.rowCount() == 0),
          objectiveStep_(objectiveStep(p)) {}

    IntegerResult run() {
        if (!setUp()) return concluded(modelStatus(ModelStatus::INTEGER_INFEASIBLE));
        if (std::optional<SolveStatus> end = firstTable()) return concluded(*end);
        // Box moves that may raise the cost for a while, to leave the repair's local optimum:
        // before the blocks where they search (a better start for them), else once the
        // programme has stopped short of a proof, so that a table it proves does not wait for
        // them (3-class 10^3 table: 0.1 s).
        if (blocksSearch_) lowerCost();
        if (std::optional<SolveStatus> end = searchBlocks()) return concluded(*end);
        // The programme of a large table takes seconds to build: not when the time is up.
        if (deadline_.passed()) {
            if (proven()) return concluded(modelStatus(ModelStatus::OPTIMAL));
            return concluded(stoppedStatus());
        }
        // Nor when the work left could not pay for its first relaxation: it would stop at
        // once.
        if (programmeBeyondWork()) return concluded(programmeStopped());
        if (beyondWholeNumbers()) {
            return concluded(callStatus(CallStatus::OUT_OF_RANGE, WHOLE_VALUES_TOO_LARGE));
        }
        return concluded(solveWindows());
    }

  private:
    // The cells' whole ranges and the search's centre; false when a cell's range holds no
    // whole number.
    bool setUp() {
        const int32_t cells = p_.cellCount();
        lower_.resize(size_t(cells));
        upper_.resize(size_t(cells));
        center_.resize(size_t(cells));
        for (int32_t j = 0; j < cells; ++j) {
            std::tie(lower_[j], upper_[j]) = wholeRange(p_.lower[j], p_.upper[j]);
            if (lower_[j] > upper_[j]) return false;
            const double c = relaxed_.x.size() == size_t(cells) && std::isfinite(relaxed_.x[j])
                                 ? relaxed_.x[j]
                                 : p_.base[j];
            center_[j] = std::clamp(c, lower_[j], upper_[j]);
        }
        // F >= 0 always; the real-valued optimum's dual value bounds it from below.
        if (relaxed_.status.model == ModelStatus::OPTIMAL && std::isfinite(relaxed_.dualBound)) {
            bound_ = std::max(bound_, relaxed_.dualBound);
        }
        return true;
    }

    // The centre rounded, else repaired; then rounds of the Lagrangian bound, each with a
    // repair from its cells. A status when the search ends here.
    std::optional<SolveStatus> firstTable() {
        if (options_.progress) options_.progress->update("rounding", NAN, bound_);
        std::vector<double> rounded(center_.size());
        for (size_t j = 0; j < center_.size(); ++j) {
            rounded[j] = std::clamp(std::nearbyint(center_[j]), lower_[j], upper_[j]);
        }
        if (meetsHardRows(p_, rounded)) {
            offer(rounded);
            if (proven()) return modelStatus(ModelStatus::OPTIMAL);
            return std::nullopt;
        }
        MarginRepairResult mended = repairMargins(p_, rounded, center_, lower_, upper_, deadline_,
                                                  options_.progress, bound_);
        if (mended.found && meetsHardRows(p_, mended.x)) {
            offer(mended.x);
        } else {
            RoundingResult repaired =
                roundAndRepair(p_, center_, lower_, upper_, deadline_, options_.progress, bound_);
            if (repaired.status.call == CallStatus::NO_MEMORY)
                return callStatus(CallStatus::NO_MEMORY);
            if (repaired.status.is(ModelStatus::FEASIBLE)) offer(repaired.x);
        }
        // A better bound, and from its cells, which miss the rows by less, maybe a better
        // table; again with the better table's cost as the steps' target, which leads the
        // steps elsewhere (5-class table: 96.3 to 95.3; 3-class 10^4 cells: 329.1 to 329.0).
        for (int round = 0; round < LAGRANGIAN_ROUNDS; ++round) {
            LagrangianResult lagrange = lagrangianBound(p_, lower_, upper_, relaxed_.hardDual,
                                                        haveTable_ ? result_.objective : INFINITY,
                                                        deadline_, options_.progress);
            if (!lagrange.used) break;
            bound_ = std::max(bound_, lagrange.bound);
            if (proven()) return modelStatus(ModelStatus::OPTIMAL);
            MarginRepairResult again = repairMargins(
                p_, lagrange.x, center_, lower_, upper_, deadline_, options_.progress, bound_,
                haveTable_ ? CHEAPER_TABLE_EVALUATIONS : FIRST_TABLE_EVALUATIONS);
            if (again.found && meetsHardRows(p_, again.x)) offer(again.x);
        }
        return std::nullopt;
    }

    // Threshold accepting over box moves from the best table.
    void lowerCost() {
        if (!haveTable_ || proven() || deadline_.passed()) return;
        std::vector<double> cheaper =
            lowerTableCost(p_, result_.x, center_, lower_, upper_, deadline_);
        if (meetsHardRows(p_, cheaper)) offer(cheaper);
    }

    // Cycles between planes from the best table, counted in their own steps, not in the
    // work: last, so that a table the programme proves does not wait for them and the blocks
    // start from the table they were measured with (with the cycles before the blocks too,
    // some tables ended better and some worse: 4^5 table 0.98 % to 1.4 %). Measured at the
    // default work limit: 3-class 12^3 gap 0.159 % to 0.043 %, 15^3 0.186 % to 0.135 %,
    // 20x20x25 0.332 % to 0.22 %; 4-class 10^4 1.40 % to 0.90 % (three more 4-class tables:
    // 1.29-1.64 % to 0.84-1.01 %); 5-class 6^5 1.87 % to 1.37 % (four more: 2.08-2.43 % to
    // 1.53-1.70 %), each in about a second more. True when they lowered the cost.
    bool cancelCycles() {
        if (!haveTable_ || proven() || deadline_.passed()) return false;
        std::vector<double> cycled =
            cancelSliceCycles(p_, result_.x, lower_, upper_, deadline_, options_.progress, bound_);
        const double before = result_.objective;
        if (meetsHardRows(p_, cycled)) offer(cycled);
        return result_.objective < before;
    }

    // Moves of one cell or two from the best table, last where the programme stopped short:
    // where the rows are not margins alone (which no such move keeps), its tables are often a
    // few such moves from cheaper ones. Of 40 random tables of 5,000 to 30,000 cells at a work
    // limit of 50,000, 19 of the 23 that stop short end cheaper, by up to 26 % (30.23 to 22.38),
    // in about half a second more. Only there, so that the programme's path stays as it is: with
    // the moves also on the first tables, whose cost narrows the ranges, proofs came sooner or
    // later at random (of 1,167 tables of up to 625 cells one more proven, of 39 of 500 to 1,000
    // cells one lost, from 0.2 s to the time limit).
    void movePairs() {
        if (!haveTable_ || proven() || deadline_.passed()) return;
        try {
            std::vector<double> cheaper =
                improveByCellPairs(p_, result_.x, lower_, upper_, deadline_);
            if (meetsHardRows(p_, cheaper)) offer(cheaper);
        } catch (const std::bad_alloc&) {
            // The table at hand stays: it is not given up for want of memory for these moves.
        }
    }

    // Small exact programmes over blocks of the table, within their share of the work.
    std::optional<SolveStatus> searchBlocks() {
        if (!haveTable_ || proven()) return std::nullopt;
        std::unique_ptr<LinearSolver> blocks = newSolver(options_.newSolver);
        if (!blocks) return callStatus(CallStatus::NO_MEMORY);
        const double share =
            p_.classSizes.size() >= 5 ? NEIGHBOURHOOD_SHARE_FIVE_CLASSES : NEIGHBOURHOOD_SHARE;
        const int64_t until = options_.work ? int64_t(share * options_.work->limit()) : 0;
        NeighbourhoodResult better =
            searchNeighbourhoods(p_, result_.x, lower_, upper_, *blocks, options_.work, until,
                                 deadline_, options_.progress, bound_);
        if (better.improvements > 0) offer(better.x);
        if (proven()) return modelStatus(ModelStatus::OPTIMAL);
        return std::nullopt;
    }

    // True when the work left buys fewer simplex iterations than the whole table's programme
    // has rows, with the programme counted low (a row per hard and weak row, a column per
    // cell that may change): too few to solve even its first relaxation. A 4-class table of
    // 10^6 cells would otherwise build a programme of 4 million columns, 8.5 GB with the
    // solver's copies of it, only to stop at the work limit.
    bool programmeBeyondWork() const {
        if (options_.work == nullptr) return false;
        const int64_t rows = int64_t(p_.hard.rowCount()) + p_.weak.rowCount();
        int64_t columns = 0;
        for (size_t j = 0; j < lower_.size(); ++j) columns += lower_[j] < upper_[j] ? 1 : 0;
        return options_.work->left() / iterationUnits(rows, columns) < rows;
    }

    // Whether the programme would hold a value beyond 2^53: a cell's centre, finite bound or
    // value in the table found, or a weak row's value at the centre or its target. There the
    // parts of one unit vanish in rounding, and Clp's dual simplex has stopped the whole
    // program with an assertion (36 cells, one of base 1e16, and a row of coefficients 0.333
    // and -2).
    bool beyondWholeNumbers() const {
        for (size_t j = 0; j < center_.size(); ++j) {
            if (beyondWholeRange(center_[j]) || beyondWholeRange(lower_[j]) ||
                beyondWholeRange(upper_[j])) {
                return true;
            }
            if (haveTable_ && beyondWholeRange(result_.x[j])) return true;
        }
        for (int32_t w = 0; w < p_.weak.rowCount(); ++w) {
            if (beyondWholeRange(rowSum(p_.weak, w, center_)) ||
                beyondWholeRange(p_.weakTarget[w])) {
                return true;
            }
        }
        return false;
    }

    // The programme over windows round the centre, solved again with wider windows until its
    // optimum lies inside them (then it is the whole-number optimum) or a limit stops it.
    SolveStatus solveWindows() {
        WindowModel windows(p_, lower_, upper_, center_, relaxed_.hardDual);
        std::unique_ptr<LinearSolver> solver = newSolver(options_.newSolver);
        if (!solver) return callStatus(CallStatus::NO_MEMORY);
        solver->setWorkLimit(options_.work);
        solver->setAnyPointFirst(true);
        if (options_.progress) {
            // The programme's own incumbent is not yet a checked table: only ours is shown.
            solver->setProgress([&](double, double mipBound) {
                options_.progress->update("integer", haveTable_ ? result_.objective : NAN,
                                          std::max(bound_, mipBound));
            });
        }
        // A point of the programme that leaves its windows is answered by wider windows at
        // once, without a proof of these windows' optimum, which is wasted where that leaves
        // them too (a 36-cell table spent 6 of its 8.4 s on such proofs; now 2.0 s). Of 1,167
        // random tables of up to 625 cells with weak rows, 3 more end proven, 5 fewer take
        // more than 1 s, and all take 15 % less time; a few take longer, for more rounds.
        solver->setLeavesModel(
            [&](const std::vector<double>& point) { return windows.leaves(point); });
        double narrowedAt = INFINITY;  // the cost the ranges were last narrowed to
        for (int round = 0; round < MAX_ROUNDS; ++round) {
            if (options_.progress) {
                options_.progress->update("integer", haveTable_ ? result_.objective : NAN, bound_);
            }
            // Each term's range narrowed to what a cheaper table may take, again whenever the
            // table at hand is cheaper: the extended chords then end there, and a programme
            // without a point below that cost proves the table. Of 1,167 random tables of up
            // to 625 cells, 1,162 instead of 1,161 end proven, 28 instead of 31 take more than
            // 1 s, and all take 131 s instead of 162 s (a 48-cell table: proven in 4.5 s
            // instead of the work limit); of 110 tables of 1,000 to 5,000 cells, 101 instead
            // of 97 (a 4,526-cell table proven in 12.5 s where it stopped at the work limit
            // after 0.5 s), though in 127 s instead of 115 s; of 39 tables of 500 to 1,000
            // cells, 37 instead of 38 (one whose first table costs 11 % above the optimum now
            // spends its work in the first programme instead of widening its windows).
            if (haveTable_ && result_.objective < narrowedAt) {
                narrowedAt = result_.objective;
                windows.narrow(
                    cheaperTableRanges(p_, lower_, upper_, relaxed_.hardDual, center_, narrowedAt),
                    narrowedAt);
            }
            if (!solver->load(windows.build())) return callStatus(CallStatus::NO_MEMORY);
            solver->setObjectiveStep(stepUsable() ? objectiveStep_ : 0.0);
            // The solver decides whether its search starts from this point: a small
            // programme's search uses it only where the others did not end.
            std::vector<double> start =
                haveTable_ ? windows.pointOf(result_.x) : std::vector<double>{};
            LinearResult mip = solver->solveInteger(deadline_, options_.relativeGap, start);
            if (!mip.status.ok()) return callStatus(mip.status.call, mip.status.failure);
            // Tables that cost more than the lattices cover are not in the programme. Where it
            // has none up to that cost (no point, or a bound above), every table costs more,
            // and the search goes on without those lattices, from the point found, if any.
            const double covered = windows.coveredCost();
            const bool beyondCover =
                std::isfinite(covered) &&
                (mip.is(ModelStatus::INFEASIBLE) || (mip.status.ok() && mip.bound > covered));
            if (beyondCover) bound_ = std::max(bound_, covered);
            if (std::isfinite(mip.bound)) bound_ = std::max(bound_, std::min(mip.bound, covered));
            if (mip.is(ModelStatus::INFEASIBLE) && beyondCover) {
                // No table costs less than the narrowed ranges' cover: the table at hand is
                // the optimum.
                if (proven()) return modelStatus(ModelStatus::OPTIMAL);
                windows.dropPartialLattices();
                continue;
            }
            if (mip.is(ModelStatus::INFEASIBLE)) {
                // The programme allows every whole number of every cell's range.
                // Beyond 2^53 the programme's rows are not exact: no verdict from them.
                if (haveTable_ || !withinWholeRange(p_)) return callStatus(CallStatus::FAILED);
                return modelStatus(ModelStatus::INTEGER_INFEASIBLE);
            }
            bool pointHolds = false;  // the programme's point is a table
            if (!mip.x.empty()) {
                std::vector<double> x = windows.tableOf(mip.x);
                pointHolds = meetsHardRows(p_, x);
                if (pointHolds) offer(x);
            }
            if (beyondCover && mip.status.stop == StopReason::NONE && !deadline_.passed()) {
                if (proven()) return modelStatus(ModelStatus::OPTIMAL);
                windows.dropPartialLattices();
                continue;
            }
            if (mip.leftModel && windows.refine(mip.x)) continue;
            if (mip.status.stop != StopReason::NONE || deadline_.passed())
                return programmeStopped();
            if (!mip.is(ModelStatus::OPTIMAL)) return callStatus(CallStatus::FAILED);
            if (!windows.refine(mip.x)) {
                // Exact at the programme's optimum: its bound is the whole-number problem's
                // too. The programme's own point may miss a row by the solver's tolerances; a
                // table repaired from it may then close the gap. Without that, nothing is
                // proven.
                if (!pointHolds && !proven() && !mip.x.empty()) {
                    RoundingResult near = roundAndRepair(p_, windows.tableOf(mip.x), lower_, upper_,
                                                         deadline_, options_.progress, bound_);
                    if (near.status.call == CallStatus::NO_MEMORY)
                        return callStatus(CallStatus::NO_MEMORY);
                    if (near.status.is(ModelStatus::FEASIBLE)) offer(near.x);
                }
                const bool covers = haveTable_ && result_.objective <= covered;
                if ((pointHolds && covers) || proven()) return modelStatus(ModelStatus::OPTIMAL);
                if (!covers && std::isfinite(covered)) {
                    windows.dropPartialLattices();  // the optimum may cost more than they cover
                    continue;
                }
                return callStatus(CallStatus::FAILED);
            }
        }
        // So many rounds are work too: the same stop on every run.
        if (haveTable_) return modelStatus(ModelStatus::FEASIBLE, StopReason::WORK_LIMIT);
        return callStatus(CallStatus::FAILED);
    }

    // Where the programme stopped short of a proof: the cycles may still lower the cost, and
    // without the blocks the box moves, which have not run yet. The two in turn, as long as
    // the cycles lower it, twice at most: each makes moves the other cannot (3-class 20x20x25
    // table: gap 0.237 % after one turn, 0.22 % after two, and no lower after four). Where the
    // blocks ran, the box moves ran before them, and the cycles run once. Then the moves of one
    // cell or two.
    SolveStatus programmeStopped() {
        for (int turn = 0; turn < CYCLE_TURNS; ++turn) {
            if (!blocksSearch_) lowerCost();
            if (!cancelCycles() || blocksSearch_) break;
        }
        movePairs();
        if (proven()) return modelStatus(ModelStatus::OPTIMAL);
        return stoppedStatus();
    }

    // Where the search stopped before it proved the optimum: the deadline, else the work.
    SolveStatus stoppedStatus() const {
        return modelStatus(haveTable_ ? ModelStatus::FEASIBLE : ModelStatus::NO_POINT,
                           deadline_.passed() ? StopReason::TIME_LIMIT : StopReason::WORK_LIMIT);
    }

    // Keeps `x` when it is the first table or a cheaper one.
    void offer(const std::vector<double>& x) {
        const double f = adjustmentObjective(p_, x);
        if (!haveTable_ || f < result_.objective) {
            result_.x = x;
            result_.objective = f;
            haveTable_ = true;
        }
    }

    bool proven() const {
        if (!haveTable_) return false;
        const double gap = result_.objective - bound_;
        if (gap <= options_.relativeGap * std::fabs(result_.objective)) return true;
        // No whole-number table costs less than a step below the table at hand.
        const double accuracy = options_.relativeGap * std::fabs(result_.objective);
        return stepUsable() && gap < objectiveStep_ - accuracy;
    }

    // Whether the objective's step lies far above the accuracy of the bounds at the table at
    // hand (the cost only falls from there).
    bool stepUsable() const {
        return haveTable_ && objectiveStep_ > 0.0 &&
               options_.relativeGap * std::fabs(result_.objective) <
                   STEP_ACCURACY_SHARE * objectiveStep_;
    }

    // The result with `status`, the bound and the gap; a table only where the status has one.
    IntegerResult concluded(const SolveStatus& status) {
        result_.status = status;
        result_.bound = std::min(bound_, result_.objective);
        result_.gap = relativeGap(result_.objective, result_.bound);
        const bool hasTable = status.ok() && (status.model == ModelStatus::OPTIMAL ||
                                              status.model == ModelStatus::FEASIBLE);
        if (!hasTable) result_.x.clear();
        return std::move(result_);
    }

    const AdjustmentProblem& p_;
    const ContinuousResult& relaxed_;
    const IntegerOptions& options_;
    const Deadline& deadline_;
    const bool blocksSearch_;     // the block search runs: four classes or more, no weak rows
    const double objectiveStep_;  // objectiveStep(p_)
    std::vector<double> lower_, upper_, center_;  // each cell's whole range, the centre
    double bound_ = 0.0;
    bool haveTable_ = false;
    IntegerResult result_;
};

}  // namespace

IntegerResult solveInteger(const AdjustmentProblem& problem, const ContinuousResult& relaxed,
                           const IntegerOptions& options) {
    if (!options.newSolver) return IntegerResult{};  // FAILED: no solver to search with
    try {
        IntegerResult r = WholeNumberSearch(problem, relaxed, options, options.deadline).run();
        if (options.progress) options.progress->finish();
        return r;
    } catch (const std::bad_alloc&) {
        IntegerResult r;
        r.status = callStatus(CallStatus::NO_MEMORY);
        return r;
    }
}
