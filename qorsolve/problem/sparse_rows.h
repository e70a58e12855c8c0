// Sparse matrices as the solvers hold them, and the one spelling of an infinite bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

// A bound that does not bound: rows and cells without one hold +-INFINITE_BOUND, so no solver
// needs a sentinel test.
inline constexpr double INFINITE_BOUND = std::numeric_limits<double>::infinity();

// A sparse matrix by rows: the entries of row i are start[i] .. start[i + 1] - 1.
struct SparseRows {
    std::vector<int64_t> start{0};
    std::vector<int32_t> column;
    std::vector<double> value;

    int32_t rowCount() const { return static_cast<int32_t>(start.size()) - 1; }
};

// The same matrix by columns: the entries of column j are start[j] .. start[j + 1] - 1, in
// ascending row order.
struct SparseColumns {
    std::vector<int64_t> start{0};
    std::vector<int32_t> row;
    std::vector<double> value;

    int32_t columnCount() const { return static_cast<int32_t>(start.size()) - 1; }
    // The values for entryValue(): nullptr where the columns hold none (byColumns without
    // them), so that a loop over entries tests it once, not at each entry.
    const double* values() const { return value.empty() ? nullptr : value.data(); }
};

// Entry k's value among `values` (SparseColumns::values()): 1 where there are none.
inline double entryValue(const double* values, int64_t k) {
    return values != nullptr ? values[k] : 1.0;
}

// The row sum a_row . x of one row.
double rowSum(const SparseRows& rows, int32_t row, const std::vector<double>& x);

// `rows` (whose column numbers lie below `columnCount`) by columns; without `withValues` the
// entries' values are left out (`value` stays empty, and entryValue gives 1). Throws
// std::bad_alloc when memory runs out.
SparseColumns byColumns(const SparseRows& rows, int32_t columnCount, bool withValues = true);

// Whether every value of `rows` is 1, as in a table's margins: their columns need no values,
// a good share of a solve's memory on a table of millions of cells.
bool allValuesOne(const SparseRows& rows);
