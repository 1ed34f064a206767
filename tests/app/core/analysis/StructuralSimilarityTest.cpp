#include "core/analysis/StructuralSimilarity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "support/PictureFixture.h"

namespace quillon {
namespace {

using test::MakePicture;
using test::PixelAt;
using test::SetPixel;

constexpr double kC1 = 6.5025, kC2 = 58.5225;

void FillNoise(Picture& picture, unsigned seed, int amplitude) {
  std::mt19937 random(seed);
  for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
    for (std::int32_t x = 0; x < picture.GetWidth(); ++x) {
      const auto v = [&](int base) {
        return std::uint8_t(base + int(random() % unsigned(2 * amplitude + 1)) - amplitude);
      };
      SetPixel(picture, x, y, v(128), v(100), v(150));
    }
  }
}

double Luminance(const Picture& picture, int x, int y) {
  const Picture::Triple bgr = PixelAt(picture, x, y);
  return 0.299 * bgr[2] + 0.587 * bgr[1] + 0.114 * bgr[0];
}

// The whole 11 x 11 sum at every position, the way the measure is defined.
double DirectSsim(const Picture& a, const Picture& b, int width, int height) {
  std::vector<double> g(11);
  double total = 0;
  for (int i = 0; i < 11; ++i) total += g[std::size_t(i)] = std::exp(-(i - 5) * (i - 5) / 4.5);
  double sum = 0;
  for (int cy = 5; cy < height - 5; ++cy) {
    for (int cx = 5; cx < width - 5; ++cx) {
      double mx = 0, my = 0, xx = 0, yy = 0, xy = 0;
      for (int dy = -5; dy <= 5; ++dy) {
        for (int dx = -5; dx <= 5; ++dx) {
          const double w = g[std::size_t(dy + 5)] * g[std::size_t(dx + 5)] / (total * total);
          const double p = Luminance(a, cx + dx, cy + dy), q = Luminance(b, cx + dx, cy + dy);
          mx += w * p, my += w * q, xx += w * p * p, yy += w * q * q, xy += w * p * q;
        }
      }
      sum += (2 * mx * my + kC1) * (2 * (xy - mx * my) + kC2) /
             ((mx * mx + my * my + kC1) * (xx - mx * mx + yy - my * my + kC2));
    }
  }
  return sum / ((width - 10) * (height - 10));
}

TEST(StructuralSimilarity, EqualPicturesGiveOne) {
  Picture a, b, tiny;
  MakePicture(a, 23, 17, true, 0);
  MakePicture(b, 23, 17, true, 0);
  FillNoise(a, 1, 60);
  FillNoise(b, 1, 60);
  EXPECT_EQ(StructuralSimilarity(a, b), 1.0);
  // Smaller than the window: a smaller window, still a perfect match.
  MakePicture(tiny, 3, 2, true, 40);
  EXPECT_EQ(StructuralSimilarity(tiny, tiny), 1.0);
  Picture empty;
  EXPECT_EQ(StructuralSimilarity(a, empty), 1.0);
}

TEST(StructuralSimilarity, FlatPicturesCompareByTheirMeansAlone) {
  Picture a, b;
  MakePicture(a, 12, 12, true, 100);
  MakePicture(b, 12, 12, true, 110);
  EXPECT_NEAR(StructuralSimilarity(a, b),
              (2 * 100.0 * 110 + kC1) / (100.0 * 100 + 110.0 * 110 + kC1), 1e-12);
}

TEST(StructuralSimilarity, RowByRowWorkMatchesTheDirectSumOverTheTopLeftArea) {
  Picture a, b;
  MakePicture(a, 31, 40, true, 0);
  MakePicture(b, 45, 24, true, 0);  // the area is 31 x 24
  FillNoise(a, 2, 50);
  FillNoise(b, 3, 50);
  // The left half of b follows a with altered channels, so the measure is neither 0 nor 1.
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 16; ++x) {
      const Picture::Triple p = PixelAt(a, x, y);
      SetPixel(b, x, y, std::uint8_t(p[0] / 2 + 60), p[1], std::uint8_t(p[2] ^ 7));
    }
  }
  const double expected = DirectSsim(a, b, 31, 24);
  EXPECT_GT(expected, 0.05);
  EXPECT_LT(expected, 0.95);
  EXPECT_NEAR(StructuralSimilarity(a, b), expected, 1e-9);
}

}  // namespace
}  // namespace quillon
