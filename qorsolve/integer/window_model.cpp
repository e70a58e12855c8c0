#include "qorsolve/integer/window_model.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

#include "qorsolve/core/settings.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/numeric_checks.h"

namespace {

// Up to this many cells, each windowed term also gets a whole-number column of its own value
// and the search uses cuts: rows with several whole coefficients (3 x + 2 y = 24063) leave
// the value lattices to branching on the value, which branching on parts does not close.
// Tables up to this size end proven more often with them, once their first relaxation starts
// near the real-valued optimum (LARGE_START_TABLE); larger ones were not measured
// (docs/solver-notes.md). Where every row's coefficients are 1 or -1 (a table's margins)
// there is no lattice to close, and the value columns only slow the search: none there.
constexpr int32_t SMALL_TABLE = 5000;
// Above this many cells the programme's first relaxation starts at the real-valued optimum:
// its equality rows are shifted by their multipliers there (shiftRow), and where it has value
// columns, the weak rows' links by the slope of their cost there and each value column starts
// basic in its own link, which holds it at the parts' value. The first relaxation then lies a
// few pivots from its optimum instead of many. On smaller programmes the first relaxation
// costs little, and the start only changes the search's path.
constexpr int32_t LARGE_START_TABLE = 500;
// ... and only while every windowed term's window lies below this in magnitude. A value
// column holds the distance from its window (build), so its whole numbers stay apart at any
// size; but beyond this the parts of the extended chords span more units than the simplex
// method's integrality tolerance can tell apart, and a search may prove a table optimal that
// is not. A hundredth of the smallest size at which that was seen, for safety.
constexpr double LARGEST_VALUE_RANGE = 1e11;

// A hard row that pins a sum of whole (or decimal) coefficients to one value, with at most this
// many different coefficients, gets columns for its lattice (row_lattice.h): a search that
// branches on them closes 0.333 (a) + 1.5 (b) = 3928.86 in a few branches, where branching on
// the cells needs as many branches as the sums have values.
constexpr size_t MAX_LATTICE_TERMS = 6;
// ... and only where a sum's values lie at least this far apart (the largest coefficient
// divided by their greatest common divisor). Below, the value columns close the row as fast,
// and the lattice's columns only slow the search.
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

// A tangent is added where the estimate falls short of the cost by more than this share of
// it: above the rounding of the two, so that refinement ends once the estimate is exact.
constexpr double TANGENT_GAP = 1e-12;

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

// Appends a column of bounds [lower, upper] and cost `cost`, whole-numbered where `whole`.
void addColumn(LinearModel& m, double lower, double upper, double cost, bool whole) {
    m.columnLower.push_back(lower);
    m.columnUpper.push_back(upper);
    m.cost.push_back(cost);
    m.isInteger.push_back(whole ? 1 : 0);
}

// A row's side less `by`; an infinite side stays as it is.
double shifted(double bound, double by) {
    return std::isfinite(bound) ? bound - by : bound;
}

}  // namespace

// [floor(v) - 1, ceil(v) + 1] within the term's range.
void WindowModel::setWindow(Term& t, double v) {
    t.windowLower = std::clamp(std::floor(v) - 1.0, t.lower, t.upper);
    t.windowUpper = std::clamp(std::ceil(v) + 1.0, t.lower, t.upper);
}

// The parts of a windowed term: down from windowLower to lower (if below) at the first
// chord's slope, then one part per whole step of the window, the last one extended up to
// upper.
template <class Visit>
void WindowModel::forEachPart(const Term& t, Visit visit) {
    double lo = t.windowLower, hi = t.windowUpper;
    if (lo > t.lower) visit(true, lo - t.lower, t.slope(lo));
    for (double k = lo; k < hi; ++k) visit(false, k + 1 < hi ? 1.0 : t.upper - k, t.slope(k));
}

double WindowModel::valueOf(const Term& t, const std::vector<double>& point) {
    if (t.lower == t.upper) return t.lower;
    double v = t.windowLower;
    int32_t column = t.firstPart;
    forEachPart(t, [&](bool down, double, double) {
        v += down ? -point[column] : point[column];
        ++column;
    });
    return v;
}

double WindowModel::estimate(const Term& t, double s) {
    double z = 0.0;
    for (double q : t.points) {
        double derivative = 2.0 * t.coefficient * (q - t.target);
        z = std::max(z, t.cost(q) + derivative * (s - q));
    }
    return z;
}

WindowModel::WindowModel(const AdjustmentProblem& p, const std::vector<double>& lower,
                         const std::vector<double>& upper, const std::vector<double>& center,
                         const std::vector<double>& hardDual)
    : p_(p),
      hardDual_(hardDual.size() == static_cast<size_t>(p.hard.rowCount()) ? hardDual
                                                                          : std::vector<double>()),
      valueColumns_(p.cellCount() <= SMALL_TABLE),
      weakScaled_(wholeRows(p.weak, weakMultiplier_)),
      weak_(weakScaled_.rowCount() > 0 ? weakScaled_ : p.weak) {
    int32_t cells = p.cellCount();
    for (int32_t j = 0; j < cells; ++j) {
        Term t;
        t.cell = p.cellCost(j);
        t.quadratic = t.cell.asQuadratic(t.coefficient, t.target);
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

LinearModel WindowModel::build() {
    LinearModel m;
    const double constant = addPartColumns(m);
    addTangentColumns(m);
    const size_t constantColumn = m.cost.size();
    addColumn(m, 1.0, 1.0, constant, false);
    const std::vector<double> multiplier = addHardRows(m);
    const bool largeStart = p_.cellCount() > LARGE_START_TABLE;
    if (largeStart) shiftHardRows(m, multiplier, constantColumn);
    const std::vector<std::pair<size_t, int32_t>> links = addValueColumns(m);
    addLatticeRows(m);
    addWeakRows(m, largeStart, constantColumn);
    addTangentRows(m);
    if (largeStart && !links.empty()) {
        m.startColumn.assign(m.rowLower.size(), -1);
        for (const auto& [row, v] : links) m.startColumn[row] = v;
    }
    return m;
}

// The parts of each windowed term that is not fixed; returns the constant of the costs: each
// term's cost at its fixed value or at windowLower, where its parts are all 0.
double WindowModel::addPartColumns(LinearModel& m) {
    double constant = 0.0;
    for (Term& t : windowed_) {
        t.firstPart = static_cast<int32_t>(m.cost.size());
        if (t.lower == t.upper) {
            constant += t.cost(t.lower);
            continue;
        }
        constant += t.cost(t.windowLower);
        forEachPart(t, [&](bool down, double width, double slope) {
            addColumn(m, 0.0, width, down ? -slope : slope, true);
        });
    }
    return constant;
}

// Each tangent term's value s and the estimate z of its cost.
void WindowModel::addTangentColumns(LinearModel& m) {
    for (Term& t : tangent_) {
        t.column = static_cast<int32_t>(m.cost.size());
        addColumn(m, t.lower, t.upper, 0.0, false);
        addColumn(m, 0.0, INFINITE_BOUND, 1.0, false);
    }
}

// a * v as entries on the term's parts; returns a * (the value with all parts 0).
double WindowModel::termEntries(LinearModel& m, const Term& t, double a) {
    if (t.lower == t.upper) return a * t.lower;
    int32_t column = t.firstPart;
    forEachPart(t, [&](bool down, double, double) { m.addEntry(column++, down ? -a : a); });
    return a * t.windowLower;
}

// One row per hard row over the parts of its cells, its sides less the value the row takes
// with every part 0; returns the multiplier each row is held by (0: the row as it is).
std::vector<double> WindowModel::addHardRows(LinearModel& m) const {
    const AdjustmentProblem& p = p_;
    std::vector<double> multiplier(size_t(p.hard.rowCount()), 0.0);
    for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
        m.beginRow(0.0, 0.0);
        // A row of short decimals is held as its whole multiple q times it, exact in
        // doubles as a row of whole coefficients is (exact_rows.h), so that the rounding
        // of its terms does not part it from its lattice; both take whole values only,
        // and their bounds are whole too.
        const double q = multiplier[size_t(i)] = exactMultiplier(p.hard, i);
        double fixed = 0.0;
        for (int64_t k = p.hard.start[i]; k < p.hard.start[i + 1]; ++k) {
            const double a = q > 1.0 ? std::nearbyint(q * p.hard.value[k]) : p.hard.value[k];
            fixed += termEntries(m, windowed_[p.hard.column[k]], a);
        }
        double lower = p.hardLower[i], upper = p.hardUpper[i];
        if (q > 0.0) std::tie(lower, upper) = wholeRowValues(p, i, q, p.lower, p.upper);
        m.rowLower.back() = shifted(lower, fixed);
        m.rowUpper.back() = shifted(upper, fixed);
    }
    return multiplier;
}

// The hard rows less the real-valued optimum's multipliers (shiftRow), each taken in the units
// of the row as it is held (`multiplier`, of addHardRows).
void WindowModel::shiftHardRows(LinearModel& m, const std::vector<double>& multiplier,
                                size_t constantColumn) const {
    for (size_t i = 0; i < hardDual_.size(); ++i) {
        shiftRow(m, i, multiplier[i] > 1.0 ? hardDual_[i] / multiplier[i] : hardDual_[i],
                 constantColumn);
    }
}

// Where the programme has value columns: one per windowed term that is not fixed, with its
// link row (v - windowLower) - (parts) = 0, and the cuts on. Returns each link row with its
// value column.
//
// A value column holds v - windowLower, so that its whole numbers stay a few units of rounding
// apart whatever the size of v: at 10^9 the integrality tolerance (1e-6) lies below the
// rounding of v itself, and a search that branches on such a column never sees it whole.
std::vector<std::pair<size_t, int32_t>> WindowModel::addValueColumns(LinearModel& m) const {
    std::vector<std::pair<size_t, int32_t>> links;
    if (valueColumns_) {
        m.cuts = true;
        for (const Term& t : windowed_) {
            if (t.lower == t.upper) continue;
            int32_t v = static_cast<int32_t>(m.cost.size());
            addColumn(m, t.lower - t.windowLower, t.upper - t.windowLower, 0.0, true);
            m.beginRow(0.0, 0.0);
            links.emplace_back(m.rowLower.size() - 1, v);
            termEntries(m, t, -1.0);
            m.addEntry(v, 1.0);
        }
    }
    return links;
}

// Each lattice's coordinates z, branched on first, and one row per group of its row's cells:
// (cells of group k) - basis z = origin_k.
void WindowModel::addLatticeRows(LinearModel& m) const {
    for (const LatticeRow& row : latticeRows_) {
        const RowLattice& l = row.lattice;
        const int32_t first = static_cast<int32_t>(m.cost.size());
        for (size_t b = 0; b < l.basis.size(); ++b) {
            addColumn(m, -INFINITE_BOUND, INFINITE_BOUND, 0.0, true);
            m.branchFirst.resize(m.cost.size(), 0);
            m.branchFirst.back() = 1;
        }
        for (size_t k = 0; k < row.groups.size(); ++k) {
            m.beginRow(0.0, 0.0);
            double fixed = 0.0;
            for (int32_t j : row.groups[k]) fixed += termEntries(m, windowed_[j], 1.0);
            for (size_t b = 0; b < l.basis.size(); ++b) {
                if (l.basis[b][k] != 0) m.addEntry(first + int32_t(b), -double(l.basis[b][k]));
            }
            m.rowLower.back() = m.rowUpper.back() = double(l.origin[k]) - fixed;
        }
    }
}

// One row per weak row that links its value to the term of its cost: a . x - s = 0. With
// `largeStart` and value columns, a windowed term's link is shifted by its multiplier at the
// real-valued optimum (shiftRow).
void WindowModel::addWeakRows(LinearModel& m, bool largeStart, size_t constantColumn) const {
    for (int32_t w = 0; w < weak_.rowCount(); ++w) {
        m.beginRow(0.0, 0.0);
        double fixed = 0.0;
        for (int64_t k = weak_.start[w]; k < weak_.start[w + 1]; ++k) {
            fixed += termEntries(m, windowed_[weak_.column[k]], weak_.value[k]);
        }
        if (weakTerm_[w].kind == WeakTerm::WINDOWED) {
            fixed += termEntries(m, windowed_[weakTerm_[w].index], -1.0);
        } else {
            m.addEntry(tangent_[weakTerm_[w].index].column, -1.0);
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
}

// One row per tangent of each tangent term: z - g'(q) s >= g(q) - g'(q) q.
void WindowModel::addTangentRows(LinearModel& m) const {
    for (const Term& t : tangent_) {
        for (double q : t.points) {
            double derivative = 2.0 * t.coefficient * (q - t.target);
            m.beginRow(t.cost(q) - derivative * q, INFINITE_BOUND);
            m.addEntry(t.column + 1, 1.0);
            m.addEntry(t.column, -derivative);
        }
    }
}

double WindowModel::coveredCost() const {
    double cover = rangeCover_;
    for (const LatticeRow& row : latticeRows_) cover = std::min(cover, row.cover);
    return cover;
}
void WindowModel::narrow(const CheaperTableRanges& r, double cost) {
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

void WindowModel::dropPartialLattices() {
    std::erase_if(latticeRows_, [](const LatticeRow& row) { return std::isfinite(row.cover); });
}

std::vector<double> WindowModel::pointOf(const std::vector<double>& x) const {
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

std::vector<double> WindowModel::tableOf(const std::vector<double>& point) const {
    std::vector<double> x(p_.base.size());
    for (size_t j = 0; j < x.size(); ++j) x[j] = valueOf(windowed_[j], point);
    return x;
}

bool WindowModel::leaves(const std::vector<double>& point) const {
    for (const Term& t : windowed_) {
        const double v = valueOf(t, point);
        if (v < t.windowLower - 0.5 || v > t.windowUpper + 0.5) return true;
    }
    return false;
}

bool WindowModel::refine(const std::vector<double>& point) {
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

// Equality row i of the programme, sum e_k z_k = r_i, less y times itself: every column's
// cost less y e_ik, and the constant's plus y r_i. Every point that meets the row costs the
// same, so the programme is the same. With y the real-valued optimum's multiplier of the
// row, the simplex method's first relaxation, which starts with each part at the bound its
// cost's sign picks, starts at that optimum (whose cost is flat under the multipliers)
// instead of at the base, and its optimum lies a few pivots away (LARGE_START_TABLE).
void WindowModel::shiftRow(LinearModel& m, size_t i, double y, size_t constantColumn) {
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
void WindowModel::addLattice(int32_t i, const std::vector<double>& lower,
                             const std::vector<double>& upper, const std::vector<double>& center) {
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
double WindowModel::coveredValue(int32_t i, double q, const std::vector<double>& lower,
                                 const std::vector<double>& upper, double& cover) const {
    cover = INFINITY;
    double value = singleWholeValue(p_, i, q, lower, upper, INFINITY);
    if (!std::isnan(value)) return value;
    double baseSize = 0.0, spread = 0.0;
    for (int64_t k = p_.hard.start[i]; k < p_.hard.start[i + 1]; ++k) {
        const int32_t j = p_.hard.column[k];
        const double a = std::fabs(p_.hard.value[k]);
        baseSize += a * p_.base[j];
        spread += a * p_.cellCost(j).reachPerRootCost();
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
