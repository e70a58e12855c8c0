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

}  // namespace
