#include "qorsolve/output/written_table.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "qorsolve/output/csv_text.h"
#include "qorsolve/problem/exact_rows.h"

namespace {

// Per declared restriction the multiplier of its hard row (a restriction has one at most),
// NaN for the others; empty without one multiplier per hard row.
std::vector<double> restrictionMultipliers(const Project& project, const AdjustmentProblem& problem,
                                           const std::vector<double>& rowMultiplier) {
    if (rowMultiplier.empty() || rowMultiplier.size() != problem.hardSource.size()) return {};
    const std::size_t count = project.control.restrictions.size();
    std::vector<double> multiplier(count, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t r = 0; r < rowMultiplier.size(); ++r) {
        const int32_t source = problem.hardSource[r];
        if (source >= 1 && static_cast<std::size_t>(source) <= count) {
            multiplier[static_cast<std::size_t>(source) - 1] = rowMultiplier[r];
        }
    }
    return multiplier;
}

}  // namespace

WrittenTable writtenTable(const Project& project, const AdjustmentProblem& problem,
                          const SolveResult& solve, bool realValued) {
    WrittenTable table;
    table.meets = true;
    table.x = realValued ? writtenCells(problem, solve.x, table.meets) : solve.x;
    if (!realValued) table.meets = meetsHardRowsAndBounds(problem, table.x);
    table.checks = checkRestrictions(project, table.x);
    table.changes = restrictionChanges(project, table.checks);
    table.multiplier = restrictionMultipliers(project, problem, solve.rowMultiplier);
    SolveOutcome& outcome = table.outcome;
    outcome.status = solve.status;
    outcome.stage = solve.stage;
    outcome.bound = solve.bound;
    outcome.gap = solve.gap;
    outcome.work = solve.work;
    outcome.wholeNumbers = !realValued;
    return table;
}

std::vector<RestrictionChange> restrictionChanges(const Project& project,
                                                  const std::vector<RestrictionCheck>& checks) {
    const std::vector<double> base(project.cells.base.begin(), project.cells.base.end());
    const std::vector<RestrictionCheck> before = checkRestrictions(project, base);
    // Each exact value is rounded once to a double (2^-53 of it), any other carries its error.
    const auto error = [](const RestrictionCheck& c) {
        return c.exact ? DBL_EPSILON * std::fabs(c.value) : VALUE_ROUNDING * c.size;
    };
    std::vector<RestrictionChange> changes(std::min(checks.size(), before.size()));
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const RestrictionCheck& check = checks[i];
        RestrictionChange& change = changes[i];
        change.value = check.value - before[i].value;
        const bool whole = check.exact && before[i].exact &&
                           std::fabs(change.value) <= LARGEST_WHOLE &&
                           std::trunc(check.value) == check.value &&
                           std::trunc(before[i].value) == before[i].value;
        change.error = whole ? 0.0 : error(check) + error(before[i]);
    }
    return changes;
}

std::vector<double> writtenCells(const AdjustmentProblem& problem, const std::vector<double>& x,
                                 bool& meets) {
    std::vector<double> written(x.size());
    const auto roundTo = [&](int digits) {
        for (std::size_t j = 0; j < x.size(); ++j) {
            double value = roundToDigits(x[j], digits);
            if (j < problem.lower.size()) value = std::max(value, problem.lower[j]);
            if (j < problem.upper.size()) value = std::min(value, problem.upper[j]);
            written[j] = value;
        }
        return meetsHardRowsAndBounds(problem, written);
    };
    meets = roundTo(RESULT_DIGITS);
    if (meets) return written;
    meets = meetsHardRowsAndBounds(problem, x);
    if (!meets) return x;
    // 17 significant digits reproduce every double.
    for (int digits = RESULT_DIGITS + 1; digits < 17; ++digits) {
        if (roundTo(digits)) return written;
    }
    return x;
}
