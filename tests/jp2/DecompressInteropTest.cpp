// Peer codestreams through JP2_Decompress_Image: opj_compress and grk_compress with the
// options that change the packet stream; lossless files must give back the source picture,
// lossy ones stay within 1 of what opj_decompress makes of the same file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/DecodeSession.h"
#include "support/DecodedImage.h"
#include "support/EncodeSession.h"
#include "support/PacketIndexCheck.h"

namespace quillon::jp2::test {
namespace {

struct PeerCase {
  std::string tool;     // opj_compress or grk_compress
  std::string options;  // added to the command line
  bool lossless;        // compared with the source, else with opj_decompress
};

std::vector<PeerCase> PeerCases() {
  std::vector<PeerCase> cases;
  for (const std::string tool : {"opj_compress", "grk_compress"}) {
    for (const std::string order : {"LRCP", "RLCP", "RPCL", "PCRL", "CPRL"}) {
      cases.push_back({tool, "-p " + order + " -n 3 -c [32,32],[16,16] -t 24,20 -r 4,2,1", true});
    }
    cases.push_back({tool, "-SOP -EPH -n 3 -b 16,16 -M 63", true});
    cases.push_back({tool, "-I -r 20,8", false});
    cases.push_back({tool, "-I -p RPCL -c [32,32] -M 8", false});
    cases.push_back({tool, "-ROI c=0,U=3 -r 10", false});
  }
  // Grok's command line refuses these POC entries; OpenJPEG writes them, and its own decoder
  // does not give back the source from them, so the comparison is with its decoding.
  cases.push_back(
      {"opj_compress", "-n 3 -r 4,1 -POC T1=0,0,1,3,3,CPRL/T1=0,0,2,3,3,LRCP -t 30,30", false});
  return cases;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Source picture: three 8-bit components of 45 x 38 written as binary PPM.
std::vector<TestComponent> WriteSource(const std::string& path) {
  std::vector<TestComponent> components = MakeComponents(3, 45, 38);
  std::ofstream out(path, std::ios::binary);
  out << "P6\n45 38\n255\n";
  for (std::size_t i = 0; i < components[0].samples.size(); ++i) {
    for (const TestComponent& c : components) out.put(static_cast<char>(c.samples[i]));
  }
  return components;
}

// The source written as base.ppm, encoded by tool with options into base.j2k; the file's path,
// or empty when the tool failed.
std::string WritePeerFile(const std::string& tool, const std::string& options,
                          const std::string& base) {
  WriteSource(base + ".ppm");
  const std::string file = base + ".j2k";
  std::remove(file.c_str());
  const std::string command =
      tool + " -i " + base + ".ppm -o " + file + " " + options + " > /dev/null 2>&1";
  const bool written = std::system(command.c_str()) == 0;
  std::remove((base + ".ppm").c_str());
  return written ? file : std::string();
}

std::int32_t WriteRow(const void* samples, std::int16_t channel, std::uint32_t row,
                      std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
  auto& out = *reinterpret_cast<std::vector<TestComponent>*>(param);
  TestComponent& c = out.at(static_cast<std::size_t>(channel));
  const auto* bytes = static_cast<const std::uint8_t*>(samples);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (row < c.height && column + i < c.width)
      c.samples[std::size_t{row} * c.width + column + i] = bytes[i];
  }
  return 0;
}

class PeerFiles : public ::testing::TestWithParam<PeerCase> {};

TEST_P(PeerFiles, DecodeLikeThePeer) {
  const PeerCase& param = GetParam();
  const std::string base = ::testing::TempDir() + "peer-" + std::to_string(getpid());
  const std::vector<TestComponent> source = MakeComponents(3, 45, 38);
  const std::string file = WritePeerFile(param.tool, param.options, base);
  ASSERT_FALSE(file.empty()) << param.tool << " " << param.options;
  DecodeSession session(ReadBytes(file));
  ASSERT_EQ(session.Start(), 0);
  std::vector<TestComponent> decoded = source;
  for (TestComponent& c : decoded) std::fill(c.samples.begin(), c.samples.end(), -1);
  ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteCallback,
                                   reinterpret_cast<std::uintptr_t>(&WriteRow)),
            0);
  ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteParam,
                                   reinterpret_cast<std::uintptr_t>(&decoded)),
            0);
  ASSERT_EQ(JP2_Decompress_Image(session.handle), 0);
  const std::vector<TestComponent> reference =
      param.lossless ? source : DecodeWithPeer(Peer::kOpenJpeg, file, source.size());
  ASSERT_EQ(reference.size(), source.size());
  for (std::size_t c = 0; c < source.size(); ++c) {
    ASSERT_EQ(reference[c].samples.size(), decoded[c].samples.size());
    int worst = 0;
    for (std::size_t i = 0; i < decoded[c].samples.size(); ++i) {
      worst = std::max(worst, std::abs(decoded[c].samples[i] - reference[c].samples[i]));
    }
    EXPECT_LE(worst, param.lossless ? 0 : 1) << param.tool << " " << param.options << " c" << c;
  }
  std::remove(file.c_str());
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerFiles, ::testing::ValuesIn(PeerCases()));

std::string TempBase(const std::string& name) {
  return ::testing::TempDir() + name + "-" + std::to_string(getpid());
}

// The packet index of peer files with SOP markers, every progression, precincts, tiles and
// layers: each packet starts at the SOP the peer numbered with its rank, without gaps.
TEST(PeerFilesIndexed, PacketsSitAtThePeersSopMarkers) {
  for (const std::string tool : {"opj_compress", "grk_compress"}) {
    for (const std::string order : {"LRCP", "RLCP", "RPCL", "PCRL", "CPRL"}) {
      const std::string options = "-SOP -p " + order + " -n 3 -c [32,32],[16,16] -t 24,20 -r 4,2,1";
      const std::string file = WritePeerFile(tool, options, TempBase("index"));
      ASSERT_FALSE(file.empty()) << tool << " " << options;
      DecodeSession session(ReadBytes(file));
      std::remove(file.c_str());
      ASSERT_EQ(session.Start(), 0);
      JP2_ImageInfo* info = nullptr;
      ASSERT_EQ(JP2_Decompress_GetInformation(session.handle, &info), 0);
      EXPECT_GT(ExpectSopNumberedPacketsWithoutGaps(session.bytes, *info), 0u)
          << tool << " " << options;
    }
  }
}

// Every cut at a 64th of a layered peer file decodes without error, delivers every sample,
// and uses the packets that arrived: the late cuts come closer to the whole file's picture
// than the early ones.
TEST(PeerFilesCut, DecodeFromWhatArrived) {
  for (const std::string tool : {"opj_compress", "grk_compress"}) {
    for (const std::string options :
         {"-r 60,20,5,1 -n 4", "-I -p RPCL -SOP -EPH -t 24,20 -n 3 -r 6,2"}) {
      const std::string file = WritePeerFile(tool, options, TempBase("cut"));
      ASSERT_FALSE(file.empty()) << tool << " " << options;
      const Bytes whole = ReadBytes(file);
      std::remove(file.c_str());
      const std::vector<TestComponent> shape = MakeComponents(3, 45, 38);
      DecodedImage full;
      DecodeSession fullSession(whole);
      ASSERT_EQ(Decode(fullSession, shape, &full), 0);
      std::vector<double> meanErrors;
      for (int cut = 1; cut < 64; ++cut) {
        const Bytes bytes(whole.begin(),
                          whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * cut / 64));
        if (DecodeSession(bytes).Start() != 0) continue;  // cut inside the main header
        DecodeSession session(bytes);
        DecodedImage image;
        ASSERT_EQ(Decode(session, shape, &image), 0) << tool << " " << options << " cut " << cut;
        double total = 0;
        for (std::size_t c = 0; c < shape.size(); ++c) {
          for (std::size_t i = 0; i < shape[c].samples.size(); ++i) {
            ASSERT_NE(image.channels[c].samples[i], -12345) << "sample not delivered, cut " << cut;
            total += std::abs(image.channels[c].samples[i] - full.channels[c].samples[i]);
          }
        }
        meanErrors.push_back(total / (3.0 * shape[0].samples.size()));
      }
      ASSERT_GT(meanErrors.size(), 50u) << tool << " " << options;
      EXPECT_LT(meanErrors.back(), meanErrors.front() / 4) << tool << " " << options;
      EXPECT_LT(meanErrors[meanErrors.size() * 3 / 4], meanErrors[meanErrors.size() / 4])
          << tool << " " << options;
    }
  }
}

// Reduce factors 2 to 32 on files with five levels give what opj_decompress -r gives, size
// and samples within 1: lossless, lossy and tiled, from both peers.
TEST(PeerFilesReduced, MatchOpjDecompressReduce) {
  const std::pair<std::string, std::string> files[] = {
      {"opj_compress", "-n 6"},
      {"opj_compress", "-n 6 -I -r 12 -p RPCL"},
      {"grk_compress", "-n 6 -t 32,32"},
  };
  for (const auto& [tool, options] : files) {
    const std::string file = WritePeerFile(tool, options, TempBase("reduce"));
    ASSERT_FALSE(file.empty()) << tool << " " << options;
    const Bytes bytes = ReadBytes(file);
    for (int r = 1; r <= 5; ++r) {
      const std::vector<TestComponent> reference =
          DecodeWithPeer(Peer::kOpenJpeg, file, 3, "-r " + std::to_string(r));
      ASSERT_EQ(reference.size(), 3u);
      DecodeSession session(bytes);
      DecodedImage image;
      ASSERT_EQ(
          Decode(session, reference, &image,
                 [r](DecompressHandle h) {
                   EXPECT_EQ(
                       JP2_Decompress_SetProp(h, JP2_Prop_ReduceFactor, std::uintptr_t{1} << r), 0);
                 }),
          0);
      EXPECT_EQ(session.Prop(JP2_Prop_Width), reference[0].width)
          << tool << " " << options << " r " << r;
      EXPECT_EQ(session.Prop(JP2_Prop_Height), reference[0].height)
          << tool << " " << options << " r " << r;
      EXPECT_LE(LargestDifference(image.channels, reference), 1)
          << tool << " " << options << " r " << r;
    }
    std::remove(file.c_str());
  }
}

// Lossy files of our own encoder decode within 1 of what opj_decompress makes of them. The
// small code-blocks of the last case give rows where blocks without coding passes lie between
// and after coded ones.
TEST(OurLossyFiles, DecodeWithinOneOfOpjDecompress) {
  struct Case {
    int components;
    std::uintptr_t layers, tileWidth, targetSize;
    std::uint32_t width = 45, height = 38;
    std::uintptr_t blockSide = 0;
  };
  for (const Case& c : {Case{1, 1, 0, 300}, Case{3, 3, 24, 900}, Case{3, 1, 0, 150},
                        Case{3, 1, 0, 700, 100, 84, 8}}) {
    EncodeSession encoder;
    encoder.components = MakeComponents(c.components, c.width, c.height);
    ASSERT_EQ(encoder.Encode([&c](CompressHandle h) {
      EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
      EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Reversible, 0), 0);
      EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Layers, c.layers), 0);
      EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_TargetSize, c.targetSize), 0);
      if (c.tileWidth != 0) {
        EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_TileWidth, c.tileWidth), 0);
      }
      if (c.blockSide != 0) {
        EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_CodeBlockWidth, c.blockSide), 0);
        EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_CodeBlockHeight, c.blockSide), 0);
      }
    }),
              0);
    const std::string file = TempBase("ours") + ".j2k";
    WriteFile(file, encoder.output);
    const std::vector<TestComponent> reference =
        DecodeWithPeer(Peer::kOpenJpeg, file, encoder.components.size());
    std::remove(file.c_str());
    DecodeSession session(encoder.output);
    DecodedImage image;
    ASSERT_EQ(Decode(session, encoder.components, &image), 0);
    EXPECT_LE(LargestDifference(image.channels, reference), 1) << c.components << " components";
    EXPECT_GT(LargestDifference(image.channels, encoder.components), 1) << "not lossy";
  }
}

}  // namespace
}  // namespace quillon::jp2::test
