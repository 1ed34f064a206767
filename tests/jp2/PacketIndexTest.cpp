// The packet walk through JP2_Decompress_GetInformation on our encoder's files: with SOP
// markers every packet of a tile must start at an SOP whose number is its rank in the
// stream, and the packets must follow one another without gaps, for every progression,
// with precincts, layers, tiles, subsampling and code-block styles.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/DecodeSession.h"
#include "support/EncodeSession.h"
#include "support/PacketIndexCheck.h"

namespace quillon::jp2::test {
namespace {

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
    cases.push_back(
        {"order" + std::to_string(order) + "-tiles-offset", 2, 37, 29, [order](CompressHandle h) {
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
  }),
            0);
  DecodeSession session(encoder.output);
  ASSERT_EQ(session.Start(), 0);
  JP2_ImageInfo* info = nullptr;
  ASSERT_EQ(JP2_Decompress_GetInformation(session.handle, &info), 0);
  ASSERT_NE(info, nullptr);
  EXPECT_GT(ExpectSopNumberedPacketsWithoutGaps(session.bytes, *info), 0u);
  // A second call rebuilds the same index.
  JP2_ImageInfo* again = nullptr;
  ASSERT_EQ(JP2_Decompress_GetInformation(session.handle, &again), 0);
  EXPECT_GT(again->tiles[0].components[0].resolutions[0].precincts[0].layerLengths[0], 0u);
}

INSTANTIATE_TEST_SUITE_P(OurFiles, PacketIndex, ::testing::ValuesIn(IndexCases()),
                         CaseName<::testing::TestParamInfo<IndexCase>>);

}  // namespace
}  // namespace quillon::jp2::test
