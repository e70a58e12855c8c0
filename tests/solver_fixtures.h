// What the qorsolve tests share: small problems built row by row, the problem of a project in
// memory, generated tables with every margin of one and two classes, an optimum found by brute
// force apart from the solvers, and (from the headers included) the project of
// solve_project.h and scratch directories.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "qorsolve/problem/adjustment_problem.h"
#include "tests/solve_project.h"
#include "tests/test_files.h"

inline constexpr double INF = INFINITE_BOUND;

// A hard row: its cells, their coefficients and its sides.
struct Row {
    std::vector<int32_t> columns;
    std::vector<double> coefficients;
    double lower;
    double upper;
};

// Appends a row with coefficients over the cells 0, 1, ... (zeros left out).
inline void addRow(SparseRows& rows, const std::vector<double>& coefficients) {
    for (std::size_t j = 0; j < coefficients.size(); ++j) {
        if (coefficients[j] == 0.0) continue;
        rows.column.push_back(static_cast<int32_t>(j));
        rows.value.push_back(coefficients[j]);
    }
    rows.start.push_back(static_cast<int64_t>(rows.column.size()));
}

inline void addHardRow(AdjustmentProblem& p, const std::vector<double>& coefficients, double lower,
                       double upper) {
    addRow(p.hard, coefficients);
    p.hardLower.push_back(lower);
    p.hardUpper.push_back(upper);
}

inline void addHardRow(AdjustmentProblem& p, const Row& row) {
    p.hard.column.insert(p.hard.column.end(), row.columns.begin(), row.columns.end());
    p.hard.value.insert(p.hard.value.end(), row.coefficients.begin(), row.coefficients.end());
    p.hard.start.push_back(static_cast<int64_t>(p.hard.column.size()));
    p.hardLower.push_back(row.lower);
    p.hardUpper.push_back(row.upper);
    p.hardSource.push_back(static_cast<int32_t>(p.hardLower.size()));
}

// `cells` cells of base `base` with the default bounds 0 and infinity, then `rows`, each
// traced to the restriction of its number (1, 2, ...).
inline AdjustmentProblem problemWithRows(int32_t cells, const std::vector<Row>& rows,
                                         double base = 1.0) {
    AdjustmentProblem p;
    const auto n = static_cast<std::size_t>(cells);
    p.base.assign(n, base);
    p.lower.assign(n, 0.0);
    p.upper.assign(n, INF);
    p.lowerSource.assign(n, 0);
    p.upperSource.assign(n, 0);
    for (const Row& row : rows) addHardRow(p, row);
    return p;
}

// The problem qorsolve builds from `project` (solve_project.h), with or without weak rows.
inline AdjustmentProblem problemOf(const Project& project, bool withWeak = true) {
    AdjustmentProblem problem;
    std::string error;
    EXPECT_TRUE(buildAdjustmentProblem(project, withWeak, problem, error)) << error;
    return problem;
}

// a . x and F(x) summed plainly, apart from the code under test.
inline double plainRowSum(const SparseRows& rows, int32_t i, const std::vector<double>& x) {
    double v = 0.0;
    for (int64_t k = rows.start[i]; k < rows.start[i + 1]; ++k) {
        v += rows.value[k] * x[rows.column[k]];
    }
    return v;
}

inline double plainCost(const AdjustmentProblem& p, const std::vector<double>& x) {
    double f = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j) {
        f += (x[j] - p.base[j]) * (x[j] - p.base[j]) / p.base[j];
    }
    for (int32_t w = 0; w < p.weak.rowCount(); ++w) {
        const double d = plainRowSum(p.weak, w, x) - p.weakTarget[w];
        f += p.weakWeight[w] * d * d / std::max(std::fabs(p.weakTarget[w]), 1.0);
    }
    return f;
}

// Whether `x` is whole, within the cells' bounds and meets every hard row to 1e-9 (the tests'
// tables are small: an absolute tolerance serves).
inline bool wholeTableHolds(const AdjustmentProblem& p, const std::vector<double>& x) {
    if (x.size() != p.base.size()) return false;
    for (std::size_t j = 0; j < x.size(); ++j) {
        if (x[j] != std::round(x[j]) || x[j] < p.lower[j] || x[j] > p.upper[j]) return false;
    }
    for (int32_t i = 0; i < p.hard.rowCount(); ++i) {
        const double v = plainRowSum(p.hard, i, x);
        if (v < p.hardLower[i] - 1e-9 || v > p.hardUpper[i] + 1e-9) return false;
    }
    return true;
}

// Four cells of random bases from 0.5 to 5.4 and whole values from 0 to 6, without rows: the
// small problems the bound tests check against brute force.
inline AdjustmentProblem fourRandomCells(std::mt19937_64& random) {
    AdjustmentProblem p;
    for (int j = 0; j < 4; ++j) {
        p.base.push_back(0.5 + static_cast<double>(random() % 50) / 10.0);
        p.lower.push_back(0.0);
        p.upper.push_back(6.0);
    }
    return p;
}

struct BruteForce {
    double cost = INF;      // INF: no whole-number table
    std::vector<double> x;  // the first cheapest table
};

// Calls visit(x) for every whole-number table that meets the hard rows, every whole number
// of every cell's bounds (cut at `cap`) tried: for tables of a few cells of small ranges.
template <class Visit>
void forEachWholeTable(const AdjustmentProblem& p, double cap, Visit visit) {
    const std::size_t n = p.base.size();
    std::vector<double> x(n);
    for (std::size_t j = 0; j < n; ++j) x[j] = std::ceil(p.lower[j]);
    while (true) {
        if (wholeTableHolds(p, x)) visit(x);
        std::size_t j = 0;
        for (; j < n && (x[j] + 1 > p.upper[j] || x[j] + 1 > cap); ++j) {
            x[j] = std::ceil(p.lower[j]);
        }
        if (j == n) return;
        x[j] += 1;
    }
}

// The cheapest whole-number table (forEachWholeTable).
inline BruteForce bruteForce(const AdjustmentProblem& p, double cap = INF) {
    BruteForce best;
    forEachWholeTable(p, cap, [&](const std::vector<double>& x) {
        if (plainCost(p, x) < best.cost) {
            best.cost = plainCost(p, x);
            best.x = x;
        }
    });
    return best;
}

// Adds to `p` one row per margin of one class and of each pair of classes over its adjustable
// cells (p.classSizes, p.cellNumber), each equal to the sum of `table` (one value per
// adjustable cell) over its cells.
inline void addMarginRows(AdjustmentProblem& p, const std::vector<double>& table) {
    const size_t k = p.classSizes.size();
    auto index = [&](int32_t n, size_t c) {
        for (size_t d = k; d-- > c + 1;) n /= p.classSizes[d];
        return n % p.classSizes[c];
    };
    for (size_t c1 = 0; c1 < k; ++c1) {
        for (size_t c2 = c1; c2 < k; ++c2) {  // c2 == c1: the margins of one class
            std::map<std::pair<int32_t, int32_t>, std::vector<int32_t>> rows;
            for (size_t j = 0; j < p.base.size(); ++j) {
                rows[{index(p.cellNumber[j], c1), index(p.cellNumber[j], c2)}].push_back(
                    static_cast<int32_t>(j));
            }
            for (const auto& [key, cells] : rows) {
                double sum = 0.0;
                for (int32_t j : cells) {
                    p.hard.column.push_back(j);
                    p.hard.value.push_back(1.0);
                    sum += table[static_cast<size_t>(j)];
                }
                p.hard.start.push_back(static_cast<int64_t>(p.hard.column.size()));
                p.hardLower.push_back(sum);
                p.hardUpper.push_back(sum);
            }
        }
    }
}

// A generated table whose margins a known whole-number table meets.
struct MarginTable {
    AdjustmentProblem problem;
    std::vector<double> table;  // whole numbers, one per adjustable cell, that meet every row
};

// A table of the class sizes `sizes` with every margin of one and two classes as equality
// rows. Every `skipEvery`-th cell (the cells n with n % skipEvery == 1) is not adjustable (0:
// all are); `cell(random)` gives each adjustable cell's {base, value in the known table}.
template <class Cell>
MarginTable marginTable(const std::vector<int32_t>& sizes, int skipEvery, uint64_t seed,
                        Cell cell) {
    MarginTable m;
    AdjustmentProblem& p = m.problem;
    p.classSizes = sizes;
    int32_t total = 1;
    for (int32_t s : sizes) total *= s;
    std::mt19937_64 random(seed);
    for (int32_t n = 0; n < total; ++n) {
        if (skipEvery > 0 && n % skipEvery == 1) continue;
        const auto [base, value] = cell(random);
        p.cellNumber.push_back(n);
        p.base.push_back(base);
        p.lower.push_back(0.0);
        p.upper.push_back(INF);
        m.table.push_back(value);
    }
    addMarginRows(p, m.table);
    return m;
}

// How often `part` stands in `text`, overlaps counted.
inline std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}
