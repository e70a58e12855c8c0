#include "qorsolve/integer/slice_cycles.h"

#include <algorithm>
#include <cstdint>

#include "qorsolve/core/settings.h"
#include "qorsolve/problem/sparse_rows.h"

namespace {

// Edge relaxations of Bellman-Ford in all blocks together, whatever the table's size: a few
// seconds of work, about ten passes over the bench's tables of 10^4 cells.
constexpr int64_t MAX_RELAXATIONS = 400'000'000;
// Passes over all blocks; the search ends sooner after a pass that lowered nothing.
constexpr int MAX_PASSES = 8;

class SliceSearch {
  public:
    SliceSearch(const AdjustmentProblem& p, std::vector<double> x, const std::vector<double>& lower,
                const std::vector<double>& upper)
        : p_(p), x_(std::move(x)), lower_(lower), upper_(upper) {}

    // False when the table has no usable grid; the rows by cell only for a table that has one.
    bool setUp() {
        if (p_.classSizes.size() < 3) return false;
        cellAt_ = cellsByNumber(p_, LARGEST_SEARCHED_GRID);
        if (cellAt_.empty()) return false;
        stride_ = classStrides(p_.classSizes);
        rowsOf_ = byColumns(p_.hard, p_.cellCount(), !allValuesOne(p_.hard));
        rowDelta_.assign(size_t(p_.hard.rowCount()), 0.0);
        return true;
    }

    // Passes over every block: each pair of classes b and c, each pair of their planes.
    void run(const Deadline& deadline, Progress* progress, double bound) {
        progress_ = progress;
        bound_ = bound;
        objective_ = adjustmentObjective(p_, x_);
        const size_t k = p_.classSizes.size();
        for (int pass = 0; pass < MAX_PASSES; ++pass) {
            const int64_t before = cycles_;
            // The pairs of classes from the last: the order decides which tables the blocks
            // end at, and this one ended 3-class tables at lower costs (docs/solver-notes.md).
            for (size_t b = k - 1; b-- > 0;) {
                for (size_t c = k; c-- > b + 1;) {
                    if (!overPlanes(b, c, deadline)) return;
                }
            }
            if (cycles_ == before) return;
        }
    }

    const std::vector<double>& x() const { return x_; }

  private:
    // Every pair of planes of classes b and c. False when the work or the time is up.
    bool overPlanes(size_t b, size_t c, const Deadline& deadline) {
        const size_t k = p_.classSizes.size();
        std::vector<size_t> held;
        for (size_t d = 0; d < k; ++d) {
            if (d != b && d != c) held.push_back(d);
        }
        // Each plane's grid number at j = k = 0, in ascending order.
        std::vector<int64_t> planes;
        std::vector<int32_t> value(held.size(), 0);
        for (;;) {
            int64_t origin = 0;
            for (size_t h = 0; h < held.size(); ++h) origin += value[h] * stride_[held[h]];
            planes.push_back(origin);
            size_t h = held.size();
            while (h > 0 && ++value[h - 1] == p_.classSizes[held[h - 1]]) value[--h] = 0;
            if (h == 0) break;
        }
        for (size_t first = 0; first < planes.size(); ++first) {
            for (size_t second = first + 1; second < planes.size(); ++second) {
                if (progress_ && (++blocks_ & 255) == 0) {
                    progress_->update("cycles", objective_, bound_);
                }
                if (!block(planes[first], planes[second], b, c, deadline)) return false;
            }
        }
        return true;
    }

    struct Edge {
        int32_t from, to;
        int32_t up, down;  // the cell that gains a unit and the one that loses it
        double cost;
    };

    // Cancels negative cycles in one block until none is left: the cells `first` + j, k and
    // `second` + j, k (grid numbers, j and k the values of classes b and c). Each cycle moves
    // one unit a cell, so a table far from its cheapest may take many: false when the work or
    // the time is up.
    bool block(int64_t first, int64_t second, size_t b, size_t c, const Deadline& deadline) {
        const int32_t nb = p_.classSizes[b], nc = p_.classSizes[c];
        const int32_t nodes = nb + nc;
        for (;;) {
            if (relaxations_ >= MAX_RELAXATIONS || deadline.passed()) return false;
            edges_.clear();
            for (int32_t j = 0; j < nb; ++j) {
                for (int32_t kk = 0; kk < nc; ++kk) {
                    const int64_t offset = j * stride_[b] + kk * stride_[c];
                    const int32_t u = cellAt_[size_t(first + offset)];
                    const int32_t v = cellAt_[size_t(second + offset)];
                    if (u < 0 || v < 0) continue;
                    // From the value of b to that of c: a unit from v to u; back: from u to v.
                    if (inRange(u, 1) && inRange(v, -1))
                        edges_.push_back({j, nb + kk, u, v, costChange(u, 1) + costChange(v, -1)});
                    if (inRange(u, -1) && inRange(v, 1))
                        edges_.push_back({nb + kk, j, v, u, costChange(u, -1) + costChange(v, 1)});
                }
            }
            if (!negativeCycle(nodes, cycle_)) return true;
            double cost = 0.0;
            for (int32_t e : cycle_) cost += edges_[size_t(e)].cost;
            if (cost >= -COST_IMPROVEMENT || !keepsRows(cycle_)) return true;
            for (int32_t e : cycle_) {
                x_[size_t(edges_[size_t(e)].up)] += 1.0;
                x_[size_t(edges_[size_t(e)].down)] -= 1.0;
            }
            objective_ += cost;
            ++cycles_;
        }
    }

    // Bellman-Ford from a source joined to every node at cost 0; the edges of a negative
    // cycle in `cycle`, if there is one.
    bool negativeCycle(int32_t nodes, std::vector<int32_t>& cycle) {
        distance_.assign(size_t(nodes), 0.0);
        through_.assign(size_t(nodes), -1);
        int32_t changed = -1;
        for (int32_t round = 0; round < nodes; ++round) {
            changed = -1;
            relaxations_ += int64_t(edges_.size());
            for (size_t e = 0; e < edges_.size(); ++e) {
                const Edge& edge = edges_[e];
                const double d = distance_[size_t(edge.from)] + edge.cost;
                if (d < distance_[size_t(edge.to)] - COST_IMPROVEMENT) {
                    distance_[size_t(edge.to)] = d;
                    through_[size_t(edge.to)] = int32_t(e);
                    changed = edge.to;
                }
            }
            if (changed < 0) return false;
        }
        // A node relaxed in the last round leads back into a negative cycle.
        int32_t node = changed;
        for (int32_t step = 0; step < nodes; ++step) {
            if (through_[size_t(node)] < 0) return false;
            node = edges_[size_t(through_[size_t(node)])].from;
        }
        cycle.clear();
        int32_t at = node;
        do {
            const int32_t e = through_[size_t(at)];
            if (e < 0) return false;
            cycle.push_back(e);
            at = edges_[size_t(e)].from;
        } while (at != node && cycle.size() <= size_t(nodes));
        return at == node;
    }

    // Whether the cycle's moves leave every hard row through their cells at its value.
    bool keepsRows(const std::vector<int32_t>& cycle) {
        touched_.clear();
        const double* values = rowsOf_.values();
        auto add = [&](int32_t cell, double step) {
            for (int64_t e = rowsOf_.start[size_t(cell)]; e < rowsOf_.start[size_t(cell) + 1];
                 ++e) {
                const int32_t row = rowsOf_.row[size_t(e)];
                if (rowDelta_[size_t(row)] == 0.0) touched_.push_back(row);
                rowDelta_[size_t(row)] += entryValue(values, e) * step;
            }
        };
        for (int32_t e : cycle) {
            add(edges_[size_t(e)].up, 1.0);
            add(edges_[size_t(e)].down, -1.0);
        }
        bool kept = true;
        for (int32_t row : touched_) {
            if (rowDelta_[size_t(row)] != 0.0) kept = false;
            rowDelta_[size_t(row)] = 0.0;
        }
        return kept;
    }

    double costChange(int32_t j, int step) const {
        return p_.cellCost(j).change(x_[size_t(j)], step);
    }

    bool inRange(int32_t j, int step) const {
        const double to = x_[size_t(j)] + step;
        return to >= lower_[size_t(j)] && to <= upper_[size_t(j)];
    }

    const AdjustmentProblem& p_;
    std::vector<double> x_;
    const std::vector<double>& lower_;
    const std::vector<double>& upper_;
    SparseColumns rowsOf_;          // the hard rows through each cell
    std::vector<double> rowDelta_;  // scratch of keepsRows, 0 between calls
    std::vector<int32_t> touched_;  // the same
    std::vector<int32_t> cellAt_;   // per grid number: the adjustable cell, or -1
    std::vector<int64_t> stride_;
    std::vector<Edge> edges_;       // the block's residual graph
    std::vector<int32_t> cycle_;    // a negative cycle in it, its edges
    std::vector<double> distance_;  // scratch of negativeCycle
    std::vector<int32_t> through_;  // the same: the edge each node was last reached by
    Progress* progress_ = nullptr;
    double bound_ = 0.0;
    double objective_ = 0.0;  // the table's cost, for the progress line
    int64_t blocks_ = 0;
    int64_t relaxations_ = 0;
    int64_t cycles_ = 0;
};

}  // namespace

std::vector<double> cancelSliceCycles(const AdjustmentProblem& problem,
                                      const std::vector<double>& table,
                                      const std::vector<double>& lowerWhole,
                                      const std::vector<double>& upperWhole,
                                      const Deadline& deadline, Progress* progress, double bound) {
    if (problem.weak.rowCount() > 0 || table.size() != problem.base.size()) return table;
    SliceSearch search(problem, table, lowerWhole, upperWhole);
    if (!search.setUp()) return table;
    search.run(deadline, progress, bound);
    return search.x();
}
