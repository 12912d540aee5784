#include <gtest/gtest.h>

#include "app/random.h"

// Known outputs of the Microsoft C runtime generator.
TEST(Random, MatchesMicrosoftRuntimeSequence)
{
    Srand(1);
    EXPECT_EQ(Rand(), 41);
    EXPECT_EQ(Rand(), 18467);
    EXPECT_EQ(Rand(), 6334);
    EXPECT_EQ(Rand(), 26500);
    EXPECT_EQ(Rand(), 19169);
}

TEST(Random, StateWrapsModulo32BitsAndResultStaysIn15Bits)
{
    Srand(0xFFFFFFFFu);
    int32_t v = Rand();
    EXPECT_EQ(RandState, 0xFFFFFFFFu * 214013u + 2531011u);
    EXPECT_EQ(v, static_cast<int32_t>((RandState >> 16) & 32767u));
    for (int i = 0; i < 1000; ++i) {
        int32_t r = Rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
}
