// The search for the whole-number optimum: first tables by rounding and repair, cheaper ones
// by moves and blocks, then the programme over windows (window_model.h) until it proves the
// optimum or a limit stops it.
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
#include "qorsolve/integer/slice_cycles.h"
#include "qorsolve/integer/window_model.h"
#include "qorsolve/lp/linear_solver.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/numeric_checks.h"

namespace {

constexpr int MAX_ROUNDS = 200;

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
// whole table gets the rest. The blocks end sooner on their own where they stop improving. On
// five classes or more they get nearly all of it: there they go on improving until their share
// is spent, while the whole table's programme finds little with the rest and spends more time
// per unit of work than the blocks.
constexpr double NEIGHBOURHOOD_SHARE = 0.75;
constexpr double NEIGHBOURHOOD_SHARE_FIVE_CLASSES = 0.95;

// The least amount by which F may differ between two whole-number tables, or 0: where every
// base is a whole number and there is no weak row, (x - b)^2 / b is a multiple of 1 / b at
// whole x, so F is a multiple of 1 / L, L the least common multiple of the bases.
double objectiveStep(const AdjustmentProblem& p) {
    if (p.weak.rowCount() > 0) return 0.0;
    int64_t multiple = 1;
    for (size_t j = 0; j < p.base.size(); ++j) {
        const double d = p.cellCost(j).wholeCostDenominator();
        if (!(d >= 1.0 && d <= double(LARGEST_STEP_DENOMINATOR))) return 0.0;
        const int64_t whole = int64_t(d);
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
        // them.
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
            offer(rounded, TableStage::ROUNDED);
            if (proven()) return modelStatus(ModelStatus::OPTIMAL);
            return std::nullopt;
        }
        MarginRepairResult mended = repairMargins(p_, rounded, center_, lower_, upper_, deadline_,
                                                  options_.progress, bound_);
        if (mended.found && meetsHardRows(p_, mended.x)) {
            offer(mended.x, TableStage::MARGIN_REPAIR);
        } else {
            RoundingResult repaired =
                roundAndRepair(p_, center_, lower_, upper_, deadline_, options_.progress, bound_);
            if (repaired.status.call == CallStatus::NO_MEMORY)
                return callStatus(CallStatus::NO_MEMORY);
            if (repaired.status.is(ModelStatus::FEASIBLE)) {
                offer(repaired.x, TableStage::ROUNDING_REPAIR);
            }
        }
        // A better bound, and from its cells, which miss the rows by less, maybe a better
        // table; again with the better table's cost as the steps' target, which leads the
        // steps elsewhere.
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
            if (again.found && meetsHardRows(p_, again.x))
                offer(again.x, TableStage::MARGIN_REPAIR);
        }
        return std::nullopt;
    }

    // Threshold accepting over box moves from the best table.
    void lowerCost() {
        if (!haveTable_ || proven() || deadline_.passed()) return;
        std::vector<double> cheaper =
            lowerTableCost(p_, result_.x, center_, lower_, upper_, deadline_);
        if (meetsHardRows(p_, cheaper)) offer(cheaper, TableStage::BOX_MOVES);
    }

    // Cycles between planes from the best table, counted in their own steps, not in the
    // work: last, so that a table the programme proves does not wait for them and the blocks
    // start from the repair's table (with the cycles before the blocks too, some tables ended
    // better and some worse). True when they lowered the cost.
    bool cancelCycles() {
        if (!haveTable_ || proven() || deadline_.passed()) return false;
        std::vector<double> cycled =
            cancelSliceCycles(p_, result_.x, lower_, upper_, deadline_, options_.progress, bound_);
        const double before = result_.objective;
        if (meetsHardRows(p_, cycled)) offer(cycled, TableStage::SLICE_CYCLES);
        return result_.objective < before;
    }

    // Moves of one cell or two from the best table, last where the programme stopped short:
    // where the rows are not margins alone (which no such move keeps), its tables are often a
    // few such moves from cheaper ones. Only there, so that the programme's path stays as it
    // is: with the moves also on the first tables, whose cost narrows the ranges, proofs came
    // sooner or later at random.
    void movePairs() {
        if (!haveTable_ || proven() || deadline_.passed()) return;
        try {
            std::vector<double> cheaper =
                improveByCellPairs(p_, result_.x, lower_, upper_, deadline_);
            if (meetsHardRows(p_, cheaper)) offer(cheaper, TableStage::CELL_MOVES);
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
        if (better.improvements > 0) offer(better.x, TableStage::BLOCK_SEARCH);
        if (proven()) return modelStatus(ModelStatus::OPTIMAL);
        return std::nullopt;
    }

    // True when the work left buys fewer simplex iterations than the whole table's programme
    // has rows, with the programme counted low (a row per hard and weak row, a column per
    // cell that may change): too few to solve even its first relaxation. A table of millions
    // of cells would otherwise build a programme of millions of columns, gigabytes with the
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
        setUpWindowSolver(*solver, windows);
        double narrowedAt = INFINITY;  // the cost the ranges were last narrowed to
        for (int round = 0; round < MAX_ROUNDS; ++round) {
            if (options_.progress) {
                options_.progress->update("integer", haveTable_ ? result_.objective : NAN, bound_);
            }
            narrowToCheaperTables(windows, narrowedAt);
            if (!solver->load(windows.build())) return callStatus(CallStatus::NO_MEMORY);
            const LinearResult mip = solveRound(*solver, windows);
            if (std::optional<SolveStatus> end = concludeRound(windows, mip)) return *end;
        }
        // So many rounds are work too: the same stop on every run.
        if (haveTable_) return modelStatus(ModelStatus::FEASIBLE, StopReason::WORK_LIMIT);
        return callStatus(CallStatus::FAILED);
    }

    // The limits, the progress line and the test of new points of the solver of the windows'
    // programmes.
    void setUpWindowSolver(LinearSolver& solver, const WindowModel& windows) {
        solver.setWorkLimit(options_.work);
        solver.setAnyPointFirst(true);
        if (options_.progress) {
            // The programme's own incumbent is not yet a checked table: only ours is shown.
            solver.setProgress([this](double, double mipBound) {
                options_.progress->update("integer", haveTable_ ? result_.objective : NAN,
                                          std::max(bound_, mipBound));
            });
        }
        // A point of the programme that leaves its windows is answered by wider windows at
        // once, without a proof of these windows' optimum, which is wasted where that leaves
        // them too.
        solver.setLeavesModel(
            [&windows](const std::vector<double>& point) { return windows.leaves(point); });
    }

    // Each term's range narrowed to what a cheaper table may take, again whenever the table
    // at hand is cheaper than at the last narrowing (`narrowedAt`): the extended chords then
    // end there, and a programme without a point below that cost proves the table.
    void narrowToCheaperTables(WindowModel& windows, double& narrowedAt) {
        if (haveTable_ && result_.objective < narrowedAt) {
            narrowedAt = result_.objective;
            windows.narrow(
                cheaperTableRanges(p_, lower_, upper_, relaxed_.hardDual, center_, narrowedAt),
                narrowedAt);
        }
    }

    // One search of the programme loaded, from the table at hand where there is one.
    LinearResult solveRound(LinearSolver& solver, const WindowModel& windows) {
        solver.setObjectiveStep(stepUsable() ? objectiveStep_ : 0.0);
        // The solver decides whether its search starts from this point: a small
        // programme's search uses it only where the others did not end.
        std::vector<double> start = haveTable_ ? windows.pointOf(result_.x) : std::vector<double>{};
        return solver.solveInteger(deadline_, options_.relativeGap, start);
    }

    // What a round's search concludes: the status where the search ends here, nothing where
    // another round follows (wider windows, more tangents, or fewer lattices).
    std::optional<SolveStatus> concludeRound(WindowModel& windows, const LinearResult& mip) {
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
            return std::nullopt;
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
            if (pointHolds) offer(x, TableStage::PROGRAMME);
        }
        if (beyondCover && mip.status.stop == StopReason::NONE && !deadline_.passed()) {
            if (proven()) return modelStatus(ModelStatus::OPTIMAL);
            windows.dropPartialLattices();
            return std::nullopt;
        }
        if (mip.leftModel && windows.refine(mip.x)) return std::nullopt;
        if (mip.status.stop != StopReason::NONE || deadline_.passed()) return programmeStopped();
        if (!mip.is(ModelStatus::OPTIMAL)) return callStatus(CallStatus::FAILED);
        if (windows.refine(mip.x)) return std::nullopt;
        return concludeAtOptimum(windows, mip, pointHolds, covered);
    }

    // Where the programme's optimum lies inside its windows, exact there: its bound is the
    // whole-number problem's too. The programme's own point may miss a row by the solver's
    // tolerances; a table repaired from it may then close the gap. Without that, nothing is
    // proven. `covered` is the programme's coveredCost.
    std::optional<SolveStatus> concludeAtOptimum(WindowModel& windows, const LinearResult& mip,
                                                 bool pointHolds, double covered) {
        if (!pointHolds && !proven() && !mip.x.empty()) {
            RoundingResult near = roundAndRepair(p_, windows.tableOf(mip.x), lower_, upper_,
                                                 deadline_, options_.progress, bound_);
            if (near.status.call == CallStatus::NO_MEMORY) return callStatus(CallStatus::NO_MEMORY);
            if (near.status.is(ModelStatus::FEASIBLE))
                offer(near.x, TableStage::PROGRAMME_REPAIRED);
        }
        const bool covers = haveTable_ && result_.objective <= covered;
        if ((pointHolds && covers) || proven()) return modelStatus(ModelStatus::OPTIMAL);
        if (!covers && std::isfinite(covered)) {
            windows.dropPartialLattices();  // the optimum may cost more than they cover
            return std::nullopt;
        }
        return callStatus(CallStatus::FAILED);
    }

    // Where the programme stopped short of a proof: the cycles may still lower the cost, and
    // without the blocks the box moves, which have not run yet. The two in turn, as long as
    // the cycles lower it, twice at most: each makes moves the other cannot, and turns beyond
    // the second lowered no table further. Where the blocks ran, the box moves ran before them,
    // and the cycles run once. Then the moves of one cell or two.
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

    // Keeps `x`, found by `stage`, when it is the first table or a cheaper one.
    void offer(const std::vector<double>& x, TableStage stage) {
        const double f = adjustmentObjective(p_, x);
        if (!haveTable_ || f < result_.objective) {
            result_.x = x;
            result_.objective = f;
            result_.stage = stage;
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
