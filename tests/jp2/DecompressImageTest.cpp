// Whole-image decoding through the C interface: our encoder's lossless files of every kind
// decode to the samples encoded; truncated files decode without failing from the packets
// that arrived; the write callback's and the progress callback's answers stop decoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
  cases.push_back({"subsampled", {MakeComponent(32, 24, 8, false, 0), MakeComponent(16, 12, 8, false, 1)}, none});
  for (std::uintptr_t order = 0; order <= 4; ++order) {
    cases.push_back({"order" + std::to_string(order) + "-tiles-precincts-layers", MakeComponents(3, 41, 27),
                     [order](CompressHandle h) {
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
  cases.push_back({"thirty-layers-sop-eph-every-style", MakeComponents(1, 26, 22), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_Layers, 30), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_Markers, 3), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_CodeBlockStyle, 63), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_CodeBlockWidth, 8), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_CodeBlockHeight, 4), 0);
                   }});
  cases.push_back({"no-levels", MakeComponents(1, 9, 7), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_Levels, 0), 0);
                   }});
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
                                   reinterpret_cast<std::uintptr_t>(&again)), 0);
  ASSERT_EQ(JP2_Decompress_Image(session.handle), 0);
  EXPECT_EQ(again.writes, image.writes);
}

INSTANTIATE_TEST_SUITE_P(OurFiles, LosslessDecode, ::testing::ValuesIn(LosslessCases()),
                         CaseName<::testing::TestParamInfo<LosslessCase>>);

TEST(DecompressImage, TruncatedFilesDecodeFromThePacketsThatArrived) {
  EncodeSession encoder;
  encoder.components = MakeComponents(3, 40, 30);
  ASSERT_EQ(encoder.Encode([](CompressHandle h) {
    EXPECT_EQ(Set(h, JP2_Prop_Layers, 4), 0);
    EXPECT_EQ(Set(h, JP2_Prop_TileWidth, 24), 0);
  }), 0);
  int decodedSome = 0;
  for (int cut = 1; cut < 64; ++cut) {
    Bytes bytes = encoder.output;
    bytes.resize(bytes.size() * static_cast<std::size_t>(cut) / 64);
    DecodeSession session(bytes);
    if (session.Start() != 0) continue;  // cut inside the headers
    DecodedImage image;
    for (const TestComponent& c : encoder.components) image.channels.push_back(c);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteCallback,
                                     reinterpret_cast<std::uintptr_t>(&DecodedImage::Write)), 0);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteParam,
                                     reinterpret_cast<std::uintptr_t>(&image)), 0);
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
                                     reinterpret_cast<std::uintptr_t>(&DecodedImage::Write)), 0);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_ProgressCallback,
                                     reinterpret_cast<std::uintptr_t>(progress)), 0);
    EXPECT_EQ(JP2_Decompress_Image(session.handle), JP2_Error_Cancelled);
    EXPECT_EQ(image.writes, 0);
  }
}

// 65,535 one-pixel tiles, with a tile-part each (written last tile first) or with only the
// last tile's: finding a tile's tile-parts must not scan the whole list, and tiles that
// received nothing deliver mid-grey rows without code-block records. Before the tile-parts
// were indexed by tile this took billions of steps.
TEST(DecompressImage, MostTilesAndTilePartsAFileCanClaimDecodeQuickly) {
  constexpr std::uint32_t kWidth = 255, kHeight = 257, kTiles = kWidth * kHeight;
  for (const bool everyTile : {true, false}) {
    VectorSegmentWriter out;
    WriteMainHeaderStart(out, SmallSiz(kWidth, kHeight, 1, 1));
    for (std::uint32_t tile = kTiles; tile-- > (everyTile ? 0 : kTiles - 1);) {
      WriteTilePart(out, static_cast<std::uint16_t>(tile), 0, 1, {}, 1);  // one empty packet
    }
    out.Marker(kMarkerEoc);
    const auto start = std::chrono::steady_clock::now();
    DecodeSession session(out.bytes);
    DecodedImage image;
    ASSERT_EQ(Decode(session, {MakeComponent(kWidth, kHeight, 8, false, 0)}, &image), 0);
    JP2_ImageInfo* info = nullptr;
    ASSERT_EQ(JP2_Decompress_GetInformation(session.handle, &info), 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0) << "every tile " << everyTile;
    EXPECT_EQ(image.writes, static_cast<int>(kTiles));
    EXPECT_EQ(std::count(image.channels[0].samples.begin(), image.channels[0].samples.end(), 128),
              static_cast<std::ptrdiff_t>(kTiles));
    EXPECT_EQ(info->tiles[kTiles - 1].components[0].width, 1u);
  }
}

}  // namespace
}  // namespace quillon::jp2::test
