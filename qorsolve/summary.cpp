#include "qorsolve/summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "qordump/cell_text.h"
#include "qorsolve/csv_text.h"

namespace {

// sum_w weight_w * (a_w . x - target_w)^2 / max(|target_w|, 1) over the file's weak rows.
double weakDeviation(const WeakArrays& weak, const std::vector<double>& x) {
    double sum = 0.0;
    for (std::size_t w = 0; w < weak.target.size(); ++w) {
        double value = 0.0;
        for (auto k = static_cast<std::size_t>(weak.rowStart[w]);
             k < static_cast<std::size_t>(weak.rowStart[w + 1]); ++k) {
            value += weak.coefficient[k] * x[static_cast<std::size_t>(weak.columnIndex[k])];
        }
        const double deviation = value - weak.target[w];
        sum += weak.weight[w] * deviation * deviation / std::max(std::fabs(weak.target[w]), 1.0);
    }
    return sum;
}

// A change to 15 significant digits, with its sign: base and adjusted value, exact beside
// it, say the rest ("-8.2", not the difference's "-8.200000000000003").
std::string changeText(double change) {
    char text[40];
    std::snprintf(text, sizeof text, "%+.15g", change);
    return text;
}

}  // namespace

void printSummary(std::ostream& out, const Project& project, const AdjustmentProblem& problem,
                  const std::vector<double>& x, const std::vector<RestrictionCheck>& checks,
                  const SolveOutcome& outcome) {
    out << "status: "
        << (outcome.proven      ? "optimal"
            : outcome.workLimit ? "work limit"
                                : "time limit")
        << "\n";
    if (!outcome.proven) {
        char percent[32];
        std::snprintf(percent, sizeof percent, "%.3g %%", 100.0 * outcome.gap);
        out << "gap: " << numberText(outcome.gap) << " (" << percent << ", bound "
            << numberText(outcome.bound) << ")\n";
    }
    out << "objective: " << csvNumber(adjustmentObjective(problem, x)) << "\n";

    std::size_t changed = 0;
    std::size_t largest = 0;
    double largestChange = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double change = x[j] - problem.base[j];
        if (std::fabs(change) > CHANGE_TOLERANCE * std::max(1.0, problem.base[j])) ++changed;
        if (std::fabs(change) > std::fabs(largestChange)) {
            largest = j;
            largestChange = change;
        }
    }
    out << "cells: " << x.size() << " adjustable, " << changed << " changed\n";
    out << "largest change: ";
    if (changed == 0) {
        out << "0\n";
    } else {
        const CellNamer namer(project.labels, NameStyle::TERMINAL);
        out << changeText(largestChange) << " at "
            << namer.cellText(project.cells.cellIndex[largest]) << ", "
            << csvNumber(problem.base[largest]) << " to " << csvNumber(x[largest]) << "\n";
    }

    std::size_t hard = 0;
    std::size_t binding = 0;
    std::size_t missed = 0;  // single-cell restrictions a later one on the same side replaced
    for (const RestrictionCheck& check : checks) {
        if (check.kind == RestrictionKind::WEAK) continue;
        ++hard;
        if (check.binding) ++binding;
        if (check.slack < 0) ++missed;
    }
    out << "hard restrictions: " << hard << ", " << binding << " binding";
    if (missed > 0) out << ", " << missed << " not met";
    out << "\n";
    out << "weak restrictions: " << project.weak.target.size()
        << (outcome.weakIgnored ? " ignored" : "") << ", weighted deviation "
        << csvNumber(weakDeviation(project.weak, x)) << "\n";

    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", outcome.seconds);
    out << "seconds: " << seconds << "\n";
}
