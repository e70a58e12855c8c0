// The whole-number optimum as a mixed-integer linear programme over piecewise-linear costs.
//
// Each cell's cost f(v) (objective.h), and the cost of each weak row whose
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
//
// The programme. A windowed term's value v is not a column of its own: it is
// windowLower - down + (up parts), each part a whole-number column (a part of width 1 is 0 or
// 1), and the rows hold these parts in place of v. That keeps the programme at one row per
// hard and weak row (plus tangents), which the simplex method solves far faster than a
// programme with a linking row per cell; its relaxation is the same.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "qorsolve/integer/cheaper_table_ranges.h"
#include "qorsolve/integer/row_lattice.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/adjustment_problem.h"

class WindowModel {
  public:
    // The programme of problem `p` over the cells' whole ranges [lower, upper], with windows
    // round `center` (the real-valued optimum within those ranges). `hardDual` holds that
    // optimum's multipliers of the hard rows, one per row; of another size it is not used.
    WindowModel(const AdjustmentProblem& p, const std::vector<double>& lower,
                const std::vector<double>& upper, const std::vector<double>& center,
                const std::vector<double>& hardDual);

    // Columns: the parts of every windowed term (cells first, then weak rows of whole
    // coefficients), for each tangent term its value and its cost, a column fixed at 1 that
    // carries the constant of the costs, and on small tables the value of each windowed
    // term that is not fixed.
    LinearModel build();

    // The programme holds every table of up to this cost (the lattices' cover): its bound
    // and verdicts hold for those. Infinite without lattices, or where the cells' ranges
    // alone pin their rows.
    double coveredCost() const;
    // Each term's range narrowed to the values a table of cost at most `cost` may take: the
    // programme then holds every such table only, and its windows lie within the ranges.
    void narrow(const CheaperTableRanges& r, double cost);
    // The programme without lattices that do not cover every table, for the next build.
    void dropPartialLattices();

    // Table x as a point of the last programme built.
    std::vector<double> pointOf(const std::vector<double>& x) const;
    // The table of a point of the last programme built.
    std::vector<double> tableOf(const std::vector<double>& point) const;
    // Whether a term of the point lies outside its window (by more than a point of whole
    // values may be off a whole number).
    bool leaves(const std::vector<double>& point) const;
    // Widens the windows the point leaves and adds tangents where the estimate of a weak cost
    // is below the cost. False when the point is inside every window and every estimate is
    // exact: the programme's optimum is then the whole-number optimum.
    bool refine(const std::vector<double>& point);

  private:
    // A convex cost coefficient * (v - target)^2 of a cell's value or a weak row's value, or a
    // cell's own convex cost.
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

        // A cell whose cost is no quadratic (CellCost::asQuadratic): its cost and chords are
        // the cell's own.
        bool quadratic = true;
        CellCost cell{Distance::CHI_SQUARE, 1.0};

        double cost(double v) const {
            return quadratic ? coefficient * (v - target) * (v - target) : cell.at(v);
        }
        // cost(k + 1) - cost(k), without the cancellation of subtracting two large costs.
        double slope(double k) const {
            return quadratic ? coefficient * (2.0 * (k - target) + 1.0) : cell.upChord(k);
        }
    };

    // The steps of build, in their order.
    double addPartColumns(LinearModel& m);
    void addTangentColumns(LinearModel& m);
    std::vector<double> addHardRows(LinearModel& m) const;
    void shiftHardRows(LinearModel& m, const std::vector<double>& multiplier,
                       size_t constantColumn) const;
    std::vector<std::pair<size_t, int32_t>> addValueColumns(LinearModel& m) const;
    void addLatticeRows(LinearModel& m) const;
    void addWeakRows(LinearModel& m, bool largeStart, size_t constantColumn) const;
    void addTangentRows(LinearModel& m) const;
    static double termEntries(LinearModel& m, const Term& t, double a);
    static void shiftRow(LinearModel& m, size_t i, double y, size_t constantColumn);
    void addLattice(int32_t i, const std::vector<double>& lower, const std::vector<double>& upper,
                    const std::vector<double>& center);
    double coveredValue(int32_t i, double q, const std::vector<double>& lower,
                        const std::vector<double>& upper, double& cover) const;
    static void setWindow(Term& t, double v);
    template <class Visit>
    static void forEachPart(const Term& t, Visit visit);
    static double valueOf(const Term& t, const std::vector<double>& point);
    static double estimate(const Term& t, double s);

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
