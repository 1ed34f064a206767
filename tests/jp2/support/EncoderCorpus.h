// Every kind of file our encoder writes, one recipe per box option: file formats, colour
// spaces (ICC restricted and not, CIELab with and without parameters), palette, channel
// definitions, mixed depths, resolutions and metadata boxes before and after compression.
// The byte-identity test, the decoder's interop test and the fuzz seeds share this table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/EncodeSession.h"
#include "support/IccProfileBuilder.h"

namespace quillon::jp2::test {

struct CorpusFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

namespace corpus_detail {

inline std::int32_t Set(CompressHandle handle, std::uint32_t id, std::uintptr_t value) {
  return EncodeSession::Set(handle, id, value);
}

inline std::vector<std::uint8_t> ProfileWith(const std::string& deviceClass,
                                             const std::string& colourSpace,
                                             std::vector<std::string> tags) {
  IccProfileFields fields;
  fields.deviceClass = deviceClass;
  fields.colourSpace = colourSpace;
  fields.tags = std::move(tags);
  return MakeIccProfile(fields);
}

// Encodes components with configure run between Start and Image and after run between
// Image and End; an empty result when any step fails.
template <typename Configure, typename After>
std::vector<std::uint8_t> Encode(std::vector<TestComponent> components, Configure configure,
                                 After after) {
  EncodeSession session;
  session.components = std::move(components);
  CompressHandle handle = session.Start();
  configure(handle);
  const std::int32_t status = JP2_Compress_Image(handle);
  EXPECT_EQ(status, 0);
  after(handle);
  EXPECT_EQ(JP2_Compress_End(handle), 0);
  return status == 0 ? session.output : std::vector<std::uint8_t>{};
}

template <typename Configure>
std::vector<std::uint8_t> Encode(std::vector<TestComponent> components, Configure configure) {
  return Encode(std::move(components), configure, [](CompressHandle) {});
}

}  // namespace corpus_detail

inline std::vector<CorpusFile> EncoderCorpus() {
  using corpus_detail::Encode;
  using corpus_detail::Set;
  const auto none = [](CompressHandle) {};
  const auto grey = [] { return MakeComponents(1, 16, 12); };
  const auto rgb = [] { return MakeComponents(3, 16, 12); };
  std::vector<CorpusFile> files;
  files.push_back({"grey-jp2", Encode(grey(), none)});
  files.push_back({"grey-codestream", Encode(grey(), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_TileWidth, 8), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_Layers, 3), 0);
                   })});
  for (const std::uint32_t format : {JP2_Format_JP2, JP2_Format_JPX}) {
    const std::string suffix = format == JP2_Format_JP2 ? "-jp2" : "-jpx";
    for (const std::uint32_t space : {JP2_Colour_sRGB, JP2_Colour_sYCC}) {
      files.push_back({(space == JP2_Colour_sRGB ? "srgb" : "sycc") + suffix,
                       Encode(rgb(), [=](CompressHandle h) {
                         EXPECT_EQ(Set(h, JP2_Prop_FileFormat, format), 0);
                         EXPECT_EQ(Set(h, JP2_Prop_ColourSpace, space), 0);
                       })});
    }
  }
  files.push_back({"cmyk-jpx", Encode(MakeComponents(4, 16, 12), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_ColourSpace, JP2_Colour_CMYK), 0);
                   })});
  const auto restricted = MakeIccProfile({});
  files.push_back({"icc-restricted-jp2", Encode(rgb(), [&](CompressHandle h) {
                     EXPECT_EQ(JP2_Compress_SetICC(h, restricted.data(),
                                                   static_cast<std::uint32_t>(restricted.size())),
                               0);
                   })});
  const auto display = corpus_detail::ProfileWith("mntr", "RGB ", {"rTRC"});
  files.push_back(
      {"icc-approximated-jpx", Encode(rgb(), [&](CompressHandle h) {
         EXPECT_EQ(Set(h, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
         EXPECT_EQ(
             JP2_Compress_SetICC(h, display.data(), static_cast<std::uint32_t>(display.size())), 0);
       })});
  const auto cmyk = corpus_detail::ProfileWith("prtr", "CMYK", {"A2B0"});
  files.push_back(
      {"icc-cmyk-jpx", Encode(MakeComponents(4, 16, 12), [&](CompressHandle h) {
         EXPECT_EQ(Set(h, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
         EXPECT_EQ(JP2_Compress_SetICC(h, cmyk.data(), static_cast<std::uint32_t>(cmyk.size())), 0);
       })});
  files.push_back({"lab-default-jpx", Encode(rgb(), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
                     EXPECT_EQ(JP2_Compress_SetLAB(h, nullptr), 0);
                   })});
  files.push_back({"lab-params-jpx", Encode(rgb(), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
                     const JP2_LabParams params{100, 0, 170, 128, 200, 96, 0x00443530};
                     EXPECT_EQ(JP2_Compress_SetLAB(h, &params), 0);
                   })});
  files.push_back({"palette-jp2", Encode(MakeComponents(1, 16, 12, 4), [](CompressHandle h) {
                     static std::uint32_t c0[16], c1[16], c2[16], c3[16];
                     for (std::uint32_t e = 0; e < 16; ++e) {
                       c0[e] = e * 16;
                       c1[e] = e * 4000;
                       c2[e] = 0xFFFFFF - e * 99;
                       c3[e] = 0x80000000u + e;
                     }
                     static std::uint32_t* values[4] = {c0, c1, c2, c3};
                     static std::uint8_t depths[4] = {8, 16, 24, 32};
                     static std::uint8_t signs[4] = {0, 0, 1, 0};
                     const JP2_PaletteDesc palette{16, 4, depths, signs, values};
                     EXPECT_EQ(JP2_Compress_SetPalette(h, &palette), 0);
                   })});
  files.push_back({"rgba-channel-defs-jp2", Encode(MakeComponents(4, 16, 12), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
                     const JP2_ChannelDef defs[4] = {{0, 1}, {0, 2}, {0, 3}, {1, 0}};
                     EXPECT_EQ(JP2_Compress_SetChannelDefs(h, defs, 4), 0);
                   })});
  files.push_back(
      {"rgb-extra-component-jp2", Encode(MakeComponents(4, 16, 12), [](CompressHandle h) {
         EXPECT_EQ(Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
       })});
  files.push_back({"mixed-depths-jp2",
                   Encode({MakeComponent(16, 12, 8, false, 0), MakeComponent(8, 6, 12, true, 1),
                           MakeComponent(16, 12, 1, false, 2)},
                          none)});
  files.push_back({"resolution-capture-jp2", Encode(grey(), [](CompressHandle h) {
                     EXPECT_EQ(JP2_Compress_SetResolution(h, 300, 600, nullptr, 0, 0), 0);
                   })});
  files.push_back(
      {"metadata-jp2", Encode(grey(), [](CompressHandle h) { SetEveryMetadataBox(h); })});
  files.push_back({"metadata-jpx", Encode(rgb(), [](CompressHandle h) {
                     EXPECT_EQ(Set(h, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
                     SetEveryMetadataBox(h);
                   })});
  files.push_back({"boxes-after-compression-jp2",
                   Encode(
                       grey(),
                       [](CompressHandle h) {
                         static const std::uint8_t xml[] = {'<', 'a', '/', '>'};
                         EXPECT_EQ(JP2_Compress_SetXML_Data(h, xml, sizeof xml), 0);
                       },
                       [](CompressHandle h) { SetEveryMetadataBox(h); })});
  return files;
}

}  // namespace quillon::jp2::test
