// JP2_Decompress_Start and the getters on files that stress one rule each: recognition,
// colour descriptions, palette and channels, resolution, metadata, the property table,
// malformed boxes, and memory that is released whatever fails.
#include <gtest/gtest.h>

#include "common/ChannelBoxes.h"
#include "common/HeaderBoxes.h"
#include "support/DecodeSession.h"
#include "support/EncoderCorpus.h"

namespace quillon::jp2::test {
namespace {

// Codestreams written by our encoder: one grey component, three, four.
const Bytes& GreyCodestream() {
  static const Bytes bytes =
      CodestreamOf(corpus_detail::Encode(MakeComponents(1, 16, 12), [](CompressHandle) {}));
  return bytes;
}
const Bytes& RgbCodestream(int components = 3) {
  static const Bytes three =
      CodestreamOf(corpus_detail::Encode(MakeComponents(3, 16, 12), [](CompressHandle) {}));
  static const Bytes four =
      CodestreamOf(corpus_detail::Encode(MakeComponents(4, 16, 12), [](CompressHandle) {}));
  return components == 3 ? three : four;
}

Bytes ImageHeader(std::uint16_t components) {
  ImageHeaderBox box;
  box.height = 12;
  box.width = 16;
  box.components = components;
  box.depthByte = 7;
  return Written(box);
}

Bytes Colour(std::uint32_t enumerated, std::int8_t precedence = 0) {
  ColourBox box;
  box.enumerated = enumerated;
  box.precedence = precedence;
  return Written(box);
}

const Bytes& CorpusBytes(const std::string& name) {
  static const std::vector<CorpusFile> files = EncoderCorpus();
  for (const auto& file : files) {
    if (file.name == name) return file.bytes;
  }
  ADD_FAILURE() << "no corpus file " << name;
  return files[0].bytes;
}

TEST(DecoderStart, BrandOrCompatibilityListDecidesWhatIsAJp2File) {
  const struct {
    std::uint32_t brand;
    std::vector<std::uint32_t> listed;
    std::int32_t expected;  // a raw codestream at offset 0 has no SOC: -19
  } cases[] = {
      {kBrandJp2, {kBrandJp2}, 0},
      {kBrandJpx, {FourCC("xxxx")}, 0},
      {FourCC("abcd"), {FourCC("xxxx"), kBrandJpx}, 0},
      {FourCC("abcd"), {FourCC("xxxx")}, JP2_Error_Codestream},
      {kBrandJp2, {}, JP2_Error_Codestream},  // 16 bytes: shorter than a file type box
  };
  for (const auto& c : cases) {
    FileTypeBox fileType;
    fileType.brand = c.brand;
    fileType.compatibility = c.listed;
    DecodeSession session(Concat({Signature(), Written(fileType),
                                  RawBox("jp2h", Concat({ImageHeader(1), Colour(kEnumGreyscale)})),
                                  RawBox("jp2c", GreyCodestream())}));
    EXPECT_EQ(session.Start(), c.expected) << c.brand << " with " << c.listed.size();
    EXPECT_NE(session.handle, nullptr) << "failures after the handle exists still hand it out";
    if (c.expected == 0) {
      EXPECT_EQ(session.Prop(JP2_Prop_FileFormat), 1);
    }
  }
}

TEST(DecoderStart, HighestPrecedenceWinsAndTiesKeepTheFirst) {
  const struct {
    std::int8_t firstPrecedence, secondPrecedence;
    std::uint32_t expected;
  } cases[] = {{0, 2, JP2_Colour_Greyscale}, {0, 0, JP2_Colour_sRGB}, {3, -1, JP2_Colour_sRGB}};
  for (const auto& c : cases) {
    DecodeSession session(Jp2File(Concat({ImageHeader(3), Colour(kEnumSrgb, c.firstPrecedence),
                                          Colour(kEnumGreyscale, c.secondPrecedence)}),
                                  RgbCodestream()));
    ASSERT_EQ(session.Start(), 0);
    EXPECT_EQ(session.Prop(JP2_Prop_ColourSpace), c.expected);
    std::uint32_t count = 0;
    const JP2_ColorSpec* descriptions = nullptr;
    ASSERT_EQ(JP2_Decompress_GetColorSpec(session.handle, &count, &descriptions), 0);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(descriptions[1].precedence, c.secondPrecedence);
    // Choosing the other one makes it current.
    const std::uint32_t other = c.expected == JP2_Colour_sRGB ? 1 : 0;
    ASSERT_EQ(JP2_Decompress_SetColorSpec(session.handle, other), 0);
    EXPECT_NE(session.Prop(JP2_Prop_ColourSpace), c.expected);
    EXPECT_EQ(JP2_Decompress_SetColorSpec(session.handle, 2), JP2_Error_ColourBoxIndex);
  }
}

TEST(DecoderStart, UnknownEnumeratedSpaceIsGreyscaleOfLowestPrecedence) {
  DecodeSession session(Jp2File(Concat({ImageHeader(1), Colour(13, 5)}), GreyCodestream()));
  ASSERT_EQ(session.Start(), 0);
  std::uint32_t count = 0;
  const JP2_ColorSpec* descriptions = nullptr;
  ASSERT_EQ(JP2_Decompress_GetColorSpec(session.handle, &count, &descriptions), 0);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(descriptions[0].colourSpace, 10u);
  EXPECT_EQ(descriptions[0].precedence, -128);
  EXPECT_EQ(descriptions[0].approximation, 4u);
}

TEST(DecoderStart, CieLabWithoutParametersGetsTheDefaults) {
  for (const bool withParams : {false, true}) {
    ColourBox lab;
    lab.enumerated = kEnumCieLab;
    lab.hasLabParams = withParams;
    lab.lab = {1, 2, 3, 4, 5, 6, 7};
    DecodeSession session(Jp2File(Concat({ImageHeader(3), Written(lab)}), RgbCodestream()));
    ASSERT_EQ(session.Start(), 0);
    JP2_LabParams params{};
    ASSERT_EQ(JP2_Decompress_GetLAB(session.handle, &params), 0);
    const JP2_LabParams expected =
        withParams ? lab.lab : JP2_LabParams{100, 0, 170, 128, 200, 128, 0x00443530};
    EXPECT_EQ(std::memcmp(&params, &expected, sizeof params), 0) << withParams;
    std::uint8_t* icc = reinterpret_cast<std::uint8_t*>(1);
    std::uint32_t length = 1;
    EXPECT_EQ(JP2_Decompress_GetICC(session.handle, &icc, &length), JP2_Error_ColourSpace);
    EXPECT_EQ(icc, nullptr);
    EXPECT_EQ(length, 0u);
  }
  DecodeSession grey(CorpusBytes("grey-jp2"));
  ASSERT_EQ(grey.Start(), 0);
  JP2_LabParams params{};
  EXPECT_EQ(JP2_Decompress_GetLAB(grey.handle, &params), JP2_Error_ColourSpace);
  EXPECT_EQ(JP2_Decompress_GetLAB(grey.handle, nullptr), JP2_Error_NullArgument);
}

TEST(DecoderStart, IccProfileCopiesAreRefreshedAndApproximationsSelectable) {
  DecodeSession session(CorpusBytes("icc-approximated-jpx"));
  ASSERT_EQ(session.Start(), 0);
  EXPECT_EQ(session.Prop(JP2_Prop_ColourSpace), 40) << "the profile has the higher precedence";
  const Bytes profile = corpus_detail::ProfileWith("mntr", "RGB ", {"rTRC"});
  std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  ASSERT_EQ(JP2_Decompress_GetICC(session.handle, &data, &length), 0);
  ASSERT_EQ(Bytes(data, data + length), profile);
  data[0] ^= 0xFF;
  ASSERT_EQ(JP2_Decompress_GetICC(session.handle, &data, &length), 0);
  EXPECT_EQ(Bytes(data, data + length), profile) << "each call hands out a fresh copy";
  ASSERT_EQ(JP2_Decompress_SetColorSpec(session.handle, 0), 0);
  EXPECT_EQ(session.Prop(JP2_Prop_ColourSpace), 20) << "the enumerated approximation";
  EXPECT_EQ(JP2_Decompress_GetICC(session.handle, &data, &length), JP2_Error_ColourSpace);
}

TEST(DecoderStart, PaletteColumnsOfTwentyFourAndThirtyThreeBits) {
  const auto paletteFile = [](std::uint8_t depthByte) {
    const Bytes pclr = RawBox("pclr", {0, 2, 1, depthByte, 0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF});
    ComponentMapping entry{0, ComponentMapping::kPalette, 0};
    ComponentMappingBox cmap;
    cmap.entries = {&entry, 1};
    return Jp2File(Concat({ImageHeader(1), Colour(kEnumGreyscale), pclr, Written(cmap)}),
                   GreyCodestream());
  };
  DecodeSession wide(paletteFile(23));
  ASSERT_EQ(wide.Start(), 0);
  const JP2_PaletteDesc* palette = nullptr;
  ASSERT_EQ(JP2_Decompress_GetPalette(wide.handle, &palette), 0);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->depths[0], 24);
  EXPECT_EQ(palette->values[0][0], 0x123456u);
  EXPECT_EQ(palette->values[0][1], 0xABCDEFu);
  EXPECT_EQ(wide.Prop(JP2_Prop_ColourSpace), 11) << "a palette adds 1";

  DecodeSession tooDeep(paletteFile(32));
  EXPECT_EQ(tooDeep.Start(), JP2_Error_Limit);
}

TEST(DecoderStart, PaletteMappingAndDefinitionsMustFit) {
  const Bytes pclr = RawBox("pclr", {0, 1, 1, 7, 9});
  const auto cmap = [](ComponentMapping entry) {
    ComponentMappingBox box;
    box.entries = {&entry, 1};
    return Written(box);
  };
  const struct {
    const char* what;
    Bytes boxes;
    std::int32_t expected;
  } cases[] = {
      {"palette without mapping", pclr, JP2_Error_PaletteWithoutMapping},
      {"mapping without palette", cmap({0, ComponentMapping::kPalette, 0}),
       JP2_Error_MappingWithoutPalette},
      {"column out of range", Concat({pclr, cmap({0, ComponentMapping::kPalette, 1})}),
       JP2_Error_PaletteMapping},
      {"component out of range", Concat({pclr, cmap({5, ComponentMapping::kPalette, 0})}),
       JP2_Error_PaletteMapping},
      {"direct where the palette is needed",
       Concat({pclr, cmap({0, ComponentMapping::kDirect, 0})}), JP2_Error_PaletteMapping},
      {"image header disagrees with SIZ", ImageHeader(2), JP2_Error_ComponentCount},
      {"image header beyond the first block disagrees with SIZ",
       Concat({RawBox("free", Bytes(70000, 0)), ImageHeader(2)}), JP2_Error_ComponentCount},
      {"image header beyond the first block agrees",
       Concat({RawBox("free", Bytes(70000, 0)), ImageHeader(1)}), 0},
  };
  for (const auto& c : cases) {
    DecodeSession session(Jp2File(Concat({Colour(kEnumGreyscale), c.boxes}), GreyCodestream()));
    EXPECT_EQ(session.Start(), c.expected) << c.what;
  }
}

TEST(DecoderStart, RgbChannelsWithAndWithoutDefinitions) {
  DecodeSession plain(Jp2File(Concat({ImageHeader(4), Colour(kEnumSrgb)}), RgbCodestream(4)));
  ASSERT_EQ(plain.Start(), 0);
  const JP2_ChannelDef* defs = nullptr;
  std::uint32_t count = 0;
  ASSERT_EQ(JP2_Decompress_GetChannelDefs(plain.handle, &defs, &count), 0);
  ASSERT_EQ(count, 4u);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(defs[i].type, 0u);
    EXPECT_EQ(defs[i].association, i + 1);
  }
  EXPECT_EQ(defs[3].type, 3u);
  EXPECT_EQ(defs[3].association, 0u);

  // Definitions listing the channels in another order map each to its component.
  const ChannelDefinition entries[] = {{0, 1, 0}, {1, 0, 3}, {2, 0, 1}, {3, 0, 2}};
  ChannelDefinitionBox cdef;
  cdef.entries = entries;
  DecodeSession reordered(
      Jp2File(Concat({ImageHeader(4), Colour(kEnumSrgb), Written(cdef)}), RgbCodestream(4)));
  ASSERT_EQ(reordered.Start(), 0);
  ASSERT_EQ(JP2_Decompress_GetChannelDefs(reordered.handle, &defs, &count), 0);
  ASSERT_EQ(count, 4u);
  EXPECT_EQ(defs[0].association, 1u);
  EXPECT_EQ(defs[3].type, 1u) << "opacity after the colours";
}

TEST(DecoderStart, RawCodestreamHasFormatZeroAndNoColourDescription) {
  DecodeSession session(GreyCodestream());
  ASSERT_EQ(session.Start(), 0);
  EXPECT_EQ(session.Prop(JP2_Prop_FileFormat), 0);
  EXPECT_EQ(session.Prop(JP2_Prop_ColourSpace), 10);
  std::uint32_t count = 7;
  const JP2_ColorSpec* descriptions = nullptr;
  ASSERT_EQ(JP2_Decompress_GetColorSpec(session.handle, &count, &descriptions), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(JP2_Decompress_GetXML_Num(session.handle, &count), 0);
  EXPECT_EQ(count, 0u);
  std::uint32_t vertical = 1, horizontal = 1;
  EXPECT_EQ(JP2_Decompress_GetResolution(session.handle, &vertical, &horizontal, nullptr, 0, 0), 0);
  EXPECT_EQ(vertical + horizontal, 0u) << "no resolution box";

  DecodeSession rgb(CodestreamOf(CorpusBytes("srgb-jp2")));
  ASSERT_EQ(rgb.Start(), 0);
  EXPECT_EQ(rgb.Prop(JP2_Prop_ColourSpace), 20) << "the component transform means RGB";
}

TEST(DecoderStart, ResolutionBoxesAndTheirUnits) {
  DecodeSession session(CorpusBytes("metadata-jp2"));
  ASSERT_EQ(session.Start(), 0);
  std::uint32_t vertical = 0, horizontal = 0;
  JP2_ResolutionDesc desc{};
  ASSERT_EQ(JP2_Decompress_GetResolution(session.handle, &vertical, &horizontal, &desc, 0, 0), 0);
  EXPECT_EQ(vertical, 300u);
  EXPECT_EQ(horizontal, 300u);
  EXPECT_EQ(desc.firstDenominator, 254u);
  ASSERT_EQ(JP2_Decompress_GetResolution(session.handle, &vertical, &horizontal, nullptr, 2, 1), 0);
  EXPECT_EQ(vertical, 72u);
  EXPECT_EQ(horizontal, 96u);
  EXPECT_EQ(JP2_Decompress_GetResolution(session.handle, &vertical, &horizontal, nullptr, 3, 0),
            JP2_Error_ResolutionUnit);
  EXPECT_EQ(JP2_Decompress_GetResolution(session.handle, &vertical, &horizontal, nullptr, 0, 2),
            JP2_Error_ResolutionKind);

  // A sub-box of 19 bytes is refused.
  Bytes resc = RawBox("resc", Bytes(11, 1));
  DecodeSession odd(Jp2File(Concat({ImageHeader(1), Colour(kEnumGreyscale), RawBox("res ", resc)}),
                            GreyCodestream()));
  EXPECT_EQ(odd.Start(), JP2_Error_ResolutionBox);
}

TEST(DecoderMetadata, EveryKindIsCountedAndReadBack) {
  DecodeSession session(CorpusBytes("boxes-after-compression-jp2"));
  ASSERT_EQ(session.Start(), 0);
  std::uint32_t count = 0;
  ASSERT_EQ(JP2_Decompress_GetXML_Num(session.handle, &count), 0);
  EXPECT_EQ(count, 2u) << "one before the codestream, one found by the late scan";
  ASSERT_EQ(JP2_Decompress_GetXML_Num(session.handle, &count), 0);
  EXPECT_EQ(count, 2u) << "a second call finds nothing new";
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  ASSERT_EQ(JP2_Decompress_GetXML_Data(session.handle, 1, &data, &length), 0);
  EXPECT_EQ(std::string(data, data + length), "<x/>");
  EXPECT_EQ(JP2_Decompress_GetXML_Data(session.handle, 2, &data, &length), JP2_Error_MetadataIndex);

  ASSERT_EQ(JP2_Decompress_GetUUID_Num(session.handle, &count), 0);
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(JP2_Decompress_GetIPTC_Num(session.handle, &count), 0);
  EXPECT_EQ(count, 1u) << "only the IPTC identifier counts";
  EXPECT_EQ(JP2_Decompress_GetIPTC_Data(session.handle, 1, &data, &length),
            JP2_Error_MetadataIndex);
  ASSERT_EQ(JP2_Decompress_GetIPTC_Data(session.handle, 0, &data, &length), 0);
  EXPECT_EQ(std::string(data, data + length), "<x/>");
  std::uint8_t uuid[16] = {};
  ASSERT_EQ(JP2_Decompress_GetUUID_Id(session.handle, 0, uuid), 0);
  EXPECT_EQ(uuid[15], 16);
  EXPECT_EQ(JP2_Decompress_GetUUID_Id(session.handle, 0, nullptr), JP2_Error_NullArgument);

  const std::uint8_t* uuids = nullptr;
  const std::uint8_t* location = nullptr;
  std::uint16_t uuidCount = 0;
  ASSERT_EQ(
      JP2_Decompress_GetUUID_Info_Data(session.handle, 0, &uuids, &uuidCount, &location, &length),
      0);
  EXPECT_EQ(uuidCount, 1u);
  EXPECT_EQ(uuids[0], 1);
  EXPECT_EQ(std::string(location, location + length), std::string("<x/>\0", 5)) << "as stored";
  ASSERT_EQ(JP2_Decompress_GetIP_Data(session.handle, 0, &data, &length), 0);
  EXPECT_EQ(length, 4u);
}

TEST(DecoderMetadata, BoxesRunningPastTheEndOrToIt) {
  const Bytes xml = RawBox("xml ", {'<', 'a', '/', '>'});
  Bytes truncated = xml;
  truncated[3] = 100;  // declares 100 bytes, holds 12
  Bytes toTheEnd = xml;
  toTheEnd[3] = 0;
  const Bytes extended = {0, 0, 0, 1, 'x', 'm', 'l', ' ', 0,   0,
                          0, 0, 0, 0, 0,   20,  '<', 'a', '/', '>'};
  const struct {
    Bytes trailing;
    std::int32_t expected;
  } cases[] = {{truncated, JP2_Warning_ShortMetadataBox}, {toTheEnd, 0}, {extended, 0}};
  for (const auto& c : cases) {
    const Bytes codestreamBox = RawBox("jp2c", GreyCodestream());
    DecodeSession session(Concat({Signature(), FileType(),
                                  RawBox("jp2h", Concat({ImageHeader(1), Colour(kEnumGreyscale)})),
                                  codestreamBox, c.trailing}));
    ASSERT_EQ(session.Start(), 0);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_CacheInput, 0), 0)
        << "reads go to the callback";
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    EXPECT_EQ(JP2_Decompress_GetXML_Data(session.handle, 0, &data, &length), c.expected);
    EXPECT_EQ(std::string(data, data + length), "<a/>");
  }
}

TEST(DecoderProperties, TableCodesForSetAndGet) {
  DecodeSession session(CorpusBytes("srgb-jp2"));
  ASSERT_EQ(session.Start(), 0);
  const struct {
    std::uint32_t id;
    std::uintptr_t value;
    std::int32_t set, get;
  } cases[] = {
      {JP2_Prop_Width, 1, JP2_Error_ReadOnly, 0},
      {JP2_Prop_TileCount, 1, JP2_Error_UnknownProperty, 0},
      {JP2_Prop_ByteOrder, 1, 0, 0},
      {JP2_Prop_ByteOrder, 2, JP2_Error_ValueOutOfRange, 0},
      {JP2_Prop_OutputBufferSize, 1, JP2_Error_EncoderOnly, JP2_Error_EncoderOnly},
      {JP2_Prop_ReduceFactor, 1, 0, JP2_Error_UnknownProperty},
      {JP2_Prop_EnlargeFactor, 1, 0, JP2_Error_UnknownProperty},
      {JP2_Prop_CacheInput, 1, 0, JP2_Error_UnknownProperty},
      {JP2_Prop_InputCallback, 1, JP2_Error_EncoderOnly, JP2_Error_EncoderOnly},
      {JP2_Prop_WriteParam, 7, 0, 0},
      {JP2_Prop_ProgressParam, 7, 0, 0},
      {JP2_Prop_Layers, 1, JP2_Error_ReadOnly, 0},
      {JP2_Prop_TargetSize, 1, JP2_Error_UnknownProperty, JP2_Error_EncoderOnly},
      {JP2_Prop_VisualWeighting, 1, JP2_Error_EncoderOnly, JP2_Error_EncoderOnly},
      {JP2_Prop_CodeBlockStyle, 1, JP2_Error_ReadOnly, 0},
      {JP2_Prop_QuantStyle, 1, JP2_Error_ReadOnly, JP2_Error_UnknownProperty},
      {30, 1, JP2_Error_UnknownProperty, JP2_Error_UnknownProperty},
      {JP2_Prop_Threads, 0, JP2_Error_ValueOutOfRange, 0},
      {JP2_Prop_Threads, 65, JP2_Error_ValueOutOfRange, 0},
      {JP2_Prop_Threads, 64, 0, 0},
      {78, 1, JP2_Error_UnknownProperty, JP2_Error_UnknownProperty},
      {JP2_Prop_ColourSpace, 20, 0, 0},
      {JP2_Prop_ColourSpace, 10, JP2_Error_ColourSpace, 0},
      {JP2_Prop_ColourSpace, 21, JP2_Error_ValueOutOfRange, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JP2_Decompress_SetProp(session.handle, c.id, c.value), c.set)
        << c.id << " = " << c.value;
    std::uintptr_t value = 0;
    EXPECT_EQ(JP2_Decompress_GetProp(session.handle, c.id, &value, 0, 0), c.get) << c.id;
  }
  EXPECT_EQ(session.Prop(JP2_Prop_WriteParam), 7);
  EXPECT_EQ(session.Prop(JP2_Prop_Levels, 0, 3), -1000 + JP2_Error_ComponentIndex);
  EXPECT_EQ(session.Prop(JP2_Prop_Levels, 1, 0), -1000 + JP2_Error_TileIndex);
  EXPECT_EQ(session.Prop(JP2_Prop_ColourSpace, 99, 99), 20)
      << "image values ignore tile and channel";
  std::uint32_t ppx = 0, ppy = 0;
  EXPECT_EQ(JP2_Decompress_GetPrecinct(session.handle, &ppx, &ppy, 0, 0, 5), 0);
  EXPECT_EQ(ppx, 15u);
  EXPECT_EQ(JP2_Decompress_GetPrecinct(session.handle, &ppx, &ppy, 0, 0, 6),
            JP2_Error_ResolutionIndex);
  EXPECT_EQ(JP2_Decompress_GetProp(session.handle, JP2_Prop_Width, nullptr, 0, 0),
            JP2_Error_NullArgument);
  EXPECT_EQ(JP2_Decompress_GetProp(nullptr, JP2_Prop_Width, nullptr, 0, 0),
            JP2_Error_InvalidHandle);
}

TEST(DecoderProperties, ReduceAndEnlargeFactors) {
  // The grey codestream moved one sample right on the grid (XOsiz 1, Xsiz 17): a factor of 32
  // leaves no column.
  Bytes moved = GreyCodestream();
  moved[11] = 17;
  moved[19] = 1;
  DecodeSession session(moved);
  ASSERT_EQ(session.Start(), 0);
  const struct {
    std::uint32_t id;
    std::uintptr_t factor;
    std::int32_t expected;
    std::int64_t width, height;
  } steps[] = {
      {JP2_Prop_ReduceFactor, 0, JP2_Error_ValueOutOfRange, 16, 12},
      {JP2_Prop_ReduceFactor, 3, JP2_Error_ValueOutOfRange, 16, 12},
      {JP2_Prop_ReduceFactor, 4, 0, 4, 3},
      {JP2_Prop_ReduceFactor, 32, JP2_Error_ScaleFactor, 4, 3},
      {JP2_Prop_ReduceFactor, std::uintptr_t{1} << 40, JP2_Error_ValueOutOfRange, 4, 3},
      {JP2_Prop_EnlargeFactor, 8, 0, 128, 96},
      {JP2_Prop_EnlargeFactor, 64, JP2_Error_ScaleFactor, 128, 96},
      {JP2_Prop_EnlargeFactor, 6, JP2_Error_ValueOutOfRange, 128, 96},
      {JP2_Prop_ReduceFactor, 1, 0, 16, 12},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(JP2_Decompress_SetProp(session.handle, s.id, s.factor), s.expected)
        << s.id << " " << s.factor;
    EXPECT_EQ(session.Prop(JP2_Prop_Width), s.width);
    EXPECT_EQ(session.Prop(JP2_Prop_Height), s.height);
  }
}

TEST(DecoderStart, ArgumentsAndHandles) {
  DecompressHandle handle = reinterpret_cast<DecompressHandle>(1);
  EXPECT_EQ(JP2_Decompress_Start(&handle, nullptr, 0, nullptr, 0, nullptr, 0),
            JP2_Error_NoReadCallback);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(JP2_Decompress_Start(nullptr, nullptr, 0, nullptr, 0, DecodeSession::Read, 0),
            JP2_Error_NullArgument);
  EXPECT_EQ(JP2_Decompress_End(nullptr), JP2_Error_InvalidHandle);
  DecodeSession tiny(Bytes(41, 0));
  EXPECT_EQ(tiny.Start(), JP2_Error_ShortRead);
  EXPECT_EQ(tiny.handle, nullptr);
  Bytes noComponents = GreyCodestream();
  noComponents[40] = noComponents[41] = 0;
  DecodeSession empty(noComponents);
  EXPECT_EQ(empty.Start(), JP2_Error_ComponentCount);
}

TEST(DecoderStart, MalformedBoxLengthsNeverLoopOrOverread) {
  const Bytes header = Concat({ImageHeader(1), Colour(kEnumGreyscale)});
  const auto box = [](std::uint32_t length, const char(&type)[5], Bytes contents) {
    Bytes bytes = {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                   static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(type[i]));
    bytes.insert(bytes.end(), contents.begin(), contents.end());
    return bytes;
  };
  Bytes extendedCodestream = {0, 0, 0, 1, 'j', 'p', '2', 'c', 0, 0, 0, 0, 0, 0, 0, 0};
  const auto xl = static_cast<std::uint32_t>(16 + GreyCodestream().size());
  for (int i = 0; i < 4; ++i)
    extendedCodestream[12 + i] = static_cast<std::uint8_t>(xl >> (24 - 8 * i));
  extendedCodestream.insert(extendedCodestream.end(), GreyCodestream().begin(),
                            GreyCodestream().end());
  Bytes beyondReach = {0, 0, 0, 1, 'f', 'r', 'e', 'e', 0, 0, 0, 2, 0, 0, 0, 0};

  const struct {
    const char* what;
    Bytes file;
    std::int32_t expected;
  } cases[] = {
      {"extended length",
       Concat({Signature(), FileType(), RawBox("jp2h", header), extendedCodestream}), 0},
      {"box running to the end before jp2c",
       Concat({Signature(), FileType(), RawBox("jp2h", header), box(0, "free", {}),
               RawBox("jp2c", GreyCodestream())}),
       JP2_Error_ShortRead},
      {"box shorter than its header",
       Concat({Signature(), FileType(), box(4, "free", {}), RawBox("jp2c", GreyCodestream())}),
       JP2_Error_ShortRead},
      {"sub-box past its parent",
       Concat({Signature(), FileType(),
               RawBox("jp2h", Concat({header, box(40, "colr", {1, 0, 0, 0, 0, 0, 17})})),
               RawBox("jp2c", GreyCodestream())}),
       JP2_Error_ShortRead},
      {"sub-box header cut by its parent's end",
       Concat({Signature(), FileType(), RawBox("jp2h", Concat({header, Bytes{0, 0, 0, 0}})),
               RawBox("jp2c", GreyCodestream())}),
       JP2_Error_ShortRead},
      {"box beyond 4 GiB",
       Concat({Signature(), FileType(), beyondReach, RawBox("jp2c", GreyCodestream())}),
       JP2_Error_Limit},
      {"no codestream box", Concat({Signature(), FileType(), RawBox("jp2h", header)}),
       JP2_Error_ShortRead},
      {"colr with a profile shorter than its fields",
       Concat({Signature(), FileType(),
               RawBox("jp2h", Concat({ImageHeader(1), RawBox("colr", {2, 0})})),
               RawBox("jp2c", GreyCodestream())}),
       JP2_Error_ColourSpace},
      {"pclr claiming more rows than it holds",
       Concat({Signature(), FileType(),
               RawBox("jp2h", Concat({header, RawBox("pclr", {0xFF, 0xFF, 1, 7, 1})})),
               RawBox("jp2c", GreyCodestream())}),
       JP2_Error_ShortRead},
  };
  for (const auto& c : cases) {
    DecodeSession session(c.file);
    EXPECT_EQ(session.Start(), c.expected) << c.what;
    EXPECT_LT(session.allocator.largest, 200000u) << c.what;
  }
}

TEST(DecoderStart, HugeClaimsOfATinyFileFailWithoutLargeAllocations) {
  // SOC and the start of a SIZ: 65,535 x 65,535 grid in 1 x 1 tiles of 16,384 components.
  Bytes claim = {0xFF, 0x4F, 0xFF, 0x51, 0xC0, 0x26, 0, 0};
  for (const std::uint32_t value : {65535u, 65535u, 0u, 0u, 1u, 1u, 0u, 0u}) {
    for (int i = 0; i < 4; ++i) claim.push_back(static_cast<std::uint8_t>(value >> (24 - 8 * i)));
  }
  claim.push_back(0x40);
  claim.push_back(0x00);
  for (const bool asJp2 : {false, true}) {
    DecodeSession session(
        asJp2 ? Jp2File(Concat({ImageHeader(16384), Colour(kEnumGreyscale)}), claim) : claim);
    EXPECT_NE(session.Start(), 0);
    EXPECT_LT(session.allocator.largest, 200000u) << asJp2;
  }
}

// Every allocation of Start failing in turn: the error comes back and End releases the rest.
TEST(DecoderStart, EveryFailedAllocationIsReleasedByEnd) {
  for (int failAt = 0;; ++failAt) {
    DecodeSession session(CorpusBytes("palette-jp2"));
    session.allocator.failAt = failAt;
    const std::int32_t status = session.Start();
    if (status == 0) {
      EXPECT_GT(failAt, 5) << "Start allocates the cache, handle, palette, mapping, ...";
      break;
    }
    EXPECT_EQ(status, JP2_Error_OutOfMemory) << failAt;
    ASSERT_LT(failAt, 100);
  }
}

}  // namespace
}  // namespace quillon::jp2::test
