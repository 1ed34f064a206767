#include <gtest/gtest.h>

#include <array>
#include <string>

#include "kvf/KvfColourModes.h"
#include "kvf/KvfGeometry.h"
#include "kvf/KvfStatus.h"

namespace kvf {
namespace {

KvfGeometry Layout(std::uint32_t width, std::uint32_t height, std::uint32_t levels, bool baseline) {
  KvfGeometry geometry;
  EXPECT_EQ(ComputeKvfGeometry(width, height, levels, baseline, geometry), KvfStatus::ok);
  return geometry;
}

TEST(KvfGeometry, CodedWidthRoundsUpButNeverToASingleBlock) {
  EXPECT_EQ(Layout(100, 300, 6, true).codedWidth, 128u);
  EXPECT_EQ(Layout(40, 300, 6, true).codedWidth, 128u);  // 64 would be one block
  EXPECT_EQ(Layout(64, 300, 6, true).codedWidth, 128u);
  EXPECT_EQ(Layout(65, 300, 6, true).codedWidth, 128u);
  EXPECT_EQ(Layout(129, 300, 6, true).codedWidth, 192u);
  EXPECT_EQ(Layout(1, 300, 1, true).codedWidth, 4u);
}

TEST(KvfGeometry, OneBlockTallPictureIsStoredEmbedded) {
  const KvfGeometry geometry = Layout(64, 64, 6, true);
  EXPECT_EQ(geometry.codedWidth, 128u);
  EXPECT_EQ(geometry.codedHeight, 128u);
  EXPECT_FALSE(geometry.baseline);
  EXPECT_EQ(geometry.stripeHeight, 128u);
  EXPECT_EQ(geometry.stripeCount, 1u);
}

TEST(KvfGeometry, BaselineStripesAreOneBlockTall) {
  const KvfGeometry twoStripes = Layout(100, 65, 6, true);
  EXPECT_TRUE(twoStripes.baseline);
  EXPECT_EQ(twoStripes.codedHeight, 128u);
  EXPECT_EQ(twoStripes.stripeHeight, 64u);
  EXPECT_EQ(twoStripes.stripeCount, 2u);

  const KvfGeometry many = Layout(1024, 768, 6, true);
  EXPECT_EQ(many.stripeHeight, 64u);
  EXPECT_EQ(many.stripeCount, 12u);
  EXPECT_EQ(many.codedHeight, 768u);
}

TEST(KvfGeometry, EmbeddedIsOneStripeOfTheCodedHeight) {
  const KvfGeometry geometry = Layout(1024, 700, 6, false);
  EXPECT_FALSE(geometry.baseline);
  EXPECT_EQ(geometry.codedHeight, 704u);
  EXPECT_EQ(geometry.stripeHeight, 704u);
  EXPECT_EQ(geometry.stripeCount, 1u);
}

TEST(KvfGeometry, RefusesWhatTheHeaderCannotHold) {
  KvfGeometry geometry;
  EXPECT_EQ(ComputeKvfGeometry(100, 100, 0, true, geometry), KvfStatus::invalidCoderParameters);
  EXPECT_EQ(ComputeKvfGeometry(100, 100, kKvfMaxLevels + 1, true, geometry),
            KvfStatus::levelTooHigh);
  EXPECT_EQ(ComputeKvfGeometry(0, 100, 6, true, geometry), KvfStatus::invalidImageSize);
  EXPECT_EQ(ComputeKvfGeometry(100, 0, 6, true, geometry), KvfStatus::invalidImageSize);
  EXPECT_EQ(ComputeKvfGeometry(0xFFFFFFF0u, 100, 6, true, geometry), KvfStatus::invalidImageSize);
  // More stripes than the stripe table's u16 length can list.
  EXPECT_EQ(ComputeKvfGeometry(100, 64 * kKvfMaxStripes + 1, 6, true, geometry),
            KvfStatus::invalidImageSize);
  EXPECT_EQ(ComputeKvfGeometry(100, 64 * kKvfMaxStripes, 6, true, geometry), KvfStatus::ok);
  EXPECT_EQ(ComputeKvfGeometry(100, 64 * kKvfMaxStripes + 1, 6, false, geometry), KvfStatus::ok);
}

TEST(KvfGeometry, PaddingRepeatsTheLastRealSample) {
  std::array<std::int16_t, 8> line = {5, -3, 9, 0, 0, 0, 0, 0};
  PadByRepetition(std::span<std::int16_t>(line), 3);
  EXPECT_EQ(line, (std::array<std::int16_t, 8>{5, -3, 9, 9, 9, 9, 9, 9}));
  EXPECT_EQ(SourceRowOf(10, 64), 10u);
  EXPECT_EQ(SourceRowOf(100, 64), 63u);
}

TEST(KvfColourModes, EncoderOnlyModesAreUnreadableAndGapsAreMissing) {
  for (const std::uint32_t missing : {0u, 3u, 9u, 16u, 23u, 32u, 35u, 257u}) {
    EXPECT_EQ(FindKvfColourMode(missing), nullptr) << missing;
  }
  ASSERT_NE(FindKvfColourMode(33), nullptr);
  EXPECT_FALSE(FindKvfColourMode(33)->readable);
  ASSERT_NE(FindKvfColourMode(21), nullptr);
  EXPECT_EQ(FindKvfColourMode(21)->components, 4);
  EXPECT_TRUE(FindKvfColourMode(21)->readable);
}

TEST(KvfErrorMessage, CoversTheTableAndWhatLiesOutside) {
  EXPECT_STREQ(KvfErrorMessage(0), "No error");
  EXPECT_STREQ(KvfErrorMessage(-9), "Corrupted file header");
  EXPECT_STREQ(KvfErrorMessage(-17), "Illegal end of file");
  EXPECT_STREQ(KvfErrorMessage(-23), "Wrong Library interface");
  EXPECT_STREQ(KvfErrorMessage(1), "Illegal error code");
  EXPECT_STREQ(KvfErrorMessage(-20), "No error description available");
  EXPECT_STREQ(KvfErrorMessage(-24), "No error description available");
  EXPECT_EQ(static_cast<int>(KvfStatus::wrongPassword), -18);
}

}  // namespace
}  // namespace kvf
