#include "qorsolve/integer/rounding_repair.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <random>

#include "qorsolve/core/settings.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/row_set.h"

namespace {

// Rows within this of their bounds hold while repairing; rows of whole coefficients hold
// exactly (their values are whole numbers, exact in a double up to 2^53). A row whose value
// lies near a side has terms of at least about that side's size, so a tolerance relative to
// the side of smaller magnitude is no looser than the rule of exact_rows.h; one relative to the
// larger side of a range would be (0.5 a within [0.6, 1e12] took a = 0 as meeting 0.6).
double rowTolerance(const SparseRows& rows, int32_t row, double lower, double upper) {
    if (hasWholeCoefficients(rows, row)) return 0.0;
    double scale = INFINITY;
    if (std::isfinite(lower)) scale = std::fabs(lower);
    if (std::isfinite(upper)) scale = std::min(scale, std::fabs(upper));
    return ROW_TOLERANCE * (std::isfinite(scale) ? std::max(scale, 1.0) : 1.0);
}

// A walk makes at most 50 moves per cell and 100,000 more, an improvement tries 20 chains per
// cell, but neither more than these, whatever the table's size: the ceilings leave tables of
// up to about 10^4 cells untouched, and keep the walks over tables of millions of cells, where
// each move weighs dozens of cells, from holding the run for many minutes.
constexpr int64_t MAX_WALK_MOVES = 1'000'000;
constexpr int64_t MAX_CHAINS = 2'000'000;

// The progress line during the search, with the bound known before it.
struct Shown {
    Progress* progress;
    double bound;
    void update() const {
        if (progress) progress->update("repair", NAN, bound);
    }
};

class Repair {
  public:
    Repair(const AdjustmentProblem& p, std::vector<double> x, const std::vector<double>& lower,
           const std::vector<double>& upper)
        : p_(p),
          x_(std::move(x)),
          lower_(lower),
          upper_(upper),
          columns_(byColumns(p.hard, static_cast<int32_t>(x_.size()), !allValuesOne(p.hard))) {
        const SparseRows& a = p_.hard;
        int32_t rows = a.rowCount();
        value_.assign(rows, 0.0);
        tolerance_.resize(rows);
        violated_ = RowSet(rows);
        for (int32_t i = 0; i < rows; ++i) {
            for (int64_t k = a.start[i]; k < a.start[i + 1]; ++k) {
                value_[i] += a.value[k] * x_[a.column[k]];
            }
            tolerance_[i] = rowTolerance(a, i, p_.hardLower[i], p_.hardUpper[i]);
            updateViolated(i);
        }
        lastMove_.assign(x_.size(), INT64_MIN / 2);
        lastStep_.assign(x_.size(), 0);
    }

    // noise: the percentage of random moves; tabu: for how many steps a cell's last move is
    // not undone.
    bool run(const Deadline& deadline, const Shown& shown, int noise, int64_t tabu, uint64_t seed) {
        const SparseRows& a = p_.hard;
        random_.seed(seed);
        const int64_t limit =
            std::min(50 * static_cast<int64_t>(x_.size()) + 100000, MAX_WALK_MOVES);
        std::vector<std::pair<int32_t, int32_t>> candidates;  // cell, step
        for (int64_t iteration = 0; !violated_.empty(); ++iteration) {
            if (iteration >= limit) return false;
            if ((iteration & 1023) == 0) {
                if (deadline.passed()) return false;
                shown.update();
            }
            int32_t row = violated_[random_() % violated_.size()];
            int direction = value_[row] < p_.hardLower[row] ? 1 : -1;
            int64_t begin = a.start[row];
            int64_t length = a.start[row + 1] - begin;
            int64_t tries = std::min<int64_t>(length, 48);
            candidates.clear();
            for (int64_t t = 0; t < tries; ++t) {
                int64_t k = begin + (tries == length ? t : int64_t(random_() % length));
                int32_t j = a.column[k];
                int32_t step = a.value[k] * direction > 0 ? 1 : -1;
                double to = x_[j] + step;
                if (to < lower_[j] || to > upper_[j]) continue;
                if (lastStep_[j] == -step && iteration - lastMove_[j] < tabu) continue;
                candidates.emplace_back(j, step);
            }
            if (candidates.empty()) continue;
            std::pair<int32_t, int32_t> chosen = candidates[random_() % candidates.size()];
            if (int(random_() % 100) >= noise) {
                double bestCost;
                chosen = bestMove(candidates, chosen, bestCost);
            }
            move(chosen.first, chosen.second);
            lastMove_[chosen.first] = iteration;
            lastStep_[chosen.first] = chosen.second;
        }
        return true;
    }

    // With a table found: moves a cell one unit towards `center`, repairs the rows that breaks
    // with a few greedy moves that do not undo it, and keeps the chain only when the table
    // holds again and costs less; otherwise every move of the chain is undone, as is a chain
    // the deadline cuts short. A chain's steps scan whole rows, up to 10^5 cells each on a
    // table of 10^6: the clock is looked at by the cells scanned, not by the chains.
    void improve(const std::vector<double>& center, const Deadline& deadline, const Shown& shown) {
        const SparseRows& a = p_.hard;
        const int64_t attempts = std::min(20 * static_cast<int64_t>(x_.size()), MAX_CHAINS);
        std::vector<std::pair<int32_t, int32_t>> chain, candidates;
        DeadlineLooks looks(deadline);
        auto undo = [&] {
            for (size_t c = chain.size(); c-- > 0;) move(chain[c].first, -chain[c].second);
        };
        for (int64_t attempt = 0; attempt < attempts; ++attempt) {
            if (looks.passed(1)) return;
            if ((attempt & 255) == 0) shown.update();
            int32_t first = static_cast<int32_t>(random_() % x_.size());
            double goal = std::clamp(std::nearbyint(center[first]), lower_[first], upper_[first]);
            if (x_[first] == goal) continue;
            int32_t firstStep = goal > x_[first] ? 1 : -1;
            chain.assign(1, {first, firstStep});
            double gain = -costChange(first, firstStep);
            move(first, firstStep);
            for (int steps = 0; steps < 24 && !violated_.empty(); ++steps) {
                int32_t row = violated_[random_() % violated_.size()];
                if (looks.passed(a.start[row + 1] - a.start[row])) {
                    undo();
                    return;
                }
                int direction = value_[row] < p_.hardLower[row] ? 1 : -1;
                candidates.clear();
                for (int64_t k = a.start[row]; k < a.start[row + 1]; ++k) {
                    int32_t j = a.column[k];
                    int32_t step = a.value[k] * direction > 0 ? 1 : -1;
                    if (x_[j] + step < lower_[j] || x_[j] + step > upper_[j]) continue;
                    bool undoes = false;
                    for (auto [c, s] : chain) undoes = undoes || (c == j && s == -step);
                    if (!undoes) candidates.emplace_back(j, step);
                }
                if (candidates.empty()) break;
                double bestCost;
                const std::pair<int32_t, int32_t> chosen =
                    bestMove(candidates, candidates.front(), bestCost);
                gain -= bestCost;
                move(chosen.first, chosen.second);
                chain.push_back(chosen);
            }
            if (violated_.empty() && gain > COST_IMPROVEMENT) continue;
            undo();
        }
    }

    const std::vector<double>& x() const { return x_; }

    double cost() const { return p_.objective.cellsTotal(p_.base, x_); }

  private:
    // The move that lowers the rows' violation most, the cheaper one among equals
    // (`fallback` when none is finite); its cost change in `bestCost`.
    std::pair<int32_t, int32_t> bestMove(const std::vector<std::pair<int32_t, int32_t>>& candidates,
                                         std::pair<int32_t, int32_t> fallback,
                                         double& bestCost) const {
        std::pair<int32_t, int32_t> chosen = fallback;
        double bestChange = INFINITY;
        bestCost = INFINITY;
        for (auto [j, step] : candidates) {
            double change = violationChange(j, step);
            double cost = costChange(j, step);
            if (change < bestChange || (change == bestChange && cost < bestCost)) {
                bestChange = change;
                bestCost = cost;
                chosen = {j, step};
            }
        }
        return chosen;
    }

    double violation(int32_t i, double v) const {
        double below = p_.hardLower[i] - tolerance_[i] - v;
        double above = v - p_.hardUpper[i] - tolerance_[i];
        return std::max({below, above, 0.0});
    }

    double violationChange(int32_t j, int32_t step) const {
        double change = 0.0;
        const double* values = columns_.values();
        for (int64_t k = columns_.start[j]; k < columns_.start[j + 1]; ++k) {
            int32_t i = columns_.row[k];
            change +=
                violation(i, value_[i] + entryValue(values, k) * step) - violation(i, value_[i]);
        }
        return change;
    }

    double costChange(int32_t j, int32_t step) const { return p_.cellCost(j).change(x_[j], step); }

    void move(int32_t j, int32_t step) {
        x_[j] += step;
        const double* values = columns_.values();
        for (int64_t k = columns_.start[j]; k < columns_.start[j + 1]; ++k) {
            int32_t i = columns_.row[k];
            value_[i] += entryValue(values, k) * step;
            updateViolated(i);
        }
    }

    void updateViolated(int32_t i) { violated_.set(i, violation(i, value_[i]) > 0.0); }

    const AdjustmentProblem& p_;
    std::vector<double> x_;
    const std::vector<double>& lower_;
    const std::vector<double>& upper_;
    SparseColumns columns_;  // the rows of each cell
    std::vector<double> value_;
    std::vector<double> tolerance_;
    RowSet violated_;  // the rows the table misses
    std::vector<int64_t> lastMove_;
    std::vector<int32_t> lastStep_;
    std::mt19937_64 random_;
};

}  // namespace

bool meetsHardRows(const AdjustmentProblem& problem, const std::vector<double>& x) {
    return meetsHardRowsAndBounds(problem, x);
}

namespace {

// Whether the arguments describe a table of the problem's cells: one finite value to round per
// cell, and whole-number ranges that are not empty.
bool fitsProblem(const AdjustmentProblem& problem, const std::vector<double>& center,
                 const std::vector<double>& lowerWhole, const std::vector<double>& upperWhole) {
    const std::size_t cells = problem.base.size();
    if (center.size() != cells || lowerWhole.size() != cells || upperWhole.size() != cells) {
        return false;
    }
    for (std::size_t j = 0; j < cells; ++j) {
        if (!std::isfinite(center[j]) || !(lowerWhole[j] <= upperWhole[j])) return false;
    }
    return true;
}

RoundingResult roundAndRepairGuarded(const AdjustmentProblem& problem,
                                     const std::vector<double>& center,
                                     const std::vector<double>& lowerWhole,
                                     const std::vector<double>& upperWhole,
                                     const Deadline& deadline, const Shown& shown) {
    RoundingResult result;
    // Not a pass over the cells after the deadline.
    if (deadline.passed() || !fitsProblem(problem, center, lowerWhole, upperWhole)) return result;
    std::vector<double> x(center.size());
    for (size_t j = 0; j < x.size(); ++j) {
        x[j] = std::clamp(std::nearbyint(center[j]), lowerWhole[j], upperWhole[j]);
    }
    // Greedy walks find cheaper tables, noisier ones get out of more dead ends: a few of
    // each, the cheapest table kept. Each is cheap next to the programme that follows.
    const std::pair<int, int64_t> settings[] = {{0, 3}, {5, 3}, {5, 8}, {15, 3}, {15, 8}};
    // At most a fifth of the time left: a search that finds nothing leaves the rest to the
    // programme.
    Deadline budget(deadline.limited() ? 0.2 * std::max(deadline.remaining(), 0.0) : INFINITY);
    double best = INFINITY;
    uint64_t seed = 20261207;
    // The walks track row values incrementally in doubles; a table counts only when it also
    // meets the rows by the one rule of exact_rows.h.
    for (auto [noise, tabu] : settings) {
        if (budget.passed()) break;
        Repair repair(problem, x, lowerWhole, upperWhole);
        if (!repair.run(budget, shown, noise, tabu, seed++) || !(repair.cost() < best) ||
            !meetsHardRowsAndBounds(problem, repair.x())) {
            continue;
        }
        best = repair.cost();
        result.status = modelStatus(ModelStatus::FEASIBLE);
        result.x = repair.x();
    }
    if (result.status.is(ModelStatus::FEASIBLE)) {
        Repair better(problem, result.x, lowerWhole, upperWhole);
        better.improve(center, budget, shown);
        // Else the walk's table, which met them.
        if (meetsHardRowsAndBounds(problem, better.x())) result.x = better.x();
    }
    return result;
}

}  // namespace

RoundingResult roundAndRepair(const AdjustmentProblem& problem, const std::vector<double>& center,
                              const std::vector<double>& lowerWhole,
                              const std::vector<double>& upperWhole, const Deadline& deadline,
                              Progress* progress, double bound) {
    try {
        return roundAndRepairGuarded(problem, center, lowerWhole, upperWhole, deadline,
                                     Shown{progress, bound});
    } catch (const std::bad_alloc&) {
        RoundingResult result;
        result.status = callStatus(CallStatus::NO_MEMORY);
        return result;
    }
}
