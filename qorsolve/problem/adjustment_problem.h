// The adjustment problem as qorsolve solves it.
//
// Minimise  F(x) = sum_j c_j(x_j)
//                + sum_w weakWeight_w * (a_w . x - weakTarget_w)^2 / max(|weakTarget_w|, 1)
// subject to hardLower_i <= a_i . x <= hardUpper_i for every hard row i and
// lower_j <= x_j <= upper_j for every adjustable cell j; in integer mode every x_j is whole.
// c_j is the cell's cost (objective.h), (x_j - base_j)^2 / base_j.
//
// Columns are the adjustable cells in the order of the binary data file. Missing bounds are
// infinite (the file's +-1e38 becomes +-INFINITE_BOUND here), so solvers need no sentinel
// checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qorsolve/problem/objective.h"
#include "qorsolve/problem/sparse_rows.h"

struct Project;

// Where a row or a cell bound comes from: the 1-based number of the declared restriction
// in declaration order, or 0 for a cell's default bound (the lower bound 0 of every cell,
// or a bound no restriction set).
struct AdjustmentProblem {
    // One entry per adjustable cell.
    std::vector<double> base;  // > 0
    std::vector<double> lower;
    std::vector<double> upper;
    std::vector<int32_t> lowerSource;
    std::vector<int32_t> upperSource;
    // The table's grid, for searches that use its structure (empty when unknown): the size
    // of each class, the last class varying fastest in cell numbers, and each adjustable
    // cell's number in the full table, ascending.
    std::vector<int32_t> classSizes;
    std::vector<int32_t> cellNumber;

    // Hard rows: hardLower == hardUpper for "=", one side infinite for ">" and "<".
    SparseRows hard;
    std::vector<double> hardLower;
    std::vector<double> hardUpper;
    std::vector<int32_t> hardSource;

    // Weak rows (empty when weak restrictions are ignored).
    SparseRows weak;
    std::vector<double> weakTarget;
    std::vector<double> weakWeight;  // as stored in the binary data file, already normalised
    std::vector<int32_t> weakSource;

    // The distance the cells' cost measures.
    Objective objective;

    int32_t cellCount() const { return static_cast<int32_t>(base.size()); }
    // Cell j's cost, the one way every stage asks it.
    CellCost cellCost(std::size_t j) const { return objective.cell(j, base[j]); }
};

// F(x) as above, over the weak rows the problem holds.
double adjustmentObjective(const AdjustmentProblem& problem, const std::vector<double>& x);

// Per number of the full grid (classSizes, the last class fastest) the adjustable cell of that
// number, or -1. Empty when the problem has no grid, when a cell number lies outside it, or
// when the grid holds more than `largest` cells. Throws std::bad_alloc when memory runs out.
std::vector<int32_t> cellsByNumber(const AdjustmentProblem& problem, int64_t largest);

// How far a cell number moves when the value of each class moves by one: the last class
// varies fastest. For class sizes whose product the caller has checked against overflow.
std::vector<int64_t> classStrides(const std::vector<int32_t>& classSizes);

// The problem of a loaded project, its control file included: the cells, bounds and rows of
// the binary data file, with +-1e38 as infinite bounds, and every row and bound traced back
// to its declared restriction. Without `withWeak` the problem has no weak rows. False, with
// `error` set to the one line to print (with its line end), for values no table can be built
// from (not a number, a base not above 0, a relation code that means nothing, a negative
// weight), for bounds that contradict each other, for a control file that does not describe
// the rows of the binary data file, and when memory runs out. Throws nothing.
bool buildAdjustmentProblem(const Project& project, bool withWeak, AdjustmentProblem& problem,
                            std::string& error);

// As buildAdjustmentProblem, but the problem takes the project's hard-row entries instead of
// copying them, so that a table of millions of cells holds them once: project.hard keeps its
// counts, relations and values, and its rowStart, columnIndex and coefficient are left empty
// (also when the build fails). Throws nothing.
bool takeAdjustmentProblem(Project& project, bool withWeak, AdjustmentProblem& problem,
                           std::string& error);
