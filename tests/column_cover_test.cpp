// ColumnCover: the columns a reference covers, found from its ranges, are exactly those of
// the reference's expanded cells that are columns, ascending; on random tables whose
// columns are dense, sparse, or dense in some parts only.
#include "qorlex/model/column_cover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using Ints = std::vector<int32_t>;

TEST(ColumnCover, SameColumnsAsTheExpandedCells) {
    std::mt19937 random(14);
    const int densities[] = {0, 5, 30, 70, 100, -1};  // percent of cells; -1: whole parts
    for (int density : densities) {
        for (int round = 0; round < 400; ++round) {
            const int classCount = 1 + static_cast<int>(random() % 4);
            Ints sizes;
            int32_t tableSize = 1;
            for (int k = 0; k < classCount; ++k) {
                sizes.push_back(1 + static_cast<int32_t>(random() % 5));
                tableSize *= sizes.back();
            }
            Ints cellIndex, columnOfCell(static_cast<std::size_t>(tableSize), -1);
            const int32_t part = tableSize / sizes[0];  // cells per index of the first class
            const bool wholePart = random() % 2 == 0;
            for (int32_t cell = 0; cell < tableSize; ++cell) {
                const bool taken = density >= 0 ? static_cast<int>(random() % 100) < density
                                                : ((cell / part) % 2 == 0) == wholePart;
                if (!taken) continue;
                columnOfCell[static_cast<std::size_t>(cell)] =
                    static_cast<int32_t>(cellIndex.size());
                cellIndex.push_back(cell);
            }

            IndexStack stack;
            ASSERT_EQ(stack.setup(sizes.data(), classCount), OK);
            for (int k = 0; k < classCount; ++k) {
                // Ascending ranges apart or adjacent; at least one.
                for (int32_t i = 0; i < sizes[static_cast<std::size_t>(k)];) {
                    const int32_t high =
                        i + static_cast<int32_t>(
                                random() %
                                static_cast<unsigned>(sizes[static_cast<std::size_t>(k)] - i));
                    if (random() % 3 != 0 || stack.rangeCount(k) == 0) {
                        ASSERT_EQ(stack.push(k, i, high), OK);
                    }
                    i = high + 1 + static_cast<int32_t>(random() % 2);
                }
            }

            Ints cells(static_cast<std::size_t>(tableSize));
            int64_t produced = 0;
            ASSERT_EQ(stack.expand(cells.data(), tableSize, produced), OK);
            cells.resize(static_cast<std::size_t>(produced));
            Ints expected;
            for (int32_t cell : cells) {
                if (columnOfCell[static_cast<std::size_t>(cell)] >= 0)
                    expected.push_back(columnOfCell[static_cast<std::size_t>(cell)]);
            }

            ColumnCover cover;
            cover.setup(cellIndex, sizes.data(), classCount);
            Ints found(cellIndex.size() + 1, -7);
            found.resize(static_cast<std::size_t>(cover.collect(stack, found.data())));
            ASSERT_EQ(found, expected) << "density " << density << ", round " << round;
        }
    }
}

}  // namespace
