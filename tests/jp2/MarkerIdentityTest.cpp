// The encoder's output stays byte for byte what it was when these fingerprints were recorded:
// a change to how marker segments and boxes are written must not change a single file.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "support/MarkerCorpus.h"

namespace quillon::jp2::test {
namespace {

// Recorded from the encoder before the marker segments moved to jp2/common.
const std::map<std::string, std::uint64_t> kRecorded = {
    {"grey8.jp2", 0x35cc5cfaaffc75dcull},                      // 2070 bytes
    {"rgb-tiles-offsets.j2k", 0x901007fb017d81dcull},          // 13091 bytes
    {"subsampled-signed.j2k", 0x0b553aaaf811624eull},          // 5771 bytes
    {"component-overrides-roi.j2k", 0xe06e61d4192c270aull},    // 4946 bytes
    {"irreversible-expounded.j2k", 0x5eddb6cea9293be1ull},     // 659 bytes
    {"irreversible-rgb-weighted.jp2", 0xd41b5b73846ac621ull},  // 900 bytes, steps of 1/4 since
                                                               // target steps are powers of two
    {"per-tile-overrides.j2k", 0xdba51a479ce767ffull},         // 3132 bytes
    {"one-bit.j2k", 0x3e01fa8945eb2b82ull},                    // 286 bytes
    {"sixteen-bit-signed.j2k", 0xbcd54a1d353f3beeull},         // 1604 bytes
    {"three-hundred-components.j2k", 0xc093a93e652c5e44ull},   // 26185 bytes
    {"progression-0.j2k", 0x897264ac7cfb9481ull},              // 3100 bytes
    {"progression-1.j2k", 0x8492e6e2adf724c2ull},              // 3100 bytes
    {"progression-2.j2k", 0x315d2ef40a7cbd03ull},              // 3100 bytes
    {"progression-3.j2k", 0x43cbf45f4d1a1a1cull},              // 3100 bytes
    {"progression-4.j2k", 0xacfb456ee68b9039ull},              // 3100 bytes
    {"srgb-metadata.jpx", 0x60514b2f97045529ull},              // 1152 bytes
    {"grey-metadata.jp2", 0x60886ca2ae893d22ull},              // 632 bytes
    {"sop-eph-layers.jp2", 0x256fbc6c82c8baa7ull},             // 1772 bytes
};

TEST(MarkerIdentity, EveryFileKeepsItsRecordedBytes) {
  const std::vector<MarkerCorpusEntry> corpus = MarkerCorpus();
  EXPECT_EQ(corpus.size(), kRecorded.size()) << "record a fingerprint for every corpus entry";
  for (const MarkerCorpusEntry& entry : corpus) {
    EncodeSession session;
    session.components = entry.components;
    ASSERT_EQ(session.Encode(entry.configure), 0) << entry.name;
    const std::uint64_t fingerprint = MarkerCorpusFingerprint(session.output);
    // QUILLON_CORPUS_DIR keeps the files, for a byte-by-byte comparison of two builds.
    if (const char* directory = std::getenv("QUILLON_CORPUS_DIR")) {
      WriteFile(std::string(directory) + "/" + entry.name, session.output);
    }
    const auto recorded = kRecorded.find(entry.name);
    char line[160];
    std::snprintf(line, sizeof line, "{\"%s\", 0x%016" PRIx64 "ull},  // %zu bytes",
                  entry.name.c_str(), fingerprint, session.output.size());
    if (recorded == kRecorded.end()) {
      ADD_FAILURE() << "no fingerprint recorded: " << line;
    } else {
      EXPECT_EQ(fingerprint, recorded->second) << line;
    }
  }
}

}  // namespace
}  // namespace quillon::jp2::test
