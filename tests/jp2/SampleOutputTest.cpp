// From reconstructed values to the bytes the write callback gets: inverse component
// transforms against the encoder's forward ones, DC shift and clamping at every depth on both
// paths, and packing in both byte orders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/ComponentTransforms.h"
#include "decoder/RowPacking.h"
#include "decoder/SampleConversion.h"

namespace quillon::jp2::test {
namespace {

TEST(ComponentTransformTest, InversesUndoTheEncodersForwardTransforms) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> value(-32768, 32767);
  constexpr std::size_t kCount = 999;
  std::vector<std::int32_t> rct[3];
  std::vector<float> ict[3];
  for (int c = 0; c < 3; ++c) {
    for (std::size_t i = 0; i < kCount; ++i) rct[c].push_back(value(random));
    for (std::size_t i = 0; i < kCount; ++i) ict[c].push_back(static_cast<float>(value(random)));
  }
  auto rctOut = rct;
  auto ictOut = ict;
  ForwardRct(rctOut[0].data(), rctOut[1].data(), rctOut[2].data(), kCount);
  InverseRct(rctOut[0].data(), rctOut[1].data(), rctOut[2].data(), kCount);
  ForwardIct(ictOut[0].data(), ictOut[1].data(), ictOut[2].data(), kCount);
  InverseIct(ictOut[0].data(), ictOut[1].data(), ictOut[2].data(), kCount);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(rctOut[c], rct[c]);
    for (std::size_t i = 0; i < kCount; ++i) ASSERT_NEAR(ictOut[c][i], ict[c][i], 2.0);
  }
  // Values no file should hold wrap instead of overflowing (the sanitizer would catch it).
  std::int32_t extreme[3] = {std::numeric_limits<std::int32_t>::max(),
                             std::numeric_limits<std::int32_t>::max(),
                             std::numeric_limits<std::int32_t>::min()};
  InverseRct(&extreme[0], &extreme[1], &extreme[2], 1);
}

template <typename Value>
struct ConversionCase {
  std::uint8_t depth;
  bool isSigned;
  Value value;  // the reconstructed value, DC shift removed
  std::uint32_t expected;
};

// Reversible and irreversible paths agree on integral values, so each case runs on both.
TEST(SampleConversionTest, ShiftsBackClampsAndRoundsHalfUp) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const ConversionCase<std::int32_t> integral[] = {
      {8, false, 0, 128},
      {8, false, -128, 0},
      {8, false, 127, 255},
      {8, false, 300, 255},
      {8, false, -129, 0},
      {1, false, 0, 1},
      {1, false, -1, 0},
      {12, true, 3000, 2047},
      {12, true, -3000, 0xFFFFF800u},
      {12, true, -5, 0xFFFFFFFBu},
      {16, false, -40000, 0},
      {16, false, 32767, 65535},
      {32, false, 2147483647, 0xFFFFFFFFu},
      {32, true, -2147483647 - 1, 0x80000000u},
      {38, false, 0, 0x80000000u},  // the top 32 of 38 bits
      {38, true, -1, 0xFFFFFFFFu},
  };
  for (const auto& c : integral) {
    SCOPED_TRACE(::testing::Message() << int{c.depth} << (c.isSigned ? "s " : "u ") << c.value);
    const ComponentInfo component{c.depth, c.isSigned, {1, 1}};
    std::uint32_t sample = 0x5A5A5A5A;
    ConvertReversible(&c.value, &sample, 1, component);
    EXPECT_EQ(sample, c.expected) << "reversible";
    sample = 0x5A5A5A5A;
    const auto value = static_cast<float>(c.value);
    ConvertIrreversible(&value, &sample, 1, component);
    EXPECT_EQ(sample, c.expected) << "irreversible";
  }
  // Only the float path: rounding, overshoot and values no transform should give.
  const ConversionCase<float> fractional[] = {
      {8, false, 0.5f, 129},
      {8, false, -0.5f, 128},
      {8, false, 0.49f, 128},
      {8, false, -0.51f, 127},
      {8, false, 127.6f, 255},
      {8, false, -128.7f, 0},
      {8, false, kNaN, 0},
      {8, false, kInf, 255},
      {8, false, -kInf, 0},
      {12, true, -2.5f, 0xFFFFFFFEu},
      {32, false, 3e9f, 0xFFFFFFFFu},
  };
  for (const auto& c : fractional) {
    SCOPED_TRACE(::testing::Message() << int{c.depth} << (c.isSigned ? "s " : "u ") << c.value);
    const ComponentInfo component{c.depth, c.isSigned, {1, 1}};
    std::uint32_t sample = 0x5A5A5A5A;
    ConvertIrreversible(&c.value, &sample, 1, component);
    EXPECT_EQ(sample, c.expected);
  }
  // The 8-bit cases again as one long row, which takes the vectorised loop.
  std::vector<float> row;
  std::vector<std::uint32_t> expected;
  for (int copy = 0; copy < 4; ++copy) {
    for (const auto& c : fractional) {
      if (c.depth != 8) continue;
      row.push_back(c.value);
      expected.push_back(c.expected);
    }
  }
  std::vector<std::uint32_t> samples(row.size());
  ConvertIrreversible(row.data(), samples.data(), row.size(), ComponentInfo{8, false, {1, 1}});
  EXPECT_EQ(samples, expected);
}

TEST(RowPackingTest, SampleWidthsAndByteOrders) {
  struct Case {
    int depth;
    ByteOrder order;
    std::vector<std::uint32_t> samples;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {8, ByteOrder::kBigEndian, {0, 255, 7}, {0, 255, 7}},
      {9, ByteOrder::kLittleEndian, {0x1FF, 2}, {0xFF, 0x01, 2, 0}},
      {16, ByteOrder::kLittleEndian, {0xABCD, 0x0102}, {0xCD, 0xAB, 0x02, 0x01}},
      {16, ByteOrder::kBigEndian, {0xABCD, 0x0102}, {0xAB, 0xCD, 0x01, 0x02}},
      {12, ByteOrder::kBigEndian, {0xFFFFFFFEu}, {0xFF, 0xFE}},  // -2, signed
      {17, ByteOrder::kBigEndian, {0x1FFFF}, {0, 1, 0xFF, 0xFF}},
      {32, ByteOrder::kLittleEndian, {0x80000001u}, {1, 0, 0, 0x80}},
      {38, ByteOrder::kBigEndian, {0x80000000u}, {0x80, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.depth << " bits");
    std::vector<std::uint8_t> out(c.bytes.size() + 1, 0xEE);
    PackRow(c.samples.data(), c.samples.size(), c.depth, c.order, out.data());
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.end() - 1), c.bytes);
    EXPECT_EQ(out.back(), 0xEE) << "wrote past the row";
  }
}

}  // namespace
}  // namespace quillon::jp2::test
