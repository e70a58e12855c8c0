#include "qorsolve/output/summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>
#include <string>

#include "common/cell_text.h"
#include "qorsolve/output/csv_text.h"
#include "qorsolve/output/status_words.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/numeric_checks.h"

namespace {

// A sum of many terms, each with a small relative error, compensated (Neumaier) so that the
// additions add no error of their own beyond a last rounding.
class CompensatedSum {
  public:
    void add(double term) {
        const double sum = sum_ + term;
        error_ += std::fabs(sum_) >= std::fabs(term) ? (sum_ - sum) + term : (term - sum) + sum_;
        sum_ = sum;
    }
    double value() const { return sum_ + error_; }

  private:
    double sum_ = 0.0;
    double error_ = 0.0;
};

// sum_w weight_w * (a_w . x - target_w)^2 / max(|target_w|, 1) over the file's weak rows.
double weakDeviation(const WeakArrays& weak, const std::vector<double>& x) {
    CompensatedSum sum;
    for (std::size_t w = 0; w < weak.target.size(); ++w) {
        const auto begin = static_cast<std::size_t>(weak.rowStart[w]);
        const auto end = static_cast<std::size_t>(weak.rowStart[w + 1]);
        const double deviation =
            rowValue(std::span(weak.coefficient).subspan(begin, end - begin),
                     std::span(weak.columnIndex).subspan(begin, end - begin), x)
                .minus(weak.target[w]);
        sum.add(weakRowCost(weak.weight[w], weak.target[w]) * deviation * deviation);
    }
    return sum.value();
}

// F(x) of the problem, as adjustmentObjective defines it, summed with compensation.
double objective(const AdjustmentProblem& problem, const std::vector<double>& x) {
    CompensatedSum sum;
    for (std::size_t j = 0; j < x.size(); ++j) sum.add(problem.cellCost(j).at(x[j]));
    for (int32_t w = 0; w < problem.weak.rowCount(); ++w) {
        const auto i = static_cast<std::size_t>(w);
        const double deviation = rowValue(problem.weak, w, x).minus(problem.weakTarget[i]);
        sum.add(weakRowCost(problem.weakWeight[i], problem.weakTarget[i]) * deviation * deviation);
    }
    return sum.value();
}

// A computed quantity at the 15 significant digits it has (each term of its sum carries a
// few roundings): "0.4", not "0.39999999999999997".
std::string computedText(double value) {
    if (value == 0) return "0";
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// The change from `base` to `value`, with its sign, to the digits it has: 15 significant
// digits of the larger of the two, fewer in the change the more it is below them
// ("+0.1" from 1000000000 to 1000000000.1, not "+0.100000023841858"; "-8.2", not
// "-8.200000000000003").
std::string changeText(double base, double value) {
    const double change = value - base;
    const double size = std::max(std::fabs(base), std::fabs(value));
    const int lost = static_cast<int>(std::floor(std::log10(size / std::fabs(change))));
    const int digits = std::clamp(15 - std::max(lost, 0), 1, 15);
    char text[40];
    std::snprintf(text, sizeof text, "%+.*g", digits, change);
    return text;
}

// "restriction 4", "restrictions 4 and 7", "restrictions 4, 7, 9 and 12 more": the first
// (at most three) of `count` restrictions, 0-based in `first`, counted from 1.
std::string restrictionList(const std::vector<std::size_t>& first, std::size_t count) {
    std::string text = count == 1 ? "restriction " : "restrictions ";
    for (std::size_t k = 0; k < first.size(); ++k) {
        if (k > 0) text += k + 1 == first.size() && count == first.size() ? " and " : ", ";
        text += std::to_string(first[k] + 1);
    }
    if (count > first.size()) text += " and " + std::to_string(count - first.size()) + " more";
    return text;
}

}  // namespace

void printSummary(std::ostream& out, const Project& project, const AdjustmentProblem& problem,
                  const WrittenTable& table) {
    const std::vector<double>& x = table.x;
    const std::vector<RestrictionCheck>& checks = table.checks;
    const SolveOutcome& outcome = table.outcome;
    out << statusText(statusLines(outcome.status.model, outcome.status.stop));
    if (!outcome.proven()) {
        char percent[32];
        std::snprintf(percent, sizeof percent, "%.3g %%", 100.0 * outcome.gap);
        out << "gap: " << computedText(outcome.gap) << " (" << percent << ", bound "
            << computedText(outcome.bound) << ")\n";
    }
    // The default distance (chi2) goes unnamed.
    if (const Distance distance = problem.objective.distance(); distance != Distance::CHI_SQUARE)
        out << "distance: " << distanceInfo(distance).option << "\n";
    out << "objective: " << computedText(objective(problem, x)) << "\n";

    std::size_t changed = 0;
    std::size_t largest = 0;
    double largestChange = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double change = x[j] - problem.base[j];
        if (x[j] != problem.base[j]) ++changed;  // as written: both print exactly
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
        const CellNamer namer(project, NameStyle::TERMINAL);
        out << changeText(problem.base[largest], x[largest]) << " at "
            << namer.cellText(project.cells.cellIndex[largest]) << ", "
            << csvNumber(problem.base[largest]) << " to " << csvNumber(x[largest]) << "\n";
    }

    std::size_t hard = 0;
    std::size_t binding = 0;
    std::size_t missed = 0;  // single-cell restrictions a later one on the same side replaced
    constexpr std::size_t NAMED = 3;     // restrictions checked to a tolerance named at most
    std::vector<std::size_t> tolerated;  // the first of them
    std::size_t toleratedCount = 0;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const RestrictionCheck& check = checks[i];
        if (check.kind == RestrictionKind::WEAK) continue;
        ++hard;
        if (check.binding) ++binding;
        if (!check.met) ++missed;
        if (!check.exact && ++toleratedCount <= NAMED) tolerated.push_back(i);
    }
    out << "hard restrictions: " << hard << ", " << binding << " binding";
    if (missed > 0) out << ", " << missed << " not met";
    out << "\n";
    if (outcome.wholeNumbers && toleratedCount > 0) {
        out << "checked to a tolerance: " << restrictionList(tolerated, toleratedCount) << "\n";
    }
    out << "weak restrictions: " << project.weak.target.size()
        << (outcome.weakIgnored ? " ignored" : "") << ", weighted deviation "
        << computedText(weakDeviation(project.weak, x)) << "\n";
    if (!problem.alterabilityFile.empty()) {
        out << "alterability: " << terminalText(problem.alterabilityFile) << "\n";
    }
    if (problem.fixedCells > 0) {
        out << "fixed: " << problem.fixedCells << (problem.fixedCells == 1 ? " cell" : " cells")
            << " of alterability 0, at " << (problem.fixedCells == 1 ? "its base" : "their bases")
            << (outcome.wholeNumbers ? " rounded to whole numbers" : "") << "\n";
    }

    if (outcome.work >= 0) {
        out << "work: " << outcome.work << " of " << outcome.workAllowed << " units\n";
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", outcome.seconds);
    out << "seconds: " << seconds << "\n";
}
