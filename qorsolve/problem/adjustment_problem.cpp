#include "qorsolve/problem/adjustment_problem.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <utility>

#include "common/bound_type.h"
#include "common/cell_text.h"
#include "common/project.h"
#include "qorsolve/core/qorsolve_error.h"
#include "qorsolve/problem/control_file_fit.h"
#include "qorsolve/problem/numeric_checks.h"

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

// The rows of a file's arrays; the entries are copied, or moved where the caller gives them up.
void appendRows(SparseRows& rows, const std::vector<int32_t>& rowStart,
                std::vector<int32_t> columns, std::vector<double> coefficients) {
    rows.start.assign(rowStart.begin(), rowStart.end());
    if (rows.start.empty()) rows.start.push_back(0);
    rows.column = std::move(columns);
    rows.value = std::move(coefficients);
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
    return errorMessage({QorsolveFault::INVALID_BINARY_FILE, project.binaryPath});
}

std::string controlDoesNotFit(const Project& project) {
    return errorMessage(
        {QorsolveFault::CONTROL_DOES_NOT_FIT, project.controlPath, project.binaryPath});
}

// Whether the binary data file's values can make a problem: bases finite and above 0, bounds
// numbers, relation codes that mean something, the values each relation uses numbers (an
// equality's finite), coefficients, weak targets and weights finite.
bool valuesUsable(const Project& project) {
    const BaseArrays& cells = project.cells;
    const HardArrays& hard = project.hard;
    const WeakArrays& weak = project.weak;
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
        hardValuesValid = hardValuesValid &&
                          !(usesLowerValue(type) && std::isnan(hard.lowerValue[r])) &&
                          !(usesUpperValue(type) && std::isnan(hard.upperValue[r])) &&
                          !(type == BOUND_EQUAL && !std::isfinite(hard.lowerValue[r]));
    }
    return basesValid && boundsValid && typesValid && hardValuesValid &&
           allFinite(hard.coefficient) && allFinite(weak.coefficient) && allFinite(weak.target) &&
           allFinite(weak.weight);
}

// Each row's and each cell bound's declared restriction (`where` is destinations(project)):
// for a cell bound, the last restriction that bounds that side of the cell.
void traceSources(const Project& project, const std::vector<Destination>& where,
                  AdjustmentProblem& problem) {
    const auto n = static_cast<std::size_t>(project.cells.cellCount);
    problem.lowerSource.assign(n, 0);
    problem.upperSource.assign(n, 0);
    problem.hardSource.assign(static_cast<std::size_t>(project.hard.rowCount), 0);
    problem.weakSource.assign(static_cast<std::size_t>(project.weak.rowCount), 0);
    for (std::size_t i = 0; i < where.size(); ++i) {
        const auto number = static_cast<int32_t>(i + 1);
        const auto row = static_cast<std::size_t>(where[i].number - 1);
        if (where[i].kind == StoredAs::HARD_ROW) problem.hardSource[row] = number;
        if (where[i].kind == StoredAs::WEAK_ROW) problem.weakSource[row] = number;
        if (where[i].kind == StoredAs::CELL_BOUND) {
            bool lower = false;
            bool upper = false;
            boundedSides(project.control.restrictions[i], lower, upper);
            if (lower) problem.lowerSource[row] = number;
            if (upper) problem.upperSource[row] = number;
        }
    }
}

// The cells, their bounds infinite where the file has none; false with `error` set when a
// cell's bounds cross.
bool buildCells(const Project& project, AdjustmentProblem& problem, std::string& error) {
    const BaseArrays& cells = project.cells;
    const auto n = static_cast<std::size_t>(cells.cellCount);
    problem.base = cells.base;
    problem.cellNumber = cells.cellIndex;
    for (const ClassLabels& labels : project.labels.classes) {
        problem.classSizes.push_back(labels.size);
    }
    problem.lower.resize(n);
    problem.upper.resize(n);
    const CellNamer namer(project.labels, NameStyle::TERMINAL);
    for (std::size_t j = 0; j < n; ++j) {
        problem.lower[j] = lowerLimit(cells.lower[j]);
        problem.upper[j] = upperLimit(cells.upper[j]);
        if (!consistent(problem.lower[j], problem.upper[j])) {
            error = errorMessage({QorsolveFault::INCONSISTENT_BOUNDS,
                                  "cell " + namer.cellText(cells.cellIndex[j]) +
                                      " must lie between " + numberText(cells.lower[j]) + " and " +
                                      numberText(cells.upper[j]) +
                                      sourceText(problem.lowerSource[j], problem.upperSource[j])});
            return false;
        }
    }
    return true;
}

// The hard rows with their sides, infinite where open; false with `error` set when a row's
// sides cross. With `taken` (the project's own hard rows), the entries are moved, not copied.
bool buildHardRows(const Project& project, AdjustmentProblem& problem, std::string& error,
                   HardArrays* taken) {
    const HardArrays& hard = project.hard;
    if (taken != nullptr) {
        appendRows(problem.hard, taken->rowStart, std::move(taken->columnIndex),
                   std::move(taken->coefficient));
        std::vector<int32_t>().swap(taken->rowStart);
        taken->columnIndex.clear();
        taken->coefficient.clear();
    } else {
        appendRows(problem.hard, hard.rowStart, hard.columnIndex, hard.coefficient);
    }
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
            error = errorMessage({QorsolveFault::INCONSISTENT_BOUNDS,
                                  "restriction " + std::to_string(problem.hardSource[r]) +
                                      " has the lower value " + numberText(lower) +
                                      " above its upper value " + numberText(upper)});
            return false;
        }
    }
    return true;
}

// The weak rows when `withWeak`; false with `error` set for a negative weight, which is
// refused whether or not the weak rows are used.
bool buildWeakRows(const Project& project, bool withWeak, AdjustmentProblem& problem,
                   std::string& error) {
    const WeakArrays& weak = project.weak;
    for (std::size_t w = 0; w < weak.weight.size(); ++w) {
        if (weak.weight[w] < 0) {
            error = errorMessage(
                {QorsolveFault::NEGATIVE_WEAK_WEIGHT, std::to_string(problem.weakSource[w])});
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

bool build(const Project& project, bool withWeak, AdjustmentProblem& problem, std::string& error,
           HardArrays* taken) {
    if (!valuesUsable(project)) {
        error = invalidFile(project);
        return false;
    }
    const std::vector<Destination> where = destinations(project);
    if (!rowsFitControlFile(project, where)) {
        error = controlDoesNotFit(project);
        return false;
    }
    problem = AdjustmentProblem();
    traceSources(project, where, problem);
    if (!cellBoundsFitControlFile(project, problem.lowerSource, problem.upperSource)) {
        error = controlDoesNotFit(project);
        return false;
    }
    return buildCells(project, problem, error) && buildHardRows(project, problem, error, taken) &&
           buildWeakRows(project, withWeak, problem, error);
}

}  // namespace

double adjustmentObjective(const AdjustmentProblem& problem, const std::vector<double>& x) {
    double sum = problem.objective.cellsTotal(problem.base, x);
    for (int32_t w = 0; w < problem.weak.rowCount(); ++w) {
        const auto i = static_cast<std::size_t>(w);
        const double deviation = rowSum(problem.weak, w, x) - problem.weakTarget[i];
        sum += weakRowCost(problem.weakWeight[i], problem.weakTarget[i]) * deviation * deviation;
    }
    return sum;
}

std::vector<int32_t> cellsByNumber(const AdjustmentProblem& problem, int64_t largest) {
    if (problem.classSizes.empty() || problem.cellNumber.size() != problem.base.size()) return {};
    int64_t total = 1;
    for (int32_t s : problem.classSizes) {
        if (s <= 0 || total > largest / s) return {};
        total *= s;
    }
    std::vector<int32_t> cellAt(std::size_t(total), -1);
    for (std::size_t j = 0; j < problem.cellNumber.size(); ++j) {
        if (problem.cellNumber[j] < 0 || problem.cellNumber[j] >= total) return {};
        cellAt[std::size_t(problem.cellNumber[j])] = static_cast<int32_t>(j);
    }
    return cellAt;
}

std::vector<int64_t> classStrides(const std::vector<int32_t>& classSizes) {
    std::vector<int64_t> stride(classSizes.size(), 1);
    for (std::size_t c = classSizes.size(); c-- > 1;) stride[c - 1] = stride[c] * classSizes[c];
    return stride;
}

namespace {

bool guardedBuild(const Project& project, bool withWeak, AdjustmentProblem& problem,
                  std::string& error, HardArrays* taken) {
    try {
        return build(project, withWeak, problem, error, taken);
    } catch (const std::bad_alloc&) {
        problem = AdjustmentProblem();
        error = errorMessage({QorsolveFault::NO_MEMORY_TO_SET_UP});
        return false;
    }
}

}  // namespace

bool buildAdjustmentProblem(const Project& project, bool withWeak, AdjustmentProblem& problem,
                            std::string& error) {
    return guardedBuild(project, withWeak, problem, error, nullptr);
}

bool takeAdjustmentProblem(Project& project, bool withWeak, AdjustmentProblem& problem,
                           std::string& error) {
    return guardedBuild(project, withWeak, problem, error, &project.hard);
}
