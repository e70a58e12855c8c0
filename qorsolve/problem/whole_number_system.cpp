#include "qorsolve/problem/whole_number_system.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "qorsolve/problem/exact_rows.h"

namespace {

// The Hermite form's entries stay within this in size, so that a product of two of them, or of
// one with a value, is exact in 128 bits.
constexpr int64_t LARGEST_ENTRY = int64_t(1) << 40;
// ... and the rows' values, less what the solution so far takes of them, within this.
constexpr WholeSum LARGEST_RESIDUAL = WholeSum(1) << 62;
// Entries a check may update in all, for every set of rows and every reduction together,
// a small share of a run's time: rows of 1 and -1 reduce in one pass of Euclid's algorithm,
// but entries that grow take more passes, and the check then gives up instead of the time.
constexpr int64_t LARGEST_CHECK_WORK = 100000000;

// A row that pins q times its sum to one whole value.
struct WholeRow {
    int32_t row = -1;
    std::vector<std::pair<int32_t, int64_t>> terms;  // cell, whole coefficient
    int64_t value = 0;
    double q = 1.0;  // the row's wholeMultiplier
};

enum class Outcome {
    SOLVABLE,
    NO_WHOLE_SOLUTION,  // at row `failing`
    NOT_KNOWN,          // an entry grew too large, or the rows disagree in real numbers too
};

struct SystemCheck {
    Outcome outcome = Outcome::SOLVABLE;
    std::size_t failing = 0;
    // Where the rows before the last one hold (lastReached), the last row's value over their
    // whole solutions takes the values value - residual + step k, k whole (step 0: that one
    // value).
    bool lastReached = false;
    int64_t step = 0;
    WholeSum residual = 0;
};

// Brings the rows, in their order, to Hermite form by whole column operations of determinant
// +-1 over a dense copy, and solves the form row by row.
class HermiteCheck {
  public:
    explicit HermiteCheck(int32_t cellCount) : local_(static_cast<std::size_t>(cellCount), -1) {}

    SystemCheck run(const std::vector<const WholeRow*>& rows) {
        SystemCheck result;
        // The copy and the scans of its rows count as work too.
        const auto entries = static_cast<int64_t>(number(rows));
        if (entries > work_) return notKnown();
        work_ -= entries;
        entries_.assign(rows_ * columns_, 0);
        const std::size_t m = rows.size();
        std::vector<WholeSum> residual(m);
        for (std::size_t t = 0; t < m; ++t) {
            residual[t] = rows[t]->value;
            for (const auto& [cell, a] : rows[t]->terms) {
                int64_t& entry =
                    at(static_cast<std::size_t>(local_[static_cast<std::size_t>(cell)]), t);
                const WholeSum sum = WholeSum(entry) + a;  // a cell named twice: the sum of both
                if (!fits(sum, LARGEST_ENTRY)) return notKnown();
                entry = static_cast<int64_t>(sum);
            }
        }
        std::vector<char> free(columns_, 1);
        std::vector<std::size_t> live;
        pivot_.assign(m, NO_PIVOT);
        for (std::size_t t = 0; t < m; ++t) {
            live.clear();
            for (std::size_t j = 0; j < columns_; ++j) {
                if (free[j] && at(j, t) != 0) live.push_back(j);
            }
            // Euclid's algorithm across the row: every other column less a multiple of the one
            // of the smallest entry, until one column holds the row's divisor.
            while (live.size() > 1) {
                const std::size_t p =
                    *std::min_element(live.begin(), live.end(), [&](std::size_t a, std::size_t b) {
                        return magnitude(at(a, t)) < magnitude(at(b, t));
                    });
                for (std::size_t k : live) {
                    if (k != p && !subtract(k, p, at(k, t) / at(p, t), t)) return notKnown();
                }
                std::erase_if(live, [&](std::size_t k) { return k != p && at(k, t) == 0; });
            }
            int64_t step = 0;
            if (!live.empty()) {
                const std::size_t p = live.front();
                if (at(p, t) < 0) {
                    for (std::size_t u = t; u < m; ++u) at(p, u) = -at(p, u);
                }
                step = at(p, t);
                free[p] = 0;
                pivot_[t] = p;
            }
            if (t + 1 == m) {
                result.lastReached = true;
                result.step = step;
                result.residual = residual[t];
            }
            if (step == 0) {
                if (residual[t] == 0) continue;
                result.outcome = Outcome::NOT_KNOWN;
                result.failing = t;
                return result;
            }
            if (residual[t] % step != 0) {
                result.outcome = Outcome::NO_WHOLE_SOLUTION;
                result.failing = t;
                return result;
            }
            const WholeSum y = residual[t] / step;
            const std::size_t p = live.front();
            for (std::size_t u = t + 1; u < m; ++u) {
                residual[u] -= y * at(p, u);
                if (!fits(residual[u], LARGEST_RESIDUAL)) return notKnown();
            }
        }
        return result;
    }

    // After a run that found no whole solution at its last row, with a pivot in every row:
    // whole weights w and a divisor d > 1 such that sum w_u row_u counts every cell a multiple
    // of d times, while sum w_u value_u is no multiple of d. The weights solve w H = d e_last
    // over the pivots of the Hermite form H = A U: w A = d e_last U^-1, whole. False when an
    // entry would grow too large.
    bool certificate(std::vector<WholeSum>& weight, WholeSum& divisor) const {
        const std::size_t m = rows_;
        if (m == 0 || std::find(pivot_.begin(), pivot_.end(), NO_PIVOT) != pivot_.end()) {
            return false;
        }
        // y H = e_last, from the last row back, over the common denominator `divisor`.
        weight.assign(m, 0);
        weight[m - 1] = 1;
        divisor = entry(pivot_[m - 1], m - 1);
        for (std::size_t s = m - 1; s-- > 0;) {
            WholeSum sum = 0;
            for (std::size_t v = s + 1; v < m; ++v) {
                sum += weight[v] * entry(pivot_[s], v);
                if (!fits(sum, LARGEST_RESIDUAL)) return false;
            }
            const WholeSum h = entry(pivot_[s], s);
            for (std::size_t v = s + 1; v < m; ++v) weight[v] *= h;
            weight[s] = -sum;
            divisor *= h;
            WholeSum common = divisor;
            for (WholeSum w : weight) common = divisorOf(common, w);
            for (WholeSum& w : weight) w /= common;
            divisor /= common;
            if (!fits(divisor, LARGEST_ENTRY)) return false;
            for (WholeSum w : weight) {
                if (!fits(w, LARGEST_ENTRY)) return false;
            }
        }
        return divisor > 1;
    }

  private:
    static constexpr std::size_t NO_PIVOT = static_cast<std::size_t>(-1);

    static WholeSum divisorOf(WholeSum a, WholeSum b) {
        if (a < 0) a = -a;
        if (b < 0) b = -b;
        while (b != 0) {
            const WholeSum r = a % b;
            a = b;
            b = r;
        }
        return a;
    }

    int64_t entry(std::size_t column, std::size_t row) const {
        return entries_[column * rows_ + row];
    }

    static bool fits(WholeSum v, WholeSum largest) { return v <= largest && v >= -largest; }
    static int64_t magnitude(int64_t v) { return v < 0 ? -v : v; }
    static SystemCheck notKnown() {
        SystemCheck result;
        result.outcome = Outcome::NOT_KNOWN;
        return result;
    }

    // The rows' cells numbered 0.. in order of appearance; the entries of a matrix of rows by
    // them.
    std::size_t number(const std::vector<const WholeRow*>& rows) {
        for (int32_t cell : cells_) local_[static_cast<std::size_t>(cell)] = -1;
        cells_.clear();
        for (const WholeRow* row : rows) {
            for (const auto& term : row->terms) {
                int32_t& l = local_[static_cast<std::size_t>(term.first)];
                if (l < 0) {
                    l = static_cast<int32_t>(cells_.size());
                    cells_.push_back(term.first);
                }
            }
        }
        rows_ = rows.size();
        columns_ = cells_.size();
        return rows_ * columns_;
    }

    int64_t& at(std::size_t column, std::size_t row) { return entries_[column * rows_ + row]; }

    // Column k less m times column p, in rows t and below.
    bool subtract(std::size_t k, std::size_t p, int64_t m, std::size_t t) {
        const auto updates = static_cast<int64_t>(rows_ - t);
        if (updates > work_) return false;
        work_ -= updates;
        for (std::size_t u = t; u < rows_; ++u) {
            const WholeSum v = WholeSum(at(k, u)) - WholeSum(m) * at(p, u);
            if (!fits(v, LARGEST_ENTRY)) return false;
            at(k, u) = static_cast<int64_t>(v);
        }
        return true;
    }

    int64_t work_ = LARGEST_CHECK_WORK;  // entry updates left for every run together
    std::vector<int32_t> local_;         // per cell of the problem, its column, or -1
    std::vector<int32_t> cells_;
    std::size_t rows_ = 0;
    std::size_t columns_ = 0;
    std::vector<int64_t> entries_;    // by columns
    std::vector<std::size_t> pivot_;  // per row, the column of its divisor, or NO_PIVOT
};

// The hard rows that pin q times their sum to one whole value, in whole numbers exactly,
// without their terms yet.
std::vector<WholeRow> wholeEqualities(const AdjustmentProblem& problem) {
    std::vector<WholeRow> rows;
    for (int32_t i = 0; i < problem.hard.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        if (problem.hardLower[r] != problem.hardUpper[r]) continue;
        if (problem.hard.start[r] == problem.hard.start[r + 1]) continue;
        const double q = wholeMultiplier(problem.hard, i);
        if (q <= 0.0) continue;
        const auto [first, last] = wholeRowValues(problem, i, q, problem.lower, problem.upper);
        if (first != last || !(std::fabs(first) < LARGEST_WHOLE)) continue;
        WholeRow row;
        row.row = i;
        row.q = q;
        row.value = static_cast<int64_t>(first);
        rows.push_back(std::move(row));
    }
    return rows;
}

// The row's whole coefficients; false when one is too large for the check.
bool addTerms(const AdjustmentProblem& problem, WholeRow& row) {
    const auto r = static_cast<std::size_t>(row.row);
    for (int64_t k = problem.hard.start[r]; k < problem.hard.start[r + 1]; ++k) {
        const auto e = static_cast<std::size_t>(k);
        const double a = std::nearbyint(row.q * problem.hard.value[e]);
        if (!(std::fabs(a) <= static_cast<double>(LARGEST_ENTRY))) return false;
        row.terms.emplace_back(problem.hard.column[e], static_cast<int64_t>(a));
    }
    return true;
}

// Groups of rows joined by shared cells, each in the rows' order, with their terms: those of
// at least two rows and at most LARGEST_SYSTEM in size.
std::vector<std::vector<const WholeRow*>> joinedRows(const AdjustmentProblem& problem,
                                                     std::vector<WholeRow>& rows) {
    const SparseRows& hard = problem.hard;
    const auto firstCell = [&](const WholeRow& row) {
        return hard.column[static_cast<std::size_t>(hard.start[static_cast<std::size_t>(row.row)])];
    };
    std::vector<int32_t> parent(static_cast<std::size_t>(problem.cellCount()));
    std::iota(parent.begin(), parent.end(), 0);
    const auto root = [&](int32_t c) {
        while (parent[static_cast<std::size_t>(c)] != c) {
            int32_t& up = parent[static_cast<std::size_t>(c)];
            up = parent[static_cast<std::size_t>(up)];
            c = up;
        }
        return c;
    };
    for (const WholeRow& row : rows) {
        const auto r = static_cast<std::size_t>(row.row);
        for (int64_t k = hard.start[r]; k < hard.start[r + 1]; ++k) {
            const int32_t a = root(firstCell(row));
            const int32_t b = root(hard.column[static_cast<std::size_t>(k)]);
            if (a != b) parent[static_cast<std::size_t>(b)] = a;
        }
    }
    std::vector<int32_t> group(static_cast<std::size_t>(problem.cellCount()), -1);
    std::vector<std::vector<WholeRow*>> members;
    std::vector<int64_t> terms;
    for (WholeRow& row : rows) {
        int32_t& g = group[static_cast<std::size_t>(root(firstCell(row)))];
        if (g < 0) {
            g = static_cast<int32_t>(members.size());
            members.emplace_back();
            terms.push_back(0);
        }
        const auto r = static_cast<std::size_t>(row.row);
        members[static_cast<std::size_t>(g)].push_back(&row);
        terms[static_cast<std::size_t>(g)] += hard.start[r + 1] - hard.start[r];
    }
    std::vector<std::vector<const WholeRow*>> groups;
    for (std::size_t g = 0; g < members.size(); ++g) {
        const auto m = static_cast<int64_t>(members[g].size());
        if (m < 2 || m * m > LARGEST_SYSTEM || m * m * terms[g] > LARGEST_SYSTEM) continue;
        bool fit = true;
        for (WholeRow* row : members[g]) fit = fit && addTerms(problem, *row);
        if (fit) groups.emplace_back(members[g].begin(), members[g].end());
    }
    return groups;
}

// Drops rows from `rows` (which have no whole solution) while the rest still has none. False
// when a check could not tell.
bool reduce(HermiteCheck& check, std::vector<const WholeRow*>& rows) {
    std::size_t k = 0;
    while (k < rows.size()) {
        std::vector<const WholeRow*> less = rows;
        less.erase(less.begin() + static_cast<std::ptrdiff_t>(k));
        const SystemCheck without = check.run(less);
        switch (without.outcome) {
            case Outcome::NO_WHOLE_SOLUTION:
                less.resize(without.failing + 1);  // the rows after the failing one are not needed
                rows = std::move(less);
                break;
            case Outcome::SOLVABLE:
                ++k;
                break;
            case Outcome::NOT_KNOWN:
                return false;
        }
    }
    return true;
}

// The least change of the last row's value that lets it meet the others, in its own units.
double leastChange(const SystemCheck& last, double q) {
    WholeSum distance = last.residual < 0 ? -last.residual : last.residual;
    if (last.step > 0) {
        const WholeSum step = last.step;
        const WholeSum rest = ((last.residual % step) + step) % step;
        distance = std::min(rest, step - rest);
    }
    return static_cast<double>(distance) / q;
}

// Whether the weights prove the rows have no whole solution: sum w_u row_u counts every
// cell a multiple of `divisor` times, and sum w_u value_u is no multiple of it. Sets `total`
// to that sum.
bool proves(const std::vector<const WholeRow*>& rows, const std::vector<WholeSum>& weight,
            WholeSum divisor, int32_t cellCount, WholeSum& total) {
    std::vector<WholeSum> count(static_cast<std::size_t>(cellCount), 0);
    total = 0;
    for (std::size_t u = 0; u < rows.size(); ++u) {
        total += weight[u] * rows[u]->value;
        for (const auto& [cell, a] : rows[u]->terms)
            count[static_cast<std::size_t>(cell)] += weight[u] * a;
    }
    for (const WholeRow* row : rows) {
        for (const auto& term : row->terms) {
            if (count[static_cast<std::size_t>(term.first)] % divisor != 0) return false;
        }
    }
    return total % divisor != 0;
}

}  // namespace

RowsWithoutWholeSolution findRowsWithoutWholeSolution(const AdjustmentProblem& problem) {
    RowsWithoutWholeSolution found;
    std::vector<WholeRow> rows = wholeEqualities(problem);
    if (rows.size() < 2) return found;
    HermiteCheck check(problem.cellCount());
    for (std::vector<const WholeRow*>& group : joinedRows(problem, rows)) {
        const SystemCheck all = check.run(group);
        if (all.outcome != Outcome::NO_WHOLE_SOLUTION) continue;
        group.resize(all.failing + 1);
        if (!reduce(check, group)) continue;
        std::vector<double> change;
        for (std::size_t k = 0; k < group.size(); ++k) {
            std::vector<const WholeRow*> last = group;
            std::rotate(last.begin() + static_cast<std::ptrdiff_t>(k),
                        last.begin() + static_cast<std::ptrdiff_t>(k) + 1, last.end());
            const SystemCheck moved = check.run(last);
            if (!moved.lastReached) break;
            change.push_back(leastChange(moved, group[k]->q));
        }
        if (change.size() != group.size()) continue;
        // The verdict stands on weights that prove it, checked on the rows themselves.
        std::vector<WholeSum> weight;
        WholeSum divisor = 0, total = 0;
        if (check.run(group).outcome != Outcome::NO_WHOLE_SOLUTION ||
            !check.certificate(weight, divisor) ||
            !proves(group, weight, divisor, problem.cellCount(), total)) {
            continue;
        }
        // Either sign proves it; the first row's is kept positive.
        if (weight.front() < 0) {
            for (WholeSum& w : weight) w = -w;
            total = -total;
        }
        for (std::size_t k = 0; k < group.size(); ++k) {
            found.rows.push_back(group[k]->row);
            // In the restriction's own units: q times the restriction is the whole row.
            found.weight.push_back(static_cast<double>(weight[k]) * group[k]->q);
        }
        const bool whole = std::all_of(found.weight.begin(), found.weight.end(), [](double w) {
            return std::fabs(w - std::nearbyint(w)) <= DECIMAL_ROUNDING * std::fabs(w);
        });
        if (whole && std::fabs(static_cast<double>(total)) < LARGEST_WHOLE) {
            for (double& w : found.weight) w = std::nearbyint(w);
            found.divisor = static_cast<double>(divisor);
        } else {
            found.weight.clear();
        }
        found.change = std::move(change);
        return found;
    }
    return found;
}
