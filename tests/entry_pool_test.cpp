// EntryPool: entries survive every growth, from the allocator's memory into a mapping and on.
#include "qorlex/model/entry_pool.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

template <class T>
void growAndCheck() {
    EntryPool<T> pool;
    std::size_t written = 0;
    // Steps of varying size, past the size from which the pool is mapped (1 MiB) several times.
    for (std::size_t step = 1; written < (std::size_t{3} << 20) / sizeof(T) * 4;
         step = step * 3 + 1) {
        ASSERT_TRUE(pool.reserveMore(step));
        for (std::size_t i = 0; i < step; ++i) pool.room()[i] = static_cast<T>(written + i);
        pool.take(step);
        written += step;
    }
    ASSERT_EQ(pool.size(), written);
    for (std::size_t i = 0; i < written; ++i) ASSERT_EQ(pool.data()[i], static_cast<T>(i)) << i;
    pool.clear();
    EXPECT_EQ(pool.size(), 0u);
    ASSERT_TRUE(pool.reserveMore(5));
}

TEST(EntryPool, EntriesSurviveEveryGrowth) {
    growAndCheck<int32_t>();
    growAndCheck<double>();
}

}  // namespace
