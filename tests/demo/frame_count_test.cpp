// The demo's 32-bit signed frame counters near 2^31: the same values as ++
// up to 2^31 - 1, then on from -2^31 instead of the undefined overflow.
#include <gtest/gtest.h>

#include <climits>

#include "window.h"

TEST(FrameCount, CountsLikeIncrementThenWrapsAt2To31) {
    for (int64_t n : {int64_t(0), int64_t(1), int64_t(99), int64_t(1) << 24, int64_t(INT32_MAX) - 1,
                      int64_t(-5)})
        EXPECT_EQ(countFrame(int32_t(n)), n + 1) << n;
    EXPECT_EQ(countFrame(INT32_MAX), INT32_MIN);
    EXPECT_EQ(countFrame(INT32_MIN), INT32_MIN + 1);
    EXPECT_EQ(countFrame(-1), 0);
}

// The frame-rate measurement runs when the count is a multiple of 100. Over
// the wrap, the two measurements at 2147483600 and -2147483600 are 96 frames
// apart (the reading divides by 100 and comes out 4 % high, once); then
// every 100 frames again.
TEST(FrameCount, FrameRateMeasurementsAcrossTheWrap) {
    int32_t n = 2147483600;
    int steps = 0;
    do {
        n = countFrame(n);
        ++steps;
    } while (n % 100 != 0);
    EXPECT_EQ(n, -2147483600);
    EXPECT_EQ(steps, 96);
    steps = 0;
    do {
        n = countFrame(n);
        ++steps;
    } while (n % 100 != 0);
    EXPECT_EQ(steps, 100);
}
