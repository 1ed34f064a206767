// SetProp and GetProp over the property table: argument checks in their order, scopes,
// defaults, value checks and the interplay of related properties; SetPrecinct.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "encoder/CompressState.h"
#include "support/EncoderFixture.h"

namespace quillon::jp2::test {
namespace {

class CompressProperties : public EncoderTest {
 protected:
  void SetUp() override { Start(3); }

  // Four tiles of 16 x 16 on a 32 x 32 picture.
  void MakeFourTiles() {
    SetSize(32, 32);
    ASSERT_EQ(Set(JP2_Prop_TileWidth, 16), 0);
    ASSERT_EQ(Set(JP2_Prop_TileHeight, 16), 0);
    ASSERT_EQ(Get(JP2_Prop_TileCount), 4u);
  }
};

TEST_F(CompressProperties, DefaultsAreThoseOfTheTable) {
  const std::pair<std::uint32_t, std::uintptr_t> defaults[] = {{JP2_Prop_Width, 0},
                                                               {JP2_Prop_Height, 0},
                                                               {JP2_Prop_Components, 3},
                                                               {JP2_Prop_BitDepth, 0},
                                                               {JP2_Prop_Signed, 0},
                                                               {JP2_Prop_TileWidth, 0},
                                                               {JP2_Prop_TileHeight, 0},
                                                               {JP2_Prop_TileCount, 1},
                                                               {JP2_Prop_FileFormat, 1},
                                                               {JP2_Prop_GridWidth, 0},
                                                               {JP2_Prop_OffsetX, 0},
                                                               {JP2_Prop_ColourSpace, 10},
                                                               {JP2_Prop_ByteOrder, 0},
                                                               {JP2_Prop_OutputBufferSize, 2048},
                                                               {JP2_Prop_InputCallback, 0},
                                                               {JP2_Prop_Markers, 0},
                                                               {JP2_Prop_Progression, 0},
                                                               {JP2_Prop_Layers, 1},
                                                               {JP2_Prop_TargetSize, 0},
                                                               {JP2_Prop_VisualWeighting, 0},
                                                               {JP2_Prop_GuardBits, 2},
                                                               {JP2_Prop_Reversible, 1},
                                                               {JP2_Prop_Levels, 5},
                                                               {JP2_Prop_CodeBlockWidth, 64},
                                                               {JP2_Prop_CodeBlockHeight, 64},
                                                               {JP2_Prop_CodeBlockStyle, 0},
                                                               {JP2_Prop_QuantStyle, 0},
                                                               {JP2_Prop_Threads, 1}};
  for (const auto& [id, value] : defaults) EXPECT_EQ(Get(id, 0, 2), value) << "property " << id;
  const TileComponentCoding& coding = StateOf(handle)->Coding(0, 2);
  for (const std::uint8_t precinct : coding.precincts) EXPECT_EQ(precinct, 0xFF);
}

TEST_F(CompressProperties, GeneralChecksComeInTheirOrder) {
  EXPECT_EQ(Set(999, 0, 7, -2), JP2_Error_ComponentIndex);
  EXPECT_EQ(Set(999, 0, 7, 3), JP2_Error_ComponentIndex);
  EXPECT_EQ(Set(999, 0, 7, 2), JP2_Error_TileIndex);
  EXPECT_EQ(Set(999, 0, -2, 2), JP2_Error_TileIndex);
  EXPECT_EQ(Set(999, 0, 0, 2), JP2_Error_NotPerTile);
  EXPECT_EQ(Set(999, 0, -1, 2), JP2_Error_UnknownProperty);
  EXPECT_EQ(Set(0, 0), JP2_Error_UnknownProperty);
  EXPECT_EQ(Set(78, 0), JP2_Error_UnknownProperty);
  EXPECT_EQ(Set(JP2_Prop_Threads, 0), JP2_Error_ValueOutOfRange);
  EXPECT_EQ(Set(JP2_Prop_Threads, 65), JP2_Error_ValueOutOfRange);
  for (const std::uint32_t id : {16u, 19u, 26u, 39u, 44u, 49u, 54u, 59u, 64u, 66u, 69u}) {
    EXPECT_EQ(Set(id, 0), JP2_Error_UnknownProperty) << id;
  }
  for (const std::uint32_t id : {23u, 24u, 25u, 50u, 51u, 52u, 53u}) {
    EXPECT_EQ(Set(id, 0, -1, 1), JP2_Error_Reserved) << id;
  }
  for (const std::uint32_t id : {8u, 10u, 11u}) EXPECT_EQ(Set(id, 1), JP2_Error_ReadOnly) << id;
}

TEST_F(CompressProperties, GlobalPropertiesNeedAllComponents) {
  for (const std::uint32_t id :
       {3u, 6u, 9u, 12u, 14u, 20u, 21u, 22u, 40u, 43u, 60u, 61u, 63u, 65u}) {
    EXPECT_EQ(Set(id, 1, -1, 0), JP2_Error_AllComponentsOnly) << id;
  }
  EXPECT_EQ(Set(JP2_Prop_Layers, 4, -1, 1), 0) << "the component is not looked at";
  EXPECT_EQ(Get(JP2_Prop_Layers), 4u);
  EXPECT_EQ(Set(JP2_Prop_Components, 3), 0);
  EXPECT_EQ(Set(JP2_Prop_Components, 4), JP2_Error_ValueOutOfRange);
}

TEST_F(CompressProperties, TileScopeOnlyForIds70To74) {
  MakeFourTiles();
  EXPECT_EQ(Set(JP2_Prop_Progression, 1, 0), JP2_Error_NotPerTile);
  EXPECT_EQ(Set(JP2_Prop_Layers, 2, 0), JP2_Error_NotPerTile);
  EXPECT_EQ(Set(JP2_Prop_CodeBlockStyle, 2, 0), JP2_Error_NotPerTile);
  EXPECT_EQ(Set(JP2_Prop_QuantStyle, 0, 0), JP2_Error_NotPerTile);
  EXPECT_EQ(Set(JP2_Prop_VisualWeighting, 1, 0), JP2_Error_NotPerTile);

  EXPECT_EQ(Set(JP2_Prop_Levels, 3, 0), 0);
  EXPECT_EQ(Get(JP2_Prop_Levels, 0, 0), 3u);
  EXPECT_EQ(Get(JP2_Prop_Levels, 0, 2), 3u);
  for (std::int32_t tile = 1; tile < 4; ++tile) EXPECT_EQ(Get(JP2_Prop_Levels, tile, 0), 5u);
  EXPECT_EQ(Set(JP2_Prop_Levels, 1, 3, 1), 0);
  EXPECT_EQ(Get(JP2_Prop_Levels, 3, 1), 1u);
  EXPECT_EQ(Get(JP2_Prop_Levels, 3, 0), 5u);
  EXPECT_EQ(Set(JP2_Prop_Levels, 17, 0), JP2_Error_Limit);
  EXPECT_EQ(Set(JP2_Prop_Levels, 16, 0), 0);
  EXPECT_EQ(Set(JP2_Prop_Levels, 1, 4), JP2_Error_TileIndex);

  // Tile-wide values go to every tile.
  EXPECT_EQ(Set(JP2_Prop_Progression, 4), 0);
  EXPECT_EQ(Set(JP2_Prop_Markers, 3), 0);
  for (std::int32_t tile = 0; tile < 4; ++tile) {
    EXPECT_EQ(Get(JP2_Prop_Progression, tile, 1), 4u);
    EXPECT_EQ(Get(JP2_Prop_Markers, tile, 1), 3u);
  }
}

TEST_F(CompressProperties, RebuiltTilesStartWithTheValuesOfTileZero) {
  SetSize(32, 32);
  ASSERT_EQ(Set(JP2_Prop_Levels, 2), 0);
  ASSERT_EQ(Set(JP2_Prop_Layers, 7), 0);
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 8), 0);
  ASSERT_EQ(Get(JP2_Prop_TileCount), 4u);
  for (std::int32_t tile = 0; tile < 4; ++tile) {
    EXPECT_EQ(Get(JP2_Prop_Levels, tile, 2), 2u);
    EXPECT_EQ(Get(JP2_Prop_Layers, tile, 2), 7u);
  }
  ASSERT_EQ(Set(JP2_Prop_GuardBits, 5, 0), 0);
  ASSERT_EQ(Set(JP2_Prop_TileHeight, 8), 0);
  ASSERT_EQ(Get(JP2_Prop_TileCount), 16u);
  EXPECT_EQ(Get(JP2_Prop_GuardBits, 15, 1), 5u);
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 0), 0);
  ASSERT_EQ(Set(JP2_Prop_TileHeight, 0), 0);
  EXPECT_EQ(Get(JP2_Prop_TileCount), 1u);
  EXPECT_EQ(Get(JP2_Prop_GuardBits, 0, 1), 5u);
  EXPECT_EQ(allocator.live.size(), 1u) << "one tile lives in the handle";
}

TEST_F(CompressProperties, CodeBlockExponentsTogetherAtMostTwelve) {
  EXPECT_EQ(Set(JP2_Prop_CodeBlockWidth, 1024), JP2_Error_ValueOutOfRange);
  EXPECT_EQ(Set(JP2_Prop_CodeBlockHeight, 4), 0);
  EXPECT_EQ(Set(JP2_Prop_CodeBlockWidth, 1024), 0);
  EXPECT_EQ(Set(JP2_Prop_CodeBlockHeight, 8), JP2_Error_ValueOutOfRange);
  EXPECT_EQ(Get(JP2_Prop_CodeBlockWidth), 1024u);
  EXPECT_EQ(Get(JP2_Prop_CodeBlockHeight), 4u);
  for (const std::uintptr_t bad : {0u, 2u, 3u, 48u, 2048u, 1025u}) {
    EXPECT_EQ(Set(JP2_Prop_CodeBlockWidth, bad), JP2_Error_ValueOutOfRange) << bad;
  }
}

TEST_F(CompressProperties, ReversibleFlagAndQuantizationStyleFollowEachOther) {
  EXPECT_EQ(Set(JP2_Prop_QuantStyle, 1), JP2_Error_QuantStyle);
  EXPECT_EQ(Set(JP2_Prop_Reversible, 0), 0);
  EXPECT_EQ(Get(JP2_Prop_QuantStyle), 2u);
  EXPECT_EQ(Set(JP2_Prop_QuantStyle, 0), JP2_Error_QuantStyle);
  EXPECT_EQ(Set(JP2_Prop_QuantStyle, 1), 0);
  EXPECT_EQ(Set(JP2_Prop_Reversible, 0), 0);
  EXPECT_EQ(Get(JP2_Prop_QuantStyle), 1u) << "a style that is not 0 stays";
  EXPECT_EQ(Set(JP2_Prop_Reversible, 1), 0);
  EXPECT_EQ(Get(JP2_Prop_QuantStyle), 0u);
  EXPECT_EQ(Set(JP2_Prop_QuantStyle, 3), JP2_Error_ValueOutOfRange);
  EXPECT_EQ(Set(JP2_Prop_Reversible, 2), JP2_Error_ValueOutOfRange);

  // A check failing part-way leaves the earlier components changed.
  ASSERT_EQ(Set(JP2_Prop_Reversible, 0, -1, 0), 0);
  ASSERT_EQ(Set(JP2_Prop_Reversible, 0, -1, 2), 0);
  EXPECT_EQ(Set(JP2_Prop_QuantStyle, 1), JP2_Error_QuantStyle);
  EXPECT_EQ(Get(JP2_Prop_QuantStyle, 0, 0), 1u);
  EXPECT_EQ(Get(JP2_Prop_QuantStyle, 0, 2), 2u);
}

TEST_F(CompressProperties, ColourSpaceCodes) {
  EXPECT_EQ(Set(JP2_Prop_ColourSpace, 40), JP2_Error_UseSetICC);
  EXPECT_EQ(Set(JP2_Prop_ColourSpace, 60), JP2_Error_UseSetLAB);
  for (const std::uintptr_t code : {11u, 21u, 31u, 41u, 51u, 61u}) {
    EXPECT_EQ(Set(JP2_Prop_ColourSpace, code), JP2_Error_PaletteColourSpace) << code;
  }
  for (const std::uintptr_t code : {0u, 25u, 70u, 12u}) {
    EXPECT_EQ(Set(JP2_Prop_ColourSpace, code), JP2_Error_ValueOutOfRange) << code;
  }
  for (const std::uintptr_t code : {20u, 30u, 50u, 10u}) {
    EXPECT_EQ(Set(JP2_Prop_ColourSpace, code), 0);
    EXPECT_EQ(Get(JP2_Prop_ColourSpace), code);
  }
}

TEST_F(CompressProperties, ValueRanges) {
  EXPECT_EQ(Set(JP2_Prop_BitDepth, 29), JP2_Error_BitDepthRange);
  EXPECT_EQ(Set(JP2_Prop_BitDepth, 28, -1, 1), 0);
  EXPECT_EQ(Set(JP2_Prop_Signed, 1, -1, 1), 0);
  EXPECT_EQ(Get(JP2_Prop_BitDepth, 0, 1), 28u) << "the signed flag does not touch the depth";
  EXPECT_EQ(Set(JP2_Prop_Width, std::uintptr_t{1} << 32), JP2_Error_ValueOutOfRange);
  EXPECT_EQ(Set(JP2_Prop_Layers, 0), JP2_Error_ValueOutOfRange);
  EXPECT_EQ(Set(JP2_Prop_Layers, 32), JP2_Error_Limit);
  EXPECT_EQ(Set(JP2_Prop_Layers, 65536), JP2_Error_ValueOutOfRange);
  for (const std::uintptr_t style : {64u, 65u, 255u}) {
    EXPECT_EQ(Set(JP2_Prop_CodeBlockStyle, style), JP2_Error_ValueOutOfRange) << style;
  }
  EXPECT_EQ(Set(JP2_Prop_CodeBlockStyle, 63, -1, 1), 0);
  EXPECT_EQ(Get(JP2_Prop_CodeBlockStyle, 0, 0), 0u);
}

TEST_F(CompressProperties, CallbackPropertiesKeepPointerSizedValues) {
  const std::uintptr_t wide = (std::uintptr_t{0xABCD} << 32) | 0x1234;
  for (std::uint32_t id = JP2_Prop_InputCallback; id <= JP2_Prop_OutputParam; ++id) {
    EXPECT_EQ(Set(id, wide + id), 0);
  }
  for (std::uint32_t id = JP2_Prop_InputCallback; id <= JP2_Prop_OutputParam; ++id) {
    EXPECT_EQ(Get(id, 9, 9), wide + id) << "tile and component are not looked at";
  }
}

TEST_F(CompressProperties, GetPropChecks) {
  std::uintptr_t value = 77;
  EXPECT_EQ(JP2_Compress_GetProp(handle, JP2_Prop_Width, nullptr, 0, 0), JP2_Error_NullArgument);
  EXPECT_EQ(JP2_Compress_GetProp(handle, JP2_Prop_Width, &value, 0, -1), JP2_Error_ComponentIndex);
  EXPECT_EQ(value, 0u) << "the result is cleared first";
  EXPECT_EQ(JP2_Compress_GetProp(handle, JP2_Prop_Width, &value, 5, 2), 0) << "tile not used";
  EXPECT_EQ(JP2_Compress_GetProp(handle, JP2_Prop_Levels, &value, -1, 0), JP2_Error_TileIndex);
  EXPECT_EQ(JP2_Compress_GetProp(handle, JP2_Prop_Levels, &value, 0, 3), JP2_Error_ComponentIndex);
  EXPECT_EQ(JP2_Compress_GetProp(handle, JP2_Prop_Levels, &value, 1, 0), JP2_Error_TileIndex);
  for (const std::uint32_t id : {23u, 24u, 50u, 53u}) {
    EXPECT_EQ(JP2_Compress_GetProp(handle, id, &value, 0, 0), JP2_Error_Reserved) << id;
  }
  for (const std::uint32_t id : {0u, 16u, 25u, 64u, 78u}) {
    EXPECT_EQ(JP2_Compress_GetProp(handle, id, &value, 0, 0), JP2_Error_UnknownProperty) << id;
  }
}

TEST_F(CompressProperties, TargetSizeReadsZeroWhileAPaletteIsSet) {
  ASSERT_EQ(Set(JP2_Prop_TargetSize, 5000), 0);
  EXPECT_EQ(Get(JP2_Prop_TargetSize), 5000u);
  std::uint32_t column[2] = {0, 1};
  std::uint32_t* columns[1] = {column};
  std::uint8_t depth = 1;
  std::uint8_t sign = 0;
  const JP2_PaletteDesc palette{2, 1, &depth, &sign, columns};
  ASSERT_EQ(JP2_Compress_SetPalette(handle, &palette), 0);
  EXPECT_EQ(Get(JP2_Prop_TargetSize), 0u);
}

TEST_F(CompressProperties, SetPropAfterASuccessfulImageChangesNothing) {
  SetSize(16, 16);
  StateOf(handle)->compressed = true;  // what a successful JP2_Compress_Image leaves
  EXPECT_EQ(Set(JP2_Prop_Width, 99), 0);
  EXPECT_EQ(Set(JP2_Prop_Levels, 99, 12, 3), 0);
  EXPECT_EQ(Set(999, 1), 0);
  EXPECT_EQ(Get(JP2_Prop_Width), 16u);
  EXPECT_EQ(Get(JP2_Prop_Levels), 5u);
}

TEST_F(CompressProperties, PrecinctExponents) {
  MakeFourTiles();
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 16, 15, -1, -1, -1), JP2_Error_PrecinctExponent);
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 15, 16, -1, -1, -1), JP2_Error_PrecinctExponent);
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 0, 7, -1, -1, 1), JP2_Error_PrecinctExponent);
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 7, 0, -1, -1, -1), JP2_Error_PrecinctExponent);
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 7, 7, -1, -1, 33), JP2_Error_ResolutionIndex);
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 7, 7, -1, -1, -2), JP2_Error_ResolutionIndex);
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 7, 7, -1, 3, 0), JP2_Error_ComponentIndex);
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 7, 7, 4, 0, 0), JP2_Error_TileIndex);

  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 0, 0, 1, 2, 0), 0);
  EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 8, 9, 2, -1, -1), 0);
  const CompressState& state = *StateOf(handle);
  EXPECT_EQ(state.Coding(1, 2).precincts[0], 0x00);
  EXPECT_EQ(state.Coding(1, 2).precincts[1], 0xFF);
  EXPECT_EQ(state.Coding(1, 1).precincts[0], 0xFF);
  for (int r = 0; r < kResolutionSlots; ++r) EXPECT_EQ(state.Coding(2, 0).precincts[r], 0x98);
  EXPECT_EQ(state.Coding(3, 0).precincts[32], 0xFF);
}

}  // namespace
}  // namespace quillon::jp2::test
