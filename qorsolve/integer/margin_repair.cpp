#include "qorsolve/integer/margin_repair.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>

#include "qorsolve/core/settings.h"
#include "qorsolve/problem/row_set.h"

namespace {

// A row with more cells than this has that many of its cells tried as the first cell of a
// move, chosen at random: a margin of one class holds a whole slice of the table.
constexpr int64_t FIRST_CELLS = 64;
// The cost search: starts per cell of the table, and boxes tried at each start (of the
// choices of the other indices, at random). More of either lowers the cost a little further
// and costs time in proportion (docs/solver-notes.md).
constexpr int64_t STARTS_PER_CELL = 100;
constexpr int BOX_TRIALS = 128;
// Threshold accepting over box moves on the best table (lowerTableCost): attempts per cell,
// boxes tried at each, and the first threshold as a share of the median cell's cost of a unit
// step from its base. Accepting slightly dearer boxes for a while leaves the local optimum
// that pure descent stops at; these values lowered the gap of every bench table for about a
// tenth more time (docs/solver-notes.md).
constexpr int64_t ACCEPTING_ATTEMPTS_PER_CELL = 600;
constexpr int ACCEPTING_TRIALS = 32;
constexpr double ACCEPTING_THRESHOLD = 0.25;
// Each cost search ends after so many boxes tried, whatever the table's size (and each repair
// after its evaluations, margin_repair.h): the boxes per cell alone grow with the table, and
// a search of a table of millions of cells would hold the run for many minutes. The ceiling
// lies well above what the bench's tables of 10^4 cells try, so their tables do not depend on
// it.
constexpr int64_t MAX_BOX_TRIALS = 200'000'000;
// Weighted violations this close, relative to their size, are equal: a unit move changes a
// row's violation by 1 less the row's tolerance, so equal changes of different rows differ
// in the last digits, and an exact comparison would never let the cost decide between them.
constexpr double SCORE_TIE = 1e-9;

struct Move {
    int32_t cell;
    int32_t step;  // +1 or -1
};

// The cells next to a cell: those that differ from it in one class.
class Grid {
  public:
    explicit Grid(const AdjustmentProblem& p) : cellNumber_(p.cellNumber) {
        const size_t k = p.classSizes.size();
        if (k == 0 || p.cellNumber.size() != p.base.size()) return;
        // Only a grid that holds every cell number, ascending, is used.
        int64_t total = 1;
        for (int32_t size : p.classSizes) {
            if (size < 1 || total > INT32_MAX / size) return;
            total *= size;
        }
        for (size_t j = 0; j < p.cellNumber.size(); ++j) {
            if (p.cellNumber[j] < 0 || p.cellNumber[j] >= total ||
                (j > 0 && p.cellNumber[j] <= p.cellNumber[j - 1])) {
                return;
            }
        }
        sizes_.assign(p.classSizes.begin(), p.classSizes.end());
        stride_ = classStrides(p.classSizes);
        dense_ = total == static_cast<int64_t>(p.base.size());
        total_ = total;
    }

    bool known() const { return !sizes_.empty(); }

    // Appends the adjustable cells next to `cell`, class by class.
    void neighbours(int32_t cell, std::vector<int32_t>& out) const {
        const int64_t number = cellNumber_[cell];
        for (size_t c = 0; c < sizes_.size(); ++c) {
            const int64_t at = (number / stride_[c]) % sizes_[c];
            for (int64_t i = 0; i < sizes_[c]; ++i) {
                if (i == at) continue;
                const int32_t other = columnOf(number + (i - at) * stride_[c]);
                if (other >= 0) out.push_back(other);
            }
        }
    }

    // The cell at `cell` with class c moved to index i: -1 when not adjustable.
    int32_t shifted(int32_t cell, size_t c, int64_t i) const {
        return columnOf(cellNumber_[cell] + (i - index(cell, c)) * stride_[c]);
    }
    int64_t index(int32_t cell, size_t c) const {
        return (cellNumber_[cell] / stride_[c]) % sizes_[c];
    }
    size_t classCount() const { return sizes_.size(); }
    int64_t number(int32_t cell) const { return cellNumber_[cell]; }
    int64_t stride(size_t c) const { return stride_[c]; }
    int64_t size(size_t c) const { return sizes_[c]; }

    // The adjustable cell of a cell number: -1 when there is none.
    int32_t columnOf(int64_t number) const {
        if (number < 0 || number >= total_) return -1;
        if (dense_) return static_cast<int32_t>(number);
        auto it = std::lower_bound(cellNumber_.begin(), cellNumber_.end(), number);
        if (it == cellNumber_.end() || *it != number) return -1;
        return static_cast<int32_t>(it - cellNumber_.begin());
    }

  private:
    const std::vector<int32_t>& cellNumber_;
    std::vector<int64_t> sizes_;
    std::vector<int64_t> stride_;
    bool dense_ = false;
    int64_t total_ = 0;
};

class MarginSearch {
  public:
    MarginSearch(const AdjustmentProblem& p, std::vector<double> x,
                 const std::vector<double>& lower, const std::vector<double>& upper)
        : p_(p),
          grid_(p),
          x_(std::move(x)),
          lower_(lower),
          upper_(upper),
          columns_(byColumns(p.hard, static_cast<int32_t>(x_.size()), !allValuesOne(p.hard))),
          random_(20261207) {
        const SparseRows& a = p_.hard;
        const int32_t rows = a.rowCount();
        value_.assign(rows, 0.0);
        tolerance_.resize(rows);
        weight_.assign(rows, 1.0);
        violated_ = RowSet(rows);
        delta_.assign(rows, 0.0);
        touched_.assign(rows, 0);
        for (int32_t i = 0; i < rows; ++i) {
            value_[i] = rowSum(a, i, x_);
            double scale = 1.0;
            if (std::isfinite(p_.hardLower[i])) scale = std::max(scale, std::fabs(p_.hardLower[i]));
            if (std::isfinite(p_.hardUpper[i])) scale = std::max(scale, std::fabs(p_.hardUpper[i]));
            tolerance_[i] = ROW_TOLERANCE * scale;
            updateViolated(i);
        }
    }

    // Moves until every row holds (true) or the steps run out.
    bool mend(int64_t steps, int64_t maxEvaluations, const Deadline& deadline, Progress* progress,
              double bound) {
        const SparseRows& a = p_.hard;
        std::vector<int32_t> near;
        for (int64_t step = 0; !violated_.empty(); ++step) {
            if (step >= steps || evaluations_ >= maxEvaluations) return false;
            // A step weighs up to FIRST_CELLS cells and each of their neighbours, a cost that
            // grows with the table, so the clock is looked at each time.
            if (deadline.passed()) return false;
            if ((step & 63) == 0 && progress) progress->update("repair", NAN, bound);
            const int32_t row = violated_[random_() % violated_.size()];
            const int direction = value_[row] < p_.hardLower[row] ? 1 : -1;
            const int64_t begin = a.start[row];
            const int64_t length = a.start[row + 1] - begin;
            const int64_t tries = std::min(length, FIRST_CELLS);
            Move best[2] = {};
            int bestSize = 0;
            double bestScore = 0.0, bestCost = 0.0;
            auto consider = [&](const Move* moves, int size) {
                double cost = 0.0;
                const double score = evaluate(moves, size, cost);
                // Scores that differ only by rounding are a tie, which the cost decides.
                const double tie = SCORE_TIE * std::max(1.0, std::fabs(score));
                if (bestSize == 0 || score < bestScore - tie ||
                    (score <= bestScore + tie && cost < bestCost)) {
                    std::copy(moves, moves + size, best);
                    bestSize = size;
                    bestScore = score;
                    bestCost = cost;
                }
            };
            for (int64_t t = 0; t < tries; ++t) {
                const int64_t k = begin + (tries == length ? t : int64_t(random_() % length));
                const int32_t first = a.column[k];
                const int32_t step1 = a.value[k] * direction > 0 ? 1 : -1;
                if (!inRange(first, step1)) continue;
                Move moves[2] = {{first, step1}, {0, -step1}};
                consider(moves, 1);
                if (!grid_.known()) continue;
                near.clear();
                grid_.neighbours(first, near);
                for (int32_t second : near) {
                    if (!inRange(second, -step1)) continue;
                    moves[1].cell = second;
                    consider(moves, 2);
                }
            }
            if (bestSize > 0 && bestScore < 0.0) {
                for (int m = 0; m < bestSize; ++m) move(best[m]);
                ++moves_;
            } else {
                weight_[row] += 1.0;  // a dead end for this row: the breakout
            }
        }
        return true;
    }

    // With every row met: unit moves on the corners of rectangles and boxes over two or three
    // classes, kept when every row still holds and the cost falls. `attempts` in all, each the
    // best of `trials` boxes from one cell. With a `threshold`, a box is also made when it
    // raises the cost by less than the threshold, which falls linearly to 0 over the attempts
    // (threshold accepting: the search leaves a local optimum early and descends at the end),
    // and the cheapest table met comes back.
    void improve(const std::vector<double>& center, int64_t attempts, const Deadline& deadline,
                 double threshold = 0.0, int trials = BOX_TRIALS) {
        const size_t k = grid_.classCount();
        // A box's cost is that of its cells: where weak rows add to the cost, it is not the
        // table's, and boxes would lead away from the weak rows' targets.
        if (k < 2 || !violated_.empty() || p_.weak.rowCount() > 0) return;
        const int32_t cells = static_cast<int32_t>(x_.size());
        std::vector<Move> corners;
        double total = 0.0, bestTotal = 0.0;  // the cost's change since the start, and its least
        std::vector<double> bestX;
        if (threshold > 0.0) bestX = x_;
        for (int64_t attempt = 0; attempt < attempts; ++attempt) {
            // An attempt tries up to `trials` boxes of up to 8 corners, scattered over the
            // table: sixteen of them are a short stretch between two looks at the clock.
            if ((attempt & 15) == 0 && deadline.passed()) break;
            if (boxTrials_ >= MAX_BOX_TRIALS) break;
            const int32_t first = static_cast<int32_t>(random_() % cells);
            const double away = x_[first] - center[first];
            if (std::fabs(away) < 0.5) continue;
            // Two or three different classes, and the cheapest choice of the other index in
            // each: the corners' cost falls or nothing moves.
            const size_t dims = k >= 3 && (attempt & 1) ? 3 : 2;
            size_t classes[3];
            int64_t own[3], to[3], bestTo[3];
            bool usable = true;
            for (size_t d = 0; d < dims; ++d) {
                size_t c;
                do {
                    c = random_() % k;
                } while (std::find(classes, classes + d, c) != classes + d);
                classes[d] = c;
                own[d] = grid_.index(first, c);
                if (grid_.size(c) < 2) usable = false;
            }
            if (!usable) continue;
            const int step = away > 0 ? -1 : 1;
            double bestCost = threshold > 0.0
                                  ? threshold * double(attempts - attempt) / double(attempts)
                                  : -COST_IMPROVEMENT;
            bool found = false;
            boxTrials_ += trials;
            for (int trial = 0; trial < trials; ++trial) {
                for (size_t d = 0; d < dims; ++d) {
                    to[d] = static_cast<int64_t>(random_() % (grid_.size(classes[d]) - 1));
                    if (to[d] >= own[d]) ++to[d];
                }
                double cost = 0.0;
                bool inside = true;
                for (uint32_t mask = 0; mask < (1u << dims) && inside; ++mask) {
                    int64_t number = grid_.number(first);
                    for (size_t d = 0; d < dims; ++d) {
                        if (mask & (1u << d)) number += (to[d] - own[d]) * grid_.stride(classes[d]);
                    }
                    const int32_t cell = grid_.columnOf(number);
                    const int sign = __builtin_popcount(mask) & 1 ? -step : step;
                    inside = cell >= 0 && inRange(cell, sign);
                    if (inside) cost += costChange(cell, sign);
                }
                if (inside && cost < bestCost) {
                    bestCost = cost;
                    std::copy(to, to + dims, bestTo);
                    found = true;
                }
            }
            if (!found) continue;
            corners.clear();
            for (uint32_t mask = 0; mask < (1u << dims); ++mask) {
                int64_t number = grid_.number(first);
                for (size_t d = 0; d < dims; ++d) {
                    if (mask & (1u << d)) number += (bestTo[d] - own[d]) * grid_.stride(classes[d]);
                }
                corners.push_back(
                    {grid_.columnOf(number), __builtin_popcount(mask) & 1 ? -step : step});
            }
            double cost = 0.0;
            if (evaluate(corners.data(), static_cast<int>(corners.size()), cost) != 0.0) continue;
            for (const Move& m : corners) move(m);
            ++moves_;
            total += bestCost;
            if (threshold > 0.0 && total < bestTotal - COST_IMPROVEMENT) {
                bestTotal = total;
                bestX = x_;
            }
        }
        if (threshold > 0.0 && total > bestTotal) {  // back to the cheapest table
            for (size_t j = 0; j < x_.size(); ++j) {
                const int32_t diff = static_cast<int32_t>(bestX[j] - x_[j]);
                for (int32_t u = 0; u < std::abs(diff); ++u) move({int32_t(j), diff > 0 ? 1 : -1});
            }
        }
    }

    const std::vector<double>& x() const { return x_; }
    int64_t moves() const { return moves_; }

  private:
    double costChange(int32_t j, int32_t step) const { return p_.cellCost(j).change(x_[j], step); }

    bool inRange(int32_t j, int32_t step) const {
        const double to = x_[j] + step;
        return to >= lower_[j] && to <= upper_[j];
    }

    double violation(int32_t i, double v) const {
        const double below = p_.hardLower[i] - tolerance_[i] - v;
        const double above = v - p_.hardUpper[i] - tolerance_[i];
        return std::max({below, above, 0.0});
    }

    // The change of the weighted violation if `moves` were made; their cost change in `cost`.
    double evaluate(const Move* moves, int size, double& cost) {
        ++evaluations_;
        changed_.clear();
        cost = 0.0;
        for (int m = 0; m < size; ++m) {
            const int32_t j = moves[m].cell;
            cost += costChange(j, moves[m].step);
            const double* values = columns_.values();
            for (int64_t k = columns_.start[j]; k < columns_.start[j + 1]; ++k) {
                const int32_t i = columns_.row[k];
                if (!touched_[i]) {
                    touched_[i] = 1;
                    changed_.push_back(i);
                }
                delta_[i] += entryValue(values, k) * moves[m].step;
            }
        }
        double score = 0.0;
        for (int32_t i : changed_) {
            score += weight_[i] * (violation(i, value_[i] + delta_[i]) - violation(i, value_[i]));
            delta_[i] = 0.0;
            touched_[i] = 0;
        }
        return score;
    }

    void move(const Move& m) {
        x_[m.cell] += m.step;
        const double* values = columns_.values();
        for (int64_t k = columns_.start[m.cell]; k < columns_.start[m.cell + 1]; ++k) {
            const int32_t i = columns_.row[k];
            value_[i] += entryValue(values, k) * m.step;
            updateViolated(i);
        }
    }

    void updateViolated(int32_t i) { violated_.set(i, violation(i, value_[i]) > 0.0); }

    const AdjustmentProblem& p_;
    Grid grid_;
    std::vector<double> x_;
    const std::vector<double>& lower_;
    const std::vector<double>& upper_;
    SparseColumns columns_;  // the rows of each cell
    std::vector<double> value_;
    std::vector<double> tolerance_;
    std::vector<double> weight_;
    RowSet violated_;               // the rows the table misses
    std::vector<double> delta_;     // scratch of evaluate, 0 between calls
    std::vector<char> touched_;     // the same
    std::vector<int32_t> changed_;  // the same
    std::mt19937_64 random_;
    int64_t moves_ = 0;
    int64_t evaluations_ = 0;  // moves evaluated: the repair's limit
    int64_t boxTrials_ = 0;    // boxes tried: the cost searches' limit
};

}  // namespace

MarginRepairResult repairMargins(const AdjustmentProblem& problem, const std::vector<double>& start,
                                 const std::vector<double>& center,
                                 const std::vector<double>& lowerWhole,
                                 const std::vector<double>& upperWhole, const Deadline& deadline,
                                 Progress* progress, double bound, int64_t maxEvaluations) {
    MarginRepairResult result;
    // The search's set-up reads every row (a tenth of a second on 10^6 cells): not after the
    // deadline.
    if (deadline.passed()) return result;
    MarginSearch search(problem, start, lowerWhole, upperWhole);
    const int64_t cells = static_cast<int64_t>(center.size());
    maxEvaluations = std::min(maxEvaluations, EVALUATIONS_PER_CELL * cells + EVALUATIONS_PER_TABLE);
    if (!search.mend(50 * cells + 100000, maxEvaluations, deadline, progress, bound)) {
        return result;
    }
    search.improve(center, STARTS_PER_CELL * cells, deadline);
    result.found = true;
    result.x = search.x();
    result.moves = search.moves();
    return result;
}

std::vector<double> lowerTableCost(const AdjustmentProblem& problem,
                                   const std::vector<double>& table,
                                   const std::vector<double>& center,
                                   const std::vector<double>& lowerWhole,
                                   const std::vector<double>& upperWhole,
                                   const Deadline& deadline) {
    const size_t cells = center.size();
    if (cells == 0 || table.size() != cells || problem.base.size() != cells) return table;
    // The threshold in proportion to a typical cell's cost of a unit step from its base.
    std::vector<double> unit(cells);
    for (size_t j = 0; j < cells; ++j) unit[j] = problem.cellCost(j).unitStepFromBase();
    std::nth_element(unit.begin(), unit.begin() + cells / 2, unit.end());
    MarginSearch search(problem, table, lowerWhole, upperWhole);
    search.improve(center, ACCEPTING_ATTEMPTS_PER_CELL * static_cast<int64_t>(cells), deadline,
                   ACCEPTING_THRESHOLD * unit[cells / 2], ACCEPTING_TRIALS);
    return search.x();
}
