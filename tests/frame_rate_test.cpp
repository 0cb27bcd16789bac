#include <gtest/gtest.h>

#include "overlay/frame_rate.h"
#include "tests/support/test_env.h"

namespace {

using ember::test::TestEnvironment;

TEST(FrameRate, AWindowClosesAtExactlyOneSecond) {
  TestEnvironment env;
  ResetFrameRate();
  env.host.SetTime(5000);
  EXPECT_EQ(GetFrameRate(), 0.0f);  // the first window begins here
  env.host.SetTime(5999);
  EXPECT_EQ(GetFrameRate(), 0.0f);  // 999 ms: still open
  env.host.SetTime(6000);
  EXPECT_FLOAT_EQ(GetFrameRate(), 3.0f);  // three frames in exactly 1000 ms
}

TEST(FrameRate, SixtyCallsOverOneSecondGiveSixty) {
  TestEnvironment env;
  ResetFrameRate();
  env.host.SetTime(100000);
  GetFrameRate();  // opens the window; it counts as the first frame
  float rate = 0;
  for (int i = 1; i < 60; ++i) {
    env.host.SetTime(100000 + uint32_t(i * 1000 / 59));
    rate = GetFrameRate();
    if (i < 59) {
      EXPECT_EQ(rate, 0.0f);
    }
  }
  EXPECT_FLOAT_EQ(rate, 60.0f);
  env.host.Advance(500);
  EXPECT_FLOAT_EQ(GetFrameRate(), 60.0f);  // unchanged until the next window closes
}

TEST(FrameRate, AWrapOfTheTickCountIsHarmless) {
  TestEnvironment env;
  ResetFrameRate();
  env.host.SetTime(0xFFFFFF00u);
  GetFrameRate();
  env.host.SetTime(0xFFFFFF00u + 1000);  // past the wrap
  EXPECT_FLOAT_EQ(GetFrameRate(), 2.0f);
}

}  // namespace
