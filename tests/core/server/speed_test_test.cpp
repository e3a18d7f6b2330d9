// The speed test's figure.
#include "core/server/speed_test.h"

#include <gtest/gtest.h>

using namespace kestrin;

TEST(SpeedTest, TheSpeedIsAMillionOverTheMilliseconds)
{
    EXPECT_EQ(speedText(0), "1000000 KB/s");
    EXPECT_EQ(speedText(1), "1000000 KB/s");
    EXPECT_EQ(speedText(2000), "500 KB/s");
    EXPECT_EQ(speedText(3), "333333 KB/s");
}
