// The cells a delimited file gives on more than one line, found at its end.
#include "qorlex/model/repeated_cells.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(RepeatedCells, CellsOnSeveralLinesByTheirLastLine) {
    RepeatedCells cells;
    ASSERT_TRUE(cells.setup(200));
    // (line, cell): cell 7 on five lines, 130 on two, 64 and 0 once.
    const std::pair<int64_t, int32_t> lines[] = {{1, 7}, {2, 130}, {3, 7},   {4, 64}, {5, 7},
                                                 {6, 0}, {7, 7},   {9, 130}, {12, 7}};
    for (const auto& [line, cell] : lines) ASSERT_TRUE(cells.note(cell, line));
    int64_t total = 0;
    const std::vector<RepeatedCells::Repeat> all = cells.repeats(10, total);
    EXPECT_EQ(total, 2);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].cell, 130);
    EXPECT_EQ(all[0].line, 9);
    EXPECT_EQ(all[0].earlier, (std::vector<int64_t>{2}));
    EXPECT_EQ(all[0].moreEarlier, 0);
    EXPECT_EQ(all[1].cell, 7);
    EXPECT_EQ(all[1].line, 12);
    EXPECT_EQ(all[1].earlier, (std::vector<int64_t>{1, 3, 5}));
    EXPECT_EQ(all[1].moreEarlier, 1);

    const std::vector<RepeatedCells::Repeat> first = cells.repeats(1, total);
    EXPECT_EQ(total, 2);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].cell, 130);
}

TEST(RepeatedCells, NothingNotedOutsideTheTableOrAfterClear) {
    RepeatedCells cells;
    EXPECT_FALSE(cells.note(0, 1));  // not set up
    ASSERT_TRUE(cells.setup(64));
    EXPECT_FALSE(cells.note(64, 1));
    EXPECT_FALSE(cells.note(-1, 1));
    EXPECT_TRUE(cells.note(63, 1));
    EXPECT_TRUE(cells.note(63, 2));
    cells.clear();
    int64_t total = -1;
    EXPECT_TRUE(cells.repeats(5, total).empty());
    EXPECT_EQ(total, 0);
}

}  // namespace
