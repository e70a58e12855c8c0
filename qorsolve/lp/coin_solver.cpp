// LinearSolver on COIN-OR: one ClpSimplex holds the model and its basis between solves; each
// mixed-integer solve runs CBC on a copy of it.
//
// Time limits: CBC's own limit is not reliable on hard models, so both libraries are stopped
// from inside. A Clp event handler ends any simplex run (also the ones CBC starts) at the first
// iteration after the deadline, and a CBC event handler ends the search at the next node or
// heuristic pass. A node whose LP was cut short may have been pruned wrongly, so after such a
// stop the bound reported is the last one CBC had before the deadline.
// The work limit is counted and checked by the same handlers (simplex iterations and nodes),
// so where it stops a solve depends on the programme alone.
#include "qorsolve/lp/coin_solver.h"

#include <CbcEventHandler.hpp>
#include <CbcHeuristic.hpp>
#include <CbcHeuristicFPump.hpp>
#include <CbcHeuristicRINS.hpp>
#include <CbcModel.hpp>
#include <CglGomory.hpp>
#include <CglMixedIntegerRounding2.hpp>
#include <CglTwomir.hpp>
#include <CglZeroHalf.hpp>
#include <ClpEventHandler.hpp>
#include <ClpSimplex.hpp>
#include <CoinError.hpp>
#include <CoinFinite.hpp>
#include <CoinPackedMatrix.hpp>
#include <OsiClpSolverInterface.hpp>
#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <optional>

#include "qorsolve/core/settings.h"
#include "qorsolve/problem/numeric_checks.h"

namespace {

// Clp's answer after a solve (ClpSimplex::status()) as the model status it states: 0 optimal,
// 1 primal infeasible, 2 dual infeasible (the programme is unbounded). Its other codes are no
// answer: 3 a limit of Clp's own, 4 numerical trouble (CLP_NUMERICAL_TROUBLE), 5 a stop by
// the event handler (ClpStopper).
std::optional<ModelStatus> clpAnswer(int code) {
    switch (code) {
        case 0:
            return ModelStatus::OPTIMAL;
        case 1:
            return ModelStatus::INFEASIBLE;
        case 2:
            return ModelStatus::UNBOUNDED;
        default:
            return std::nullopt;
    }
}
constexpr int CLP_NUMERICAL_TROUBLE = 4;

// COIN-OR writes an infinite bound, or the objective of no solution, as 1e30 and above.
constexpr double COIN_INFINITY = 1e30;

// Shared by the solver and every copy of its event handlers (COIN clones handlers freely).
struct StopState {
    Deadline deadline;       // the current solve's; between solves one that never passes
    bool lpStopped = false;  // a simplex run was cut short by the deadline or the work limit
    double lastBound = -INFINITE_BOUND;
    const std::function<void(double, double)>* report = nullptr;
    int64_t iterations = 0;
    WorkLimit* work = nullptr;  // counted and checked during a mixed-integer solve
    int64_t iterationWork = 1;  // the units of one simplex iteration of the programme
    bool workStopped = false;   // the work limit ended the solve
    bool restarted = false;     // CBC went on in a smaller model of its own (CBC_RESTART)
    // The caller's test of new points (setLeavesModel), applied to the points of `top`, the
    // run's own model: `solutions` is how many of them it has seen, `leftPoint` the point it
    // held for.
    const std::function<bool(const std::vector<double>&)>* leaves = nullptr;
    const CbcModel* top = nullptr;
    int columns = 0;
    int solutions = 0;
    bool left = false;
    std::vector<double> leftPoint;
};

class ClpStopper : public ClpEventHandler {
  public:
    explicit ClpStopper(StopState* state) : state_(state) {}
    ClpEventHandler* clone() const override { return new ClpStopper(*this); }
    int event(Event whichEvent) override {
        if (whichEvent != endOfIteration && whichEvent != endOfFactorization) return -1;
        if (state_->report && *state_->report && (++state_->iterations & 255) == 0) {
            (*state_->report)(NAN, state_->lastBound);
        }
        if (state_->work != nullptr && whichEvent == endOfIteration) {
            state_->work->spend(state_->iterationWork);
            state_->workStopped = state_->workStopped || state_->work->exhausted();
        }
        if (!state_->workStopped && !state_->deadline.passed()) {
            return -1;
        }
        state_->lpStopped = true;
        return 0;
    }

  private:
    StopState* state_;
};

class CbcStopper : public CbcEventHandler {
  public:
    explicit CbcStopper(StopState* state) : state_(state) {}
    CbcEventHandler* clone() const override { return new CbcStopper(*this); }
    CbcAction event(CbcEvent whichEvent) override {
        // A solution event must not be refused: the table found is kept.
        if (whichEvent == solution || whichEvent == heuristicSolution ||
            whichEvent == beforeSolution1 || whichEvent == beforeSolution2) {
            return noAction;
        }
        if (state_->deadline.passed()) return stop;
        // A node, a round of cuts and a heuristic's pass each cost in proportion to the
        // programme they work on: each counts as a node.
        const bool worked = whichEvent == node || whichEvent == generatedCuts ||
                            whichEvent == afterHeuristic || whichEvent == heuristicPass;
        if (worked && state_->work != nullptr) {
            state_->work->spend(
                nodeUnits(model_ != nullptr ? model_->solver()->getNumElements() : 0));
            state_->workStopped = state_->workStopped || state_->work->exhausted();
        }
        if (state_->workStopped) return stop;
        if (whichEvent == node && leavesModel()) return stop;
        // A restarted search's model may leave out fixed columns and their cost: its bound
        // is not the programme's, so only the first model's bounds are kept.
        if (model_ != nullptr && model_->parentModel() != nullptr) state_->restarted = true;
        if (whichEvent == node && model_ != nullptr && !state_->lpStopped &&
            model_->parentModel() == nullptr) {
            state_->lastBound = std::max(state_->lastBound, model_->getBestPossibleObjValue());
            if (state_->report && *state_->report) {
                double best = model_->getObjValue();
                (*state_->report)(best < COIN_INFINITY ? best : NAN, state_->lastBound);
            }
        }
        return noAction;
    }

  private:
    // Whether the run's newest point passes the caller's test; kept in the state when it does.
    // Once per new point, at the next node.
    bool leavesModel() {
        if (state_->leaves == nullptr || !*state_->leaves || model_ == nullptr ||
            model_ != state_->top || model_->getNumCols() != state_->columns ||
            model_->getSolutionCount() == state_->solutions) {
            return false;
        }
        state_->solutions = model_->getSolutionCount();
        const double* best = model_->bestSolution();
        if (best == nullptr) return false;
        std::vector<double> point(best, best + model_->getNumCols());
        if (!(*state_->leaves)(point)) return false;
        state_->left = true;
        state_->leftPoint = std::move(point);
        return true;
    }

    StopState* state_;
};

// Above Clp's own "large value" of 1e15, a cost drowns Clp's tolerances: CBC then calls
// feasible programmes infeasible. A column fixed at one value only adds a constant to the
// objective and may cost more, up to well below 1e25, where Clp stops the whole program with
// an assertion. No larger cost goes in.
constexpr double LARGEST_COST = 1e15;
constexpr double LARGEST_FIXED_COST = 1e20;

bool costsWithinRange(const LinearModel& model) {
    for (size_t j = 0; j < model.cost.size(); ++j) {
        const bool fixed = model.columnLower[j] == model.columnUpper[j];
        if (!(std::fabs(model.cost[j]) <= (fixed ? LARGEST_FIXED_COST : LARGEST_COST))) {
            return false;
        }
    }
    return true;
}

// How far from a whole number a whole-number column may lie and still count as whole. A
// row's value moves by the column's coefficient times that, so with coefficients of 10^9
// CBC's default (1e-6, WHOLE_VALUE_TOLERANCE, the most callers accept when they round)
// would take points that miss a row by 1000 for whole-number tables; the tolerance shrinks
// so that the largest coefficient moves a row by at most ROW_MOVE, and not below
// SMALLEST_INTEGER_TOLERANCE, near the rounding of the simplex method's values.
constexpr double ROW_MOVE = 0.01;
constexpr double SMALLEST_INTEGER_TOLERANCE = 1e-13;
// CBC prunes a node whose bound is within this of the incumbent and demands each new
// incumbent be better by this: far below any cost difference of whole-number tables, so the
// relative gap alone decides when the search is done.
constexpr double CBC_ABSOLUTE_GAP = 1e-12;
// The reduced-cost tolerance of the simplex method within the search: Clp's own (1e-7), but
// at most this share of the smallest cost of a column that may move, and not below
// SMALLEST_DUAL_TOLERANCE. A tolerance near the costs themselves leaves their signs
// undecided: the parts of a weak row of small weight and a large target cost less a unit than
// Clp's tolerance, Clp takes a relaxation as solved while its parts of thousands of units
// could still lower its cost, and the search proves a table optimal that is not. Where the
// costs lie far above the tolerance (a cell's part costs at least 1 / base a unit) it stays as
// it is: a tighter one only changes the search's path, and costs it work. A programme whose
// costs are taken less the rows' multipliers (shiftRow) may have some near 0 and then gets a
// tighter one too.
constexpr double DUAL_TOLERANCE_SHARE = 0.01;
constexpr double SMALLEST_DUAL_TOLERANCE = 1e-9;
// The cut generators of a mixed-integer run. None on the chord programmes of tables with
// margins: there they cost more time than the nodes they save. On small programmes
// (LinearModel::cuts), Gomory, mixed-integer rounding and two-step rounding cuts at every
// node (ROUNDING); and, where those did not end the search within FIRST_CUTS_NODES nodes, the
// same with zero-half cuts (rows of whole coefficients combined with weights 0 and 1/2, then
// rounded), from the start again; and where those did not end it within SECOND_CUTS_NODES
// nodes, the same once more from the caller's table, with CBC's restart (RESTART). CBC's
// other generators are left out: probing together with these made CBC prove optima above the
// true one.
enum class CutSet { NONE, ROUNDING, ROUNDING_AND_ZERO_HALF, RESTART, ANY_POINT };
// Each set closes small tables where the other stalls: zero-half cuts prove tables whose rows
// of coefficients 2 and 3 overlap, which the first set leaves at the work limit, but stall
// others that it proves at once, and make the root of some decimal tables slower. The two in
// turn prove both kinds; this many nodes of the first set come before the second.
constexpr int FIRST_CUTS_NODES = 50;
// CBC's frequency code for a cut generator that runs at the root and further down only while
// its cuts moved the root's bound: zero-half cuts at every node cost more than they close.
constexpr int ZERO_HALF_FREQUENCY = -98;
// The second set ends most searches it ends at all within a few nodes. Where it did not
// within this many, the last run has the caller's table as its start and CBC's restart
// (CBC_RESTART): once it has a point and the reduced costs of its root fix at least a tenth
// of the columns, CBC searches again in the smaller model, with new cuts at its root: tables
// with rows of coefficients 2 and 3 and weak rows that stalled at the work limit are proven
// that way. The start point waits for this last run: with the second set, it sent the search
// of other tables down a longer path.
constexpr int SECOND_CUTS_NODES = 200;
// The nodes of a search for any point (ANY_POINT) before the search with costs takes over.
constexpr int ANY_POINT_NODES = 100;
constexpr int CBC_RESTART = 512;  // CbcModel's special option "try a reduced model"

// CBC's primal heuristics beside its rounding. RINS (every 100 nodes with a point at hand:
// the columns where that point and the node's relaxation agree fixed, a small search over
// the others) in every run; the feasibility pump only in the runs after a small programme's
// first, where that first did not end within its nodes: with both, more random tables end
// proven, and sooner, than with neither. The pump in every run proves a few more small tables
// but slows many that a first run proves at once (its passes cost more than the search), and
// on the chord programmes of large tables it loses proofs. Where the caller has no table yet
// (its repairs found none), the pump runs in the first run too: a first table is then what
// the search needs most, and the first run's cuts alone may spend its nodes without one (a
// 12-cell table of base 10^9 with rows of coefficients 1000 and 3).
bool pumpsIn(CutSet cuts) {
    return cuts == CutSet::ROUNDING_AND_ZERO_HALF || cuts == CutSet::RESTART;
}

// CBC's rounding heuristic, once a rounded point meets every row, moves each whole-number
// column of nonzero cost one unit a step for as long as every row allows it, with no look at
// the clock. A column in an equality row stops at its first step where its coefficient there
// moves the row by more than the solver's primal tolerance (1e-7): at least this.
constexpr double ROUNDING_HOLD = 1e-6;

// Whether that walk ends at once: every whole-number column of nonzero cost lies in an
// equality row with a coefficient of at least ROUNDING_HOLD. A column no equality holds may
// walk as far as its bounds and the other rows reach, for minutes past any time limit (a table
// with decimal rows); a table's margins hold every cell.
bool roundingEnds(const LinearModel& model) {
    std::vector<char> held(model.cost.size(), 0);
    for (int32_t i = 0; i < model.rows.rowCount(); ++i) {
        if (model.rowLower[size_t(i)] != model.rowUpper[size_t(i)]) continue;
        for (int64_t k = model.rows.start[i]; k < model.rows.start[i + 1]; ++k) {
            if (std::fabs(model.rows.value[k]) >= ROUNDING_HOLD) held[model.rows.column[k]] = 1;
        }
    }
    for (size_t j = 0; j < model.isInteger.size(); ++j) {
        if (model.isInteger[j] && model.cost[j] != 0.0 && !held[j]) return false;
    }
    return true;
}

double integerTolerance(const LinearModel& model) {
    double largest = 0.0;
    for (double a : model.rows.value) largest = std::max(largest, std::fabs(a));
    return std::clamp(ROW_MOVE / std::max(largest, 1.0), SMALLEST_INTEGER_TOLERANCE,
                      WHOLE_VALUE_TOLERANCE);
}

// The dual tolerance of a search over `model`, from the simplex method's own (above).
double searchDualTolerance(const LinearModel& model, double own) {
    double smallest = INFINITY;
    for (size_t j = 0; j < model.cost.size(); ++j) {
        if (model.cost[j] != 0.0 && model.columnLower[j] < model.columnUpper[j]) {
            smallest = std::min(smallest, std::fabs(model.cost[j]));
        }
    }
    return std::clamp(DUAL_TOLERANCE_SHARE * smallest, std::min(SMALLEST_DUAL_TOLERANCE, own), own);
}

double toCoin(double bound) {
    if (bound >= INFINITE_BOUND) return COIN_DBL_MAX;
    if (bound <= -INFINITE_BOUND) return -COIN_DBL_MAX;
    return bound;
}

double fromCoin(double bound) {
    if (bound >= COIN_INFINITY) return INFINITE_BOUND;
    if (bound <= -COIN_INFINITY) return -INFINITE_BOUND;
    return bound;
}

// A solve that `reason` stopped, with or without a point.
SolveStatus stoppedBy(StopReason reason, bool havePoint) {
    return modelStatus(havePoint ? ModelStatus::FEASIBLE : ModelStatus::NO_POINT, reason);
}

class CoinSolver : public LinearSolver {
  public:
    bool load(const LinearModel& model) override;
    void setRowBounds(int32_t row, double lower, double upper) override;
    void setColumnBounds(int32_t column, double lower, double upper) override;
    LinearResult solveLinear(const Deadline& deadline) override;
    LinearResult solveInteger(const Deadline& deadline, double relativeGap,
                              const std::vector<double>& start) override;

  private:
    // Runs a solve with a loaded model; COIN's exceptions and allocation failure become a
    // status, and the deadline is dropped afterwards.
    LinearResult guarded(const std::function<LinearResult()>& solve);
    LinearResult solveLinearGuarded(const Deadline& deadline);
    LinearResult solveIntegerGuarded(const Deadline& deadline, double relativeGap,
                                     const std::vector<double>& start);
    // One run of CBC on the loaded model with a set of cut generators; `nodeLimit` tells
    // whether it stopped at the set's node limit.
    LinearResult searchWithCosts(const Deadline& deadline, double relativeGap,
                                 const std::vector<double>& start);
    LinearResult branchAndCut(const Deadline& deadline, double relativeGap,
                              const std::vector<double>& start, CutSet cuts, bool& nodeLimit);
    // The steps of branchAndCut besides its cuts, heuristics and start point: the copy of the
    // relaxation CBC works on, CBC's limits, tolerances and stop handler, the search, and its
    // result.
    void setUpRelaxation(OsiClpSolverInterface& osi, CutSet cuts) const;
    void setUpSearch(CbcModel& cbc, const Deadline& deadline, double relativeGap,
                     CbcStopper& stopper) const;
    void runSearch(CbcModel& cbc, const Deadline& deadline, int columns);
    LinearResult searchResult(const CbcModel& cbc, const Deadline& deadline, double relativeGap,
                              CutSet cuts, int columns, bool& nodeLimit) const;
    std::vector<double> rayOfLastSolve() const;
    bool meetsModel(const std::vector<double>& x) const;
    double costOf(const double* x) const;
    // The model's startColumn as `lp`'s status: the basis its first relaxation starts from.
    void setStartBasis(ClpSimplex& lp) const;

    LinearModel model_;  // with the bounds as changed since load
    std::unique_ptr<ClpSimplex> lp_;
    StopState stop_;
    bool zeroHalfFirst_ = false;  // a search of this solver needed the second set of cuts
    bool pointSought_ = false;    // a search of this solver looked for any point (ANY_POINT)
};

bool CoinSolver::load(const LinearModel& model) {
    try {
        lp_.reset();
        model_ = model;
        const SparseRows& a = model_.rows;
        size_t columns = model_.columnLower.size();
        size_t rows = static_cast<size_t>(a.rowCount());
        if (model_.columnUpper.size() != columns || model_.cost.size() != columns ||
            (!model_.isInteger.empty() && model_.isInteger.size() != columns) ||
            model_.rowLower.size() != rows || model_.rowUpper.size() != rows ||
            a.column.size() != a.value.size() || a.start.back() != int64_t(a.column.size()) ||
            a.column.size() > size_t(INT_MAX) || columns > size_t(INT_MAX)) {
            return false;
        }
        std::vector<CoinBigIndex> start(rows + 1);
        std::vector<int> length(rows);
        for (size_t i = 0; i < rows; ++i) {
            if (a.start[i] > a.start[i + 1]) return false;
            start[i] = static_cast<CoinBigIndex>(a.start[i]);
            length[i] = static_cast<int>(a.start[i + 1] - a.start[i]);
        }
        start[rows] = static_cast<CoinBigIndex>(a.start[rows]);
        for (int32_t j : a.column) {
            if (j < 0 || size_t(j) >= columns) return false;
        }
        CoinPackedMatrix matrix(false, static_cast<int>(columns), static_cast<int>(rows),
                                start[rows], a.value.data(), a.column.data(), start.data(),
                                length.data());
        auto coin = [](const std::vector<double>& bounds) {
            std::vector<double> out(bounds.size());
            std::transform(bounds.begin(), bounds.end(), out.begin(), toCoin);
            return out;
        };
        auto lp = std::make_unique<ClpSimplex>();
        lp->setLogLevel(0);
        lp->messageHandler()->setLogLevel(0);
        lp->loadProblem(matrix, coin(model_.columnLower).data(), coin(model_.columnUpper).data(),
                        model_.cost.data(), coin(model_.rowLower).data(),
                        coin(model_.rowUpper).data());
        if (model_.startColumn.size() == rows) setStartBasis(*lp);
        ClpStopper stopper(&stop_);
        lp->passInEventHandler(&stopper);
        lp_ = std::move(lp);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const CoinError&) {
    }
    lp_.reset();
    return false;
}

void CoinSolver::setStartBasis(ClpSimplex& lp) const {
    const int columns = lp.numberColumns();
    for (int j = 0; j < columns; ++j) {
        const bool hasLower = model_.columnLower[size_t(j)] > -INFINITE_BOUND;
        const bool hasUpper = model_.columnUpper[size_t(j)] < INFINITE_BOUND;
        ClpSimplex::Status status = ClpSimplex::isFree;
        if (hasUpper && (model_.cost[size_t(j)] < 0.0 || !hasLower)) {
            status = ClpSimplex::atUpperBound;
        } else if (hasLower) {
            status = ClpSimplex::atLowerBound;
        }
        lp.setColumnStatus(j, status);
    }
    // One basic entry per row: a column named twice is basic in its first row only.
    for (int i = 0; i < lp.numberRows(); ++i) {
        const int32_t j = model_.startColumn[size_t(i)];
        if (j >= 0 && j < columns && lp.getColumnStatus(j) != ClpSimplex::basic) {
            lp.setColumnStatus(j, ClpSimplex::basic);
            lp.setRowStatus(i, ClpSimplex::atLowerBound);
        } else {
            lp.setRowStatus(i, ClpSimplex::basic);
        }
    }
}

void CoinSolver::setRowBounds(int32_t row, double lower, double upper) {
    if (!lp_ || row < 0 || row >= lp_->numberRows()) return;
    model_.rowLower[row] = lower;
    model_.rowUpper[row] = upper;
    lp_->setRowBounds(row, toCoin(lower), toCoin(upper));
}

void CoinSolver::setColumnBounds(int32_t column, double lower, double upper) {
    if (!lp_ || column < 0 || column >= lp_->numberColumns()) return;
    model_.columnLower[column] = lower;
    model_.columnUpper[column] = upper;
    lp_->setColumnBounds(column, toCoin(lower), toCoin(upper));
}

double CoinSolver::costOf(const double* x) const {
    double sum = 0.0;
    for (size_t j = 0; j < model_.cost.size(); ++j) sum += model_.cost[j] * x[j];
    return sum;
}

bool CoinSolver::meetsModel(const std::vector<double>& x) const {
    if (x.size() != model_.columnLower.size()) return false;
    auto within = [](double v, double lo, double hi) {
        // CBC takes a start point without checking it: it must meet every row and bound to
        // ROW_TOLERANCE, as qorsolve's tables do.
        double slack = ROW_TOLERANCE * std::max(1.0, std::fabs(v));
        return v >= lo - slack && v <= hi + slack;
    };
    for (size_t j = 0; j < x.size(); ++j) {
        if (!within(x[j], model_.columnLower[j], model_.columnUpper[j])) return false;
    }
    const SparseRows& a = model_.rows;
    for (int32_t i = 0; i < a.rowCount(); ++i) {
        double v = 0.0;
        for (int64_t k = a.start[i]; k < a.start[i + 1]; ++k) v += a.value[k] * x[a.column[k]];
        if (!within(v, model_.rowLower[i], model_.rowUpper[i])) return false;
    }
    return true;
}

std::vector<double> CoinSolver::rayOfLastSolve() const {
    std::unique_ptr<double[]> raw(lp_->infeasibilityRay(false));
    if (!raw) return {};
    std::vector<double> ray(raw.get(), raw.get() + lp_->numberRows());
    return certifiedRay(model_.rows, model_.rowLower, model_.rowUpper, model_.columnLower,
                        model_.columnUpper, std::move(ray));
}

LinearResult CoinSolver::guarded(const std::function<LinearResult()>& solve) {
    LinearResult result;
    if (!lp_) return result;
    // Checked at each solve: a bound change can fix or free a column.
    if (!costsWithinRange(model_)) {
        result.status.call = CallStatus::OUT_OF_RANGE;
        result.status.failure = COIN_COSTS_TOO_LARGE;
        return result;
    }
    try {
        result = solve();
    } catch (const std::bad_alloc&) {
        result = LinearResult{};
        result.status.call = CallStatus::NO_MEMORY;
    } catch (const CoinError&) {
        result = LinearResult{};
    }
    stop_.deadline = Deadline();
    stop_.work = nullptr;
    return result;
}

LinearResult CoinSolver::solveLinear(const Deadline& deadline) {
    return guarded([&] { return solveLinearGuarded(deadline); });
}

LinearResult CoinSolver::solveLinearGuarded(const Deadline& deadline) {
    LinearResult result;
    stop_.deadline = deadline;
    stop_.lpStopped = false;
    stop_.workStopped = false;
    if (deadline.passed()) {
        result.status = stoppedBy(StopReason::TIME_LIMIT, false);
        return result;
    }
    lp_->dual(0);
    std::optional<ModelStatus> answer = clpAnswer(lp_->status());
    std::vector<double> ray;
    if (answer == ModelStatus::INFEASIBLE) {
        ray = rayOfLastSolve();
        if (ray.empty() && !deadline.passed()) {
            // Warm-started dual simplex can call a badly scaled model infeasible wrongly:
            // without a certificate, decide again from scratch with the primal simplex.
            lp_->allSlackBasis(true);
            lp_->primal(0);
            answer = clpAnswer(lp_->status());
            if (answer == ModelStatus::INFEASIBLE) ray = rayOfLastSolve();
        }
    } else if (lp_->status() == CLP_NUMERICAL_TROUBLE && !deadline.passed()) {
        lp_->allSlackBasis(true);
        lp_->primal(0);
        answer = clpAnswer(lp_->status());
    }
    if (answer == ModelStatus::OPTIMAL) {
        const double* x = lp_->primalColumnSolution();
        result.x.assign(x, x + lp_->numberColumns());
        result.objective = costOf(x);
        result.bound = result.objective;
        const double* y = lp_->dualRowSolution();
        if (y != nullptr) result.rowDual.assign(y, y + lp_->numberRows());
        result.status = modelStatus(ModelStatus::OPTIMAL);
    } else if (answer == ModelStatus::INFEASIBLE) {
        result.status = modelStatus(ModelStatus::INFEASIBLE);
        result.rowRay = std::move(ray);
    } else if (answer == ModelStatus::UNBOUNDED) {
        result.status = modelStatus(ModelStatus::UNBOUNDED);
    } else {  // stopped, or given up
        if (deadline.passed()) result.status = stoppedBy(StopReason::TIME_LIMIT, false);
        result.bound = -INFINITE_BOUND;
    }
    return result;
}

LinearResult CoinSolver::solveInteger(const Deadline& deadline, double relativeGap,
                                      const std::vector<double>& start) {
    return guarded([&] { return solveIntegerGuarded(deadline, relativeGap, start); });
}

LinearResult CoinSolver::solveIntegerGuarded(const Deadline& deadline, double relativeGap,
                                             const std::vector<double>& start) {
    LinearResult result;
    stop_.deadline = deadline;
    stop_.lpStopped = false;
    stop_.lastBound = -INFINITE_BOUND;
    stop_.report = &report_;
    stop_.work = work_;
    // An iteration costs about in proportion to the programme's rows and columns.
    stop_.iterationWork = iterationUnits(lp_->numberRows(), lp_->numberColumns());
    stop_.workStopped = work_ != nullptr && work_->exhausted();
    stop_.restarted = false;
    stop_.leaves = &leaves_;
    if (deadline.passed() || stop_.workStopped) {
        result.status =
            stoppedBy(deadline.passed() ? StopReason::TIME_LIMIT : StopReason::WORK_LIMIT, false);
        result.bound = -INFINITE_BOUND;
        return result;
    }
    // A caller without a table gets any point first, once: a search without costs finds one
    // at its root where the costs' search may spend thousands of units (a 12-cell table of
    // base 10^9 whose rows of coefficients 1000 and 3 no repair meets). The search with the
    // costs then runs as it would have, and the point stands only where that one stops
    // without a point of its own: a search that went on from a cost-blind point found far
    // worse tables.
    if (anyPointFirst_ && start.empty() && !pointSought_) {
        pointSought_ = true;
        // Whether the point leaves the caller's windows says nothing of the costs' optimum.
        stop_.leaves = nullptr;
        bool nodeLimit = false;
        LinearResult point =
            branchAndCut(deadline, relativeGap, start, CutSet::ANY_POINT, nodeLimit);
        stop_.leaves = &leaves_;
        if (!point.status.ok() || point.status.stop != StopReason::NONE) return point;
        LinearResult searched = searchWithCosts(deadline, relativeGap, start);
        if (searched.status.ok() && searched.x.empty() && !point.x.empty() &&
            searched.status.stop != StopReason::NONE) {
            searched.x = std::move(point.x);
            searched.objective = point.objective;
            searched.status = stoppedBy(searched.status.stop, true);
            searched.anyPoint = true;
        }
        return searched;
    }
    return searchWithCosts(deadline, relativeGap, start);
}

LinearResult CoinSolver::searchWithCosts(const Deadline& deadline, double relativeGap,
                                         const std::vector<double>& start) {
    bool nodeLimit = false;
    if (!model_.cuts) return branchAndCut(deadline, relativeGap, start, CutSet::NONE, nodeLimit);
    // Small programmes get up to three runs in turn, each where the one before did not end
    // within its nodes (CutSet); a run that ended at a point of the caller's test ends them.
    // Once the second set was needed, the next programmes of this solver (the same table's
    // next windows) skip the first run: they are much alike, and it would spend its nodes
    // again.
    if (!zeroHalfFirst_) {
        LinearResult first =
            branchAndCut(deadline, relativeGap, start, CutSet::ROUNDING, nodeLimit);
        if (!nodeLimit || first.leftModel) return first;
        zeroHalfFirst_ = true;
    }
    LinearResult second =
        branchAndCut(deadline, relativeGap, start, CutSet::ROUNDING_AND_ZERO_HALF, nodeLimit);
    if (!nodeLimit || second.leftModel) return second;
    return branchAndCut(deadline, relativeGap, start, CutSet::RESTART, nodeLimit);
}

LinearResult CoinSolver::branchAndCut(const Deadline& deadline, double relativeGap,
                                      const std::vector<double>& start, CutSet cuts,
                                      bool& nodeLimit) {
    int columns = lp_->numberColumns();
    OsiClpSolverInterface osi(new ClpSimplex(*lp_), true);
    setUpRelaxation(osi, cuts);
    CbcModel cbc(osi);
    CbcStopper stopper(&stop_);
    setUpSearch(cbc, deadline, relativeGap, stopper);

    CglGomory gomory;
    CglMixedIntegerRounding2 mixedRounding;
    CglTwomir twoStepRounding;
    CglZeroHalf zeroHalf;
    if (cuts != CutSet::NONE) {
        cbc.addCutGenerator(&gomory, 1, "Gomory");
        cbc.addCutGenerator(&mixedRounding, 1, "MixedIntegerRounding2");
        cbc.addCutGenerator(&twoStepRounding, 1, "Twomir");
    }
    if (cuts == CutSet::ROUNDING) cbc.setMaximumNodes(FIRST_CUTS_NODES);
    if (cuts == CutSet::ROUNDING_AND_ZERO_HALF || cuts == CutSet::RESTART) {
        cbc.addCutGenerator(&zeroHalf, ZERO_HALF_FREQUENCY, "ZeroHalf");
    }
    if (cuts == CutSet::ROUNDING_AND_ZERO_HALF) cbc.setMaximumNodes(SECOND_CUTS_NODES);
    if (cuts == CutSet::RESTART) cbc.setSpecialOptions(cbc.specialOptions() | CBC_RESTART);
    if (cuts == CutSet::ANY_POINT) {
        cbc.setMaximumNodes(ANY_POINT_NODES);
        cbc.setMaximumSolutions(1);
    }
    // CBC's rounding where it ends at once (roundingEnds). RINS in every run, and the
    // feasibility pump in the runs after a small programme's first (pumpsIn).
    CbcRounding rounding(cbc);
    if (roundingEnds(model_)) cbc.addHeuristic(&rounding);
    CbcHeuristicRINS rins(cbc);
    cbc.addHeuristic(&rins);
    CbcHeuristicFPump pump(cbc);
    if (pumpsIn(cuts) || start.empty()) cbc.addHeuristic(&pump);

    // Of a small programme's runs only the last starts from the caller's table: elsewhere a
    // start point there changes the path of the cuts for the worse, and the caller keeps its
    // table anyway.
    const bool fromStart = cuts == CutSet::NONE || cuts == CutSet::RESTART;
    if (fromStart && !start.empty() && meetsModel(start)) {
        cbc.setBestSolution(start.data(), columns, costOf(start.data()), true);
    }

    runSearch(cbc, deadline, columns);
    return searchResult(cbc, deadline, relativeGap, cuts, columns, nodeLimit);
}

void CoinSolver::setUpRelaxation(OsiClpSolverInterface& osi, CutSet cuts) const {
    const int columns = lp_->numberColumns();
    osi.messageHandler()->setLogLevel(0);
    osi.getModelPtr()->setLogLevel(0);
    osi.setHintParam(OsiDoReducePrint, true, OsiHintTry);
    // Presolve makes the first relaxation of large chord programmes several times faster.
    // It leaks a few kilobytes in CoinUtils 2.11, so small programmes, where it gains
    // nothing, go without.
    osi.setHintParam(OsiDoPresolveInInitial, columns >= 10000, OsiHintDo);
    if (cuts == CutSet::ANY_POINT) {
        for (int j = 0; j < columns; ++j) osi.setObjCoeff(j, 0.0);
    }
    osi.getModelPtr()->setDualTolerance(searchDualTolerance(model_, lp_->dualTolerance()));
    for (int j = 0; j < columns; ++j) {
        if (!model_.isInteger.empty() && model_.isInteger[j]) osi.setInteger(j);
    }
}

void CoinSolver::setUpSearch(CbcModel& cbc, const Deadline& deadline, double relativeGap,
                             CbcStopper& stopper) const {
    cbc.setLogLevel(0);
    cbc.messageHandler()->setLogLevel(0);
    cbc.solver()->messageHandler()->setLogLevel(0);
    cbc.setUseElapsedTime(true);
    if (deadline.limited()) cbc.setMaximumSeconds(std::max(deadline.remaining(), 0.0));
    cbc.setAllowableFractionGap(relativeGap);
    cbc.setIntegerTolerance(integerTolerance(model_));
    // Where the objective takes values a step apart, a point must be better by a step, so a
    // node whose bound lies within half of one below the best point holds no better point.
    const double absoluteGap = std::max(CBC_ABSOLUTE_GAP, 0.5 * objectiveStep_);
    cbc.setAllowableGap(absoluteGap);
    cbc.setDblParam(CbcModel::CbcCutoffIncrement, absoluteGap);
    cbc.passInEventHandler(&stopper);
    if (!model_.branchFirst.empty()) {  // CBC branches first on the lowest priority number
        cbc.findIntegers(false);
        std::vector<int> priority(size_t(cbc.numberIntegers()));
        for (size_t i = 0; i < priority.size(); ++i) {
            const size_t j = size_t(cbc.integerVariable()[i]);
            priority[i] = j < model_.branchFirst.size() && model_.branchFirst[j] ? 1 : 1000;
        }
        cbc.passInPriorities(priority.data(), false);
    }
}

void CoinSolver::runSearch(CbcModel& cbc, const Deadline& deadline, int columns) {
    // From the basis found above; branchAndBound alone would start afresh.
    cbc.initialSolve();
    if (!stop_.lpStopped && cbc.solver()->isProvenOptimal()) {
        stop_.lastBound = cbc.solver()->getObjValue();
    }
    // The caller's test looks at the points this search finds, not at the start point.
    stop_.top = &cbc;
    stop_.columns = columns;
    stop_.solutions = cbc.getSolutionCount();
    stop_.left = false;
    if (!deadline.passed() && !stop_.workStopped) cbc.branchAndBound();
    stop_.top = nullptr;
}

LinearResult CoinSolver::searchResult(const CbcModel& cbc, const Deadline& deadline,
                                      double relativeGap, CutSet cuts, int columns,
                                      bool& nodeLimit) const {
    LinearResult result;
    // A point with its whole-number columns rounded to whole numbers.
    auto keep = [&](const double* point) {
        result.x.assign(point, point + columns);
        for (int j = 0; j < columns; ++j) {
            if (!model_.isInteger.empty() && model_.isInteger[j]) {
                result.x[j] = std::nearbyint(result.x[j]);
            }
        }
        result.objective = costOf(result.x.data());
    };
    const double* best = cbc.bestSolution();
    if (best != nullptr) keep(best);
    const bool timeUp = deadline.passed() || cbc.isSecondsLimitReached();
    bool stopped = timeUp || stop_.lpStopped || stop_.workStopped;
    if (stop_.left && !stopped) {
        // The point the test held for, as the test saw it: CBC's best point after the stop
        // need not be that one.
        keep(stop_.leftPoint.data());
        result.bound = -INFINITE_BOUND;
        result.status = modelStatus(ModelStatus::FEASIBLE);
        result.leftModel = true;
        return result;
    }
    if (cuts == CutSet::ANY_POINT) {
        // A search without costs proves nothing of the programme: a point, or none.
        result.anyPoint = true;
        result.bound = -INFINITE_BOUND;
        result.status = stopped ? stoppedBy(stop_.workStopped && !timeUp ? StopReason::WORK_LIMIT
                                                                         : StopReason::TIME_LIMIT,
                                            best != nullptr)
                                : modelStatus(ModelStatus::FEASIBLE);
        return result;
    }
    nodeLimit = !stopped && cbc.isNodeLimitReached();
    if (!stopped && cbc.isProvenOptimal() && best != nullptr) {
        // Proven: every node was pruned against the best objective less the allowed gap.
        // CBC's own bound may lag behind that (it may be the root's, when the start point
        // was already optimal).
        result.status = modelStatus(ModelStatus::OPTIMAL);
        // With an objective step, no point lies between the best and a step below it.
        double proven = objectiveStep_ > 0.0
                            ? result.objective
                            : result.objective - relativeGap * std::fabs(result.objective);
        result.bound =
            std::min(std::max(fromCoin(cbc.getBestPossibleObjValue()), proven), result.objective);
    } else if (!stopped && cbc.isProvenInfeasible()) {
        result.status = modelStatus(ModelStatus::INFEASIBLE);
    } else if (!stopped && cbc.isContinuousUnbounded()) {
        result.status = modelStatus(ModelStatus::UNBOUNDED);
    } else {
        if (stopped) {
            result.status = stoppedBy(
                stop_.workStopped && !timeUp ? StopReason::WORK_LIMIT : StopReason::TIME_LIMIT,
                best != nullptr);
        }
        double bound = stop_.lpStopped || stop_.restarted ? stop_.lastBound
                                                          : fromCoin(cbc.getBestPossibleObjValue());
        if (best != nullptr) bound = std::min(bound, result.objective);
        result.bound = bound;
    }
    return result;
}

}  // namespace

std::unique_ptr<LinearSolver> makeCoinSolver() {
    try {
        return std::make_unique<CoinSolver>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
