// Which margins sum a cell of positive base, for tables whose margins cover few cells or many,
// and for a table much larger than its base file.
#include "qorimport/margin_cover.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A table of the given class sizes whose cells are `cells` (one characteristic per class
// each) with `values`.
ImportedTable tableOf(const std::vector<int32_t>& sizes,
                      const std::vector<std::vector<int32_t>>& cells,
                      const std::vector<double>& values) {
    ImportedTable table;
    int64_t product = 1;
    for (int32_t size : sizes) {
        ImportedClass named;
        named.labels.resize(static_cast<std::size_t>(size));
        table.classes.push_back(named);
        product *= size;
    }
    table.tableSize = product;
    for (const auto& cell : cells) {
        table.characteristics.insert(table.characteristics.end(), cell.begin(), cell.end());
    }
    table.values = values;
    table.lines.assign(values.size(), 1);
    return table;
}

Margin marginOf(std::vector<int32_t> cells) {
    Margin margin;
    margin.cells = std::move(cells);
    return margin;
}

TEST(MarginCover, MarginsOverPositiveCells) {
    const int32_t all = ALL_CHARACTERISTICS;
    const struct {
        std::vector<int32_t> sizes;
        std::vector<std::vector<int32_t>> cells;
        std::vector<double> values;
        std::vector<std::vector<int32_t>> margins;
        std::vector<char> covers;
    } cases[] = {
        // Few cells covered: each margin's cells are looked at.
        {{3, 2},
         {{0, 0}, {0, 1}, {1, 0}, {2, 1}},
         {5, 0, 0, 4},
         {{0, all}, {1, all}, {all, 1}, {1, 1}, {2, 1}},
         {1, 0, 1, 0, 1}},
        // More cells covered than the base file has: one pass over its cells.
        {{3, 2}, {{1, 1}}, {2}, {{all, all}, {all, 0}, {all, 1}}, {1, 0, 1}},
        // A table of 10^8 cells and three lines, the positive cells kept by number.
        {{10000, 10000},
         {{5, 7}, {5, 8}, {9999, 9999}},
         {0, 3, 1},
         {{5, all}, {all, 7}, {all, 8}, {9999, 9999}, {all, all}, {4, all}},
         {1, 0, 1, 1, 1, 0}},
    };
    for (const auto& c : cases) {
        const ImportedTable table = tableOf(c.sizes, c.cells, c.values);
        std::vector<Margin> margins;
        for (const auto& cells : c.margins) margins.push_back(marginOf(cells));
        EXPECT_EQ(coverPositiveCells(table, margins), c.covers) << c.sizes[0];
    }
}

}  // namespace
