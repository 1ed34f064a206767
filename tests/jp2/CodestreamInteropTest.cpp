// Whole pictures through JP2_Compress_Image, decoded by OpenJPEG and Grok: lossless output
// must come back bit-exactly.
#include <gtest/gtest.h>

#include <string>

#include "support/EncodeSession.h"

namespace quillon::jp2::test {
namespace {

struct LosslessCase {
  std::string name;
  std::uint32_t format;
  std::uint32_t colourSpace;
  std::vector<TestComponent> components;
};

std::string TempName(const std::string& name, std::uint32_t format) {
  return ::testing::TempDir() + "quillon-" + name +
         (format == JP2_Format_Codestream ? ".j2k" : ".jp2");
}

// Encodes losslessly, decodes with both peers and compares every sample.
void ExpectLosslessRoundTrip(const LosslessCase& test,
                             const std::function<void(CompressHandle)>& configure = {}) {
  EncodeSession session;
  session.components = test.components;
  ASSERT_EQ(session.Encode([&](CompressHandle handle) {
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_FileFormat, test.format), 0);
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_ColourSpace, test.colourSpace), 0);
    if (configure) configure(handle);
  }),
            0);
  const std::string file = TempName(test.name, test.format);
  WriteFile(file, session.output);
  for (const Peer peer : {Peer::kOpenJpeg, Peer::kGrok}) {
    const auto decoded = DecodeWithPeer(peer, file, test.components.size());
    ASSERT_EQ(decoded.size(), test.components.size()) << test.name << " peer " << int(peer);
    for (std::size_t c = 0; c < decoded.size(); ++c) {
      const TestComponent& want = test.components[c];
      EXPECT_EQ(decoded[c].width, want.width) << test.name << " component " << c;
      EXPECT_EQ(decoded[c].height, want.height) << test.name << " component " << c;
      EXPECT_TRUE(decoded[c].samples == want.samples)
          << test.name << " peer " << int(peer) << " component " << c;
    }
  }
  std::remove(file.c_str());
}

TEST(CodestreamInterop, GreyCodestreamDecodesExactly) {
  ExpectLosslessRoundTrip(
      {"grey", JP2_Format_Codestream, JP2_Colour_Greyscale, MakeComponents(1, 61, 47, 8, false)});
}

TEST(CodestreamInterop, GreyJp2DecodesExactly) {
  ExpectLosslessRoundTrip(
      {"grey-jp2", JP2_Format_JP2, JP2_Colour_Greyscale, MakeComponents(1, 61, 47, 8, false)});
}

TEST(CodestreamInterop, RgbWithTheComponentTransformDecodesExactly) {
  ExpectLosslessRoundTrip(
      {"rgb", JP2_Format_JP2, JP2_Colour_sRGB, MakeComponents(3, 70, 53, 8, false)});
}

TEST(CodestreamInterop, TwelveAndSixteenBitsDecodeExactly) {
  ExpectLosslessRoundTrip(
      {"grey12", JP2_Format_JP2, JP2_Colour_Greyscale, MakeComponents(1, 40, 33, 12, false)});
  ExpectLosslessRoundTrip(
      {"rgb16", JP2_Format_JP2, JP2_Colour_sRGB, MakeComponents(3, 37, 29, 16, false)});
}

TEST(CodestreamInterop, SignedSamplesDecodeExactly) {
  ExpectLosslessRoundTrip(
      {"signed", JP2_Format_Codestream, JP2_Colour_Greyscale, MakeComponents(1, 45, 38, 12, true)});
}

}  // namespace
}  // namespace quillon::jp2::test
