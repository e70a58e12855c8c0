#include "qorsolve/conflict/obvious_conflict.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/whole_number_rows.h"
#include "qorsolve/problem/whole_number_system.h"

namespace {

constexpr double NOT_KNOWN = std::numeric_limits<double>::quiet_NaN();
using Kind = ConflictMember::Kind;

// Marks `result` as an irreducible conflict.
void found(ConflictResult& result) {
    result.status = modelStatus(ModelStatus::INFEASIBLE);
    result.irreducible = true;
}

}  // namespace

bool findObviousConflict(const AdjustmentProblem& problem, bool wholeNumbers,
                         ConflictResult& result) {
    for (int32_t j = 0; j < problem.cellCount(); ++j) {
        const auto c = static_cast<std::size_t>(j);
        double lower = problem.lower[c];
        double upper = problem.upper[c];
        if (wholeNumbers) std::tie(lower, upper) = wholeRange(lower, upper);
        if (lower > upper) {
            found(result);
            result.members = {{Kind::CELL_LOWER, j}, {Kind::CELL_UPPER, j}};
            result.elasticValue = wholeNumbers ? NOT_KNOWN : lower - upper;
            result.memberChange.assign(2, result.elasticValue);
            if (!wholeNumbers) result.multiplier = {1.0, -1.0};
            return true;
        }
    }
    for (int32_t i = 0; i < problem.hard.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        const double lower = problem.hardLower[r];
        const double upper = problem.hardUpper[r];
        const bool empty = problem.hard.start[r] == problem.hard.start[r + 1];
        double change = lower - upper;
        if (empty) change = std::max({lower, -upper, change});
        if (change > 0.0 || std::isnan(lower) || std::isnan(upper)) {
            found(result);
            result.members = {{Kind::HARD_ROW, i}};
            result.elasticValue = change;
            result.memberChange.assign(1, change);
            // An empty row: 0 >= lower > 0, or 0 <= upper < 0.
            if (empty && change == lower) result.multiplier = {1.0};
            if (empty && change == -upper) result.multiplier = {-1.0};
            return true;
        }
    }
    const ParallelRows parallel = findContradictingParallelRows(problem);
    if (parallel.first >= 0) {
        found(result);
        result.members = {{Kind::HARD_ROW, parallel.first}, {Kind::HARD_ROW, parallel.second}};
        result.memberChange = {parallel.firstChange, parallel.secondChange};
        result.elasticValue = std::min(parallel.firstChange, parallel.secondChange);
        return true;
    }
    if (wholeNumbers) {
        const RowWithoutWholeValue alone = findRowWithoutWholeValue(problem);
        if (alone.row >= 0) {
            found(result);
            result.members = {{Kind::HARD_ROW, alone.row}};
            result.elasticValue = alone.change;
            result.memberChange.assign(1, alone.change);
            return true;
        }
        RowsWithoutWholeSolution together = findRowsWithoutWholeSolution(problem);
        if (!together.rows.empty()) {
            found(result);
            result.members.clear();
            for (int32_t row : together.rows) result.members.push_back({Kind::HARD_ROW, row});
            // Changes of several values may add up to less than any one alone.
            result.elasticValue = NOT_KNOWN;
            result.memberChange = std::move(together.change);
            if (!together.weight.empty()) {
                result.multiplier = std::move(together.weight);
                result.divisor = together.divisor;
            }
            return true;
        }
    }
    return false;
}
