// The memory check before a large array: the address-space limit counts, not only the memory
// the system has free.
#include "common/allocation.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/address_space.h"

namespace {

TEST(Allocation, AddressSpaceLimitIsRespected) {
    const std::size_t gib = std::size_t{1} << 30;
    bool large = true, small = false, assigned = true;
    {
        // Room for a few hundred MiB more than the program uses now.
        const AddressSpaceLimit limit(std::size_t{256} << 20);
        if (!limit.active()) GTEST_SKIP() << "the address space cannot be limited here";
        large = memoryAvailableFor(gib);
        small = memoryAvailableFor(32 << 20);
        std::vector<int> fails;
        assigned = tryAssign(fails, gib / sizeof(int));
    }
    EXPECT_FALSE(large);
    EXPECT_TRUE(small);
    EXPECT_FALSE(assigned);
}

TEST(Allocation, ZeroedArrayIsZeroOrEmpty) {
    const std::size_t limit = allocationLimit;
    const struct {
        std::size_t count;
        bool granted;
    } cases[] = {{0, true},
                 {1, true},
                 {1000, true},
                 {std::size_t{8} << 20, true},
                 {std::size_t{1} << 30, false}};
    allocationLimit = std::size_t{256} << 20;  // bytes
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        ZeroedArray<double> array;
        ASSERT_TRUE(array.tryAssign(3));
        array[2] = 1.0;
        EXPECT_EQ(array.tryAssign(c.count), c.granted);
        EXPECT_EQ(array.size(), c.granted ? c.count : 0);
        bool zero = true;
        for (std::size_t i = 0; i < array.size(); i += 4093) zero = zero && array[i] == 0.0;
        if (array.size() > 0) zero = zero && array[array.size() - 1] == 0.0;
        EXPECT_TRUE(zero);
    }
    allocationLimit = limit;
}

}  // namespace
