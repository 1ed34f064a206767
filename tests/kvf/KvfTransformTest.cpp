#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "kvf/KvfColourModes.h"
#include "kvf/KvfColourTransform.h"
#include "kvf/KvfLifting.h"
#include "kvf/KvfLineTransform.h"

namespace kvf {
namespace {

// The transform of a whole picture at once: per level, lift the rows, then the columns.
template <typename Sample>
void ReferenceForward(std::vector<Sample>& picture, std::size_t width, std::size_t height,
                      std::uint32_t levels) {
  for (std::uint32_t level = 1; level <= levels; ++level) {
    const std::size_t spacing = std::size_t{1} << (level - 1);
    for (std::size_t y = 0; y < height; y += spacing) {
      ForwardLiftLine(picture.data() + y * width, width / spacing, spacing);
    }
    for (std::size_t x = 0; x < width; x += spacing) {
      ForwardLiftLine(picture.data() + x, height / spacing, spacing * width);
    }
  }
}

template <typename Sample>
std::vector<Sample> RandomPicture(std::size_t size, std::int32_t low, std::int32_t high,
                                  std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::int32_t> sample(low, high);
  std::vector<Sample> picture(size);
  for (Sample& value : picture) value = static_cast<Sample>(sample(random));
  return picture;
}

struct Shape {
  std::size_t width;
  std::size_t height;
  std::uint32_t levels;
};

constexpr Shape kShapes[] = {{8, 8, 1}, {16, 24, 2}, {32, 48, 3}, {64, 128, 4}, {128, 192, 6}};

// Rows fed one by one through a ring of two stripes give, stripe by stripe, exactly the
// coefficients of the whole-picture transform; the inverse gives the rows back.
template <typename Sample>
void CheckLineTransform(const Shape& shape, std::int32_t low, std::int32_t high) {
  SCOPED_TRACE(testing::Message() << shape.width << "x" << shape.height << " L" << shape.levels);
  const std::uint32_t stripe = 1u << shape.levels;
  const auto original = RandomPicture<Sample>(shape.width * shape.height, low, high, 7);
  auto reference = original;
  ReferenceForward(reference, shape.width, shape.height, shape.levels);

  std::vector<Sample> ringMemory(2 * stripe * shape.width);
  std::vector<Sample> carry(shape.levels * shape.width);
  const KvfRowRing<Sample> ring{ringMemory.data(), shape.width, 2 * stripe, 1};
  KvfLineTransformState forwardState;
  forwardState.levels = shape.levels;
  forwardState.codedHeight = static_cast<std::uint32_t>(shape.height);
  KvfForwardLines<Sample> forward(ring, carry.data(), forwardState);
  std::size_t stripesChecked = 0;
  std::vector<Sample> coefficients(original.size());
  for (std::uint32_t y = 0; y < shape.height; ++y) {
    std::copy_n(original.begin() + y * shape.width, shape.width, ring.Row(0, y));
    forward.AddRow();
    while (forward.FinalRows() >= (stripesChecked + 1) * stripe) {
      for (std::uint32_t r = 0; r < stripe; ++r) {
        const std::size_t row = stripesChecked * stripe + r;
        std::copy_n(ring.Row(0, static_cast<std::uint32_t>(row)), shape.width,
                    coefficients.begin() + row * shape.width);
      }
      ++stripesChecked;
    }
    ASSERT_LE(y + 1, (stripesChecked + 2) * stripe) << "a stripe was still needed";
  }
  ASSERT_EQ(stripesChecked * stripe, shape.height);
  EXPECT_EQ(coefficients, reference);

  // Inverse: the coefficients arrive stripe by stripe into a fresh ring.
  std::fill(ringMemory.begin(), ringMemory.end(), Sample{0});
  KvfLineTransformState inverseState;
  inverseState.levels = shape.levels;
  inverseState.codedHeight = static_cast<std::uint32_t>(shape.height);
  KvfInverseLines<Sample> inverse(ring, carry.data(), inverseState);
  std::vector<Sample> restored(original.size());
  std::uint32_t delivered = 0;
  for (std::uint32_t s = 0; s * stripe < shape.height; ++s) {
    ASSERT_GE(delivered + 2 * stripe, (s + 1) * stripe) << "a stripe was overwritten too early";
    for (std::uint32_t r = 0; r < stripe; ++r) {
      const std::size_t row = s * stripe + r;
      std::copy_n(reference.begin() + row * shape.width, shape.width,
                  ring.Row(0, static_cast<std::uint32_t>(row)));
    }
    inverse.RowsDecoded((s + 1) * stripe);
    for (; delivered < inverse.FinalOutputRows(); ++delivered) {
      std::copy_n(ring.Row(0, delivered), shape.width, restored.begin() + delivered * shape.width);
    }
  }
  EXPECT_EQ(delivered, shape.height);
  EXPECT_EQ(restored, original);
}

TEST(KvfLineTransform, StripeByStripeEqualsTheWholePictureAndInvertsExactly) {
  for (const Shape& shape : kShapes) {
    CheckLineTransform<std::int16_t>(shape, -512, 511);
    CheckLineTransform<std::int32_t>(shape, -131072, 131071);
  }
}

TEST(KvfLineTransform, ValuesAtTheEdgesOfTheSampleWidthStillInvertExactly) {
  // Sums overflow 16 bits here; the steps wrap, and the inverse wraps back.
  CheckLineTransform<std::int16_t>({32, 32, 3}, -32768, 32767);
  CheckLineTransform<std::int32_t>({16, 32, 2}, INT32_MIN, INT32_MAX);
}

TEST(KvfLineTransform, ScaledInverseDeliversTheLowPassBandOfTheSkippedLevels) {
  const Shape shape{64, 96, 4};
  const std::uint32_t stripe = 1u << shape.levels;
  const auto original = RandomPicture<std::int16_t>(shape.width * shape.height, -128, 127, 3);
  for (std::uint32_t skipped = 1; skipped <= 2; ++skipped) {
    auto coefficients = original;
    ReferenceForward(coefficients, shape.width, shape.height, shape.levels);
    auto lowPass = original;  // the picture transformed by the skipped levels only
    ReferenceForward(lowPass, shape.width, shape.height, skipped);

    std::vector<std::int16_t> ringMemory(2 * stripe * shape.width);
    std::vector<std::int16_t> carry(shape.levels * shape.width);
    const KvfRowRing<std::int16_t> ring{ringMemory.data(), shape.width, 2 * stripe, 1};
    KvfLineTransformState state;
    state.levels = shape.levels;
    state.skippedLevels = skipped;
    state.codedHeight = static_cast<std::uint32_t>(shape.height);
    KvfInverseLines<std::int16_t> inverse(ring, carry.data(), state);
    std::uint32_t delivered = 0;
    std::size_t compared = 0;
    for (std::uint32_t s = 0; s * stripe < shape.height; ++s) {
      for (std::uint32_t r = 0; r < stripe; ++r) {
        const std::size_t row = s * stripe + r;
        std::copy_n(coefficients.begin() + row * shape.width, shape.width,
                    ring.Row(0, static_cast<std::uint32_t>(row)));
      }
      inverse.RowsDecoded((s + 1) * stripe);
      for (; delivered < inverse.FinalOutputRows(); ++delivered) {
        const std::uint32_t y = delivered << skipped;
        for (std::size_t x = 0; x < shape.width; x += std::size_t{1} << skipped, ++compared) {
          ASSERT_EQ(ring.Row(0, y)[x], lowPass[y * shape.width + x]) << "row " << y << " x " << x;
        }
      }
    }
    EXPECT_EQ(delivered, shape.height >> skipped);
    EXPECT_EQ(compared, (shape.height >> skipped) * (shape.width >> skipped));
  }
}

// Every sample combination at the corners of the range and a random spread in between.
template <typename Component>
void CheckColourModes(std::uint32_t sampleBits) {
  const std::int32_t largest = (1 << sampleBits) - 1;
  std::mt19937 random(5);
  std::vector<std::int32_t> corner = {0, 1, largest / 2, largest / 2 + 1, largest - 1, largest};
  std::array<std::vector<std::int32_t>, 4> channels;
  for (std::int32_t a : corner) {
    for (std::int32_t b : corner) {
      for (std::int32_t c : corner) {
        for (auto* ch : {&channels[0], &channels[1], &channels[2], &channels[3]}) {
          ch->push_back(ch == &channels[0]   ? a
                        : ch == &channels[1] ? b
                        : ch == &channels[2] ? c
                                             : a);
        }
      }
    }
  }
  for (int i = 0; i < 2000; ++i) {
    for (auto& ch : channels) ch.push_back(static_cast<std::int32_t>(random() % (largest + 1)));
  }
  const auto width = static_cast<std::uint32_t>(channels[0].size());
  std::size_t modesChecked = 0;
  for (std::uint32_t mode = 1; mode < 40; ++mode) {
    const KvfColourMode* entry = FindKvfColourMode(mode);
    if (entry == nullptr || entry->sampleBits != sampleBits || !entry->readable) continue;
    SCOPED_TRACE(testing::Message() << "mode " << mode);
    std::array<std::vector<Component>, 4> components;
    std::array<std::vector<std::int32_t>, 4> back;
    std::array<const std::int32_t*, 4> in{};
    std::array<Component*, 4> coded{};
    std::array<const Component*, 4> codedIn{};
    std::array<std::int32_t*, 4> out{};
    for (std::size_t c = 0; c < 4; ++c) {
      components[c].resize(width);
      back[c].assign(width, -1);
      in[c] = channels[c].data();
      coded[c] = components[c].data();
      codedIn[c] = components[c].data();
      out[c] = back[c].data();
    }
    ForwardColourTransform<Component>(mode, in, width, std::span(coded.data(), entry->components));
    InverseColourTransform<Component>(mode, std::span(codedIn.data(), entry->components), 1, width,
                                      out);
    for (std::size_t c = 0; c < entry->components; ++c) EXPECT_EQ(back[c], channels[c]);
    ++modesChecked;
  }
  EXPECT_GE(modesChecked, sampleBits == 8 ? 6u : 6u);
}

TEST(KvfColourTransform, EveryModeInvertsExactly) {
  CheckColourModes<std::int16_t>(8);
  CheckColourModes<std::int32_t>(16);
}

TEST(KvfColourTransform, DamagedComponentsAreClampedToTheSampleRange) {
  const std::int16_t wild[3][2] = {{32767, -32768}, {-32768, 32767}, {32767, 32767}};
  const std::array<const std::int16_t*, 3> components = {wild[0], wild[1], wild[2]};
  for (std::uint32_t mode : {1u, 2u, 6u, 8u}) {
    std::array<std::vector<std::int32_t>, 4> channels;
    std::array<std::int32_t*, 4> out{};
    for (std::size_t c = 0; c < 4; ++c) {
      channels[c].assign(2, -1);
      out[c] = channels[c].data();
    }
    const std::size_t count = mode == 1 ? 1 : 3;
    InverseColourTransform<std::int16_t>(mode, std::span(components.data(), count), 1, 2, out);
    for (std::size_t c = 0; c < count; ++c) {
      for (std::int32_t value : channels[c]) {
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 255);
      }
    }
  }
}

}  // namespace
}  // namespace kvf
