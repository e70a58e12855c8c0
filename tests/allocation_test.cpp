// The memory check before a large array: the address-space limit counts, not only the memory
// the system has free.
#include "common/allocation.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool ADDRESS_SANITIZER = true;
#elif defined(__has_feature)
constexpr bool ADDRESS_SANITIZER = __has_feature(address_sanitizer);
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif

TEST(Allocation, AddressSpaceLimitIsRespected) {
    if (ADDRESS_SANITIZER) GTEST_SKIP() << "the sanitizer reserves most of the address space";
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    const std::size_t gib = std::size_t{1} << 30;

    // Room for a few hundred MiB more than the program uses now.
    rlimit lowered = saved;
    lowered.rlim_cur = 0;
    {
        std::FILE* statm = std::fopen("/proc/self/statm", "r");
        ASSERT_NE(statm, nullptr);
        unsigned long long pages = 0;
        ASSERT_EQ(std::fscanf(statm, "%llu", &pages), 1);
        std::fclose(statm);
        lowered.rlim_cur = pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE)) +
                           (std::size_t{256} << 20);
    }
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < lowered.rlim_cur) GTEST_SKIP();
    ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
    const bool large = memoryAvailableFor(gib);
    const bool small = memoryAvailableFor(32 << 20);
    std::vector<int> fails;
    const bool assigned = tryAssign(fails, gib / sizeof(int));
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);

    EXPECT_FALSE(large);
    EXPECT_TRUE(small);
    EXPECT_FALSE(assigned);
}

}  // namespace
