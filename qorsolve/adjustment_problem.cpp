#include "qorsolve/adjustment_problem.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <span>

#include "common/bound_type.h"
#include "common/cell_text.h"
#include "common/project.h"
#include "qorsolve/numeric_checks.h"

namespace {

// The file's "no bound" values, and anything beyond them, become infinite.
double lowerLimit(double value) {
    return value <= -NO_BOUND ? -INFINITE_BOUND : value;
}
double upperLimit(double value) {
    return value >= NO_BOUND ? INFINITE_BOUND : value;
}

// A lower and an upper limit that some value can meet.
bool consistent(double lower, double upper) {
    return lower <= upper && lower != INFINITE_BOUND && upper != -INFINITE_BOUND;
}

bool allFinite(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

template <class T>
std::span<const T> entries(const std::vector<T>& values, const std::vector<int32_t>& rowStart,
                           int32_t row) {
    const auto r = static_cast<std::size_t>(row);
    return rowEntries(values, rowStart, r);
}

void appendRows(SparseRows& rows, const std::vector<int32_t>& rowStart,
                const std::vector<int32_t>& columns, const std::vector<double>& coefficients) {
    rows.start.assign(rowStart.begin(), rowStart.end());
    if (rows.start.empty()) rows.start.push_back(0);
    rows.column = columns;
    rows.value = coefficients;
}

bool sameEntries(std::span<const int32_t> columns, std::span<const double> coefficients,
                 const DeclaredRestriction& declared) {
    return std::equal(columns.begin(), columns.end(), declared.columns.begin(),
                      declared.columns.end()) &&
           std::equal(coefficients.begin(), coefficients.end(), declared.coefficients.begin(),
                      declared.coefficients.end());
}

// The hard row `row` of the binary data file holds the declared restriction.
bool hardRowFits(const HardArrays& hard, int32_t row, const DeclaredRestriction& declared) {
    const auto r = static_cast<std::size_t>(row);
    if (hard.boundType[r] != declared.type) return false;
    const bool lowerSame = hard.lowerValue[r] == declared.lowerValue;
    const bool upperSame = hard.upperValue[r] == declared.upperValue;
    const bool valuesSame = declared.type == BOUND_LOWER   ? lowerSame
                            : declared.type == BOUND_UPPER ? upperSame
                            : declared.type == BOUND_RANGE ? lowerSame && upperSame
                                                           : lowerSame;
    return valuesSame && sameEntries(entries(hard.columnIndex, hard.rowStart, row),
                                     entries(hard.coefficient, hard.rowStart, row), declared);
}

bool weakRowFits(const WeakArrays& weak, int32_t row, const DeclaredRestriction& declared) {
    return weak.target[static_cast<std::size_t>(row)] == declared.lowerValue &&
           sameEntries(entries(weak.columnIndex, weak.rowStart, row),
                       entries(weak.coefficient, weak.rowStart, row), declared);
}

// The sides of its cell that a single-cell restriction bounds: a negative coefficient turns
// the relation round.
void boundedSides(const DeclaredRestriction& declared, bool& lower, bool& upper) {
    const bool positive = declared.coefficients[0] > 0;
    const bool below = declared.type == BOUND_LOWER || declared.type == BOUND_RANGE;
    const bool above = declared.type == BOUND_UPPER || declared.type == BOUND_RANGE;
    lower = positive ? below : above;
    upper = positive ? above : below;
}

// The bound a single-cell restriction gives the side of its cell: its value over its
// coefficient. A negative lower value may have been raised to 0 first, so either is taken.
bool boundFits(double stored, const DeclaredRestriction& declared, bool lowerSide) {
    const double a = declared.coefficients[0];
    const bool fromLowerValue = (a > 0) == lowerSide;
    const double value = fromLowerValue ? declared.lowerValue : declared.upperValue;
    return stored == value / a || (fromLowerValue && value < 0 && stored == 0.0 / a);
}

std::string sourceText(int32_t lowerSource, int32_t upperSource) {
    if (lowerSource > 0 && upperSource > 0) {
        if (lowerSource == upperSource) return " (restriction " + std::to_string(lowerSource) + ")";
        return " (restrictions " + std::to_string(lowerSource) + " and " +
               std::to_string(upperSource) + ")";
    }
    const int32_t source = std::max(lowerSource, upperSource);
    return source > 0 ? " (restriction " + std::to_string(source) + ")" : "";
}

std::string invalidFile(const Project& project) {
    return "Error: Invalid binary data file " + project.binaryPath + "\n";
}

bool build(const Project& project, bool withWeak, AdjustmentProblem& problem, std::string& error) {
    const BaseArrays& cells = project.cells;
    const HardArrays& hard = project.hard;
    const WeakArrays& weak = project.weak;
    const auto n = static_cast<std::size_t>(cells.cellCount);

    // Values no problem can be built from.
    const bool basesValid = std::all_of(cells.base.begin(), cells.base.end(),
                                        [](double b) { return std::isfinite(b) && b > 0; });
    const bool boundsValid = std::none_of(cells.lower.begin(), cells.lower.end(),
                                          [](double v) { return std::isnan(v); }) &&
                             std::none_of(cells.upper.begin(), cells.upper.end(),
                                          [](double v) { return std::isnan(v); });
    const bool typesValid =
        std::all_of(hard.boundType.begin(), hard.boundType.end(),
                    [](int32_t t) { return t >= BOUND_LOWER && t <= BOUND_EQUAL; });
    bool hardValuesValid = true;
    for (std::size_t r = 0; r < hard.boundType.size(); ++r) {
        const int32_t type = hard.boundType[r];
        const bool lowerUsed = type != BOUND_UPPER;
        const bool upperUsed = type == BOUND_UPPER || type == BOUND_RANGE;
        hardValuesValid = hardValuesValid && !(lowerUsed && std::isnan(hard.lowerValue[r])) &&
                          !(upperUsed && std::isnan(hard.upperValue[r])) &&
                          !(type == BOUND_EQUAL && !std::isfinite(hard.lowerValue[r]));
    }
    if (!basesValid || !boundsValid || !typesValid || !hardValuesValid ||
        !allFinite(hard.coefficient) || !allFinite(weak.coefficient) || !allFinite(weak.target) ||
        !allFinite(weak.weight)) {
        error = invalidFile(project);
        return false;
    }

    // Every declared restriction must be where the binary data file has it.
    const std::vector<Destination> where = destinations(project);
    const auto& declared = project.control.restrictions;
    bool fits = true;
    for (std::size_t i = 0; i < where.size() && fits; ++i) {
        const Destination& d = where[i];
        if (!d.known) {
            fits = false;
        } else if (d.kind == StoredAs::HARD_ROW) {
            fits = hardRowFits(hard, d.number - 1, declared[i]);
        } else if (d.kind == StoredAs::WEAK_ROW) {
            fits = weakRowFits(weak, d.number - 1, declared[i]);
        }
    }
    if (!fits) {
        error = "Error: Control file " + project.controlPath + " does not fit binary data file " +
                project.binaryPath + "\n";
        return false;
    }

    problem = AdjustmentProblem();
    problem.base = cells.base;
    problem.cellNumber = cells.cellIndex;
    for (const ClassLabels& labels : project.labels.classes) {
        problem.classSizes.push_back(labels.size);
    }
    problem.lower.resize(n);
    problem.upper.resize(n);
    problem.lowerSource.assign(n, 0);
    problem.upperSource.assign(n, 0);
    problem.hardSource.assign(static_cast<std::size_t>(hard.rowCount), 0);
    problem.weakSource.assign(static_cast<std::size_t>(weak.rowCount), 0);
    for (std::size_t i = 0; i < where.size(); ++i) {
        const auto number = static_cast<int32_t>(i + 1);
        const auto row = static_cast<std::size_t>(where[i].number - 1);
        if (where[i].kind == StoredAs::HARD_ROW) problem.hardSource[row] = number;
        if (where[i].kind == StoredAs::WEAK_ROW) problem.weakSource[row] = number;
        if (where[i].kind == StoredAs::CELL_BOUND) {
            // The last restriction that bounds a side of the cell set that bound.
            bool lower = false;
            bool upper = false;
            boundedSides(declared[i], lower, upper);
            if (lower) problem.lowerSource[row] = number;
            if (upper) problem.upperSource[row] = number;
        }
    }

    // Every cell bound is the default or the one its last single-cell restriction gave.
    for (std::size_t j = 0; j < n && fits; ++j) {
        const int32_t lowerSource = problem.lowerSource[j];
        const int32_t upperSource = problem.upperSource[j];
        fits = (lowerSource == 0
                    ? cells.lower[j] == 0.0
                    : boundFits(cells.lower[j], declared[static_cast<std::size_t>(lowerSource - 1)],
                                true)) &&
               (upperSource == 0
                    ? cells.upper[j] == NO_BOUND
                    : boundFits(cells.upper[j], declared[static_cast<std::size_t>(upperSource - 1)],
                                false));
    }
    if (!fits) {
        error = "Error: Control file " + project.controlPath + " does not fit binary data file " +
                project.binaryPath + "\n";
        return false;
    }

    const CellNamer namer(project.labels, NameStyle::TERMINAL);
    for (std::size_t j = 0; j < n; ++j) {
        problem.lower[j] = lowerLimit(cells.lower[j]);
        problem.upper[j] = upperLimit(cells.upper[j]);
        if (!consistent(problem.lower[j], problem.upper[j])) {
            error = "Error: Inconsistent bounds: cell " + namer.cellText(cells.cellIndex[j]) +
                    " must lie between " + numberText(cells.lower[j]) + " and " +
                    numberText(cells.upper[j]) +
                    sourceText(problem.lowerSource[j], problem.upperSource[j]) + "\n";
            return false;
        }
    }

    appendRows(problem.hard, hard.rowStart, hard.columnIndex, hard.coefficient);
    const auto m = static_cast<std::size_t>(hard.rowCount);
    problem.hardLower.resize(m);
    problem.hardUpper.resize(m);
    for (std::size_t r = 0; r < m; ++r) {
        const int32_t type = hard.boundType[r];
        const double lower = hard.lowerValue[r];
        const double upper = type == BOUND_EQUAL ? lower : hard.upperValue[r];
        problem.hardLower[r] = type == BOUND_UPPER ? -INFINITE_BOUND : lowerLimit(lower);
        problem.hardUpper[r] = type == BOUND_LOWER ? INFINITE_BOUND : upperLimit(upper);
        if (!consistent(problem.hardLower[r], problem.hardUpper[r])) {
            error = "Error: Inconsistent bounds: restriction " +
                    std::to_string(problem.hardSource[r]) + " has the lower value " +
                    numberText(lower) + " above its upper value " + numberText(upper) + "\n";
            return false;
        }
    }

    for (std::size_t w = 0; w < weak.weight.size(); ++w) {
        if (weak.weight[w] < 0) {
            error = "Error: Weak restriction " + std::to_string(problem.weakSource[w]) +
                    " has a negative weight\n";
            return false;
        }
    }
    if (withWeak && weak.rowCount > 0) {
        appendRows(problem.weak, weak.rowStart, weak.columnIndex, weak.coefficient);
        problem.weakTarget = weak.target;
        problem.weakWeight = weak.weight;
    } else {
        problem.weakSource.clear();
    }
    return true;
}

}  // namespace

double adjustmentObjective(const AdjustmentProblem& problem, const std::vector<double>& x) {
    double sum = 0.0;
    for (std::size_t j = 0; j < problem.base.size(); ++j) {
        const double change = x[j] - problem.base[j];
        sum += change * change / problem.base[j];
    }
    for (int32_t w = 0; w < problem.weak.rowCount(); ++w) {
        const auto i = static_cast<std::size_t>(w);
        const double deviation = rowSum(problem.weak, w, x) - problem.weakTarget[i];
        sum += weakRowCost(problem.weakWeight[i], problem.weakTarget[i]) * deviation * deviation;
    }
    return sum;
}

bool buildAdjustmentProblem(const Project& project, bool withWeak, AdjustmentProblem& problem,
                            std::string& error) {
    try {
        return build(project, withWeak, problem, error);
    } catch (const std::bad_alloc&) {
        problem = AdjustmentProblem();
        error = "Error: Not enough memory to set up the adjustment\n";
        return false;
    }
}
