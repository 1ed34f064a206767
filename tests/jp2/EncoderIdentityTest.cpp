// The encoder's files stay byte for byte what they were when the boxes were written straight
// from the encoder's state: the hashes below were recorded from that encoder. With
// QUILLON_JP2_CORPUS_DIR set, the files are also written there (fuzz seeds, manual cmp).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "support/EncoderCorpus.h"

namespace quillon::jp2::test {
namespace {

std::uint64_t Fnv1a(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3ull;
  return hash;
}

const std::map<std::string, std::uint64_t> kRecorded = {
    {"grey-jp2", 0x7950ea2cae9bbedfull},
    {"grey-codestream", 0x955f68e0e797fd72ull},
    {"srgb-jp2", 0xac5edfb00a409674ull},
    {"sycc-jp2", 0x2872011d7ab104bdull},
    {"srgb-jpx", 0x08f3273eac95af39ull},
    {"sycc-jpx", 0xc8c789999d20976eull},
    {"cmyk-jpx", 0xd3d34f30e56c7197ull},
    {"icc-restricted-jp2", 0x50892319709a7a3eull},
    {"icc-approximated-jpx", 0x8fecabf10ce8aaeaull},
    {"icc-cmyk-jpx", 0x48bbd499373b20f1ull},
    {"lab-default-jpx", 0xc966dfdd3dbc5226ull},
    {"lab-params-jpx", 0x77b64630bbc44081ull},
    {"palette-jp2", 0x847a91165c0af50eull},
    {"rgba-channel-defs-jp2", 0x196b750341c247beull},
    {"rgb-extra-component-jp2", 0x320478fe567a81deull},
    {"mixed-depths-jp2", 0x18ed54b3bf1a3237ull},
    {"resolution-capture-jp2", 0xb3ff25f085851dbbull},
    {"metadata-jp2", 0xb6c12efd6db0b9dbull},
    {"metadata-jpx", 0x45799dec0a82a52dull},
    {"boxes-after-compression-jp2", 0x73190dbc033412f5ull},
};

TEST(EncoderIdentity, EveryCorpusFileKeepsItsRecordedBytes) {
  const char* directory = std::getenv("QUILLON_JP2_CORPUS_DIR");
  const std::vector<CorpusFile> files = EncoderCorpus();
  for (const CorpusFile& file : files) {
    ASSERT_FALSE(file.bytes.empty()) << file.name;
    if (directory != nullptr)
      WriteFile(std::string(directory) + "/" + file.name + ".jp2", file.bytes);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a(file.bytes)));
    const auto recorded = kRecorded.find(file.name);
    if (recorded == kRecorded.end()) {
      ADD_FAILURE() << "not recorded: {\"" << file.name << "\", 0x" << hex << "ull},";
      continue;
    }
    EXPECT_EQ(Fnv1a(file.bytes), recorded->second) << file.name << " now hashes to 0x" << hex;
  }
  EXPECT_EQ(files.size(), kRecorded.size());
}

}  // namespace
}  // namespace quillon::jp2::test
