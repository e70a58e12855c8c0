#include "qorsolve/integer/cell_pair_moves.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "qorsolve/core/settings.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/numeric_checks.h"
#include "qorsolve/problem/sparse_rows.h"

namespace {

// Moves weighed in all passes together, whatever the table's size: about half a second. Tables
// of a few hundred cells end far below it (one of 234 cells with weak rows: two passes of about
// 1.2 * 10^5), tables of 5,000 to 30,000 cells with weak rows over many cells reach it in
// their first pass.
constexpr int64_t MAX_EVALUATIONS = 20'000'000;
// Passes over all cells; the search ends sooner after a pass that lowered nothing.
constexpr int MAX_PASSES = 50;
// Cells of one row weighed as partners of a cell, at most. Rows of thousands of cells are
// common where a table has weak rows over whole classes; weighing every cell of such a row
// for every cell spent the evaluations on a few hundred cells. With a window of this many, a
// table of 18,792 cells whose search stopped at 30.23 ends at 22.38 instead of 28.53, in the
// same evaluations (windows of 16 and 256 cells, placed otherwise, did worse: 22.95, 24.03).
constexpr int64_t MAX_PARTNERS = 64;
// Cells of two rows a cell breaks scanned for the cells they have in common, at most: where the
// shortest row has more than MAX_PARTNERS cells, its common cells with the next are fewer, and
// a pass that weighs them all can end (the 2-class margins of the 5-class 6^5 table have 216
// cells, two of them 36 in common; passes over windows of 64 of the 216, which never found a
// move there, took a second until the evaluations ran out). Longer rows are windowed: scanning
// rows of thousands of cells for every cell spent the evaluations on a few cells (a table of
// 18,792 cells ended at 25.08 instead of 22.38).
constexpr int64_t MAX_COMMON_SCAN = 8 * MAX_PARTNERS;
// The deadline is looked at once per this many moves weighed.
constexpr int64_t DEADLINE_EVERY = 4096;

class PairSearch {
  public:
    PairSearch(const AdjustmentProblem& p, std::vector<double> x, const std::vector<double>& lower,
               const std::vector<double>& upper)
        : p_(p), x_(std::move(x)), lower_(lower), upper_(upper) {
        const int32_t cells = p.cellCount();
        hardOf_ = byColumns(p.hard, cells, !allValuesOne(p.hard));
        weakOf_ = byColumns(p.weak, cells, !allValuesOne(p.weak));
        hard_.resize(size_t(p.hard.rowCount()));
        wholeRow_.resize(hard_.size());
        for (int32_t r = 0; r < p.hard.rowCount(); ++r) {
            hard_[size_t(r)] = rowSum(p.hard, r, x_);
            wholeRow_[size_t(r)] = hasWholeCoefficients(p.hard, r);
        }
        weak_.resize(size_t(p.weak.rowCount()));
        weakCoefficient_.resize(weak_.size());
        for (int32_t w = 0; w < p.weak.rowCount(); ++w) {
            weak_[size_t(w)] = rowSum(p.weak, w, x_);
            weakCoefficient_[size_t(w)] =
                weakRowCost(p.weakWeight[size_t(w)], p.weakTarget[size_t(w)]);
        }
        hardStep_.assign(hard_.size(), 0.0);
        weakStep_.assign(weak_.size(), 0.0);
        seen_.assign(size_t(cells), 0);
    }

    void run(const Deadline& deadline) {
        for (pass_ = 0; pass_ < MAX_PASSES; ++pass_) {
            bool lowered = false;
            windowed_ = false;
            for (int32_t j = 0; j < p_.cellCount(); ++j) {
                for (double step : {-1.0, 1.0}) {
                    if (!inRange(j, step)) continue;
                    if (evaluations_ >= MAX_EVALUATIONS || deadlinePassed(deadline)) return;
                    lowered = bestMove(j, step) || lowered;
                }
            }
            if (!lowered && !windowed_) return;
        }
    }

    std::vector<double>& x() { return x_; }

  private:
    struct Move {
        int32_t partner = -1;  // -1: the cell alone
        double partnerStep = 0.0;
        double cost = -COST_IMPROVEMENT;  // a move must lower the cost by more than this
        bool found = false;
    };

    // The two shortest hard rows a move breaks (-1: fewer).
    struct Broken {
        int32_t shortest = -1;
        int32_t second = -1;
    };

    // Calls hard(r, a) for each hard row r through cell j, a the cell's coefficient there,
    // then weak(w, a) for each weak row.
    template <class Hard, class Weak>
    void forEachRow(int32_t j, Hard hard, Weak weak) const {
        const double* hv = hardOf_.values();
        for (int64_t e = hardOf_.start[size_t(j)]; e < hardOf_.start[size_t(j) + 1]; ++e)
            hard(hardOf_.row[size_t(e)], entryValue(hv, e));
        const double* wv = weakOf_.values();
        for (int64_t e = weakOf_.start[size_t(j)]; e < weakOf_.start[size_t(j) + 1]; ++e)
            weak(weakOf_.row[size_t(e)], entryValue(wv, e));
    }

    bool deadlinePassed(const Deadline& deadline) {
        if (evaluations_ < nextLook_) return false;
        nextLook_ = evaluations_ + DEADLINE_EVERY;
        return deadline.passed();
    }

    // Makes the cheapest move of cell j by `step`, alone or with a partner, if it lowers the
    // cost; true when it did.
    bool bestMove(int32_t j, double step) {
        Move best;
        Broken broken;  // the hard rows the cell alone breaks
        double cost = 0.0;
        if (weigh(j, step, -1, 0.0, cost, &broken)) consider(best, -1, 0.0, cost);
        partners(j, broken);
        for (int32_t k : partners_) {
            for (double partnerStep : {-1.0, 1.0}) {
                if (!inRange(k, partnerStep)) continue;
                if (weigh(j, step, k, partnerStep, cost, nullptr))
                    consider(best, k, partnerStep, cost);
            }
        }
        return best.found && make(j, step, best);
    }

    static void consider(Move& best, int32_t partner, double partnerStep, double cost) {
        if (cost < best.cost) best = {partner, partnerStep, cost, true};
    }

    // The cells that may move with j. Where the cell alone breaks hard rows, a partner must
    // lie in each of them: the cells of the shortest, or, where that is longer than
    // MAX_PARTNERS and the two shortest together no longer than MAX_COMMON_SCAN, the cells
    // they have in common. Else the cells of every row through it. Of more than MAX_PARTNERS cells
    // of a row, or in common, a window of that many, starting elsewhere for each cell and moving on
    // by its width in each pass, so that passes cover them all. Each cell once.
    void partners(int32_t j, const Broken& broken) {
        partners_.clear();
        // The window of cells first .. first + count of `length` (with wrap) for cell j.
        auto window = [&](int64_t length, int64_t& first, int64_t& count) {
            first = 0;
            count = length;
            if (length <= MAX_PARTNERS) return;
            first = int64_t((uint64_t(j) * 2654435761u + uint64_t(pass_) * uint64_t(MAX_PARTNERS)) %
                            uint64_t(length));
            count = MAX_PARTNERS;
            windowed_ = true;
        };
        auto add = [&](const SparseRows& rows, int32_t r) {
            const int64_t start = rows.start[size_t(r)];
            const int64_t length = rows.start[size_t(r) + 1] - start;
            int64_t first = 0, count = 0;
            window(length, first, count);
            evaluations_ += count;  // the cells looked at count as moves weighed
            for (int64_t i = 0; i < count; ++i) {
                const int32_t k = rows.column[size_t(start + (first + i) % length)];
                if (k != j && !seen_[size_t(k)]) {
                    seen_[size_t(k)] = 1;
                    partners_.push_back(k);
                }
            }
        };
        const SparseRows& h = p_.hard;
        auto length = [&](int32_t r) { return h.start[size_t(r) + 1] - h.start[size_t(r)]; };
        if (broken.second >= 0 && length(broken.shortest) > MAX_PARTNERS &&
            length(broken.shortest) + length(broken.second) <= MAX_COMMON_SCAN) {
            auto mark = [&](int32_t r, char value) {
                for (int64_t e = h.start[size_t(r)]; e < h.start[size_t(r) + 1]; ++e)
                    seen_[size_t(h.column[size_t(e)])] = value;
            };
            evaluations_ += length(broken.shortest) + length(broken.second);
            mark(broken.second, 1);
            common_.clear();
            for (int64_t e = h.start[size_t(broken.shortest)];
                 e < h.start[size_t(broken.shortest) + 1]; ++e) {
                const int32_t k = h.column[size_t(e)];
                if (k != j && seen_[size_t(k)] == 1) {
                    seen_[size_t(k)] = 2;  // once, even where the row names it twice
                    common_.push_back(k);
                }
            }
            mark(broken.second, 0);  // the common cells too: they are cells of that row
            int64_t first = 0, count = 0;
            window(int64_t(common_.size()), first, count);
            for (int64_t i = 0; i < count; ++i)
                partners_.push_back(common_[size_t((first + i) % int64_t(common_.size()))]);
            return;
        }
        if (broken.shortest >= 0) {
            add(p_.hard, broken.shortest);
        } else {
            forEachRow(
                j, [&](int32_t r, double) { add(p_.hard, r); },
                [&](int32_t w, double) { add(p_.weak, w); });
        }
        for (int32_t k : partners_) seen_[size_t(k)] = 0;
    }

    // The cost change of moving j by `step` and, unless k is -1, k by `kStep`; false when a
    // hard row would no longer hold (weighed in double precision, with the rows' tolerance).
    // `broken`, if given, receives the two shortest hard rows the move breaks.
    bool weigh(int32_t j, double step, int32_t k, double kStep, double& cost, Broken* broken) {
        ++evaluations_;
        touchedHard_.clear();
        touchedWeak_.clear();
        addSteps(j, step);
        if (k >= 0) addSteps(k, kStep);
        bool holds = true;
        int64_t shortestLength = INT64_MAX, secondLength = INT64_MAX;
        if (broken) *broken = Broken{};
        for (int32_t r : touchedHard_) {
            const double change = hardStep_[size_t(r)];
            hardStep_[size_t(r)] = 0.0;
            if (change == 0.0 || roughlyHolds(r, hard_[size_t(r)] + change)) continue;
            holds = false;
            if (!broken) continue;
            const int64_t length = p_.hard.start[size_t(r) + 1] - p_.hard.start[size_t(r)];
            if (length < shortestLength) {
                secondLength = shortestLength;
                broken->second = broken->shortest;
                shortestLength = length;
                broken->shortest = r;
            } else if (length < secondLength) {
                secondLength = length;
                broken->second = r;
            }
        }
        cost = p_.cellCost(j).change(x_[size_t(j)], step);
        if (k >= 0) cost += p_.cellCost(k).change(x_[size_t(k)], kStep);
        for (int32_t w : touchedWeak_) {
            const double change = weakStep_[size_t(w)];
            weakStep_[size_t(w)] = 0.0;
            const double from = weak_[size_t(w)] - p_.weakTarget[size_t(w)];
            cost += weakCoefficient_[size_t(w)] * change * (2.0 * from + change);
        }
        return holds;
    }

    // A move's change of each row, with the rows it touches.
    void addSteps(int32_t j, double step) {
        forEachRow(
            j,
            [&](int32_t r, double a) {
                if (hardStep_[size_t(r)] == 0.0) touchedHard_.push_back(r);
                hardStep_[size_t(r)] += a * step;
            },
            [&](int32_t w, double a) {
                if (weakStep_[size_t(w)] == 0.0) touchedWeak_.push_back(w);
                weakStep_[size_t(w)] += a * step;
            });
    }

    // Whether a row's value lies within its bounds: exactly for a row of whole coefficients,
    // whose value over whole cells a double holds exactly (up to 2^53; the caller checks the
    // table found); to the rows' tolerance of the value for any other row, as a filter only:
    // such a row is checked exactly before a move is made.
    bool roughlyHolds(int32_t r, double value) const {
        const double slack =
            wholeRow_[size_t(r)] ? 0.0 : ROW_TOLERANCE * std::max(1.0, std::fabs(value));
        return value >= p_.hardLower[size_t(r)] - slack && value <= p_.hardUpper[size_t(r)] + slack;
    }

    // Whether cell j may move by `step`: within its range, and not so large (beyond 2^53) that
    // the step is lost in rounding.
    bool inRange(int32_t j, double step) const {
        const double v = x_[size_t(j)] + step;
        return v != x_[size_t(j)] && v >= lower_[size_t(j)] && v <= upper_[size_t(j)];
    }

    // Makes the move unless a hard row of other than whole coefficients through its cells no
    // longer holds by the rule of exact_rows.h; true when it made it.
    bool make(int32_t j, double step, const Move& move) {
        x_[size_t(j)] += step;
        if (move.partner >= 0) x_[size_t(move.partner)] += move.partnerStep;
        if (!rowsHold(j) || (move.partner >= 0 && !rowsHold(move.partner))) {
            x_[size_t(j)] -= step;
            if (move.partner >= 0) x_[size_t(move.partner)] -= move.partnerStep;
            return false;
        }
        addValues(j, step);
        if (move.partner >= 0) addValues(move.partner, move.partnerStep);
        return true;
    }

    bool rowsHold(int32_t cell) const {
        for (int64_t e = hardOf_.start[size_t(cell)]; e < hardOf_.start[size_t(cell) + 1]; ++e) {
            const int32_t r = hardOf_.row[size_t(e)];
            if (wholeRow_[size_t(r)]) continue;
            if (!rowValue(p_.hard, r, x_).holds(p_.hardLower[size_t(r)], p_.hardUpper[size_t(r)]))
                return false;
        }
        return true;
    }

    // The rows' values after cell j moved by `step`.
    void addValues(int32_t j, double step) {
        forEachRow(
            j, [&](int32_t r, double a) { hard_[size_t(r)] += a * step; },
            [&](int32_t w, double a) { weak_[size_t(w)] += a * step; });
    }

    const AdjustmentProblem& p_;
    std::vector<double> x_;
    const std::vector<double>& lower_;
    const std::vector<double>& upper_;
    SparseColumns hardOf_, weakOf_;    // the rows through each cell
    std::vector<double> hard_, weak_;  // each row's value at x_
    std::vector<char> wholeRow_;       // whether a hard row's coefficients are all whole
    std::vector<double> weakCoefficient_;
    // A move's change of each row it touches, and those rows; all 0 between moves.
    std::vector<double> hardStep_, weakStep_;
    std::vector<int32_t> touchedHard_, touchedWeak_;
    std::vector<int32_t> partners_;
    std::vector<int32_t> common_;  // scratch of partners: the cells two rows have in common
    std::vector<char> seen_;
    int64_t evaluations_ = 0;
    int64_t nextLook_ = 0;
    int pass_ = 0;
    bool windowed_ = false;  // some cell of this pass had more partners than were weighed
};

}  // namespace

std::vector<double> improveByCellPairs(const AdjustmentProblem& problem,
                                       const std::vector<double>& table,
                                       const std::vector<double>& lowerWhole,
                                       const std::vector<double>& upperWhole,
                                       const Deadline& deadline) {
    const size_t cells = size_t(problem.cellCount());
    if (problem.cellCount() > PAIRED_CELLS || table.size() != cells || lowerWhole.size() != cells ||
        upperWhole.size() != cells) {
        return table;
    }
    PairSearch search(problem, table, lowerWhole, upperWhole);
    search.run(deadline);
    return std::move(search.x());
}
