// The arithmetic coder, the model and both coefficient streams.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "AdaptiveModel.h"
#include "ArithmeticCoder.h"
#include "BytePlanes.h"
#include "CoefficientTrees.h"
#include "LegacyFixtures.h"
#include "Quantizer.h"
#include "StreamCoders.h"
#include "TreeLayout.h"
#include "WaveletTransform.h"

namespace kvfcodec {
namespace {

TEST(AdaptiveModel, StartsAtTheGivenBoundsAndMovesByFour) {
  AdaptiveModel model;
  EXPECT_EQ(model.bound(0), 65);
  EXPECT_EQ(model.bound(1), 102);
  EXPECT_EQ(model.bound(2), 115);
  EXPECT_EQ(model.bound(3), 128);
  model.update(3);  // replaces the oldest 0
  EXPECT_EQ(model.bound(0), 61);
  EXPECT_EQ(model.bound(1), 98);
  EXPECT_EQ(model.bound(2), 111);
  EXPECT_EQ(model.bound(3), 128);
}

TEST(ArithmeticCoder, RoundTripsAndStuffsAZeroAfterEvery255) {
  std::mt19937 random(7);
  std::vector<std::pair<int, bool>> symbols;
  for (int i = 0; i < 20000; ++i) {
    const bool leaf = random() % 3 == 0;
    int s = static_cast<int>(random() % 4);
    if (leaf && s == 1) s = 3;
    symbols.push_back({s, leaf});
  }
  ArithmeticEncoder encoder;
  AdaptiveModel model;
  for (auto [s, leaf] : symbols) {
    encoder.encode(model.interval(s, leaf));
    model.update(s);
  }
  encoder.finish();
  const std::vector<uint8_t>& bytes = encoder.bytes();
  int stuffed = 0;
  for (size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == 255) {
      ASSERT_LT(i + 1, bytes.size());
      ASSERT_EQ(bytes[i + 1], 0);
      ++stuffed;
      ++i;
    }
  EXPECT_GT(stuffed, 0) << "no 255 byte was written; the stuffing went untested";

  ArithmeticDecoder decoder(bytes);
  AdaptiveModel mirror;
  for (auto [s, leaf] : symbols) {
    ASSERT_EQ(decoder.decode(mirror, leaf), s);
    mirror.update(s);
  }
}

struct Trees {
  TreeShape shape{3, 6};
  std::vector<uint32_t> words;
  int threshold = 0;
};

// Sparse random coefficients, larger towards the roots, with their ancestor ORs.
Trees randomTrees(unsigned seed) {
  Trees t;
  std::mt19937 random(seed);
  t.words.resize(static_cast<size_t>(t.shape.trees * t.shape.wordsPerTree()));
  uint32_t largest = 0;
  for (int64_t tree = 0; tree < t.shape.trees; ++tree) {
    std::span<uint32_t> words(t.words.data() + tree * t.shape.wordsPerTree(),
                              static_cast<size_t>(t.shape.wordsPerTree()));
    for (size_t k = 0; k < words.size(); ++k) {
      const uint32_t range = k == 0 ? 3000 : k < 4 ? 600 : k < 16 ? 100 : 20;
      const uint32_t m = random() % 3 == 0 ? static_cast<uint32_t>(random() % range) : 0;
      words[k] = m | (m != 0 && random() % 2 ? kSign : 0);
      largest = std::max(largest, m);
    }
    propagateMagnitudes(words);
  }
  t.threshold = static_cast<int>(std::bit_floor(largest));
  return t;
}

std::vector<uint32_t> signedMagnitudes(const std::vector<uint32_t>& words) {
  std::vector<uint32_t> out;
  for (uint32_t w : words) out.push_back(w & (kMagnitude | kSign));
  return out;
}

using Encode = std::vector<uint8_t> (*)(std::span<uint32_t>, const TreeShape&, int, int, size_t);
using Decode = void (*)(std::span<uint32_t>, const TreeShape&, int, int, std::span<const uint8_t>);

struct StreamCase {
  const char* name;
  Encode encode;
  Decode decode;
};

class EveryStream : public ::testing::TestWithParam<StreamCase> {};

// Both streams restore every coefficient from a whole stream: the integer stream through
// its symbol count, the zerotree stream although its last symbols may share a byte.
TEST_P(EveryStream, WholeStreamRestoresTheCoefficients) {
  for (unsigned seed : {1u, 5u, 6u, 7u}) {
    const Trees t = randomTrees(seed);
    std::vector<uint32_t> copy = t.words;
    const std::vector<uint8_t> stream = GetParam().encode(copy, t.shape, t.threshold, 15, 0);
    std::vector<uint32_t> decoded(t.words.size());
    GetParam().decode(decoded, t.shape, t.threshold, 15, stream);
    EXPECT_EQ(signedMagnitudes(decoded), signedMagnitudes(t.words)) << "seed " << seed;
  }
}

TEST_P(EveryStream, BudgetBoundsTheStreamAndItsPrefixDecodesCloser) {
  const Trees t = randomTrees(2);
  long previousError = -1;
  for (size_t budget : {size_t{200}, size_t{60}, size_t{20}}) {
    std::vector<uint32_t> copy = t.words;
    const std::vector<uint8_t> stream = GetParam().encode(copy, t.shape, t.threshold, 15, budget);
    EXPECT_LE(stream.size(), budget);
    std::vector<uint32_t> decoded(t.words.size());
    GetParam().decode(decoded, t.shape, t.threshold, 15, stream);
    long error = 0;
    for (size_t i = 0; i < decoded.size(); ++i)
      error += std::abs(static_cast<long>(decoded[i] & kMagnitude) -
                        static_cast<long>(t.words[i] & kMagnitude));
    EXPECT_GT(error, previousError) << "budget " << budget;
    previousError = error;
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, EveryStream,
                         ::testing::Values(StreamCase{"Zerotree", encodeZerotree, decodeZerotree},
                                           StreamCase{"Integer", encodeIntegerStream,
                                                      decodeIntegerStream}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ZerotreeStream, PlaneLimitOneGivesTheTopBitAndAQuarter) {
  const Trees t = randomTrees(3);
  std::vector<uint32_t> copy = t.words;
  const std::vector<uint8_t> stream = encodeZerotree(copy, t.shape, t.threshold, 15, 0);
  std::vector<uint32_t> decoded(t.words.size());
  decodeZerotree(decoded, t.shape, t.threshold, 1, stream);
  const uint32_t top = static_cast<uint32_t>(t.threshold);
  int significant = 0;
  for (size_t i = 0; i < decoded.size(); ++i) {
    const uint32_t m = t.words[i] & kMagnitude;
    if (m & top) {
      ++significant;
      EXPECT_EQ(decoded[i] & (kMagnitude | kSign), (top | top / 4) | (t.words[i] & kSign));
    } else {
      EXPECT_EQ(decoded[i] & kMagnitude, 0u);
    }
  }
  EXPECT_GT(significant, 0);
}

struct PictureCase {
  int filter, width, height, channels, levels;
};

class ZerotreeOfPictures : public ::testing::TestWithParam<PictureCase> {};

// The quantized coefficients of real pictures: a whole stream decodes to every one of them.
TEST_P(ZerotreeOfPictures, WholeStreamRestoresEveryCoefficient) {
  const PictureCase c = GetParam();
  const testing::TestPicture picture = testing::makePicture(c.width, c.height, c.channels);
  const PaddedSize padded = paddedSize(c.width, c.height, c.levels);
  std::vector<double> samples(static_cast<size_t>(padded.width * padded.height * c.channels));
  const Plane<double> p{
      samples.data(), padded.width, padded.height, c.channels, padded.width * c.channels,
      c.channels};
  preparePlane(picture.pixels.data(),
               Strided{c.width, c.height, c.channels, c.width * c.channels, c.channels}, p, padded);
  forwardTransform(p, c.levels, c.filter);
  std::vector<uint32_t> words(samples.size());
  const int threshold = quantize(p, c.levels, c.channels == 3, words);
  const TreeShape shape = TreeLayout(padded.width, padded.height, c.levels).shape(c.channels);
  std::vector<uint32_t> copy = words;
  const std::vector<uint8_t> stream = encodeZerotree(copy, shape, threshold, 15, 0);
  std::vector<uint32_t> decoded(words.size());
  decodeZerotree(decoded, shape, threshold, 15, stream);
  EXPECT_EQ(signedMagnitudes(decoded), signedMagnitudes(words));
}

INSTANTIATE_TEST_SUITE_P(
    Filters, ZerotreeOfPictures,
    ::testing::Values(PictureCase{0, 64, 48, 1, 3}, PictureCase{1, 70, 45, 3, 3},
                      PictureCase{3, 33, 90, 1, 2}, PictureCase{5, 128, 128, 3, 4},
                      PictureCase{8, 96, 64, 3, 3}, PictureCase{9, 80, 80, 1, 2},
                      PictureCase{10, 50, 61, 3, 3}, PictureCase{11, 200, 40, 1, 2}),
    [](const auto& info) {
      return std::string(GetFilterShortName(info.param.filter)) + "_" +
             std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
    });

TEST(IntegerStream, EndsWithTheMarkerAndTheSymbolCount) {
  const Trees t = randomTrees(4);
  std::vector<uint32_t> copy = t.words;
  const std::vector<uint8_t> stream = encodeIntegerStream(copy, t.shape, t.threshold, 15, 0);
  ASSERT_GE(stream.size(), 4u);
  EXPECT_EQ(stream[stream.size() - 4], 255);
  EXPECT_EQ(stream[stream.size() - 3], 241);
}

}  // namespace
}  // namespace kvfcodec
