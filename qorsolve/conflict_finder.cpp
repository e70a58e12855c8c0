#include "qorsolve/conflict_finder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <tuple>

#include "qorsolve/conflict_advice.h"
#include "qorsolve/equality_fit.h"
#include "qorsolve/exact_rows.h"
#include "qorsolve/linear_solver.h"
#include "qorsolve/whole_number_rows.h"

// How the search works.
//
// Real numbers: candidates come first from the equality rows alone: the residual of their
// least-squares solution lies on the rows whose values disagree, largest on the likeliest
// culprits, so the rows it weighs most (with the bounds of their cells) are tried as a small
// LP first, and wider sets only when that one can hold. Then the continuous solver's suspect
// rows, then the whole problem. A Farkas ray of the first LP that cannot hold narrows the set
// to what the ray uses. A deletion filter then relaxes one member at a time, rows in the
// order of their residual so that the likeliest culprits are kept where there is a choice,
// in one warm-started LP: when the rest still cannot hold, the member goes, together with
// every member the new ray does not use; otherwise it stays. A verdict "cannot hold" counts
// only with a ray that passes an explicit check (max over the box of (A'y).x stays below the
// right-hand side that y implies), because warm-started simplex runs have been seen to call
// feasible sub-problems infeasible; a verdict "can hold" counts only with a point that meets
// every active row and bound. Anything else is asked again of a fresh solver, and a member
// whose verdict stays open is kept. Finally the set is checked from scratch: infeasible as a
// whole, and for each member an elastic LP that finds the least change of that member alone
// which lets the others hold (a finite value proves the member is needed).
//
// Whole numbers: the same deletion filter over the mixed-integer problem, with members
// relaxed in blocks that halve when the rest can hold, as long as the work limit (and the
// deadline, when the run has one) allows.

namespace {

constexpr double INF = INFINITE_BOUND;
constexpr double NOT_KNOWN = std::numeric_limits<double>::quiet_NaN();
// A point meets a row or bound when it misses by at most this, relative to the sizes
// involved; a ray certifies when it clears its right-hand side by this, relative.
constexpr double FEASIBILITY_TOLERANCE = 1e-6;
constexpr double CERTIFICATE_MARGIN = 1e-9;
// Ray entries this much smaller than the largest are rounding noise.
constexpr double RAY_NOISE = 1e-12;
// The second order of the deletion filter, which decides each row by an LP of its own, gives
// up after this many LPs (counted, so that every run gives the same set) and leaves the set
// of the first order.
constexpr std::size_t SECOND_ORDER_SOLVES = 2000;

using Kind = ConflictMember::Kind;

bool isBound(const ConflictMember& member) {
    return member.kind != Kind::HARD_ROW;
}

// What a solve of a sub-problem proved.
enum class Verdict { INFEASIBLE, FEASIBLE, OPEN, OUT_OF_TIME, NO_MEMORY };

// A subset of the rows and bounds of the problem as one LP: the member rows over the columns
// they use, each column bounded only by the bounds that are members. Members can be switched
// off (the row or bound side becomes infinite) and on again.
class SubProblem {
  public:
    SubProblem(const AdjustmentProblem& problem, std::vector<ConflictMember> members,
               bool wholeNumbers)
        : problem_(problem), wholeNumbers_(wholeNumbers), members_(std::move(members)) {
        std::vector<int32_t> localColumn(static_cast<std::size_t>(problem.cellCount()), -1);
        const auto localOf = [&](int32_t column) {
            int32_t& local = localColumn[static_cast<std::size_t>(column)];
            if (local < 0) {
                local = static_cast<int32_t>(column_.size());
                column_.push_back(column);
            }
            return local;
        };
        place_.assign(members_.size(), 0);
        for (std::size_t k = 0; k < members_.size(); ++k) {
            const ConflictMember& member = members_[k];
            if (member.kind != Kind::HARD_ROW) continue;
            const auto row = static_cast<std::size_t>(member.index);
            place_[k] = model_.rows.rowCount();
            for (int64_t e = problem.hard.start[row]; e < problem.hard.start[row + 1]; ++e) {
                model_.rows.column.push_back(
                    localOf(problem.hard.column[static_cast<std::size_t>(e)]));
                model_.rows.value.push_back(problem.hard.value[static_cast<std::size_t>(e)]);
            }
            model_.rows.start.push_back(static_cast<int64_t>(model_.rows.column.size()));
            model_.rowLower.push_back(problem.hardLower[row]);
            model_.rowUpper.push_back(problem.hardUpper[row]);
        }
        for (std::size_t k = 0; k < members_.size(); ++k) {
            if (isBound(members_[k])) place_[k] = localOf(members_[k].index);
        }
        const std::size_t columns = column_.size();
        model_.columnLower.assign(columns, -INF);
        model_.columnUpper.assign(columns, INF);
        model_.cost.assign(columns, 0.0);
        if (wholeNumbers) model_.isInteger.assign(columns, 1);
        active_.assign(members_.size(), 1);
        for (std::size_t k = 0; k < members_.size(); ++k) applyBounds(k);
    }

    const std::vector<ConflictMember>& members() const { return members_; }
    bool active(std::size_t k) const { return active_[k] != 0; }
    const LinearModel& model() const { return model_; }

    std::vector<ConflictMember> activeMembers() const {
        std::vector<ConflictMember> result;
        for (std::size_t k = 0; k < members_.size(); ++k) {
            if (active_[k]) result.push_back(members_[k]);
        }
        return result;
    }

    // Switches member k on or off, in the mirror and in the solver when one is given.
    void setActive(std::size_t k, bool on, LinearSolver* solver) {
        active_[k] = on ? 1 : 0;
        applyBounds(k);
        if (solver == nullptr) return;
        const int32_t place = place_[k];
        const auto p = static_cast<std::size_t>(place);
        if (members_[k].kind == Kind::HARD_ROW) {
            solver->setRowBounds(place, model_.rowLower[p], model_.rowUpper[p]);
        } else {
            solver->setColumnBounds(place, model_.columnLower[p], model_.columnUpper[p]);
        }
    }

    // True when y (or -y) proves that the active rows and bounds cannot all hold. `needed`
    // then tells, per member, whether the proof uses it, and `multiplier` gives each member's
    // weight in the proof (see ConflictResult::multiplier).
    bool certifies(const std::vector<double>& ray, std::vector<char>& needed,
                   std::vector<double>& multiplier) const {
        if (ray.size() != model_.rowLower.size()) return false;
        double largest = 0.0;
        for (double y : ray) {
            if (!std::isfinite(y)) return false;
            largest = std::max(largest, std::fabs(y));
        }
        if (largest == 0.0) return false;
        std::vector<double> cleaned(ray);
        for (double& y : cleaned) {
            if (std::fabs(y) < RAY_NOISE * largest) y = 0.0;
        }
        const std::vector<double>* rays[] = {&cleaned, &ray};
        for (const std::vector<double>* y : rays) {
            for (double sign : {1.0, -1.0}) {
                if (certifiesSigned(*y, sign, needed, multiplier)) return true;
            }
        }
        return false;
    }

    // True when x meets every active row and bound (whole numbers too when asked).
    bool meets(const std::vector<double>& x, bool wholeNumbers) const {
        if (x.size() != column_.size()) return false;
        if (wholeNumbers) return meetsWhole(x);
        for (std::size_t j = 0; j < x.size(); ++j) {
            const double v = x[j];
            if (!std::isfinite(v)) return false;
            if (wholeNumbers && std::fabs(v - std::round(v)) > FEASIBILITY_TOLERANCE) return false;
            const double slack = FEASIBILITY_TOLERANCE * (1.0 + std::fabs(v));
            if (v < model_.columnLower[j] - slack || v > model_.columnUpper[j] + slack) {
                return false;
            }
        }
        const SparseRows& rows = model_.rows;
        for (int32_t i = 0; i < rows.rowCount(); ++i) {
            double sum = 0.0;
            double size = 0.0;
            for (int64_t e = rows.start[static_cast<std::size_t>(i)];
                 e < rows.start[static_cast<std::size_t>(i) + 1]; ++e) {
                const auto entry = static_cast<std::size_t>(e);
                const double term =
                    rows.value[entry] * x[static_cast<std::size_t>(rows.column[entry])];
                sum += term;
                size += std::fabs(term);
            }
            const double slack = FEASIBILITY_TOLERANCE * (1.0 + size);
            const auto r = static_cast<std::size_t>(i);
            if (sum < model_.rowLower[r] - slack || sum > model_.rowUpper[r] + slack) return false;
        }
        return true;
    }

    // True when x, each value rounded to the whole number it lies within 1e-6 of, meets every
    // active row and bound by the rule of exact_rows.h: bounds and rows of whole coefficients
    // exactly.
    bool meetsWhole(const std::vector<double>& x) const {
        std::vector<double> whole(x.size());
        for (std::size_t j = 0; j < x.size(); ++j) {
            whole[j] = std::round(x[j]);
            if (!(std::fabs(x[j] - whole[j]) <= FEASIBILITY_TOLERANCE) ||
                !(whole[j] >= model_.columnLower[j]) || !(whole[j] <= model_.columnUpper[j])) {
                return false;
            }
        }
        for (int32_t i = 0; i < model_.rows.rowCount(); ++i) {
            const auto r = static_cast<std::size_t>(i);
            if (!rowValue(model_.rows, i, whole).holds(model_.rowLower[r], model_.rowUpper[r])) {
                return false;
            }
        }
        return true;
    }

    // The LP that finds the least total change of the values of the members marked in
    // `elastic` that lets all active members hold.
    LinearModel elasticModel(const std::vector<char>& elastic) const {
        LinearModel result;
        result.columnLower = model_.columnLower;
        result.columnUpper = model_.columnUpper;
        result.cost.assign(column_.size(), 0.0);
        const auto addSlack = [&result]() {
            result.columnLower.push_back(0.0);
            result.columnUpper.push_back(INF);
            result.cost.push_back(1.0);
            return static_cast<int32_t>(result.cost.size()) - 1;
        };
        std::vector<int32_t> memberOfRow(model_.rowLower.size(), -1);
        for (std::size_t k = 0; k < members_.size(); ++k) {
            if (members_[k].kind == Kind::HARD_ROW) {
                memberOfRow[static_cast<std::size_t>(place_[k])] = static_cast<int32_t>(k);
            }
        }
        const SparseRows& rows = model_.rows;
        for (std::size_t i = 0; i < memberOfRow.size(); ++i) {
            for (int64_t e = rows.start[i]; e < rows.start[i + 1]; ++e) {
                result.rows.column.push_back(rows.column[static_cast<std::size_t>(e)]);
                result.rows.value.push_back(rows.value[static_cast<std::size_t>(e)]);
            }
            const int32_t k = memberOfRow[i];
            if (k >= 0 && elastic[static_cast<std::size_t>(k)]) {
                if (model_.rowLower[i] > -INF) {
                    result.rows.column.push_back(addSlack());
                    result.rows.value.push_back(1.0);
                }
                if (model_.rowUpper[i] < INF) {
                    result.rows.column.push_back(addSlack());
                    result.rows.value.push_back(-1.0);
                }
            }
            result.rows.start.push_back(static_cast<int64_t>(result.rows.column.size()));
            result.rowLower.push_back(model_.rowLower[i]);
            result.rowUpper.push_back(model_.rowUpper[i]);
        }
        // An elastic bound becomes a row: x + s >= lower, or x - s <= upper.
        for (std::size_t k = 0; k < members_.size(); ++k) {
            if (!isBound(members_[k]) || !active_[k] || !elastic[k]) continue;
            const auto column = static_cast<std::size_t>(place_[k]);
            const bool lower = members_[k].kind == Kind::CELL_LOWER;
            result.rows.column.push_back(static_cast<int32_t>(column));
            result.rows.value.push_back(1.0);
            result.rows.column.push_back(addSlack());
            result.rows.value.push_back(lower ? 1.0 : -1.0);
            result.rows.start.push_back(static_cast<int64_t>(result.rows.column.size()));
            result.rowLower.push_back(lower ? model_.columnLower[column] : -INF);
            result.rowUpper.push_back(lower ? INF : model_.columnUpper[column]);
            if (lower) {
                result.columnLower[column] = -INF;
            } else {
                result.columnUpper[column] = INF;
            }
        }
        return result;
    }

  private:
    void applyBounds(std::size_t k) {
        const ConflictMember& member = members_[k];
        const auto p = static_cast<std::size_t>(place_[k]);
        const bool on = active_[k] != 0;
        const auto source = static_cast<std::size_t>(member.index);
        // Over whole numbers a bound, and the bounds of a row of whole coefficients, are as
        // good as the whole numbers within them; the solver gets those.
        const auto whole = [this](double lower, double upper, bool tighten) {
            return wholeNumbers_ && tighten ? wholeRange(lower, upper)
                                            : std::pair<double, double>(lower, upper);
        };
        switch (member.kind) {
            case Kind::HARD_ROW: {
                const auto [lower, upper] =
                    whole(problem_.hardLower[source], problem_.hardUpper[source],
                          hasWholeCoefficients(problem_.hard, member.index));
                model_.rowLower[p] = on ? lower : -INF;
                model_.rowUpper[p] = on ? upper : INF;
                break;
            }
            case Kind::CELL_LOWER:
                model_.columnLower[p] = on ? whole(problem_.lower[source], INF, true).first : -INF;
                break;
            case Kind::CELL_UPPER:
                model_.columnUpper[p] = on ? whole(-INF, problem_.upper[source], true).second : INF;
                break;
        }
    }

    bool certifiesSigned(const std::vector<double>& ray, double sign, std::vector<char>& needed,
                         std::vector<double>& multiplier) const {
        // y.(Ax) >= rhs for every x that meets the rows; the rows' sides that y uses must be
        // finite.
        double rhs = 0.0;
        double size = 0.0;
        const SparseRows& rows = model_.rows;
        std::vector<double> c(column_.size(), 0.0);
        std::vector<double> cSize(column_.size(), 0.0);
        for (std::size_t i = 0; i < ray.size(); ++i) {
            const double y = sign * ray[i];
            if (y == 0.0) continue;
            const double side = y > 0.0 ? model_.rowLower[i] : model_.rowUpper[i];
            if (!std::isfinite(side)) return false;
            rhs += y * side;
            size += std::fabs(y * side);
            for (int64_t e = rows.start[i]; e < rows.start[i + 1]; ++e) {
                const auto entry = static_cast<std::size_t>(e);
                const auto j = static_cast<std::size_t>(rows.column[entry]);
                c[j] += y * rows.value[entry];
                cSize[j] += std::fabs(y * rows.value[entry]);
            }
        }
        // The largest value of (A'y).x over the box of the active bounds.
        double most = 0.0;
        for (std::size_t j = 0; j < c.size(); ++j) {
            if (std::fabs(c[j]) <= RAY_NOISE * cSize[j]) {
                c[j] = 0.0;
                continue;
            }
            const double side = c[j] > 0.0 ? model_.columnUpper[j] : model_.columnLower[j];
            if (!std::isfinite(side)) return false;
            most += c[j] * side;
            size += std::fabs(c[j] * side);
        }
        if (!(most < rhs - CERTIFICATE_MARGIN * std::max(size, 1.0))) return false;
        needed.assign(members_.size(), 0);
        multiplier.assign(members_.size(), 0.0);
        for (std::size_t k = 0; k < members_.size(); ++k) {
            if (!active_[k]) continue;
            const auto p = static_cast<std::size_t>(place_[k]);
            switch (members_[k].kind) {
                case Kind::HARD_ROW:
                    needed[k] = sign * ray[p] != 0.0;
                    multiplier[k] = sign * ray[p];
                    break;
                case Kind::CELL_LOWER:
                    needed[k] = c[p] < 0.0;
                    if (needed[k]) multiplier[k] = -c[p];
                    break;
                case Kind::CELL_UPPER:
                    needed[k] = c[p] > 0.0;
                    if (needed[k]) multiplier[k] = -c[p];
                    break;
            }
        }
        return true;
    }

    const AdjustmentProblem& problem_;
    bool wholeNumbers_ = false;
    std::vector<ConflictMember> members_;
    std::vector<int32_t> place_;   // per member: its local row, or its local column
    std::vector<int32_t> column_;  // per local column: the problem's column
    std::vector<char> active_;
    LinearModel model_;
};

class ConflictSearch {
  public:
    ConflictSearch(const AdjustmentProblem& problem, const ConflictOptions& options,
                   const Deadline& deadline)
        : problem_(problem), options_(options), deadline_(deadline) {}

    ConflictResult run(const ContinuousResult* hint) {
        ConflictResult result;
        if (trivialConflict(result)) return result;
        if (options_.wholeNumbers) return wholeNumberConflict();

        std::unique_ptr<SubProblem> candidates;
        const EqualityFit fit = fitEqualities(problem_, deadline_);
        if (!fit.consistent) {
            weight_ = fit.residual;
            for (double& w : weight_) w = std::fabs(w);
        }
        const std::vector<double>& weight = weight_;
        if (!weight.empty()) {
            // The rows the residual points at, then every row it touches.
            double largest = 0.0;
            for (double w : weight) largest = std::max(largest, w);
            for (double share : {0.25, 1e-2, 1e-6}) {
                std::vector<int32_t> rows;
                for (std::size_t i = 0; i < weight.size(); ++i) {
                    if (weight[i] >= share * largest) rows.push_back(static_cast<int32_t>(i));
                }
                candidates =
                    std::make_unique<SubProblem>(problem_, rowMembers(rows, weight), false);
                const Verdict verdict = startFilter(*candidates);
                if (verdict == Verdict::NO_MEMORY) return status(ConflictStatus::NO_MEMORY);
                if (verdict == Verdict::INFEASIBLE) break;
                candidates.reset();
            }
        }
        if (!candidates && hint != nullptr &&
            (hint->status.model == ModelStatus::INFEASIBLE ||
             hint->status.model == ModelStatus::NOT_CONVERGED) &&
            !hint->suspectRows.empty()) {
            candidates = std::make_unique<SubProblem>(problem_,
                                                      rowMembers(hint->suspectRows, weight), false);
            const Verdict verdict = startFilter(*candidates);
            if (verdict == Verdict::NO_MEMORY) return status(ConflictStatus::NO_MEMORY);
            if (verdict != Verdict::INFEASIBLE) candidates.reset();
        }
        if (!candidates) {
            candidates = std::make_unique<SubProblem>(problem_, allMembers(weight), false);
            const Verdict verdict = startFilter(*candidates);
            switch (verdict) {
                case Verdict::INFEASIBLE:
                    break;
                case Verdict::FEASIBLE:
                    return status(ConflictStatus::FEASIBLE);
                case Verdict::NO_MEMORY:
                    return status(ConflictStatus::NO_MEMORY);
                case Verdict::OUT_OF_TIME:
                    return status(ConflictStatus::NOT_REDUCED);  // nothing proven yet
                case Verdict::OPEN:
                    // No proof either way: keep everything and let the filter try.
                    break;
            }
        }
        return filter(*candidates);
    }

  private:
    static ConflictResult status(ConflictStatus value) {
        ConflictResult result;
        result.status = value;
        result.elasticValue = NOT_KNOWN;
        return result;
    }

    void tick() {
        if (options_.progress != nullptr) {
            options_.progress->update("conflict", NOT_KNOWN, NOT_KNOWN);
        }
    }

    // A cell whose bounds cross, or a row whose sides cross or that has no entries and
    // excludes 0, is a conflict by itself; two rows over the same cells with proportional
    // whole coefficients whose values contradict each other are one by themselves.
    bool trivialConflict(ConflictResult& result) const {
        for (int32_t j = 0; j < problem_.cellCount(); ++j) {
            const auto c = static_cast<std::size_t>(j);
            double lower = problem_.lower[c];
            double upper = problem_.upper[c];
            if (options_.wholeNumbers) std::tie(lower, upper) = wholeRange(lower, upper);
            if (lower > upper) {
                result.status = ConflictStatus::FOUND;
                result.members = {{Kind::CELL_LOWER, j}, {Kind::CELL_UPPER, j}};
                result.elasticValue = options_.wholeNumbers ? NOT_KNOWN : lower - upper;
                result.memberChange.assign(2, result.elasticValue);
                if (!options_.wholeNumbers) result.multiplier = {1.0, -1.0};
                return true;
            }
        }
        for (int32_t i = 0; i < problem_.hard.rowCount(); ++i) {
            const auto r = static_cast<std::size_t>(i);
            const double lower = problem_.hardLower[r];
            const double upper = problem_.hardUpper[r];
            const bool empty = problem_.hard.start[r] == problem_.hard.start[r + 1];
            double change = lower - upper;
            if (empty) change = std::max({lower, -upper, change});
            if (change > 0.0 || std::isnan(lower) || std::isnan(upper)) {
                result.status = ConflictStatus::FOUND;
                result.members = {{Kind::HARD_ROW, i}};
                result.elasticValue = change;
                result.memberChange.assign(1, change);
                // An empty row: 0 >= lower > 0, or 0 <= upper < 0.
                if (empty && change == lower) result.multiplier = {1.0};
                if (empty && change == -upper) result.multiplier = {-1.0};
                return true;
            }
        }
        const ParallelRows parallel = findContradictingParallelRows(problem_);
        if (parallel.first >= 0) {
            result.status = ConflictStatus::FOUND;
            result.members = {{Kind::HARD_ROW, parallel.first}, {Kind::HARD_ROW, parallel.second}};
            result.memberChange = {parallel.firstChange, parallel.secondChange};
            result.elasticValue = std::min(parallel.firstChange, parallel.secondChange);
            return true;
        }
        if (options_.wholeNumbers) {
            const RowWithoutWholeValue alone = findRowWithoutWholeValue(problem_);
            if (alone.row >= 0) {
                result.status = ConflictStatus::FOUND;
                result.members = {{Kind::HARD_ROW, alone.row}};
                result.elasticValue = alone.change;
                result.memberChange.assign(1, alone.change);
                return true;
            }
        }
        return false;
    }

    // Finite bounds in front (default bounds first, so that the filter drops them early and
    // keeps declared restrictions where it has a choice), rows after them.
    void addBounds(std::vector<ConflictMember>& members,
                   const std::vector<int32_t>& columns) const {
        for (int pass = 0; pass < 2; ++pass) {
            for (int32_t j : columns) {
                const auto c = static_cast<std::size_t>(j);
                const bool declaredLower = problem_.lowerSource[c] > 0;
                const bool declaredUpper = problem_.upperSource[c] > 0;
                if (std::isfinite(problem_.lower[c]) && declaredLower == (pass == 1)) {
                    members.push_back({Kind::CELL_LOWER, j});
                }
                if (std::isfinite(problem_.upper[c]) && declaredUpper == (pass == 1)) {
                    members.push_back({Kind::CELL_UPPER, j});
                }
            }
        }
    }

    std::vector<ConflictMember> allMembers(const std::vector<double>& weight = {}) const {
        std::vector<int32_t> rows(static_cast<std::size_t>(problem_.hard.rowCount()));
        for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int32_t>(i);
        return rowMembers(rows, weight);
    }

    // The given rows and the finite bounds of the cells they use. The rows are tested in the
    // order of their weight, the heaviest last, so that the filter keeps those where it has a
    // choice.
    std::vector<ConflictMember> rowMembers(const std::vector<int32_t>& given,
                                           const std::vector<double>& weight) const {
        std::vector<char> usedRow(static_cast<std::size_t>(problem_.hard.rowCount()), 0);
        std::vector<char> usedColumn(static_cast<std::size_t>(problem_.cellCount()), 0);
        for (int32_t i : given) {
            if (i < 0 || i >= problem_.hard.rowCount()) continue;
            const auto r = static_cast<std::size_t>(i);
            usedRow[r] = 1;
            for (int64_t e = problem_.hard.start[r]; e < problem_.hard.start[r + 1]; ++e) {
                usedColumn[static_cast<std::size_t>(
                    problem_.hard.column[static_cast<std::size_t>(e)])] = 1;
            }
        }
        std::vector<int32_t> columns;
        for (std::size_t j = 0; j < usedColumn.size(); ++j) {
            if (usedColumn[j]) columns.push_back(static_cast<int32_t>(j));
        }
        std::vector<ConflictMember> members;
        addBounds(members, columns);
        std::vector<int32_t> rows;
        for (std::size_t i = 0; i < usedRow.size(); ++i) {
            if (usedRow[i]) rows.push_back(static_cast<int32_t>(i));
        }
        if (!weight.empty()) {
            std::stable_sort(rows.begin(), rows.end(), [&weight](int32_t a, int32_t b) {
                return weight[static_cast<std::size_t>(a)] < weight[static_cast<std::size_t>(b)];
            });
        }
        for (int32_t i : rows) members.push_back({Kind::HARD_ROW, i});
        return members;
    }

    // Solves the loaded sub-problem. An infeasible verdict stands only with a checked ray
    // (`needed` then marks the members it uses); a feasible one only with a checked point.
    Verdict solve(LinearSolver& solver, const SubProblem& sub, std::vector<char>& needed) {
        tick();
        if (deadline_.passed()) return Verdict::OUT_OF_TIME;
        const LinearResult result = solver.solveLinear(deadline_);
        switch (result.status) {
            case LinearStatus::OPTIMAL:
                return sub.meets(result.x, false) ? Verdict::FEASIBLE : Verdict::OPEN;
            case LinearStatus::INFEASIBLE:
                return sub.certifies(result.rowRay, needed, multiplier_) ? Verdict::INFEASIBLE
                                                                         : Verdict::OPEN;
            case LinearStatus::NO_MEMORY:
                return Verdict::NO_MEMORY;
            case LinearStatus::TIME_LIMIT:
                return Verdict::OUT_OF_TIME;
            case LinearStatus::UNBOUNDED:   // the cost is zero: cannot happen
            case LinearStatus::WORK_LIMIT:  // no work limit is set here
            case LinearStatus::COSTS_TOO_LARGE:
            case LinearStatus::FAILED:
                break;
        }
        return Verdict::OPEN;
    }

    // The same question asked of a fresh solver, from no basis, when a warm-started answer
    // could not be checked.
    Verdict solveAfresh(const SubProblem& sub, std::vector<char>& needed) {
        std::unique_ptr<LinearSolver> fresh = makeCoinSolver();
        if (!fresh || !fresh->load(sub.model())) return Verdict::NO_MEMORY;
        return solve(*fresh, sub, needed);
    }

    Verdict solveChecked(std::unique_ptr<LinearSolver>& solver, SubProblem& sub,
                         std::vector<char>& needed) {
        if (!solver) {
            solver = makeCoinSolver();
            if (!solver || !solver->load(sub.model())) return Verdict::NO_MEMORY;
        }
        const Verdict verdict = solve(*solver, sub, needed);
        if (verdict != Verdict::OPEN) return verdict;
        return solveAfresh(sub, needed);
    }

    // Solves the whole candidate set; when it cannot hold, keeps only what the ray uses.
    Verdict startFilter(SubProblem& sub) {
        solver_.reset();
        std::vector<char> needed;
        const Verdict verdict = solveChecked(solver_, sub, needed);
        if (verdict == Verdict::INFEASIBLE) dropUnneeded(sub, needed);
        if (verdict != Verdict::INFEASIBLE && verdict != Verdict::OPEN) solver_.reset();
        return verdict;
    }

    void dropUnneeded(SubProblem& sub, const std::vector<char>& needed) {
        for (std::size_t k = 0; k < sub.members().size(); ++k) {
            if (sub.active(k) && !needed[k]) sub.setActive(k, false, solver_.get());
        }
    }

    // The deletion filter in two orders of removal, the smaller set kept: the order the
    // members came in (default bounds first, rows by their residual), and one that tries wide
    // rows first, then default bounds, and single-cell and recently declared restrictions
    // last. Each order can miss a small set that the other finds: the first keeps rows where
    // dropping bounds leaves a longer chain of rows; the second drops a wide total even where
    // only a longer chain of narrow rows then proves the conflict. The second starts from
    // every candidate row, not only those the first ray used, and every row through a cell
    // that a declared bound among them bounds; it decides each row by itself (its rays drop
    // bounds only), so that the ray's own choice does not overrule the order.
    ConflictResult filter(SubProblem& sub) {
        const std::vector<ConflictMember> start = widened(sub.members());
        const Verdict verdict = deletionFilter(sub, true);
        if (verdict == Verdict::NO_MEMORY) return status(ConflictStatus::NO_MEMORY);
        if (verdict != Verdict::INFEASIBLE) return notReduced(sub);
        std::vector<ConflictMember> best = sub.activeMembers();
        solver_.reset();
        SubProblem other(problem_, wideFirst(start), false);
        const Verdict second = deletionFilter(other, false, SECOND_ORDER_SOLVES);
        if (second == Verdict::NO_MEMORY) return status(ConflictStatus::NO_MEMORY);
        if (second == Verdict::INFEASIBLE) {
            const std::vector<ConflictMember> found = other.activeMembers();
            if (found.size() < best.size() ||
                (found.size() == best.size() && defaultBounds(found) < defaultBounds(best))) {
                best = found;
            }
        }
        return verify(best);
    }

    // Relaxes one member at a time: INFEASIBLE when every member was decided (the active
    // members are then irreducible as far as the checked verdicts tell), OPEN when a verdict
    // stayed open, or OUT_OF_TIME, NO_MEMORY. Members that a ray shows unneeded go at once:
    // all of them, or with `rowsByRay` false only bounds. OPEN too after `mostSolves` solves.
    Verdict deletionFilter(SubProblem& sub, bool rowsByRay,
                           std::size_t mostSolves = std::numeric_limits<std::size_t>::max()) {
        if (!solver_) {
            solver_ = makeCoinSolver();
            if (!solver_ || !solver_->load(sub.model())) return Verdict::NO_MEMORY;
        }
        bool open = false;
        std::vector<char> needed;
        std::size_t solves = 0;
        for (std::size_t k = 0; k < sub.members().size(); ++k) {
            if (!sub.active(k)) continue;
            if (++solves > mostSolves) return Verdict::OPEN;
            sub.setActive(k, false, solver_.get());
            const Verdict verdict = solveChecked(solver_, sub, needed);
            if (verdict == Verdict::INFEASIBLE) {
                if (!rowsByRay) {
                    for (std::size_t m = 0; m < needed.size(); ++m) {
                        if (!isBound(sub.members()[m])) needed[m] = 1;
                    }
                }
                dropUnneeded(sub, needed);
                continue;
            }
            sub.setActive(k, true, solver_.get());
            if (verdict == Verdict::NO_MEMORY || verdict == Verdict::OUT_OF_TIME) return verdict;
            if (verdict == Verdict::OPEN) open = true;
        }
        return open ? Verdict::OPEN : Verdict::INFEASIBLE;
    }

    // The rows among `members`, the rows through the cells of its declared bounds, and the
    // finite bounds of every cell they cover.
    std::vector<ConflictMember> widened(const std::vector<ConflictMember>& members) const {
        std::vector<char> boundCell(static_cast<std::size_t>(problem_.cellCount()), 0);
        std::vector<char> row(static_cast<std::size_t>(problem_.hard.rowCount()), 0);
        for (const ConflictMember& m : members) {
            if (m.kind == Kind::HARD_ROW) row[static_cast<std::size_t>(m.index)] = 1;
            if (isBound(m) && sourceOf(m) > 0) boundCell[static_cast<std::size_t>(m.index)] = 1;
        }
        std::vector<int32_t> rows;
        for (int32_t i = 0; i < problem_.hard.rowCount(); ++i) {
            const auto r = static_cast<std::size_t>(i);
            for (int64_t e = problem_.hard.start[r]; e < problem_.hard.start[r + 1] && !row[r];
                 ++e) {
                if (boundCell[static_cast<std::size_t>(
                        problem_.hard.column[static_cast<std::size_t>(e)])]) {
                    row[r] = 1;
                }
            }
            if (row[r]) rows.push_back(i);
        }
        return rowMembers(rows, {});
    }

    std::size_t cellsOf(const ConflictMember& member) const {
        if (member.kind != Kind::HARD_ROW) return 1;
        const auto row = static_cast<std::size_t>(member.index);
        return static_cast<std::size_t>(problem_.hard.start[row + 1] - problem_.hard.start[row]);
    }

    int32_t sourceOf(const ConflictMember& member) const {
        const auto i = static_cast<std::size_t>(member.index);
        switch (member.kind) {
            case Kind::HARD_ROW:
                return problem_.hardSource[i];
            case Kind::CELL_LOWER:
                return problem_.lowerSource[i];
            case Kind::CELL_UPPER:
                return problem_.upperSource[i];
        }
        return 0;
    }

    std::size_t defaultBounds(const std::vector<ConflictMember>& members) const {
        return static_cast<std::size_t>(std::count_if(
            members.begin(), members.end(),
            [this](const ConflictMember& m) { return isBound(m) && sourceOf(m) <= 0; }));
    }

    // Rows over more than one cell, widest first; then default bounds; then declared bounds
    // and single-cell rows; within each, earlier declared first.
    std::vector<ConflictMember> wideFirst(std::vector<ConflictMember> members) const {
        const auto rank = [this](const ConflictMember& m) {
            if (m.kind == Kind::HARD_ROW && cellsOf(m) > 1) return 0;
            return isBound(m) && sourceOf(m) <= 0 ? 1 : 2;
        };
        std::stable_sort(members.begin(), members.end(),
                         [&](const ConflictMember& a, const ConflictMember& b) {
                             const int ra = rank(a);
                             const int rb = rank(b);
                             if (ra != rb) return ra < rb;
                             if (ra == 0 && cellsOf(a) != cellsOf(b)) {
                                 return cellsOf(a) > cellsOf(b);
                             }
                             return sourceOf(a) < sourceOf(b);
                         });
        return members;
    }

    static ConflictResult notReduced(const SubProblem& sub) {
        ConflictResult result = status(ConflictStatus::NOT_REDUCED);
        result.members = sub.activeMembers();
        result.memberChange.assign(result.members.size(), NOT_KNOWN);
        return result;
    }

    // Checks the found set from scratch: it cannot hold as a whole, and each member alone
    // can be changed to let the rest hold (the least such change is its elastic value).
    ConflictResult verify(std::vector<ConflictMember> members) {
        SubProblem found(problem_, std::move(members), false);
        ConflictResult result = notReduced(found);
        std::vector<char> needed;
        const Verdict whole = solveAfresh(found, needed);
        if (whole == Verdict::NO_MEMORY) return status(ConflictStatus::NO_MEMORY);
        if (whole != Verdict::INFEASIBLE) return result;
        result.multiplier = multiplier_;
        const std::size_t count = found.members().size();
        bool irreducible = true;
        for (std::size_t k = 0; k < count; ++k) {
            std::vector<char> elastic(count, 0);
            elastic[k] = 1;
            const double change = elasticValue(found, elastic);
            if (!(change > 0.0)) irreducible = false;
            result.memberChange[k] = change;
        }
        result.elasticValue = elasticValue(found, std::vector<char>(count, 1));
        if (irreducible) result.status = ConflictStatus::FOUND;
        return result;
    }

    // The optimum of the elastic LP; NaN when the solver gives none.
    double elasticValue(const SubProblem& sub, const std::vector<char>& elastic) {
        if (deadline_.passed()) return NOT_KNOWN;
        tick();
        std::unique_ptr<LinearSolver> solver = makeCoinSolver();
        const LinearModel model = sub.elasticModel(elastic);
        if (!solver || !solver->load(model)) return NOT_KNOWN;
        const LinearResult result = solver->solveLinear(deadline_);
        if (result.status != LinearStatus::OPTIMAL) return NOT_KNOWN;
        // The rows and bounds that stayed firm must hold at the point found.
        std::vector<double> x(result.x.begin(),
                              result.x.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                     result.x.size(), sub.model().cost.size())));
        SubProblem check = sub;
        for (std::size_t k = 0; k < elastic.size(); ++k) {
            if (elastic[k]) check.setActive(k, false, nullptr);
        }
        if (!check.meets(x, false)) return NOT_KNOWN;
        return std::max(result.objective, 0.0);
    }

    // Whole numbers: deletion in blocks over the mixed-integer problem.
    ConflictResult wholeNumberConflict() {
        const Deadline& limit = deadline_;
        SubProblem sub(problem_, allMembers(), true);
        std::unique_ptr<LinearSolver> solver = makeCoinSolver();
        if (!solver || !solver->load(sub.model())) {
            return status(ConflictStatus::NO_MEMORY);
        }
        // Counted work, not seconds, ends the search: every run names the same set.
        WorkLimit work(options_.workLimit);
        solver->setWorkLimit(&work);
        const auto notReducedIn = [&](const SubProblem& rest) {
            ConflictResult result = notReduced(rest);
            result.workLimited = work.exhausted() && !limit.passed();
            return result;
        };
        const Verdict whole = solveWhole(*solver, sub, limit);
        if (whole == Verdict::FEASIBLE) return status(ConflictStatus::FEASIBLE);
        if (whole == Verdict::NO_MEMORY) return status(ConflictStatus::NO_MEMORY);
        if (whole != Verdict::INFEASIBLE) {
            ConflictResult result = status(ConflictStatus::NOT_REDUCED);
            result.workLimited = work.exhausted() && !limit.passed();
            return result;
        }

        // Blocks of untested members; a block whose removal leaves the rest infeasible goes,
        // otherwise it splits in two, and a single member that cannot go is needed.
        std::vector<std::pair<std::size_t, std::size_t>> blocks;
        const std::size_t count = sub.members().size();
        if (count > 0) blocks.emplace_back(0, count);
        while (!blocks.empty()) {
            const auto [first, last] = blocks.back();
            blocks.pop_back();
            for (std::size_t k = first; k < last; ++k) sub.setActive(k, false, solver.get());
            const Verdict verdict = solveWhole(*solver, sub, limit);
            if (verdict == Verdict::INFEASIBLE) continue;
            for (std::size_t k = first; k < last; ++k) sub.setActive(k, true, solver.get());
            if (verdict == Verdict::NO_MEMORY) return status(ConflictStatus::NO_MEMORY);
            if (verdict != Verdict::FEASIBLE) return notReducedIn(sub);
            if (last - first > 1) {
                const std::size_t middle = first + (last - first) / 2;
                blocks.emplace_back(middle, last);
                blocks.emplace_back(first, middle);
            }
        }
        ConflictResult result = notReduced(sub);
        result.status = ConflictStatus::FOUND;
        result.elasticValue = NOT_KNOWN;
        return result;
    }

    Verdict solveWhole(LinearSolver& solver, const SubProblem& sub, const Deadline& limit) {
        tick();
        if (limit.passed()) return Verdict::OUT_OF_TIME;
        const LinearResult result = solver.solveInteger(limit, 0.0, {});
        switch (result.status) {
            case LinearStatus::INFEASIBLE:
                return Verdict::INFEASIBLE;
            case LinearStatus::OPTIMAL:
            case LinearStatus::TIME_LIMIT:
                if (!result.x.empty()) {
                    return sub.meets(result.x, true) ? Verdict::FEASIBLE : Verdict::OPEN;
                }
                return limit.passed() ? Verdict::OUT_OF_TIME : Verdict::OPEN;
            case LinearStatus::WORK_LIMIT:
                if (!result.x.empty() && sub.meets(result.x, true)) return Verdict::FEASIBLE;
                return Verdict::OUT_OF_TIME;
            case LinearStatus::NO_MEMORY:
                return Verdict::NO_MEMORY;
            default:
                return Verdict::OPEN;
        }
    }

    const AdjustmentProblem& problem_;
    const ConflictOptions& options_;
    const Deadline& deadline_;
    std::unique_ptr<LinearSolver> solver_;
    std::vector<double> weight_;      // the least-squares residual per hard row, when known
    std::vector<double> multiplier_;  // per member, of the last ray that passed its check
};

}  // namespace

ConflictResult findConflict(const AdjustmentProblem& problem, const ConflictOptions& options,
                            const ContinuousResult* hint) {
    try {
        const Deadline unlimited;
        const Deadline& deadline = options.deadline != nullptr ? *options.deadline : unlimited;
        ConflictSearch search(problem, options, deadline);
        ConflictResult result = search.run(hint);
        result.wholeNumbers = options.wholeNumbers;
        if (result.status == ConflictStatus::FOUND && !options.wholeNumbers) {
            rankConflict(problem, result, deadline);
        }
        return result;
    } catch (const std::bad_alloc&) {
        ConflictResult result;
        result.status = ConflictStatus::NO_MEMORY;
        return result;
    } catch (...) {
        ConflictResult result;
        result.status = ConflictStatus::FAILED;
        return result;
    }
}
