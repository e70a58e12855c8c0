// StringPool: 10 blocks of 10000 bytes; a name takes its length + 1 bytes; what does not
// fit at the end of a block stays unused.
#include "qorlex/model/string_pool.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringPool, NameOf9999CharactersIsStoredAnd10000IsNot) {
    StringPool pool;
    ASSERT_TRUE(pool.create());
    EXPECT_EQ(pool.store(std::string(10000, 'n')), nullptr);
    const std::string longest(9999, 'n');
    const char* copy = pool.store(longest);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::string(copy), longest);
    EXPECT_EQ(pool.blocksUsed(), 1);  // 9999 + NUL fill the fresh first block exactly
    EXPECT_EQ(pool.store(std::string(10000, 'n')), nullptr);
}

TEST(StringPool, RestOfABlockIsWasted) {
    StringPool pool;
    ASSERT_TRUE(pool.create());
    const char* first = pool.store(std::string(4999, 'a'));   // 5000 bytes, 5000 left
    const char* second = pool.store(std::string(4998, 'b'));  // 4999 bytes: same block, 1 left
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second, first + 5000);
    EXPECT_EQ(pool.blocksUsed(), 1);
    const char* third = pool.store("c");  // 2 bytes: a new block, the last byte stays unused
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(pool.blocksUsed(), 2);
    const char* fourth = pool.store("");  // 1 byte would have fitted the old block: it goes on
    EXPECT_EQ(fourth, third + 2);         // in the new one
    EXPECT_EQ(std::string(first), std::string(4999, 'a'));
    EXPECT_EQ(std::string(second), std::string(4998, 'b'));
    EXPECT_STREQ(third, "c");
}

TEST(StringPool, TenBlocksAtMost) {
    StringPool pool;
    ASSERT_TRUE(pool.create());
    // Names of 5000 characters take 5001 bytes: one per block, the rest of each is wasted.
    for (int i = 0; i < 10; ++i) {
        ASSERT_NE(pool.store(std::string(5000, static_cast<char>('a' + i))), nullptr) << i;
    }
    EXPECT_EQ(pool.blocksUsed(), 10);
    EXPECT_NE(pool.store(std::string(4997, 'z')), nullptr);  // still fits the tenth block
    EXPECT_EQ(pool.store("y"), nullptr);                     // 1 byte left, no eleventh block
    EXPECT_NE(pool.store(""), nullptr);                      // the last byte
    EXPECT_EQ(pool.store(""), nullptr);
    EXPECT_EQ(pool.blocksUsed(), 10);
}

}  // namespace
