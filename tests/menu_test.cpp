#include <gtest/gtest.h>

#include "app/screenshot.h"
#include "overlay/image_button.h"

namespace {

TEST(ImageButtonHitTest, BoundsAreStrictWithTheDrawnRightEdge) {
  // The start button at (512, 384), scaleX 0.5, an image of 256 by 64.
  const float x = 512, y = 384, sx = 0.5f;
  EXPECT_TRUE(IsInsideButton(x, y, sx, 256, 64, 300, 300));
  EXPECT_FALSE(IsInsideButton(x, y, sx, 256, 64, 256, 300));  // on the left bound
  EXPECT_TRUE(IsInsideButton(x, y, sx, 256, 64, 257, 300));
  EXPECT_TRUE(IsInsideButton(x, y, sx, 256, 64, 383, 300));
  EXPECT_FALSE(IsInsideButton(x, y, sx, 256, 64, 384, 300));  // the drawn right edge
  EXPECT_FALSE(IsInsideButton(x, y, sx, 256, 64, 500, 300));  // right of the picture
  // Vertically 276.48 < my < 313.6.
  EXPECT_FALSE(IsInsideButton(x, y, sx, 256, 64, 300, 276));
  EXPECT_TRUE(IsInsideButton(x, y, sx, 256, 64, 300, 277));
  EXPECT_TRUE(IsInsideButton(x, y, sx, 256, 64, 300, 313));
  EXPECT_FALSE(IsInsideButton(x, y, sx, 256, 64, 300, 314));
  EXPECT_FALSE(IsInsideButton(x, y, sx, 256, 64, 300, 270));  // on the picture, above the bound
}

TEST(ScreenshotNames, TwoDigitsBelowTenThenTheNumberAsIs) {
  char name[32];
  ScreenshotFileName(0, name, sizeof name);
  EXPECT_STREQ(name, "screenshot00.bmp");
  ScreenshotFileName(9, name, sizeof name);
  EXPECT_STREQ(name, "screenshot09.bmp");
  ScreenshotFileName(10, name, sizeof name);
  EXPECT_STREQ(name, "screenshot10.bmp");
  ScreenshotFileName(100, name, sizeof name);
  EXPECT_STREQ(name, "screenshot100.bmp");
  ScreenshotFileName(2147483647, name, sizeof name);
  EXPECT_STREQ(name, "screenshot2147483647.bmp");
}

}  // namespace
