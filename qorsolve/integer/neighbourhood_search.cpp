#include "qorsolve/integer/neighbourhood_search.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <tuple>

#include "qorsolve/core/settings.h"
#include "qorsolve/integer/rounding_repair.h"
#include "qorsolve/problem/exact_rows.h"

namespace {

// The shape of the blocks, by the table's number of classes.
struct BlockShape {
    int freeClasses;    // the classes that vary in a block, the others held
    int32_t width;      // at most this many values of a free class in a block
    int64_t blockWork;  // the work one block may spend: the rest goes to the other blocks
    bool shuffled;      // the values' order shuffled per pass, not ranges shifted every second
};
// Four classes: blocks over all four of up to 4 values each (4^4 cells). A table repaired by
// box moves is already the best of each block over three classes: the move patterns left
// span four classes. Larger blocks cost more than the whole share and found less
// (docs/solver-notes.md).
constexpr BlockShape FOUR_CLASSES = {4, 4, 10000, false};
// Five or more: blocks over five classes of up to 3 values each (3^5 cells), which hold move
// patterns over all five. Most blocks improve nothing, and those that do mostly early: each
// ends after 1,500 units, so that more blocks fit in the share. The values' order is
// shuffled per pass, so that any two values of a class share a block in some pass.
constexpr BlockShape FIVE_CLASSES = {5, 3, 1500, true};
// What loading and setting up a block's programme counts, beside its iterations and nodes:
// about the time the programme of the whole table takes for so many units (4-class 10^4
// and 5-class 6^5 tables), so that the blocks' share of the work takes as long as the rest.
constexpr int64_t BLOCK_SETUP_WORK = 100;
// Passes over all blocks: with ranges, every second pass shifts them by half a block; with
// shuffled values, the search ends after two passes in a row that improved nothing.
constexpr int MAX_PASSES = 4;
constexpr int MAX_SHUFFLED_PASSES = 64;

// The programme of one block and the table of its point.
class BlockModel {
  public:
    BlockModel(const AdjustmentProblem& p, const std::vector<double>& lower,
               const std::vector<double>& upper)
        : p_(p),
          lower_(lower),
          upper_(upper),
          rowsOf_(byColumns(p.hard, p.cellCount(), false)),
          rowMark_(size_t(p.hard.rowCount()), -1),
          inBlock_(size_t(p.cellCount()), -1) {}

    // Per cell of the block a 0/1 column up and one down (where its range allows), costing
    // the change of the cell's cost; per hard row through the block its range less the value
    // of table x. False when no cell can move.
    bool build(const std::vector<int32_t>& cells, const std::vector<double>& x, LinearModel& m) {
        m = LinearModel{};
        // Without cut generators: with them each block took about a third longer and found
        // the same tables.
        m.cuts = false;
        up_.assign(cells.size(), -1);
        down_.assign(cells.size(), -1);
        for (size_t c = 0; c < cells.size(); ++c) {
            size_t j = size_t(cells[c]);
            const double v = x[j];
            const CellCost cell = p_.cellCost(j);
            if (v + 1 <= upper_[j]) {
                up_[c] = int32_t(m.cost.size());
                addColumn(m, cell.upChord(v));
            }
            if (v - 1 >= lower_[j]) {
                down_[c] = int32_t(m.cost.size());
                addColumn(m, cell.downChord(v));
            }
        }
        if (m.cost.empty()) return false;
        for (size_t c = 0; c < cells.size(); ++c) inBlock_[size_t(cells[c])] = int32_t(c);
        ++stamp_;
        rows_.clear();
        for (int32_t j : cells) {
            for (int64_t k = rowsOf_.start[size_t(j)]; k < rowsOf_.start[size_t(j) + 1]; ++k) {
                int32_t i = rowsOf_.row[size_t(k)];
                if (rowMark_[size_t(i)] == stamp_) continue;
                rowMark_[size_t(i)] = stamp_;
                rows_.push_back(i);
                addRow(m, i, x);
            }
        }
        for (int32_t j : cells) inBlock_[size_t(j)] = -1;
        return true;
    }

    std::vector<double> tableOf(const std::vector<int32_t>& cells, const std::vector<double>& x,
                                const std::vector<double>& point) const {
        std::vector<double> y = x;
        for (size_t c = 0; c < cells.size(); ++c) {
            double& v = y[size_t(cells[c])];
            if (up_[c] >= 0) v += std::nearbyint(point[size_t(up_[c])]);
            if (down_[c] >= 0) v -= std::nearbyint(point[size_t(down_[c])]);
        }
        return y;
    }

    // Whether y, which differs from the table of the last build only in the block's cells,
    // meets every cell bound and hard row where that table does, by the rule of exact_rows.h:
    // only the block's cells and the rows through them are checked.
    bool stillMeets(const std::vector<int32_t>& cells, const std::vector<double>& y) const {
        for (int32_t j : cells) {
            const double v = y[size_t(j)];
            if (!std::isfinite(v) || !(v >= p_.lower[size_t(j)]) || !(v <= p_.upper[size_t(j)]))
                return false;
        }
        for (int32_t i : rows_) {
            if (!rowValue(p_.hard, i, y).holds(p_.hardLower[size_t(i)], p_.hardUpper[size_t(i)]))
                return false;
        }
        return true;
    }

  private:
    static void addColumn(LinearModel& m, double cost) {
        m.columnLower.push_back(0.0);
        m.columnUpper.push_back(1.0);
        m.cost.push_back(cost);
        m.isInteger.push_back(1);
    }

    void addRow(LinearModel& m, int32_t i, const std::vector<double>& x) {
        double held = 0.0;
        for (int64_t k = p_.hard.start[i]; k < p_.hard.start[i + 1]; ++k) {
            size_t j = size_t(p_.hard.column[k]);
            double a = p_.hard.value[k];
            held += a * x[j];
            int32_t c = inBlock_[j];
            if (c < 0) continue;
            for (auto [column, sign] : {std::pair{up_[size_t(c)], 1.0}, {down_[size_t(c)], -1.0}}) {
                if (column < 0) continue;
                m.rows.column.push_back(column);
                m.rows.value.push_back(sign * a);
            }
        }
        m.rows.start.push_back(int64_t(m.rows.column.size()));
        double lower = p_.hardLower[size_t(i)], upper = p_.hardUpper[size_t(i)];
        if (hasWholeCoefficients(p_.hard, i)) std::tie(lower, upper) = wholeRange(lower, upper);
        m.rowLower.push_back(std::isfinite(lower) ? lower - held : lower);
        m.rowUpper.push_back(std::isfinite(upper) ? upper - held : upper);
    }

    const AdjustmentProblem& p_;
    const std::vector<double>& lower_;
    const std::vector<double>& upper_;
    SparseColumns rowsOf_;  // the hard rows through each cell
    std::vector<int32_t> rowMark_;
    int32_t stamp_ = 0;
    std::vector<int32_t> inBlock_;  // per cell: its index in the block, or -1
    std::vector<int32_t> up_, down_;
    std::vector<int32_t> rows_;  // the hard rows through the block
};

// The ranges [first, last) of a class of `size` values: blocks of `width` from `shift`
// on, the values before it one block of their own.
std::vector<std::vector<int32_t>> ranges(int32_t size, int32_t width, int32_t shift) {
    std::vector<std::vector<int32_t>> r;
    if (size <= width) shift = 0;
    auto add = [&r](int32_t from, int32_t to) {
        r.emplace_back();
        for (int32_t v = from; v < to; ++v) r.back().push_back(v);
    };
    if (shift > 0) add(0, shift);
    for (int32_t from = shift; from < size; from += width) add(from, std::min(size, from + width));
    return r;
}

// The values of a class of `size` in groups of `width`, in an order shuffled by `pass` (the
// first pass in order), each group ascending.
std::vector<std::vector<int32_t>> shuffledGroups(int32_t size, int32_t width, int pass,
                                                 size_t classIndex) {
    std::vector<int32_t> order(static_cast<size_t>(size));
    for (int32_t v = 0; v < size; ++v) order[size_t(v)] = v;
    if (pass > 0) {
        // Fisher-Yates by hand: std::shuffle's sequence differs between libraries.
        std::mt19937_64 random(uint64_t(pass) * 1000003u + classIndex);
        for (int32_t i = size - 1; i > 0; --i) {
            std::swap(order[size_t(i)], order[size_t(random() % uint64_t(i + 1))]);
        }
    }
    std::vector<std::vector<int32_t>> r;
    for (int32_t from = 0; from < size; from += width) {
        r.emplace_back(order.begin() + from, order.begin() + std::min(size, from + width));
        std::sort(r.back().begin(), r.back().end());
    }
    return r;
}

// Calls visit(cells) for every block of one pass, in a fixed order, the cells ascending;
// stops when it returns false.
template <class Visit>
void forEachBlock(const AdjustmentProblem& p, const std::vector<int32_t>& cellAt,
                  const BlockShape& shape, int pass, Visit visit) {
    const size_t k = p.classSizes.size();
    const std::vector<int64_t> stride = classStrides(p.classSizes);
    // Steps a mixed-radix counter (the last digit fastest); false after its last value.
    auto step = [k](std::vector<size_t>& digit, auto end) {
        for (size_t d = k; d-- > 0;) {
            if (++digit[d] < end(d)) return true;
            digit[d] = 0;
        }
        return false;
    };
    const int32_t shift = pass % 2 == 1 ? shape.width / 2 : 0;
    std::vector<int32_t> cells;
    for (uint32_t freeSet = 0; freeSet < (1u << k); ++freeSet) {
        if (std::popcount(freeSet) != shape.freeClasses) continue;
        // Per class the groups of values its blocks take: one value each when held.
        std::vector<std::vector<std::vector<int32_t>>> groups(k);
        for (size_t d = 0; d < k; ++d) {
            const int32_t size = p.classSizes[d];
            if (!(freeSet >> d & 1u)) {
                for (int32_t v = 0; v < size; ++v) groups[d].push_back({v});
            } else if (shape.shuffled) {
                groups[d] = shuffledGroups(size, shape.width, pass, d);
            } else {
                groups[d] = ranges(size, shape.width, shift);
            }
        }
        std::vector<size_t> pick(k, 0), at(k, 0);
        do {
            cells.clear();
            std::fill(at.begin(), at.end(), 0);
            do {
                int64_t n = 0;
                for (size_t d = 0; d < k; ++d) n += groups[d][pick[d]][at[d]] * stride[d];
                if (cellAt[size_t(n)] >= 0) cells.push_back(cellAt[size_t(n)]);
            } while (step(at, [&](size_t d) { return groups[d][pick[d]].size(); }));
            if (shape.shuffled) std::sort(cells.begin(), cells.end());
            if (!cells.empty() && !visit(cells)) return;
        } while (step(pick, [&](size_t d) { return groups[d].size(); }));
    }
}

// Whether x meets every cell bound and hard row, as meetsHardRowsAndBounds says, looking at
// the deadline between rows (the exact sums over 10^6 cells take a few tenths of a second);
// false also when the deadline passed first.
bool meetsAll(const AdjustmentProblem& p, const std::vector<double>& x, const Deadline& deadline) {
    if (x.size() != p.base.size()) return false;
    for (size_t j = 0; j < x.size(); ++j) {
        if (!std::isfinite(x[j]) || !(x[j] >= p.lower[j]) || !(x[j] <= p.upper[j])) return false;
    }
    DeadlineLooks looks(deadline);
    for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
        if (looks.passed(p.hard.start[size_t(i) + 1] - p.hard.start[size_t(i)] + 1)) return false;
        if (!rowValue(p.hard, i, x).holds(p.hardLower[size_t(i)], p.hardUpper[size_t(i)]))
            return false;
    }
    return true;
}

}  // namespace

NeighbourhoodResult searchNeighbourhoods(
    const AdjustmentProblem& p, const std::vector<double>& start, const std::vector<double>& lower,
    const std::vector<double>& upper, LinearSolver& solver, WorkLimit* work, int64_t workUntil,
    const Deadline& deadline, Progress* progress, double bound) {
    NeighbourhoodResult r;
    r.x = start;
    r.objective = adjustmentObjective(p, start);
    const size_t k = p.classSizes.size();
    if (k < size_t(FOUR_CLASSES.freeClasses) || k >= 32 || p.weak.rowCount() > 0 ||
        p.cellNumber.size() != start.size()) {
        return r;
    }
    const std::vector<int32_t> cellAt = cellsByNumber(p, LARGEST_SEARCHED_GRID);
    if (cellAt.empty()) return r;
    BlockModel model(p, lower, upper);
    LinearModel m;
    bool stop = false;
    // From a start that meets every row, a block's table is checked on the block's rows alone
    // (the whole table's check took a few tenths of a second on 10^6 cells, after every
    // block that lowered the cost); from any other, on every row.
    const bool startMeets = meetsAll(p, start, deadline);
    auto spent = [&]() {
        return deadline.passed() || (work && (work->exhausted() || work->spent() >= workUntil));
    };
    // The passes of one shape of blocks, until they end or the share is spent.
    auto passes = [&](const BlockShape& shape) {
        int idle = 0;  // passes in a row that improved nothing
        for (int pass = 0; pass < (shape.shuffled ? MAX_SHUFFLED_PASSES : MAX_PASSES) && !stop;
             ++pass) {
            int32_t before = r.improvements;
            forEachBlock(p, cellAt, shape, pass, [&](const std::vector<int32_t>& cells) {
                if (spent()) {
                    stop = true;
                    return false;
                }
                if (!model.build(cells, r.x, m)) return true;
                if (!solver.load(m)) {
                    stop = true;
                    return false;
                }
                ++r.blocks;
                WorkLimit blockWork(work ? std::min(shape.blockWork, workUntil - work->spent())
                                         : shape.blockWork);
                solver.setWorkLimit(&blockWork);
                // The table as it is, no move at all, costs 0: only better points are
                // searched for.
                LinearResult mip =
                    solver.solveInteger(deadline, 0.0, std::vector<double>(m.cost.size(), 0.0));
                if (work) work->spend(blockWork.spent() + BLOCK_SETUP_WORK);
                if (mip.x.size() != m.cost.size()) return true;
                std::vector<double> y = model.tableOf(cells, r.x, mip.x);
                double f = adjustmentObjective(p, y);
                if (f < r.objective - COST_IMPROVEMENT * r.objective &&
                    (startMeets ? model.stillMeets(cells, y) : meetsHardRows(p, y))) {
                    r.x = std::move(y);
                    r.objective = f;
                    ++r.improvements;
                    if (progress) progress->update("neighbourhoods", r.objective, bound);
                }
                return true;
            });
            idle = r.improvements == before ? idle + 1 : 0;
            // Where no class has more values than a block holds, every pass is the same.
            bool varies = std::any_of(p.classSizes.begin(), p.classSizes.end(),
                                      [&](int32_t s) { return s > shape.width; });
            if (shape.shuffled) {
                if (idle >= (varies ? 2 : 1)) break;
                continue;
            }
            // A pass that improved nothing ends the search, unless the next one shifts the ranges.
            if (idle > 0 && !(pass == 0 && varies)) break;
        }
    };
    // Five classes or more: the blocks over five, and when their passes improve nothing more,
    // those over four (where five classes of few values make one block that may end before
    // it finds the better table).
    if (k >= 5) passes(FIVE_CLASSES);
    if (!stop) passes(FOUR_CLASSES);
    return r;
}
