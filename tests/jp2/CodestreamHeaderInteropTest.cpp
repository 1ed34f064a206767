// Headers written by our encoder, OpenJPEG and Grok, with every option that shapes them,
// parsed and compared with what opj_dump prints: grid, components, tiles, coding style and
// quantization per component, region shifts; every tile-part is walked, and where a TLM
// segment lists the tile-parts their lengths must match.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/StreamSegments.h"
#include "decoder/CodestreamHeader.h"
#include "support/BoxWalker.h"
#include "support/MarkerCorpus.h"
#include "support/MemoryByteReader.h"
#include "support/OpjDump.h"

namespace quillon::jp2::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The codestream's offset: after the jp2c box header of a JP2 or JPX file, else 0.
std::uint64_t CodestreamStart(const Bytes& bytes) {
  if (bytes.size() < 12 || bytes[4] != 'j' || bytes[5] != 'P') return 0;
  const std::vector<Box> boxes = Boxes(bytes);
  const Box* jp2c = Find(boxes, "jp2c");
  return jp2c != nullptr ? jp2c->at + 8 : 0;
}

// Tile-part lengths from the TLM segments of the main header, in order.
std::vector<std::uint32_t> TlmLengths(const Bytes& bytes, std::uint64_t start, std::uint64_t end) {
  std::vector<std::uint32_t> lengths;
  for (std::uint64_t at = start + 2; at + 4 <= end;) {
    const std::uint16_t marker = static_cast<std::uint16_t>(U16(bytes, at));
    const std::uint32_t length = U16(bytes, at + 2);
    if (marker == kMarkerTlm) {
      TlmSegment tlm;
      EXPECT_TRUE(tlm.Parse(std::span<const std::uint8_t>(bytes.data() + at + 2, length)).ok());
      for (std::uint32_t i = 0; i < tlm.entryCount; ++i) lengths.push_back(tlm.Entry(i).length);
    }
    at += 2 + length;
  }
  return lengths;
}

std::string Precincts(const TileComponentParams& values) {
  std::string text;
  for (int r = 0; r <= values.levels; ++r) {
    // Appended piece by piece: GCC 12 at -O3 takes "literal" + std::string for an overlapping
    // copy (-Wrestrict).
    text += '(';
    text += std::to_string(values.precincts[r] & 15);
    text += ',';
    text += std::to_string(values.precincts[r] >> 4);
    text += ") ";
  }
  return text.substr(0, text.size() - 1);
}

std::string Hex(unsigned value) {
  std::ostringstream text;
  text << std::hex << value;
  return value == 0 ? "0" : "0x" + text.str();
}

// Parses the file's headers and compares them with opj_dump's listing.
void ExpectHeadersAsDumped(const std::string& file, int expectedTileParts = 0) {
  SCOPED_TRACE(file);
  const Bytes bytes = ReadWholeFile(file);
  ASSERT_FALSE(bytes.empty());
  const OpjDump d = RunOpjDump(file);
  ASSERT_TRUE(d.ran) << d.listing;
  MemoryByteReader reader(bytes);
  const MemoryCallbacks memory = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  CodestreamParams p;
  const std::uint64_t start = CodestreamStart(bytes);
  ASSERT_EQ(ParseMainHeader(reader, start, memory, &p).code(), JP2_Success);

  EXPECT_EQ(d["image.x0"], std::to_string(p.offset[0]));
  EXPECT_EQ(d["image.y0"], std::to_string(p.offset[1]));
  EXPECT_EQ(d["image.x1"], std::to_string(p.extent[0]));
  EXPECT_EQ(d["image.y1"], std::to_string(p.extent[1]));
  EXPECT_EQ(d["image.numcomps"], std::to_string(p.componentCount));
  EXPECT_EQ(d["main.tx0"], std::to_string(p.tileOffset[0]));
  EXPECT_EQ(d["main.ty0"], std::to_string(p.tileOffset[1]));
  EXPECT_EQ(d["main.tdx"], std::to_string(p.tileSize[0]));
  EXPECT_EQ(d["main.tdy"], std::to_string(p.tileSize[1]));
  EXPECT_EQ(d["main.tw"], std::to_string(p.tilesAcross));
  EXPECT_EQ(d["main.th"], std::to_string(p.tilesDown));
  const TileParams& tile = TileParamsOf(p, 0);
  EXPECT_EQ(d["main.tile.prg"], Hex(tile.progression));
  EXPECT_EQ(d["main.tile.numlayers"], std::to_string(tile.layers));
  EXPECT_EQ(d["main.tile.mct"], std::to_string(tile.componentTransform));
  for (int c = 0; c < p.componentCount; ++c) {
    SCOPED_TRACE("component " + std::to_string(c));
    const std::string image = "image.c" + std::to_string(c) + ".";
    EXPECT_EQ(d[image + "dx"], std::to_string(p.components[c].factor[0]));
    EXPECT_EQ(d[image + "dy"], std::to_string(p.components[c].factor[1]));
    EXPECT_EQ(d[image + "prec"], std::to_string(p.components[c].depth));
    EXPECT_EQ(d[image + "sgnd"], std::to_string(p.components[c].isSigned));
    // The main header's values: those of a tile without tile-part segments of its own.
    const std::string at = "main.tile.c" + std::to_string(c) + ".";
    const TileComponentParams values = TileComponentParamsOf(p, p.tileCount, c);
    EXPECT_EQ(d[at + "numresolutions"], std::to_string(values.levels + 1));
    EXPECT_EQ(d[at + "cblkw"], "2^" + std::to_string(values.codeBlockWidthExponent));
    EXPECT_EQ(d[at + "cblkh"], "2^" + std::to_string(values.codeBlockHeightExponent));
    EXPECT_EQ(d[at + "cblksty"], Hex(values.codeBlockStyle));
    EXPECT_EQ(d[at + "qmfbid"], std::to_string(values.reversible));
    EXPECT_EQ(d[at + "preccintsize"], Precincts(values));
    EXPECT_EQ(d[at + "qntsty"], std::to_string(values.quantStyle));
    EXPECT_EQ(d[at + "numgbits"], std::to_string(values.guardBits));
    EXPECT_EQ(d[at + "roishift"], std::to_string(values.roiShift));
    const std::string steps = d[at + "stepsizes"];
    EXPECT_EQ(std::count(steps.begin(), steps.end(), '('),
              values.stepCount == 1 ? 1 : 1 + 3 * values.levels)
        << steps;
  }

  // Every tile-part, in file order, up to EOC.
  std::vector<std::uint32_t> partLengths;
  std::uint64_t offset = p.firstTilePart;
  std::vector<std::uint8_t> segmentBuffer(kSegmentBufferSize);
  while (offset + 2 <= bytes.size() && U16(bytes, offset) != kMarkerEoc) {
    TilePartInfo info;
    ASSERT_EQ(ParseTilePartHeader(reader, offset, memory, &p, &info, segmentBuffer.data()).code(),
              JP2_Success)
        << "tile-part at " << offset;
    EXPECT_LE(info.dataStart, info.dataEnd);
    if (info.nextTilePart == 0) break;
    partLengths.push_back(static_cast<std::uint32_t>(info.nextTilePart - offset));
    offset = info.nextTilePart;
  }
  EXPECT_GE(partLengths.size(), p.tileCount);
  if (expectedTileParts != 0) {
    EXPECT_EQ(partLengths.size(), std::size_t(expectedTileParts));
  }
  const std::vector<std::uint32_t> listed = TlmLengths(bytes, start, p.firstTilePart);
  if (!listed.empty()) {
    EXPECT_EQ(listed, partLengths);
  }
  EXPECT_TRUE(ReleaseCodestreamParams(memory, &p).ok());
}

TEST(CodestreamHeaderInterop, OurEncodersFilesMatchTheDump) {
  for (const MarkerCorpusEntry& entry : MarkerCorpus()) {
    EncodeSession session;
    session.components = entry.components;
    ASSERT_EQ(session.Encode(entry.configure), 0) << entry.name;
    const std::string file = ::testing::TempDir() + "quillon-headers-" + entry.name;
    WriteFile(file, session.output);
    ExpectHeadersAsDumped(file);
    std::remove(file.c_str());
  }
}

// A raw picture for the peers' -F option: components of depth bits, subsampled by factors.
struct RawPicture {
  std::uint32_t width = 40, height = 30;
  int components = 3;
  int depth = 8;
  bool isSigned = false;
  std::vector<std::pair<int, int>> factors;  // per component, default 1 x 1

  std::string Format() const {
    std::string text = std::to_string(width) + "," + std::to_string(height) + "," +
                       std::to_string(components) + "," + std::to_string(depth) +
                       (isSigned ? ",s" : ",u");
    if (factors.empty()) return text;
    text += "@";
    for (std::size_t c = 0; c < factors.size(); ++c) {
      if (c != 0) text += ':';
      text += std::to_string(factors[c].first);
      text += 'x';
      text += std::to_string(factors[c].second);
    }
    return text;
  }

  void Write(const std::string& path) const {
    Bytes bytes;
    const int sampleBytes = depth > 8 ? 2 : 1;
    for (int c = 0; c < components; ++c) {
      const auto [dx, dy] = factors.empty() ? std::pair{1, 1} : factors[c];
      const std::uint32_t w = (width + dx - 1) / dx, h = (height + dy - 1) / dy;
      for (std::uint32_t i = 0; i < w * h; ++i) {
        const std::uint32_t value = (i * 37 + c * 91) & ((1u << (depth - (isSigned ? 1 : 0))) - 1);
        if (sampleBytes == 2) bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        bytes.push_back(static_cast<std::uint8_t>(value));
      }
    }
    WriteFile(path, bytes);
  }
};

struct PeerCase {
  const char* name;
  RawPicture picture;
  std::string options;
  int tileParts = 0;  // 0: not checked
};

void RunPeerCases(const std::string& program, const std::vector<PeerCase>& cases) {
  for (const PeerCase& c : cases) {
    SCOPED_TRACE(program + " " + c.name + ": " + c.options);
    const std::string base = ::testing::TempDir() + "quillon-peer-" + c.name;
    c.picture.Write(base + ".raw");
    const std::string command = program + " -i " + base + ".raw -F " + c.picture.Format() + " -o " +
                                base + ".j2k " + c.options + " > " + base + ".log 2>&1";
    const int exit = std::system(command.c_str());
    const Bytes log = ReadWholeFile(base + ".log");
    ASSERT_EQ(exit, 0) << std::string(log.begin(), log.end());
    ExpectHeadersAsDumped(base + ".j2k", c.tileParts);
    for (const char* suffix : {".raw", ".j2k", ".log"}) std::remove((base + suffix).c_str());
  }
}

RawPicture Picture(int components, int depth, bool isSigned = false,
                   std::vector<std::pair<int, int>> factors = {}) {
  RawPicture picture;
  picture.components = components;
  picture.depth = depth;
  picture.isSigned = isSigned;
  picture.factors = std::move(factors);
  return picture;
}

TEST(CodestreamHeaderInterop, OpenJpegFilesMatchTheDump) {
  RunPeerCases(
      "opj_compress",
      {{"tiles-offsets", Picture(3, 8), "-t 16,12 -d 5,3 -T 2,1 -n 3 -b 32,16 -p RPCL -SOP -EPH"},
       {"tile-parts-poc-tlm-plt", Picture(3, 8),
        "-t 16,16 -TP R -PLT -TLM -n 3 -POC T0=0,0,1,3,3,CPRL/T0=0,0,1,6,3,LRCP", 18},
       {"precincts-layers-roi", Picture(3, 8),
        "-c [64,64],[32,32],[16,16] -n 3 -r 20,10,1 -ROI c=1,U=4"},
       {"irreversible", Picture(1, 8), "-I -n 4 -GuardBits 3"},
       {"subsampled-signed-12", Picture(3, 12, true, {{1, 1}, {2, 1}, {2, 2}}), "-n 2"},
       {"one-bit", Picture(1, 1), "-n 2"},
       {"sixteen-bit", Picture(2, 16), "-n 2 -M 63"},
       {"many-components", Picture(20, 4), "-n 1 -mct 0"}});
}

TEST(CodestreamHeaderInterop, GrokFilesMatchTheDump) {
  RunPeerCases("grk_compress", {{"tiles-offsets", Picture(3, 8),
                                 "-t 16,12 -d 5,3 -T 2,1 -n 3 -b 32,16 -p PCRL -S -E"},
                                {"tile-parts-plt", Picture(3, 8), "-t 16,16 -u R -L -n 3", 18},
                                {"precincts-layers-roi", Picture(3, 8),
                                 "-c [64,64],[32,32],[16,16] -n 3 -r 20,10,1 -R c=2,U=5"},
                                {"irreversible", Picture(1, 8), "-I -n 5"},
                                {"signed-10", Picture(3, 10, true), "-n 2"},
                                {"sixteen-bit", Picture(1, 16), "-n 2"},
                                {"many-components", Picture(40, 8), "-n 1 -Y 0"}});
}

}  // namespace
}  // namespace quillon::jp2::test
