// The packet walk through JP2_Decompress_GetInformation on our encoder's files: with SOP
// markers every packet of a tile must start at an SOP whose number is its rank in the
// stream, and the packets must follow one another without gaps, for every progression,
// with precincts, layers, tiles, subsampling and code-block styles.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/DecodeSession.h"
#include "support/EncodeSession.h"

namespace quillon::jp2::test {
namespace {

struct PacketSpan {
  std::uint32_t offset, length;
};

struct IndexCase {
  std::string name;
  int components;
  std::uint32_t width, height;
  std::function<void(CompressHandle)> configure;
};

std::int32_t Set(CompressHandle h, std::uint32_t id, std::uintptr_t value) {
  return JP2_Compress_SetProp(h, id, value, -1, -1);
}

std::vector<IndexCase> IndexCases() {
  std::vector<IndexCase> cases;
  for (std::uintptr_t order = 0; order <= 4; ++order) {
    cases.push_back({"order" + std::to_string(order) + "-precincts-layers", 3, 40, 33,
                     [order](CompressHandle h) {
                       EXPECT_EQ(Set(h, JP2_Prop_Progression, order), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_Layers, 3), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_Levels, 3), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_CodeBlockWidth, 4), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_CodeBlockHeight, 8), 0);
                       EXPECT_EQ(JP2_Compress_SetPrecinct(h, 3, 4, -1, -1, -1), 0);
                       EXPECT_EQ(JP2_Compress_SetPrecinct(h, 2, 2, -1, -1, 0), 0);
                     }});
    cases.push_back({"order" + std::to_string(order) + "-tiles-offset", 2, 37, 29,
                     [order](CompressHandle h) {
                       EXPECT_EQ(Set(h, JP2_Prop_Progression, order), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_OffsetX, 5), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_OffsetY, 3), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_TileWidth, 16), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_TileHeight, 13), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_Levels, 2), 0);
                     }});
  }
  cases.push_back({"thirty-layers-every-style", 1, 24, 20, [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_Layers, 30), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_CodeBlockStyle, 63), 0);
                   }});
  return cases;
}

class PacketIndex : public ::testing::TestWithParam<IndexCase> {};

TEST_P(PacketIndex, SopNumbersFollowTheStreamAndPacketsLeaveNoGaps) {
  const IndexCase& param = GetParam();
  EncodeSession encoder;
  encoder.components = MakeComponents(param.components, param.width, param.height);
  ASSERT_EQ(encoder.Encode([&](CompressHandle h) {
    EXPECT_EQ(Set(h, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
    EXPECT_EQ(Set(h, JP2_Prop_Markers, 1), 0);
    param.configure(h);
  }), 0);
  DecodeSession session(encoder.output);
  ASSERT_EQ(session.Start(), 0);
  JP2_ImageInfo* info = nullptr;
  ASSERT_EQ(JP2_Decompress_GetInformation(session.handle, &info), 0);
  ASSERT_NE(info, nullptr);
  const Bytes& bytes = session.bytes;
  std::size_t packetsSeen = 0;
  for (std::uint32_t t = 0; t < info->tilesAcross * info->tilesDown; ++t) {
    const JP2_TileInfo& tile = info->tiles[t];
    std::vector<PacketSpan> packets;
    for (std::uint32_t c = 0; c < info->components; ++c) {
      const JP2_CompInfo& component = tile.components[c];
      for (int r = 0; r <= component.levels; ++r) {
        const JP2_ResInfo& level = component.resolutions[r];
        for (std::uint32_t p = 0; p < level.precinctsAcross * level.precinctsDown; ++p) {
          for (int l = 0; l < tile.layers; ++l) {
            packets.push_back({level.precincts[p].layerOffsets[l], level.precincts[p].layerLengths[l]});
          }
        }
      }
    }
    std::sort(packets.begin(), packets.end(),
              [](const PacketSpan& a, const PacketSpan& b) { return a.offset < b.offset; });
    for (std::size_t i = 0; i < packets.size(); ++i) {
      const PacketSpan& packet = packets[i];
      ASSERT_LE(std::size_t{packet.offset} + 6, bytes.size());
      EXPECT_EQ(bytes[packet.offset], 0xFF) << "tile " << t << " packet " << i;
      EXPECT_EQ(bytes[packet.offset + 1], 0x91);
      EXPECT_EQ((bytes[packet.offset + 4] << 8) | bytes[packet.offset + 5], static_cast<int>(i));
      if (i + 1 < packets.size()) {
        EXPECT_EQ(packet.offset + packet.length, packets[i + 1].offset);
      }
    }
    packetsSeen += packets.size();
  }
  EXPECT_GT(packetsSeen, 0u);
  // A second call rebuilds the same index.
  JP2_ImageInfo* again = nullptr;
  ASSERT_EQ(JP2_Decompress_GetInformation(session.handle, &again), 0);
  EXPECT_GT(again->tiles[0].components[0].resolutions[0].precincts[0].layerLengths[0], 0u);
}

INSTANTIATE_TEST_SUITE_P(OurFiles, PacketIndex, ::testing::ValuesIn(IndexCases()),
                         CaseName<::testing::TestParamInfo<IndexCase>>);

}  // namespace
}  // namespace quillon::jp2::test
