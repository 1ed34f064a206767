// The writer's features decoded by OpenJPEG and Grok: subsampling, palettes, every
// progression with layers, tiles with offsets, precincts, SOP and EPH, code-block styles,
// regions of interest, irreversible coding with visual weighting, colour descriptions,
// metadata boxes, and lossy files at target sizes compared with OpenJPEG's own encoder.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <string>

#include "support/EncodeSession.h"
#include "support/IccProfileBuilder.h"

namespace quillon::jp2::test {
namespace {

using Configure = std::function<void(CompressHandle)>;

double Psnr(const std::vector<TestComponent>& want, const std::vector<TestComponent>& got) {
  double squared = 0, count = 0, peak = 0;
  for (std::size_t c = 0; c < want.size(); ++c) {
    if (got[c].samples.size() != want[c].samples.size()) return 0;
    peak = std::max(peak, std::pow(2.0, want[c].depth) - 1);
    for (std::size_t i = 0; i < want[c].samples.size(); ++i) {
      const double d = double(want[c].samples[i]) - got[c].samples[i];
      squared += d * d;
    }
    count += double(want[c].samples.size());
  }
  if (squared == 0) return 999;
  return 10 * std::log10(peak * peak / (squared / count));
}

struct Encoded {
  std::string file;
  std::vector<std::uint8_t> bytes;
};

Encoded EncodeToFile(const std::string& name, const std::vector<TestComponent>& components,
                     const Configure& configure) {
  EncodeSession session;
  session.components = components;
  EXPECT_EQ(session.Encode(configure), 0) << name;
  Encoded encoded{::testing::TempDir() + "quillon-writer-" + name, session.output};
  WriteFile(encoded.file, encoded.bytes);
  return encoded;
}

// PSNR of the decoding by each peer (0 when it failed).
std::vector<double> PeerPsnr(const Encoded& encoded, const std::vector<TestComponent>& want,
                             std::size_t decodedComponents = 0) {
  std::vector<double> result;
  for (const Peer peer : {Peer::kOpenJpeg, Peer::kGrok}) {
    const auto decoded = DecodeWithPeer(peer, encoded.file,
                                        decodedComponents != 0 ? decodedComponents : want.size());
    result.push_back(decoded.size() == want.size() ? Psnr(want, decoded) : 0);
  }
  return result;
}

void ExpectExact(const std::string& name, const std::vector<TestComponent>& components,
                 const Configure& configure, const std::string& extension = ".jp2") {
  const Encoded encoded = EncodeToFile(name + extension, components, configure);
  for (const double psnr : PeerPsnr(encoded, components)) EXPECT_EQ(psnr, 999) << name;
  std::remove(encoded.file.c_str());
}

Configure Props(std::vector<std::pair<std::uint32_t, std::uintptr_t>> props, Configure more = {}) {
  return [props, more](CompressHandle handle) {
    for (const auto& [id, value] : props) EXPECT_EQ(EncodeSession::Set(handle, id, value), 0) << id;
    if (more) more(handle);
  };
}

TEST(WriterInterop, SubsampledComponentsDecodeExactly) {
  // Four components: OpenJPEG takes three with subsampled chroma for sYCC and converts them.
  auto picture = MakeComponents(1, 64, 48);
  picture.push_back(MakeComponent(32, 24, 8, false, 1));
  picture.push_back(MakeComponent(32, 48, 8, false, 2));
  picture.push_back(MakeComponent(16, 12, 8, false, 3));
  ExpectExact("subsampled", picture, Props({{JP2_Prop_FileFormat, JP2_Format_Codestream}}), ".j2k");
}

TEST(WriterInterop, PaletteIndicesDecodeToThePaletteColours) {
  const TestComponent indices = MakeComponent(40, 30, 4, false, 5);
  const SixteenColourPalette palette;
  const Encoded encoded =
      EncodeToFile("palette.jp2", {indices},
                   Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB}}, [&](CompressHandle handle) {
                     EXPECT_EQ(JP2_Compress_SetPalette(handle, &palette.desc), 0);
                   }));
  for (const double psnr : PeerPsnr(encoded, palette.Colours(indices))) EXPECT_EQ(psnr, 999);
  std::remove(encoded.file.c_str());
}

class Progressions : public ::testing::TestWithParam<int> {};

TEST_P(Progressions, TilesWithOffsetsPrecinctsSopAndEphDecodeExactly) {
  ExpectExact("progression-" + std::to_string(GetParam()), MakeComponents(3, 70, 45),
              Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB},
                     {JP2_Prop_Progression, static_cast<std::uintptr_t>(GetParam())},
                     {JP2_Prop_OffsetX, 5},
                     {JP2_Prop_OffsetY, 3},
                     {JP2_Prop_TileOffsetX, 2},
                     {JP2_Prop_TileOffsetY, 1},
                     {JP2_Prop_TileWidth, 32},
                     {JP2_Prop_TileHeight, 24},
                     {JP2_Prop_Levels, 3},
                     {JP2_Prop_Markers, 3}},
                    [](CompressHandle handle) {
                      EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 4, 4, -1, -1, -1), 0);
                    }),
              ".j2k");
}

TEST_P(Progressions, SeveralLayersDecodeAndTheirSumIsLossless) {
  for (const std::uintptr_t layers : {2u, 5u}) {
    const auto picture = MakeComponents(3, 64, 64);
    const Encoded encoded =
        EncodeToFile("layers-" + std::to_string(GetParam()) + ".jp2", picture,
                     Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB},
                            {JP2_Prop_Progression, static_cast<std::uintptr_t>(GetParam())},
                            {JP2_Prop_Layers, layers}}));
    for (const double psnr : PeerPsnr(encoded, picture)) EXPECT_EQ(psnr, 999) << layers;
    // The first layer alone decodes too, at a lower quality.
    const auto first = DecodeWithPeer(Peer::kOpenJpeg, encoded.file, 3, "-l 1");
    ASSERT_EQ(first.size(), 3u);
    EXPECT_LT(Psnr(picture, first), 999) << layers;
    EXPECT_GT(Psnr(picture, first), 15) << layers;
    std::remove(encoded.file.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(AllOrders, Progressions, ::testing::Values(0, 1, 2, 3, 4));

TEST(WriterInterop, EveryCodeBlockStyleDecodesExactly) {
  for (const std::uintptr_t style :
       {1u, 2u, 4u, 8u, 16u, 32u, 1u | 4u, 2u | 4u | 8u | 16u | 32u, 63u}) {
    ExpectExact("style-" + std::to_string(style), MakeComponents(1, 50, 40, 12),
                Props({{JP2_Prop_CodeBlockStyle, style},
                       {JP2_Prop_CodeBlockWidth, 16},
                       {JP2_Prop_CodeBlockHeight, 8}}));
  }
}

// Bypass under rate control: layers and the target cut codewords inside raw segments too.
// Raw coding costs next to nothing against the same style without bypass.
TEST(WriterInterop, LossyBypassFilesDecodeInBothPeers) {
  const auto picture = MakeComponents(3, 96, 80);
  const std::uint64_t target = 96 * 80 * 3 / 6;
  auto encode = [&](std::uintptr_t style) {
    const Encoded encoded =
        EncodeToFile("bypass-lossy-" + std::to_string(style) + ".jp2", picture,
                     Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB},
                            {JP2_Prop_Reversible, 0},
                            {JP2_Prop_QuantStyle, 2},
                            {JP2_Prop_Layers, 4},
                            {JP2_Prop_CodeBlockStyle, style},
                            {JP2_Prop_TargetSize, static_cast<std::uintptr_t>(target)}}));
    EXPECT_LE(encoded.bytes.size(), target);
    const auto psnr = PeerPsnr(encoded, picture);
    std::remove(encoded.file.c_str());
    return psnr;
  };
  for (const std::uintptr_t style : {0u, 4u | 32u}) {
    const auto plain = encode(style);
    const auto bypass = encode(style | 1u);
    for (std::size_t peer = 0; peer < bypass.size(); ++peer) {
      EXPECT_GT(bypass[peer], 25) << style << " peer " << peer;
      EXPECT_NEAR(bypass[peer], plain[peer], 1.0) << style << " peer " << peer;
    }
  }
}

TEST(WriterInterop, RegionsOfInterestDecodeExactlyWhenLossless) {
  ExpectExact("roi", MakeComponents(3, 64, 48),
              Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB}}, [](CompressHandle handle) {
                EXPECT_EQ(JP2_Compress_SetROI(handle, 100, 200, 400, 300), 0);
              }));
}

TEST(WriterInterop, IrreversibleCodingWithVisualWeightingDecodesClosely) {
  const auto picture = MakeComponents(3, 64, 64);
  for (const std::uintptr_t weighting : {0u, 2u}) {
    const Encoded encoded =
        EncodeToFile("irreversible-" + std::to_string(weighting) + ".jp2", picture,
                     Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB},
                            {JP2_Prop_Reversible, 0},
                            {JP2_Prop_QuantStyle, 2},
                            {JP2_Prop_VisualWeighting, weighting}}));
    for (const double psnr : PeerPsnr(encoded, picture)) EXPECT_GT(psnr, 38) << weighting;
    std::remove(encoded.file.c_str());
  }
}

TEST(WriterInterop, ColourDescriptionsAndMetadataBoxesDecode) {
  const auto picture = MakeComponents(3, 32, 32);
  IccProfileFields fields;
  const auto profile = MakeIccProfile(fields);
  const std::vector<std::pair<std::string, Configure>> cases = {
      {"icc",
       [&](CompressHandle handle) {
         EXPECT_EQ(JP2_Compress_SetICC(handle, profile.data(),
                                       static_cast<std::uint32_t>(profile.size())),
                   0);
       }},
      {"lab",
       [&](CompressHandle handle) {
         EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
         const JP2_LabParams lab{100, 0, 255, 128, 255, 96, 0x00443530};
         EXPECT_EQ(JP2_Compress_SetLAB(handle, &lab), 0);
       }},
      {"metadata",
       [&](CompressHandle handle) {
         EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
         SetEveryMetadataBox(handle);
       }},
  };
  for (const auto& [name, configure] : cases) {
    const Encoded encoded = EncodeToFile(name + ".jp2", picture, configure);
    for (const Peer peer : {Peer::kOpenJpeg, Peer::kGrok}) {
      EXPECT_EQ(DecodeWithPeer(peer, encoded.file, 3).size(), 3u) << name << " peer " << int(peer);
    }
    std::remove(encoded.file.c_str());
  }
}

// Writes the picture as binary PPM for OpenJPEG's encoder.
void WritePpm(const std::string& path, const std::vector<TestComponent>& picture) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << picture[0].width << " " << picture[0].height << "\n255\n";
  for (std::size_t i = 0; i < picture[0].samples.size(); ++i) {
    for (const TestComponent& c : picture) out.put(static_cast<char>(c.samples[i]));
  }
}

TEST(WriterInterop, TargetSizesAreMetAndDecodeInBothPeers) {
  auto picture = MakeComponents(3, 128, 128);
  const std::string ppm = ::testing::TempDir() + "quillon-writer-source.ppm";
  WritePpm(ppm, picture);
  const std::uint64_t raw = 128 * 128 * 3;
  for (const std::uint64_t ratio : {3u, 8u, 20u, 50u}) {
    const std::uint64_t target = raw / ratio;
    const Encoded encoded =
        EncodeToFile("target-" + std::to_string(ratio) + ".jp2", picture,
                     Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB},
                            {JP2_Prop_Reversible, 0},
                            {JP2_Prop_QuantStyle, 2},
                            {JP2_Prop_Layers, 3},
                            {JP2_Prop_TargetSize, static_cast<std::uintptr_t>(target)}}));
    EXPECT_LE(encoded.bytes.size(), target) << ratio;
    EXPECT_GE(double(encoded.bytes.size()), 0.97 * double(target)) << ratio;
    const auto ours = PeerPsnr(encoded, picture);
    for (const double psnr : ours) EXPECT_GT(psnr, 20) << ratio;

    const std::string reference = ::testing::TempDir() + "quillon-writer-opj.jp2";
    const double opjRatio = double(raw) / double(encoded.bytes.size());
    ASSERT_EQ(std::system(("opj_compress -i " + ppm + " -o " + reference + " -r " +
                           std::to_string(opjRatio) + " > /dev/null 2>&1")
                              .c_str()),
              0);
    const auto theirs = PeerPsnr(Encoded{reference, {}}, picture);
    std::cout << "1:" << ratio << " target " << target << " bytes: ours " << encoded.bytes.size()
              << " B, PSNR " << ours[0] << " dB; opj_compress -r " << opjRatio << ": PSNR "
              << theirs[0] << " dB\n";
    std::remove(reference.c_str());
    std::remove(encoded.file.c_str());
  }
  std::remove(ppm.c_str());
}

}  // namespace
}  // namespace quillon::jp2::test
