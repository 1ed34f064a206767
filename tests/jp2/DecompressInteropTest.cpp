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
#include "support/EncodeSession.h"

namespace quillon::jp2::test {
namespace {

struct PeerCase {
  std::string tool;     // opj_compress or grk_compress
  std::string options;  // added to the command line
  bool lossless;  // compared with the source, else with opj_decompress
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
  cases.push_back({"opj_compress", "-n 3 -r 4,1 -POC T1=0,0,1,3,3,CPRL/T1=0,0,2,3,3,LRCP -t 30,30", false});
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

std::int32_t WriteRow(const void* samples, std::int16_t channel, std::uint32_t row,
                      std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
  auto& out = *reinterpret_cast<std::vector<TestComponent>*>(param);
  TestComponent& c = out.at(static_cast<std::size_t>(channel));
  const auto* bytes = static_cast<const std::uint8_t*>(samples);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (row < c.height && column + i < c.width) c.samples[std::size_t{row} * c.width + column + i] = bytes[i];
  }
  return 0;
}

class PeerFiles : public ::testing::TestWithParam<PeerCase> {};

TEST_P(PeerFiles, DecodeLikeThePeer) {
  const PeerCase& param = GetParam();
  const std::string base = ::testing::TempDir() + "peer-" + std::to_string(getpid());
  const std::vector<TestComponent> source = WriteSource(base + ".ppm");
  const std::string file = base + ".j2k";
  std::remove(file.c_str());
  const std::string command = param.tool + " -i " + base + ".ppm -o " + file + " " +
                              param.options + " > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  DecodeSession session(ReadBytes(file));
  ASSERT_EQ(session.Start(), 0);
  std::vector<TestComponent> decoded = source;
  for (TestComponent& c : decoded) std::fill(c.samples.begin(), c.samples.end(), -1);
  ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteCallback,
                                   reinterpret_cast<std::uintptr_t>(&WriteRow)), 0);
  ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteParam,
                                   reinterpret_cast<std::uintptr_t>(&decoded)), 0);
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
  std::remove((base + ".ppm").c_str());
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerFiles, ::testing::ValuesIn(PeerCases()));

}  // namespace
}  // namespace quillon::jp2::test
