// The one interface between qorsolve and a linear or mixed-integer programming library.
// Another free solver is added by implementing it; nothing else in qorsolve names a library.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "qorsolve/adjustment_problem.h"
#include "qorsolve/deadline.h"
#include "qorsolve/work_limit.h"

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
};

enum class LinearStatus {
    OPTIMAL,
    INFEASIBLE,
    UNBOUNDED,
    TIME_LIMIT,
    WORK_LIMIT,  // the work limit passed (only with one set)
    NO_MEMORY,
    COSTS_TOO_LARGE,  // a cost beyond what the library can take; nothing was solved
    FAILED,
};

struct LinearResult {
    LinearStatus status = LinearStatus::FAILED;
    std::vector<double> x;   // the best point found (empty when none)
    double objective = 0.0;  // of x
    double bound = 0.0;      // best proven lower bound (MIP), the objective for an LP
    // When an LP is INFEASIBLE: one multiplier y_i per row proving it (a Farkas certificate).
    // y_i > 0 only where rowLower_i is finite, y_i < 0 only where rowUpper_i is finite; the
    // rows then force y . (A x) >= sum_{y_i > 0} y_i rowLower_i + sum_{y_i < 0} y_i rowUpper_i,
    // while within the column bounds y . (A x) stays below that. Scaled to a largest |y_i| of
    // 1. The COIN solver returns only rays that pass this check with a margin of 1e-9 relative
    // to the terms; empty when there is none. Callers re-check before trusting it.
    std::vector<double> rowRay;
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

  protected:
    std::function<void(double, double)> report_;
    WorkLimit* work_ = nullptr;
};

// COIN-OR: Clp for linear programmes, CBC for mixed-integer ones.
std::unique_ptr<LinearSolver> makeCoinSolver();
