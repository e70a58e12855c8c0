// IndexStack: the ranges of one cell reference per class and the odometer that expands
// them into cell numbers (last class fastest; within a class the ranges in the order read).
#include "qorlex/model/index_stack.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Cells = std::vector<int32_t>;
using Ranges = std::vector<std::vector<IndexRange>>;  // per class

IndexStack stackOf(const std::vector<int32_t>& sizes, const Ranges& ranges) {
    IndexStack stack;
    EXPECT_EQ(stack.setup(sizes.data(), static_cast<int>(sizes.size())), OK);
    for (std::size_t k = 0; k < ranges.size(); ++k) {
        for (const IndexRange& r : ranges[k])
            EXPECT_EQ(stack.push(static_cast<int>(k), r.low, r.high), OK);
    }
    return stack;
}

Cells expanded(IndexStack& stack, int64_t room, ErrorCode expected = OK) {
    Cells out(static_cast<std::size_t>(room > 0 ? room : 0));
    int64_t produced = -1;
    EXPECT_EQ(stack.expand(out.data(), room, produced), expected);
    out.resize(static_cast<std::size_t>(produced));
    return out;
}

TEST(IndexStack, ExpansionOrder) {
    struct Case {
        std::vector<int32_t> sizes;
        Ranges ranges;
        Cells cells;
    } cases[] = {
        {{5}, {{{3, 3}}}, {3}},
        {{5}, {{{0, 1}, {3, 4}}}, {0, 1, 3, 4}},
        {{2, 3}, {{{0, 1}}, {{0, 2}}}, {0, 1, 2, 3, 4, 5}},  // last class fastest
        {{2, 3}, {{{1, 1}}, {{0, 0}, {2, 2}}}, {3, 5}},
        {{3, 2, 2}, {{{0, 0}, {2, 2}}, {{1, 1}}, {{0, 1}}}, {2, 3, 10, 11}},
        {{4}, {{{3, 3}, {0, 1}}}, {3, 0, 1}},  // ranges in the order read, not sorted
    };
    for (auto& c : cases) {
        IndexStack stack = stackOf(c.sizes, c.ranges);
        EXPECT_EQ(expanded(stack, 100), c.cells);
    }
}

// Sizes 8, 2, 10 and (2_4 + 7, male, _): regions 1, 2, 3, 6, sex 0, every age: 40 cells.
TEST(IndexStack, RoomTooSmallIsNotEnoughMemory) {
    IndexStack stack = stackOf({8, 2, 10}, {{{1, 3}, {6, 6}}, {{0, 0}}, {{0, 9}}});
    EXPECT_EQ(expanded(stack, 40).size(), 40u);  // room for exactly every cell
    EXPECT_EQ(expanded(stack, 39, NOT_ENOUGH_MEMORY).size(), 39u);
    EXPECT_EQ(expanded(stack, 1, NOT_ENOUGH_MEMORY).size(), 1u);
    EXPECT_TRUE(expanded(stack, 0, NOT_ENOUGH_MEMORY).empty());
}

TEST(IndexStack, AtMost1024RangesPerClass) {
    const int32_t sizes[] = {2000, 3};
    IndexStack stack;
    ASSERT_EQ(stack.setup(sizes, 2), OK);
    for (int32_t i = 0; i < 1024; ++i) ASSERT_EQ(stack.push(0, i, i), OK) << i;
    EXPECT_EQ(stack.push(0, 1024, 1024), INDEX_STACK_TOO_SMALL);
    EXPECT_EQ(stack.rangeCount(0), 1024);
    EXPECT_EQ(stack.push(1, 0, 2), OK);  // the other class has its own 1024
    EXPECT_EQ(expanded(stack, 5000).size(), 3072u);

    stack.clear();  // a new reference starts empty
    EXPECT_EQ(stack.rangeCount(0), 0);
    EXPECT_EQ(stack.push(0, 5, 5), OK);
    EXPECT_EQ(stack.push(1, 1, 1), OK);
    EXPECT_EQ(expanded(stack, 10), (Cells{16}));
}

TEST(IndexStack, RangeOfAClassNotSetUpIsAnInternalError) {
    IndexStack unset;
    EXPECT_EQ(unset.push(0, 0, 0), INDEX_CLASS_ERROR);
    const int32_t sizes[] = {2};
    IndexStack stack;
    ASSERT_EQ(stack.setup(sizes, 1), OK);
    EXPECT_EQ(stack.push(1, 0, 0), INDEX_CLASS_ERROR);
}

}  // namespace
