// The one interface between qorsolve and a linear or mixed-integer programming library.
// Another free solver is added by implementing it, choosing its factory in the composition
// root (NEW_SOLVER in qorsolve_run.cpp) and adding it to the backends of
// tests/linear_solver_test.cpp; nothing else in qorsolve names a library.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "qorsolve/core/deadline.h"
#include "qorsolve/core/solve_status.h"
#include "qorsolve/core/work_limit.h"
#include "qorsolve/problem/sparse_rows.h"

// minimise cost . x  subject to  rowLower <= A x <= rowUpper,  columnLower <= x <= columnUpper,
// x_j whole where isInteger[j]. Infinite bounds are +-INFINITE_BOUND.
struct LinearModel {
    std::vector<double> columnLower;
    std::vector<double> columnUpper;
    std::vector<double> cost;
    std::vector<char> isInteger;  // empty: all continuous
    SparseRows rows;
    std::vector<double> rowLower;
    std::vector<double> rowUpper;
    // Cut generators for the mixed-integer search: they close small programmes with rows of
    // several whole coefficients that branching alone does not, and slow large ones down.
    bool cuts = false;
    // Whole-number columns the mixed-integer search branches on before any other (empty:
    // none), such as the coordinates of a row's lattice.
    std::vector<char> branchFirst;
    // The first basis of the relaxation (empty: the solver's own): per row, the column basic
    // in it, or -1 for the row's own slack. Columns that are not basic start at the bound their
    // cost's sign picks (the upper one for a cost below 0).
    std::vector<int32_t> startColumn;

    // Begins a row of sides [lower, upper], after the rows so far (rows.start holds its first
    // entry); addEntry appends its terms.
    void beginRow(double lower, double upper) {
        rowLower.push_back(lower);
        rowUpper.push_back(upper);
        rows.start.push_back(rows.start.back());
    }
    void addEntry(int32_t column, double value) {
        rows.column.push_back(column);
        rows.value.push_back(value);
        ++rows.start.back();
    }
};

struct LinearResult {
    // The call: OK, NO_MEMORY, or FAILED with the library's reason in `failure` (a model the
    // library cannot solve exactly, such as costs beyond its range, is refused that way).
    // The model, when the call is OK: OPTIMAL; INFEASIBLE (for solveInteger: no point with
    // whole-number columns); UNBOUNDED; or, when a limit stopped the solve (`stop`), FEASIBLE
    // with the best point found or NO_POINT without one.
    SolveStatus status;
    std::vector<double> x;   // the best point found (empty when none)
    double objective = 0.0;  // of x
    double bound = 0.0;      // best proven lower bound (MIP), the objective for an LP
    // When an LP is INFEASIBLE: one multiplier y_i per row proving it (a Farkas certificate,
    // see certifiedRay in numeric_checks.h), scaled to a largest |y_i| of 1; empty when the
    // solver has none that passes that check. Callers re-check before trusting it.
    std::vector<double> rowRay;
    // When an LP is OPTIMAL: one multiplier per row, the rate at which the objective rises as
    // the row's binding side moves up (> 0 where the lower side binds); empty when the solver
    // gives none.
    std::vector<double> rowDual;
    // Set when the mixed-integer search ended at a point that the caller's test
    // (setLeavesModel) picked out; x is that point, and the status FEASIBLE.
    bool leftModel = false;
    // Set when a limit stopped the search before it found a point of its own and x is the
    // point a search without the costs found first (setAnyPointFirst).
    bool anyPoint = false;

    // True when the call ran and found `model`.
    bool is(ModelStatus model) const { return status.ok() && status.model == model; }
};

class LinearSolver {
  public:
    virtual ~LinearSolver() = default;
    // Replaces the model. False when it cannot be held (no memory).
    virtual bool load(const LinearModel& model) = 0;
    // Changes of a loaded model; the next solve starts from the last basis.
    virtual void setRowBounds(int32_t row, double lower, double upper) = 0;
    virtual void setColumnBounds(int32_t column, double lower, double upper) = 0;
    // The linear relaxation (integrality ignored).
    virtual LinearResult solveLinear(const Deadline& deadline) = 0;
    // The mixed-integer problem; `start`, when not empty, is a whole-number point to try first.
    // relativeGap: stop when (objective - bound) <= relativeGap * |objective|.
    virtual LinearResult solveInteger(const Deadline& deadline, double relativeGap,
                                      const std::vector<double>& start) = 0;
    // Called now and then during a solve with the best objective and the bound so far
    // (NaN when not known yet), for a progress line.
    void setProgress(std::function<void(double best, double bound)> report) {
        report_ = std::move(report);
    }
    // Counts each simplex iteration and branch-and-bound node of the mixed-integer solves
    // that follow and stops them when the limit is reached; nullptr: no limit.
    void setWorkLimit(WorkLimit* work) { work_ = work; }
    // A test of the points the mixed-integer searches that follow find, for a caller that
    // answers some points with another programme (a point that leaves the windows of a
    // piecewise-linear cost): at the first point it holds for, the search ends and returns
    // that point with `leftModel` set, instead of proving an optimum the caller would not
    // use. Empty: no test.
    void setLeavesModel(std::function<bool(const std::vector<double>&)> leaves) {
        leaves_ = std::move(leaves);
    }
    // The least amount by which the objectives of two whole-number points may differ, where
    // it is far above the solver's accuracy (0: not known): a node whose bound lies within
    // half of it below the best point holds no better point.
    void setObjectiveStep(double step) { objectiveStep_ = step; }
    // Whether the first mixed-integer search without a start looks for any point first,
    // without the costs (LinearResult::anyPoint), for a caller that goes on from a point.
    void setAnyPointFirst(bool on) { anyPointFirst_ = on; }

  protected:
    std::function<void(double, double)> report_;
    WorkLimit* work_ = nullptr;
    std::function<bool(const std::vector<double>&)> leaves_;
    double objectiveStep_ = 0.0;
    bool anyPointFirst_ = false;
};

// Makes a new solver; nullptr when memory runs out. The stages get one from the program's
// composition root and never name a library themselves.
using LinearSolverFactory = std::function<std::unique_ptr<LinearSolver>()>;

// A new solver from `factory`: nullptr when there is no factory or memory runs out.
inline std::unique_ptr<LinearSolver> newSolver(const LinearSolverFactory& factory) {
    return factory ? factory() : nullptr;
}
