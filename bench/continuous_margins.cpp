// Times the real-valued adjustment of a table with all one- and two-dimensional margins.
//
//   continuous_margins [--shift UNITS] [REPEATS] [S1 S2 ... Sk]
//
// Builds in memory a table with classes of the given sizes (default 100 50 20 10: 1,000,000
// cells and 9,880 margins), takes the margins of a whole-number table as equalities and a base
// that differs from that table by up to 30 % in each cell, so that every margin forces a real
// adjustment, and solves it REPEATS times (default 3). Prints the best time, the work done, the
// KKT residual, the largest row violation, the peak memory and the machine's load.
// With --shift, one two-dimensional margin is moved by UNITS, so that no table exists: the
// solve must say so and name the rows it suspects.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "qorsolve/continuous/continuous_solver.h"

namespace {

AdjustmentProblem marginsProblem(const std::vector<int>& sizes) {
    const int classes = static_cast<int>(sizes.size());
    int64_t cells = 1;
    for (int s : sizes) cells *= s;

    // Margins: every class alone, then every pair of classes.
    std::vector<std::vector<int>> margins;
    for (int k = 0; k < classes; ++k) margins.push_back({k});
    for (int k = 0; k < classes; ++k)
        for (int l = k + 1; l < classes; ++l) margins.push_back({k, l});
    std::vector<int32_t> offset{0};
    for (const auto& m : margins) {
        int32_t count = 1;
        for (int k : m) count *= sizes[k];
        offset.push_back(offset.back() + count);
    }
    const int32_t rows = offset.back();

    std::mt19937_64 random(42);
    AdjustmentProblem p;
    std::vector<double> table(cells);
    p.base.resize(cells);
    for (int64_t j = 0; j < cells; ++j) {
        table[j] = static_cast<double>(1 + random() % 20);
        const double change = std::uniform_real_distribution<double>(-0.3, 0.3)(random);
        p.base[j] = std::max(0.5, table[j] * (1.0 + change));
    }
    p.lower.assign(cells, 0.0);
    p.upper.assign(cells, INFINITE_BOUND);
    p.lowerSource.assign(cells, 0);
    p.upperSource.assign(cells, 0);

    // The rows of each cell, class indices with the last class varying fastest.
    auto rowsOf = [&](int64_t j, std::vector<int32_t>& out) {
        std::vector<int> index(classes);
        for (int k = classes - 1; k >= 0; --k) {
            index[k] = static_cast<int>(j % sizes[k]);
            j /= sizes[k];
        }
        out.clear();
        for (std::size_t m = 0; m < margins.size(); ++m) {
            int32_t r = 0;
            for (int k : margins[m]) r = r * sizes[k] + index[k];
            out.push_back(offset[m] + r);
        }
    };
    std::vector<int64_t> start(static_cast<std::size_t>(rows) + 1, 0);
    std::vector<int32_t> cellRows;
    for (int64_t j = 0; j < cells; ++j) {
        rowsOf(j, cellRows);
        for (int32_t r : cellRows) ++start[r + 1];
    }
    for (int32_t r = 0; r < rows; ++r) start[r + 1] += start[r];
    p.hard.start = start;
    p.hard.column.resize(start[rows]);
    p.hard.value.assign(start[rows], 1.0);
    p.hardLower.assign(rows, 0.0);
    for (int64_t j = 0; j < cells; ++j) {
        rowsOf(j, cellRows);
        for (int32_t r : cellRows) {
            p.hard.column[start[r]++] = static_cast<int32_t>(j);
            p.hardLower[r] += table[j];
        }
    }
    p.hardUpper = p.hardLower;
    p.hardSource.assign(rows, 1);
    return p;
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " " + five;
}

}  // namespace

int main(int argc, char** argv) {
    int repeats = 3;
    double shift = 0.0;
    std::vector<int> sizes;
    int a = 1;
    if (argc > 2 && std::string(argv[1]) == "--shift") {
        shift = std::atof(argv[2]);
        a = 3;
    }
    if (argc > a) repeats = std::max(1, std::atoi(argv[a]));
    for (++a; a < argc; ++a) sizes.push_back(std::max(1, std::atoi(argv[a])));
    if (sizes.empty()) sizes = {100, 50, 20, 10};

    AdjustmentProblem problem = marginsProblem(sizes);
    if (shift != 0.0) {
        // The middle row of the last block of margins, a two-dimensional one when k > 1.
        const int32_t rows = problem.hard.rowCount();
        const int32_t row = rows - 1 - (rows - static_cast<int32_t>(sizes.front()) > 0 ? 1 : 0);
        problem.hardLower[row] += shift;
        problem.hardUpper[row] += shift;
    }
    std::printf("cells %d, margins %d, entries %zu, load before %s\n", problem.cellCount(),
                problem.hard.rowCount(), problem.hard.column.size(), loadAverage().c_str());
    double best = INFINITY;
    ContinuousResult result;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        result = solveContinuous(problem, {});
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("run %d: %.3f s\n", r + 1, seconds);
        best = std::min(best, seconds);
    }
    double violation = 0.0;
    for (int32_t i = 0; i < problem.hard.rowCount(); ++i) {
        double sum = 0.0;
        for (int64_t k = problem.hard.start[i]; k < problem.hard.start[i + 1]; ++k)
            sum += result.x[problem.hard.column[k]];
        violation = std::max(violation, std::fabs(sum - problem.hardLower[i]) /
                                            std::max(1.0, std::fabs(problem.hardLower[i])));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "status %d, best %.3f s, Newton steps %d, CG steps %d, objective %.10g, bound %.10g, "
        "KKT residual %.3g, largest relative row violation %.3g, peak memory %.0f MB, load "
        "after %s\n",
        static_cast<int>(result.status.model), best, result.newtonSteps, result.cgSteps,
        result.objective, result.dualBound, result.kktResidual, violation,
        static_cast<double>(usage.ru_maxrss) / 1024.0, loadAverage().c_str());
    if (shift != 0.0) {
        std::printf("suspect rows: %zu\n", result.suspectRows.size());
        return result.status.model == ModelStatus::INFEASIBLE ? 0 : 1;
    }
    return result.status.model == ModelStatus::OPTIMAL ? 0 : 1;
}
