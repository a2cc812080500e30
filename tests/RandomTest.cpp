// SPDX-License-Identifier: MIT
// The generator.

#include "Random.h"
// gtest
#include <gtest/gtest.h>
// std
#include <array>

TEST(Random, FollowsTheLinearCongruentialFormula)
{
    // Computed here independently: seed' = seed * 134775813 + 1 mod 2^32,
    // result = (seed' * n) >> 32.
    uint64_t seed = 12345;
    TRandom random(12345);
    for (int32_t n : {1, 2, 3, 22, 45, 100, 1000, 65536, 2147483647}) {
        seed = (seed * 134775813ull + 1ull) & 0xFFFFFFFFull;
        const auto expected = static_cast<int32_t>((seed * static_cast<uint64_t>(n)) >> 32);
        EXPECT_EQ(random.Random(n), expected) << "n=" << n;
        EXPECT_EQ(random.Seed, static_cast<uint32_t>(seed));
    }
}

TEST(Random, KnownValuesForSeedZero)
{
    // Written out by hand: 0 -> 1 -> 134775814 -> ...
    TRandom random(0);
    EXPECT_EQ(random.Random(100), 0); // (1 * 100) >> 32
    EXPECT_EQ(random.Seed, 1u);
    EXPECT_EQ(random.Random(1 << 30), 33693953); // 134775814 * 2^30 >> 32
    EXPECT_EQ(random.Seed, 134775814u);
}

TEST(Random, StaysWithinRangeAndIsRoughlyUniform)
{
    TRandom random(42);
    std::array<int, 45> hits{};
    for (int i = 0; i < 45000; ++i) {
        const int32_t v = random.Random(45);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 45);
        ++hits[static_cast<size_t>(v)];
    }
    for (int h : hits)
        EXPECT_NEAR(h, 1000, 150);
}
