#include "qorsolve/problem/sparse_rows.h"

#include <algorithm>
#include <cstddef>

double rowSum(const SparseRows& rows, int32_t row, const std::vector<double>& x) {
    const auto r = static_cast<std::size_t>(row);
    double sum = 0.0;
    for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
        const auto entry = static_cast<std::size_t>(k);
        sum += rows.value[entry] * x[static_cast<std::size_t>(rows.column[entry])];
    }
    return sum;
}

SparseColumns byColumns(const SparseRows& rows, int32_t columnCount, bool withValues) {
    SparseColumns columns;
    const auto count = static_cast<std::size_t>(columnCount);
    columns.start.assign(count + 1, 0);
    for (int32_t j : rows.column) ++columns.start[static_cast<std::size_t>(j) + 1];
    for (std::size_t j = 0; j < count; ++j) columns.start[j + 1] += columns.start[j];
    columns.row.resize(rows.column.size());
    if (withValues) columns.value.resize(rows.column.size());
    std::vector<int64_t> next(columns.start.begin(), columns.start.end() - 1);
    for (int32_t i = 0; i < rows.rowCount(); ++i) {
        const auto r = static_cast<std::size_t>(i);
        for (int64_t k = rows.start[r]; k < rows.start[r + 1]; ++k) {
            const auto entry = static_cast<std::size_t>(k);
            const auto at =
                static_cast<std::size_t>(next[static_cast<std::size_t>(rows.column[entry])]++);
            columns.row[at] = i;
            if (withValues) columns.value[at] = rows.value[entry];
        }
    }
    return columns;
}

bool allValuesOne(const SparseRows& rows) {
    return std::all_of(rows.value.begin(), rows.value.end(), [](double a) { return a == 1.0; });
}
