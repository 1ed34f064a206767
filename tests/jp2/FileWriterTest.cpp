// The bytes the writer produces: box layout, main and tile-part headers, patches of lengths
// and flags when boxes follow the codestream, output buffering and channel definitions.
#include <gtest/gtest.h>

#include <string>

#include "support/BoxWalker.h"
#include "support/EncodeSession.h"

namespace quillon::jp2::test {
namespace {

// Marker segments of a codestream's main header up to the first SOT: code and offset.
std::vector<std::pair<std::uint32_t, std::size_t>> MainHeaderMarkers(
    const std::vector<std::uint8_t>& bytes, std::size_t start) {
  std::vector<std::pair<std::uint32_t, std::size_t>> markers;
  std::size_t at = start + 2;
  while (at + 4 <= bytes.size()) {
    const std::uint32_t code = U16(bytes, at);
    markers.emplace_back(code, at);
    if (code == 0xFF90) break;
    at += 2 + U16(bytes, at + 2);
  }
  return markers;
}

EncodeSession GreySession(std::uint32_t width = 16, std::uint32_t height = 12) {
  EncodeSession session;
  session.components = {MakeComponent(width, height, 8, false, 3)};
  return session;
}

TEST(FileWriter, GreyJp2FileHasTheFixedBoxLayout) {
  EncodeSession session = GreySession();
  ASSERT_EQ(session.Encode([](CompressHandle) {}), 0);
  const auto& out = session.output;
  const std::vector<std::uint8_t> signature = {0,   0,   0,    12,   'j',  'P',
                                               ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  ASSERT_GT(out.size(), 200u);
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), out.begin()));
  const auto boxes = Boxes(out);
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[1].type, "ftyp");
  EXPECT_EQ(boxes[1].length, 20u);
  EXPECT_EQ(Type(out, 20), "jp2 ");
  EXPECT_EQ(U32(out, 24), 0u);
  EXPECT_EQ(Type(out, 28), "jp2 ");
  EXPECT_EQ(boxes[2].type, "jp2h");
  EXPECT_EQ(boxes[2].length, 45u);
  const std::size_t ihdr = boxes[2].at + 8;
  EXPECT_EQ(U32(out, ihdr), 22u);
  EXPECT_EQ(Type(out, ihdr + 4), "ihdr");
  EXPECT_EQ(U32(out, ihdr + 8), 12u) << "height";
  EXPECT_EQ(U32(out, ihdr + 12), 16u) << "width";
  EXPECT_EQ(U16(out, ihdr + 16), 1u);
  EXPECT_EQ(out[ihdr + 18], 7) << "BPC";
  EXPECT_EQ(out[ihdr + 19], 7) << "C";
  EXPECT_EQ(out[ihdr + 21], 0) << "IPR";
  const std::size_t colr = ihdr + 22;
  EXPECT_EQ(U32(out, colr), 15u);
  EXPECT_EQ(Type(out, colr + 4), "colr");
  EXPECT_EQ(out[colr + 8], 1);
  EXPECT_EQ(out[colr + 10], 0) << "APPROX is 0 in JP2";
  EXPECT_EQ(U32(out, colr + 11), 17u);
  EXPECT_EQ(boxes[3].type, "jp2c");
  EXPECT_EQ(boxes[3].length, 0u);
  EXPECT_EQ(U16(out, boxes[3].at + 8), 0xFF4Fu);
  EXPECT_EQ(U16(out, out.size() - 2), 0xFFD9u);
}

TEST(FileWriter, CodestreamHeaderAndTilePartsFollowTheirRules) {
  EncodeSession session = GreySession(40, 30);
  ASSERT_EQ(session.Encode([](CompressHandle handle) {
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_TileWidth, 16), 0);
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_TileHeight, 16), 0);
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_Levels, 3), 0);
    // Tile 4 codes with fewer levels: its own COD and QCD.
    EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Levels, 1, 4, -1), 0);
  }),
            0);
  const auto& out = session.output;
  const auto markers = MainHeaderMarkers(out, 0);
  std::vector<std::uint32_t> codes;
  for (const auto& [code, at] : markers) codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<std::uint32_t>{0xFF51, 0xFF5C, 0xFF52, 0xFF64, 0xFF90}));
  const std::size_t siz = markers[0].second;
  EXPECT_EQ(U16(out, siz + 2), 38u + 3u);
  EXPECT_EQ(U32(out, siz + 22), 16u) << "XTsiz";
  const std::size_t qcd = markers[1].second;
  EXPECT_EQ(U16(out, qcd + 2), 4u + 3u * 3u) << "no quantization, 3 levels";
  EXPECT_EQ(out[qcd + 4], 2 * 32) << "two guard bits";
  const std::size_t com = markers[3].second;
  EXPECT_EQ(U16(out, com + 2), 12u);
  EXPECT_EQ(U16(out, com + 4), 1u);
  EXPECT_EQ(std::string(out.begin() + static_cast<std::ptrdiff_t>(com + 6),
                        out.begin() + static_cast<std::ptrdiff_t>(com + 14)),
            "QZNT_111");

  // Six tile-parts, in order, each one with its exact length.
  std::size_t at = markers.back().second;
  for (std::uint32_t tile = 0; tile < 6; ++tile) {
    ASSERT_EQ(U16(out, at), 0xFF90u) << tile;
    EXPECT_EQ(U16(out, at + 2), 10u);
    EXPECT_EQ(U16(out, at + 4), tile);
    EXPECT_EQ(out[at + 10], 0);
    EXPECT_EQ(out[at + 11], 1);
    const std::uint32_t next = U16(out, at + 12);
    if (tile == 4) {
      EXPECT_EQ(next, 0xFF5Cu) << "own QCD";
      const std::size_t cod = at + 12 + 2 + U16(out, at + 14);
      EXPECT_EQ(U16(out, cod), 0xFF52u) << "own COD";
      EXPECT_EQ(out[cod + 9], 1) << "one level";
    } else {
      EXPECT_EQ(next, 0xFF93u) << "no tile markers";
    }
    at += U32(out, at + 6);
  }
  EXPECT_EQ(at, out.size() - 2);
  EXPECT_EQ(U16(out, at), 0xFFD9u);
}

TEST(FileWriter, JpxOfSrgbListsJp2AsCompatible) {
  EncodeSession session;
  session.components = {MakeComponent(8, 8, 8, false, 0), MakeComponent(8, 8, 8, false, 1),
                        MakeComponent(8, 8, 8, false, 2)};
  ASSERT_EQ(session.Encode([](CompressHandle handle) {
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
  }),
            0);
  const auto& out = session.output;
  EXPECT_EQ(U32(out, 12), 24u);
  EXPECT_EQ(Type(out, 16), "ftyp");
  EXPECT_EQ(Type(out, 20), "jpx ");
  EXPECT_EQ(Type(out, 28), "jpx ");
  EXPECT_EQ(Type(out, 32), "jp2 ");
}

TEST(FileWriter, BoxesAfterCompressionPatchTheCodestreamLengthAndTheIprFlag) {
  EncodeSession session = GreySession();
  CompressHandle handle = session.Start();
  const std::uint8_t before[] = {'<', 'a', '/', '>'};
  ASSERT_EQ(JP2_Compress_SetXML_Data(handle, before, sizeof before), 0);
  ASSERT_EQ(JP2_Compress_Image(handle), 0);
  const std::uint8_t xml[] = {'<', 'b', '/', '>'};
  ASSERT_EQ(JP2_Compress_SetXML_Data(handle, xml, sizeof xml), 0);
  const std::uint8_t ip[] = {1, 2, 3};
  ASSERT_EQ(JP2_Compress_SetIP_Data(handle, ip, sizeof ip), 0);
  ASSERT_EQ(JP2_Compress_End(handle), 0);
  const auto& out = session.output;
  const auto boxes = Boxes(out);
  std::vector<std::string> types;
  for (const Box& box : boxes) types.push_back(box.type);
  EXPECT_EQ(types,
            (std::vector<std::string>{"jP  ", "ftyp", "jp2h", "xml ", "jp2c", "xml ", "jp2i"}));
  ASSERT_EQ(boxes.size(), 7u);
  EXPECT_EQ(boxes[4].length, boxes[5].at - boxes[4].at) << "jp2c length patched";
  EXPECT_EQ(boxes[6].at + boxes[6].length, out.size());
  EXPECT_EQ(out[boxes[2].at + 8 + 21], 1) << "IPR set";
}

TEST(FileWriter, CodestreamFormatRefusesMetadata) {
  EncodeSession session = GreySession();
  CompressHandle handle = session.Start();
  ASSERT_EQ(EncodeSession::Set(handle, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
  ASSERT_EQ(JP2_Compress_Image(handle), 0);
  const std::uint8_t xml[] = {'<', 'b', '/', '>'};
  EXPECT_EQ(JP2_Compress_SetXML_Data(handle, xml, sizeof xml), JP2_Error_NeedsJp2OrJpx);
  ASSERT_EQ(JP2_Compress_End(handle), 0);
  EXPECT_EQ(U16(session.output, 0), 0xFF4Fu);
}

TEST(FileWriter, AOneByteBufferWritesTheSameFileAsTheDefault) {
  EncodeSession session;
  session.components = {MakeComponent(50, 40, 8, false, 0), MakeComponent(50, 40, 8, false, 1),
                        MakeComponent(50, 40, 8, false, 2)};
  auto configure = [](std::uint32_t buffer) {
    return [buffer](CompressHandle handle) {
      EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_OutputBufferSize, buffer), 0);
      EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
      EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_TileWidth, 32), 0);
      EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_Layers, 3), 0);
      EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_TargetSize, 2000), 0);
      const std::uint8_t xml[] = {'<', 'x', '/', '>'};
      EXPECT_EQ(JP2_Compress_SetXML_Data(handle, xml, sizeof xml), 0);
    };
  };
  ASSERT_EQ(session.Encode(configure(2048)), 0);
  const auto large = session.output;
  const int largeCalls = session.outputCalls;
  session.outputCalls = 0;
  ASSERT_EQ(session.Encode(configure(1)), 0);
  EXPECT_EQ(session.output, large);
  EXPECT_GT(session.outputCalls, largeCalls);
  EXPECT_EQ(static_cast<std::size_t>(session.outputCalls), large.size() + 2 * 4)
      << "every byte once, and the lengths of both tile-parts again";
}

TEST(FileWriter, AnOutputErrorIsReturnedUnchanged) {
  EncodeSession session = GreySession();
  CompressHandle handle = session.Start();
  auto refuse = [](const void*, std::uint32_t, std::uint32_t, std::uintptr_t) -> std::int32_t {
    return -4711;
  };
  ASSERT_EQ(EncodeSession::Set(handle, JP2_Prop_OutputCallback,
                               reinterpret_cast<std::uintptr_t>(+refuse)),
            0);
  ASSERT_EQ(EncodeSession::Set(handle, JP2_Prop_OutputBufferSize, 16), 0);
  EXPECT_EQ(JP2_Compress_Image(handle), -4711);
  EXPECT_EQ(JP2_Compress_End(handle), 0);
}

TEST(FileWriter, ManyComponentsUseTwoByteIndices) {
  EncodeSession session;
  for (int c = 0; c < 300; ++c)
    session.components.push_back(MakeComponent(4, 4, 8, false, static_cast<std::uint32_t>(c)));
  ASSERT_EQ(session.Encode([](CompressHandle handle) {
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
    EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Levels, 1, -1, 299), 0);
    EXPECT_EQ(JP2_Compress_SetROI(handle, 0, 0, 500, 500), 0);
  }),
            0);
  const auto& out = session.output;
  int qcc = 0, coc = 0, rgn = 0;
  for (const auto& [code, at] : MainHeaderMarkers(out, 0)) {
    if (code == 0xFF5D) {
      ++qcc;
      EXPECT_EQ(U16(out, at + 4), 299u);
      EXPECT_EQ(U16(out, at + 2), 4u + 3u * 1u + 2u) << "Lqcd + 2";
    } else if (code == 0xFF53) {
      ++coc;
      EXPECT_EQ(U16(out, at + 2), 10u);
      EXPECT_EQ(U16(out, at + 4), 299u);
    } else if (code == 0xFF5E) {
      EXPECT_EQ(U16(out, at + 2), 6u);
      EXPECT_EQ(U16(out, at + 4), static_cast<std::uint32_t>(rgn));
      ++rgn;
    }
  }
  EXPECT_EQ(qcc, 1);
  EXPECT_EQ(coc, 1);
  EXPECT_EQ(rgn, 300);
}

TEST(FileWriter, ChannelDefinitionsAreCheckedOrGenerated) {
  EncodeSession session;
  for (int c = 0; c < 2; ++c)
    session.components.push_back(MakeComponent(8, 8, 8, false, static_cast<std::uint32_t>(c)));
  ASSERT_EQ(session.Encode([](CompressHandle) {}), 0);
  const auto& out = session.output;
  const auto jp2h = Boxes(out)[2];
  const std::size_t cdef = jp2h.at + 8 + 22;
  ASSERT_EQ(Type(out, cdef + 4), "cdef");
  EXPECT_EQ(U32(out, cdef), 10u + 12u);
  EXPECT_EQ(U16(out, cdef + 8), 2u);
  EXPECT_EQ(U16(out, cdef + 14), 1u) << "channel 0: colour 1";
  EXPECT_EQ(U16(out, cdef + 18), 3u) << "channel 1: unspecified";
  EXPECT_EQ(U16(out, cdef + 20), 65535u);

  const JP2_ChannelDef wrongCount[] = {{0, 1}};
  EXPECT_EQ(session.Encode([&](CompressHandle handle) {
    EXPECT_EQ(JP2_Compress_SetChannelDefs(handle, wrongCount, 1), 0);
  }),
            JP2_Error_ChannelDefs);
  EXPECT_TRUE(session.output.empty());
  const JP2_ChannelDef noColour[] = {{1, 0}, {3, 7}};
  EXPECT_EQ(session.Encode([&](CompressHandle handle) {
    EXPECT_EQ(JP2_Compress_SetChannelDefs(handle, noColour, 2), 0);
  }),
            JP2_Error_ChannelDefs);
  const JP2_ChannelDef opacity[] = {{1, 0}, {0, 1}};
  EXPECT_EQ(session.Encode([&](CompressHandle handle) {
    EXPECT_EQ(JP2_Compress_SetChannelDefs(handle, opacity, 2), 0);
  }),
            0);
}

TEST(FileWriter, PaletteBoxesDescribeTheColumns) {
  EncodeSession session;
  session.components = {MakeComponent(8, 8, 2, false, 0)};
  std::uint32_t column0[4] = {0, 100, 200, 255}, column1[4] = {0, 1000, 2000, 4095};
  std::uint32_t* values[2] = {column0, column1};
  std::uint8_t depths[2] = {8, 12};
  std::uint8_t signs[2] = {0, 0};
  const JP2_PaletteDesc palette{4, 2, depths, signs, values};
  ASSERT_EQ(session.Encode([&](CompressHandle handle) {
    EXPECT_EQ(JP2_Compress_SetPalette(handle, &palette), 0);
  }),
            0);
  const auto& out = session.output;
  const std::size_t pclr = Boxes(out)[2].at + 8 + 22;
  ASSERT_EQ(Type(out, pclr + 4), "pclr");
  EXPECT_EQ(U32(out, pclr), 11u + 2u + 4u * 3u);
  EXPECT_EQ(U16(out, pclr + 8), 4u);
  EXPECT_EQ(out[pclr + 10], 2);
  EXPECT_EQ(out[pclr + 11], 7);
  EXPECT_EQ(out[pclr + 12], 11);
  EXPECT_EQ(out[pclr + 13 + 3], 100) << "entry 1, column 0";
  EXPECT_EQ(U16(out, pclr + 13 + 4), 1000u) << "entry 1, column 1";
  const std::size_t cmap = pclr + U32(out, pclr);
  ASSERT_EQ(Type(out, cmap + 4), "cmap");
  EXPECT_EQ(U32(out, cmap), 8u + 4u * 2u);
  EXPECT_EQ(U32(out, cmap + 8), 0x00000100u);
  EXPECT_EQ(U32(out, cmap + 12), 0x00000101u);
}

}  // namespace
}  // namespace quillon::jp2::test
