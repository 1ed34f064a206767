#include "core/display/ScaledRender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "core/display/HalftoneDither.h"

namespace quillon {
namespace {

void fillRandom(Picture& picture, int width, int height, bool colour, unsigned seed) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  ASSERT_TRUE(picture.CreatePicture(colour));
  std::mt19937 random(seed);
  for (std::uint32_t i = 0; i < picture.Header().biSizeImage; ++i) {
    picture.Bits()[i] = static_cast<std::uint8_t>(random());
  }
  if (!colour) {
    for (int i = 0; i < 256; ++i) {
      picture.Palette()[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                              static_cast<std::uint8_t>(i * 7), 0};
    }
  }
}

TEST(ScaledRender, EveryScreenPixelShowsThePicturePixelItCovers) {
  for (bool colour : {true, false}) {
    Picture picture;
    fillRandom(picture, 37, 23, colour, colour ? 1 : 2);
    for (ZoomRatio zoom :
         {ZoomRatio{1, 1}, ZoomRatio{3, 1}, ZoomRatio{8, 1}, ZoomRatio{1, 2}, ZoomRatio{1, 5}}) {
      const ScaledRect rect = ClipToScaledPicture(picture, zoom, {zoom.Scale(5), 2, 1000, 1000});
      ASSERT_GT(rect.width, 0);
      std::vector<std::uint8_t> rgb(std::size_t(rect.width) * rect.height * 3);
      RenderScaled(picture, zoom, rect, rgb.data());
      for (int j = 0; j < rect.height; ++j) {
        for (int i = 0; i < rect.width; ++i) {
          const Picture::Triple bgr =
              picture.GetPixel(zoom.Unscale(rect.x + i), 22 - zoom.Unscale(rect.y + j));
          const std::uint8_t* p = &rgb[(std::size_t(j) * rect.width + i) * 3];
          ASSERT_EQ(p[0], bgr[2]) << colour << " " << zoom.numerator << ":" << zoom.denominator;
          ASSERT_EQ(p[1], bgr[1]);
          ASSERT_EQ(p[2], bgr[0]);
        }
      }
    }
  }
}

TEST(ScaledRender, ClippingKeepsToThePicture) {
  Picture picture;
  fillRandom(picture, 10, 10, true, 3);
  const ScaledRect clipped = ClipToScaledPicture(picture, {2, 1}, {15, -4, 100, 10});
  EXPECT_EQ(clipped.x, 15);
  EXPECT_EQ(clipped.y, 0);
  EXPECT_EQ(clipped.width, 5);
  EXPECT_EQ(clipped.height, 6);
  EXPECT_EQ(ClipToScaledPicture(picture, {1, 1}, {50, 0, 10, 10}).width, 0);
}

TEST(HalftoneDither, DeterministicLimitedAndCached) {
  Picture picture;
  fillRandom(picture, 64, 48, true, 4);
  const ErrorLimitTable limits = BuildErrorLimitTable();
  std::vector<std::uint8_t> cache(32768, 0);
  Picture first, second;
  ASSERT_TRUE(DitherToHalftone(picture, {2, 1}, limits, cache, first));
  const std::size_t looked = std::count_if(cache.begin(), cache.end(), [](auto v) { return v; });
  EXPECT_GT(looked, 0u);
  int rows = 0;
  ASSERT_TRUE(DitherToHalftone(
      picture, {2, 1}, limits, cache, second,
      [](void* n, int done) { *static_cast<int*>(n) = done; }, &rows));
  EXPECT_EQ(rows, 96);
  ASSERT_EQ(first.GetWidth(), 128);
  ASSERT_EQ(first.GetHeight(), 96);
  EXPECT_EQ(0, std::memcmp(first.Bits(), second.Bits(), first.Header().biSizeImage));
  EXPECT_EQ(first.Palette()[215].rgbRed, 255);  // white closes the cube

  // A flat colour on the palette dithers to that entry alone.
  Picture flat;
  flat.Header().biWidth = 16;
  flat.Header().biHeight = 16;
  ASSERT_TRUE(flat.CreatePicture(true));
  for (std::uint32_t i = 0; i < flat.Header().biSizeImage; i += 3) {
    flat.Bits()[i] = 0;
    flat.Bits()[i + 1] = 102;
    flat.Bits()[i + 2] = 204;
  }
  Picture out;
  ASSERT_TRUE(DitherToHalftone(flat, {1, 1}, limits, cache, out));
  const std::uint8_t index = out.Row(0)[0];
  EXPECT_EQ(out.Palette()[index].rgbRed, 204);
  EXPECT_EQ(out.Palette()[index].rgbGreen, 102);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(out.Row(y)[x], index);
  }
}

TEST(HalftoneDither, MidGreyMixesNeighbouringEntries) {
  Picture grey;
  grey.Header().biWidth = 64;
  grey.Header().biHeight = 64;
  ASSERT_TRUE(grey.CreatePicture(false));
  std::fill_n(grey.Bits(), grey.Header().biSizeImage, std::uint8_t{128});
  std::vector<std::uint8_t> cache(32768, 0);
  Picture out;
  ASSERT_TRUE(DitherToHalftone(grey, {1, 1}, BuildErrorLimitTable(), cache, out));
  long sum = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) sum += out.Palette()[out.Row(y)[x]].rgbRed;
  }
  EXPECT_NEAR(sum / (64.0 * 64.0), 128.0, 2.0) << "diffusion keeps the mean";
}

TEST(HalftoneDither, RefusesCopiesAboveTheCap) {
  Picture picture;
  picture.Header().biWidth = 8000;
  picture.Header().biHeight = 8000;
  ASSERT_TRUE(picture.CreatePicture(false));
  std::vector<std::uint8_t> cache(32768, 0);
  Picture out;
  EXPECT_FALSE(DitherToHalftone(picture, {8, 1}, BuildErrorLimitTable(), cache, out));
  EXPECT_TRUE(out.IsEmpty());
}

}  // namespace
}  // namespace quillon
