// Whole-image decoding through the C interface: our encoder's lossless files of every kind
// decode to the samples encoded; truncated files decode without failing from the packets
// that arrived; palette channels all get their index rows; the write callback's and the
// progress callback's answers stop decoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "support/CodestreamBuilder.h"
#include "support/DecodeSession.h"
#include "support/DecodedImage.h"
#include "support/EncodeSession.h"

namespace quillon::jp2::test {
namespace {

std::int32_t Set(CompressHandle h, std::uint32_t id, std::uintptr_t value) {
  return JP2_Compress_SetProp(h, id, value, -1, -1);
}

struct LosslessCase {
  std::string name;
  std::vector<TestComponent> components;
  std::function<void(CompressHandle)> configure;
};

std::vector<LosslessCase> LosslessCases() {
  const auto none = [](CompressHandle) {};
  std::vector<LosslessCase> cases;
  cases.push_back({"grey", MakeComponents(1, 33, 21), none});
  cases.push_back({"rgb", MakeComponents(3, 30, 17), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
                   }});
  cases.push_back({"twelve-bit", MakeComponents(1, 19, 23, 12), none});
  cases.push_back({"sixteen-bit-signed", MakeComponents(2, 18, 14, 16, true), none});
  cases.push_back({"subsampled",
                   {MakeComponent(32, 24, 8, false, 0), MakeComponent(16, 12, 8, false, 1)},
                   none});
  for (std::uintptr_t order = 0; order <= 4; ++order) {
    cases.push_back({"order" + std::to_string(order) + "-tiles-precincts-layers",
                     MakeComponents(3, 41, 27), [order](CompressHandle h) {
                       EXPECT_EQ(Set(h, JP2_Prop_Progression, order), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_OffsetX, 3), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_OffsetY, 5), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_TileWidth, 19), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_TileHeight, 14), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_Layers, 3), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_Levels, 2), 0);
                       EXPECT_EQ(JP2_Compress_SetPrecinct(h, 3, 3, -1, -1, -1), 0);
                     }});
  }
  cases.push_back(
      {"thirty-layers-sop-eph-every-style", MakeComponents(1, 26, 22), [](CompressHandle h) {
         EXPECT_EQ(Set(h, JP2_Prop_Layers, 30), 0);
         EXPECT_EQ(Set(h, JP2_Prop_Markers, 3), 0);
         EXPECT_EQ(Set(h, JP2_Prop_CodeBlockStyle, 63), 0);
         EXPECT_EQ(Set(h, JP2_Prop_CodeBlockWidth, 8), 0);
         EXPECT_EQ(Set(h, JP2_Prop_CodeBlockHeight, 4), 0);
       }});
  cases.push_back({"no-levels", MakeComponents(1, 9, 7),
                   [](CompressHandle h) { EXPECT_EQ(Set(h, JP2_Prop_Levels, 0), 0); }});
  return cases;
}

class LosslessDecode : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessDecode, GivesBackTheSamplesEncoded) {
  const LosslessCase& param = GetParam();
  EncodeSession encoder;
  encoder.components = param.components;
  ASSERT_EQ(encoder.Encode(param.configure), 0);
  DecodeSession session(encoder.output);
  DecodedImage image;
  ASSERT_EQ(Decode(session, param.components, &image), 0);
  for (std::size_t c = 0; c < param.components.size(); ++c) {
    EXPECT_EQ(image.channels[c].samples, param.components[c].samples) << "component " << c;
  }
  // A second run on the same handle gives the same rows.
  DecodedImage again = image;
  again.writes = 0;
  EXPECT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteParam,
                                   reinterpret_cast<std::uintptr_t>(&again)),
            0);
  ASSERT_EQ(JP2_Decompress_Image(session.handle), 0);
  EXPECT_EQ(again.writes, image.writes);
}

INSTANTIATE_TEST_SUITE_P(OurFiles, LosslessDecode, ::testing::ValuesIn(LosslessCases()),
                         CaseName<::testing::TestParamInfo<LosslessCase>>);

// Every palette column is an output channel of the one index component: each gets the rows.
TEST(DecompressImage, EveryPaletteChannelGetsTheIndexRows) {
  const TestComponent indices = MakeComponent(23, 17, 4, false, 3);
  const SixteenColourPalette palette;
  EncodeSession encoder;
  encoder.components = {indices};
  ASSERT_EQ(encoder.Encode([&](CompressHandle h) {
    EXPECT_EQ(Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
    EXPECT_EQ(JP2_Compress_SetPalette(h, &palette.desc), 0);
  }),
            0);
  DecodeSession session(encoder.output);
  DecodedImage image;
  ASSERT_EQ(Decode(session, {indices, indices, indices}, &image), 0);
  for (int channel = 0; channel < 3; ++channel) {
    EXPECT_EQ(image.channels[channel].samples, indices.samples) << "channel " << channel;
  }
}

TEST(DecompressImage, TruncatedFilesDecodeFromThePacketsThatArrived) {
  EncodeSession encoder;
  encoder.components = MakeComponents(3, 40, 30);
  ASSERT_EQ(encoder.Encode([](CompressHandle h) {
    EXPECT_EQ(Set(h, JP2_Prop_Layers, 4), 0);
    EXPECT_EQ(Set(h, JP2_Prop_TileWidth, 24), 0);
  }),
            0);
  int decodedSome = 0;
  for (int cut = 1; cut < 64; ++cut) {
    Bytes bytes = encoder.output;
    bytes.resize(bytes.size() * static_cast<std::size_t>(cut) / 64);
    DecodeSession session(bytes);
    if (session.Start() != 0) continue;  // cut inside the headers
    DecodedImage image;
    for (const TestComponent& c : encoder.components) image.channels.push_back(c);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteCallback,
                                     reinterpret_cast<std::uintptr_t>(&DecodedImage::Write)),
              0);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteParam,
                                     reinterpret_cast<std::uintptr_t>(&image)),
              0);
    EXPECT_EQ(JP2_Decompress_Image(session.handle), 0) << "cut at " << cut << "/64";
    decodedSome += image.writes > 0 ? 1 : 0;
  }
  EXPECT_GT(decodedSome, 32);
}

TEST(DecompressImage, CallbacksStopDecodingWithTheirAnswer) {
  EncodeSession encoder;
  encoder.components = MakeComponents(1, 16, 16);
  ASSERT_EQ(encoder.Encode([](CompressHandle) {}), 0);
  {
    DecodeSession session(encoder.output);
    ASSERT_EQ(session.Start(), 0);
    EXPECT_EQ(JP2_Decompress_Image(session.handle), JP2_Error_NoOutputCallback);
  }
  {
    DecodeSession session(encoder.output);
    DecodedImage image;
    image.stopWith = 77;
    EXPECT_EQ(Decode(session, encoder.components, &image), 77);
    EXPECT_EQ(image.writes, 1);
  }
  {
    DecodeSession session(encoder.output);
    DecodedImage image;
    ASSERT_EQ(session.Start(), 0);
    const auto stop = [](std::uintptr_t) -> std::int32_t { return 1; };
    JP2_ProgressCallback progress = stop;
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteCallback,
                                     reinterpret_cast<std::uintptr_t>(&DecodedImage::Write)),
              0);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_ProgressCallback,
                                     reinterpret_cast<std::uintptr_t>(progress)),
              0);
    EXPECT_EQ(JP2_Decompress_Image(session.handle), JP2_Error_Cancelled);
    EXPECT_EQ(image.writes, 0);
  }
}

// Enlarging by f, tile by tile: rows P, Q give f rows P + (Q - P) k / f, each widened by the
// same rule between neighbours; the last row and column are repeated.
TestComponent Enlarged(const TestComponent& source, std::uint32_t tileWidth, int f) {
  TestComponent out = source;
  out.width *= f;
  out.height *= f;
  out.samples.assign(std::size_t{out.width} * out.height, 0);
  const auto at = [&source](std::uint32_t x, std::uint32_t y) {
    return source.samples[std::size_t{y} * source.width + x];
  };
  for (std::uint32_t x0 = 0; x0 < source.width; x0 += tileWidth) {
    const std::uint32_t x1 = std::min(source.width, x0 + tileWidth);
    for (std::uint32_t y = 0; y < source.height; ++y) {
      const std::uint32_t below = std::min(y + 1, source.height - 1);
      for (int k = 0; k < f; ++k) {
        const auto row = [&](std::uint32_t x) {
          return at(x, y) + (at(x, below) - at(x, y)) * k / f;
        };
        for (std::uint32_t x = x0; x < x1; ++x) {
          const std::int32_t a = row(x), b = row(std::min(x + 1, x1 - 1));
          for (int m = 0; m < f; ++m) {
            out.samples[(std::size_t{y} * f + k) * out.width + x * f + m] = a + (b - a) * m / f;
          }
        }
      }
    }
  }
  return out;
}

// What reaches the write callback in the output forms a caller chooses: 16-bit samples in
// either byte order, and enlargement by 2 across tiles.
TEST(DecompressImage, OutputFormsGiveTheEncodedSamples) {
  struct Case {
    std::string name;
    std::uint32_t depth;
    bool bigEndian;
    std::uint32_t enlarge;
  };
  for (const Case& c :
       {Case{"16-bit little-endian", 16, false, 1}, Case{"16-bit big-endian", 16, true, 1},
        Case{"enlarged by 2", 8, false, 2}}) {
    constexpr std::uint32_t kTileWidth = 5;
    EncodeSession encoder;
    encoder.components = {MakeComponent(9, 7, c.depth, false, 0)};
    ASSERT_EQ(encoder.Encode(
                  [](CompressHandle h) { EXPECT_EQ(Set(h, JP2_Prop_TileWidth, kTileWidth), 0); }),
              0);
    const TestComponent expected =
        c.enlarge == 1 ? encoder.components[0] : Enlarged(encoder.components[0], kTileWidth, 2);
    DecodeSession session(encoder.output);
    DecodedImage image;
    image.bigEndian = c.bigEndian;
    ASSERT_EQ(Decode(session, {expected}, &image,
                     [&c](DecompressHandle h) {
                       EXPECT_EQ(JP2_Decompress_SetProp(h, JP2_Prop_EnlargeFactor, c.enlarge), 0);
                     }),
              0)
        << c.name;
    EXPECT_EQ(image.channels[0].samples, expected.samples) << c.name;
  }
}

// Code-block bytes are read block by block as tier 1 reaches them: with the input cache off no
// allocation comes near the size of the single tile's data.
TEST(DecompressImage, ASingleTileIsNotHeldInMemory) {
  EncodeSession encoder;
  encoder.components = {MakeComponent(128, 8000, 8, false, 0)};
  ASSERT_EQ(encoder.Encode([](CompressHandle) {}), 0);
  ASSERT_GT(encoder.output.size(), 500000u);
  DecodeSession session(encoder.output);
  DecodedImage image;
  ASSERT_EQ(Decode(session, encoder.components, &image,
                   [&session](DecompressHandle h) {
                     EXPECT_EQ(JP2_Decompress_SetProp(h, JP2_Prop_CacheInput, 0), 0);
                     session.allocator.largest = 0;
                   }),
            0);
  EXPECT_EQ(image.channels[0].samples, encoder.components[0].samples);
  EXPECT_LT(session.allocator.largest, encoder.output.size() / 4);
}

// 65,535 one-pixel tiles, with a tile-part each (written last tile first) or with only the
// last tile's: finding a tile's tile-parts must not scan the whole list, and tiles that
// received nothing deliver mid-grey rows without code-block records. Before the tile-parts
// were indexed by tile this took billions of steps.
TEST(DecompressImage, MostTilesAndTilePartsAFileCanClaimDecodeQuickly) {
  // Processor seconds to decode a width x height file of one-pixel tiles, checked on the way.
  const auto decodeSeconds = [](std::uint32_t width, std::uint32_t height, bool everyTile) {
    const std::uint32_t tiles = width * height;
    VectorSegmentWriter out;
    WriteMainHeaderStart(out, SmallSiz(width, height, 1, 1));
    for (std::uint32_t tile = tiles; tile-- > (everyTile ? 0 : tiles - 1);) {
      WriteTilePart(out, static_cast<std::uint16_t>(tile), 0, 1, {}, 1);  // one empty packet
    }
    out.Marker(kMarkerEoc);
    const std::clock_t start = std::clock();
    DecodeSession session(out.bytes);
    DecodedImage image;
    EXPECT_EQ(Decode(session, {MakeComponent(width, height, 8, false, 0)}, &image), 0);
    JP2_ImageInfo* info = nullptr;
    EXPECT_EQ(JP2_Decompress_GetInformation(session.handle, &info), 0);
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_EQ(image.writes, static_cast<int>(tiles));
    EXPECT_EQ(std::count(image.channels[0].samples.begin(), image.channels[0].samples.end(), 128),
              static_cast<std::ptrdiff_t>(tiles));
    if (info != nullptr) {
      EXPECT_EQ(info->tiles[tiles - 1].components[0].width, 1u);
    }
    return seconds;
  };
  for (const bool everyTile : {true, false}) {
    // Processor time, not wall time, and against a quarter of the tiles on the same machine:
    // the test must not fail on a busy or slow machine, only when the work grows with the
    // square of the tile count (16 times the quarter's instead of 4 times).
    const double quarter = decodeSeconds(127, 129, everyTile);
    const double whole = decodeSeconds(255, 257, everyTile);
    EXPECT_LT(whole, 8 * quarter + 0.5) << "every tile " << everyTile;
  }
}

}  // namespace
}  // namespace quillon::jp2::test
