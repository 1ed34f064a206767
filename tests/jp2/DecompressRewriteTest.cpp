// Our own codestream rewritten in the forms other writers use: packet headers moved into PPM
// or PPT segments, and a tile split into two tile-parts at a packet boundary. Each must decode
// to the samples of the original file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/BigEndian.h"
#include "common/MarkerCodes.h"
#include "support/DecodedImage.h"

namespace quillon::jp2::test {
namespace {

std::uint16_t U16(const Bytes& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes.at(at) << 8 | bytes.at(at + 1));
}

struct TilePartBytes {
  std::uint16_t tile = 0;
  Bytes headerSegments;  // between SOT and SOD
  std::size_t dataStart = 0, dataEnd = 0;
};

struct ParsedCodestream {
  Bytes mainHeader;  // SOC up to the first SOT
  std::vector<TilePartBytes> parts;
};

ParsedCodestream Parse(const Bytes& cs) {
  ParsedCodestream parsed;
  std::size_t at = 2;
  while (U16(cs, at) != kMarkerSot) at += 2 + U16(cs, at + 2);
  parsed.mainHeader.assign(cs.begin(), cs.begin() + static_cast<std::ptrdiff_t>(at));
  while (at + 12 <= cs.size() && U16(cs, at) == kMarkerSot) {
    TilePartBytes part;
    part.tile = U16(cs, at + 4);
    const std::size_t end = at + ReadU32(cs.data() + at + 6);
    std::size_t segment = at + 12;
    while (U16(cs, segment) != kMarkerSod) segment += 2 + U16(cs, segment + 2);
    part.headerSegments.assign(cs.begin() + static_cast<std::ptrdiff_t>(at + 12),
                               cs.begin() + static_cast<std::ptrdiff_t>(segment));
    part.dataStart = segment + 2;
    part.dataEnd = end;
    parsed.parts.push_back(part);
    at = end;
  }
  return parsed;
}

void PutU16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}
void PutU32(Bytes& out, std::uint32_t value) {
  PutU16(out, value >> 16);
  PutU16(out, value & 0xFFFF);
}

// SOT, the segments, SOD and the data.
Bytes TilePart(std::uint16_t tile, std::uint8_t index, std::uint8_t count, const Bytes& segments,
               const Bytes& data) {
  Bytes out;
  PutU16(out, kMarkerSot);
  PutU16(out, 10);
  PutU16(out, tile);
  PutU32(out, static_cast<std::uint32_t>(12 + segments.size() + 2 + data.size()));
  out.push_back(index);
  out.push_back(count);
  out.insert(out.end(), segments.begin(), segments.end());
  PutU16(out, kMarkerSod);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

Bytes Segment(std::uint16_t marker, const Bytes& body) {
  Bytes out;
  PutU16(out, marker);
  PutU16(out, static_cast<std::uint32_t>(body.size() + 2));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// The packets of a tile-part split, with SOP and EPH in use: headers (up to and with EPH) and
// bodies (from SOP), each in stream order.
std::pair<Bytes, Bytes> SplitPackets(const Bytes& cs, const TilePartBytes& part,
                                     const std::vector<std::size_t>& packetStarts) {
  Bytes headers, bodies;
  for (std::size_t i = 0; i < packetStarts.size(); ++i) {
    const std::size_t start = packetStarts[i];
    const std::size_t end = i + 1 < packetStarts.size() ? packetStarts[i + 1] : part.dataEnd;
    EXPECT_EQ(U16(cs, start), kMarkerSop);
    std::size_t eph = start + 6;
    while (U16(cs, eph) != kMarkerEph) ++eph;
    const auto at = [&cs](std::size_t offset) {
      return cs.begin() + static_cast<std::ptrdiff_t>(offset);
    };
    headers.insert(headers.end(), at(start + 6), at(eph + 2));
    bodies.insert(bodies.end(), at(start), at(start + 6));
    bodies.insert(bodies.end(), at(eph + 2), at(end));
  }
  return {headers, bodies};
}

// Packet start offsets of each tile, in stream order, from the decoder's own index.
std::vector<std::vector<std::size_t>> PacketStarts(const Bytes& cs) {
  DecodeSession session(cs);
  EXPECT_EQ(session.Start(), 0);
  JP2_ImageInfo* info = nullptr;
  EXPECT_EQ(JP2_Decompress_GetInformation(session.handle, &info), 0);
  std::vector<std::vector<std::size_t>> starts(std::size_t{info->tilesAcross} * info->tilesDown);
  for (std::size_t t = 0; t < starts.size(); ++t) {
    const JP2_TileInfo& tile = info->tiles[t];
    for (std::uint32_t c = 0; c < info->components; ++c) {
      for (int r = 0; r <= tile.components[c].levels; ++r) {
        const JP2_ResInfo& res = tile.components[c].resolutions[r];
        for (std::uint32_t p = 0; p < res.precinctsAcross * res.precinctsDown; ++p) {
          for (std::uint16_t l = 0; l < tile.layers; ++l) {
            if (res.precincts[p].layerLengths[l] != 0)
              starts[t].push_back(res.precincts[p].layerOffsets[l]);
          }
        }
      }
    }
    std::sort(starts[t].begin(), starts[t].end());
  }
  return starts;
}

enum class Rewrite { kPpm, kPpt, kTwoTileParts };

Bytes Rewritten(const Bytes& cs, Rewrite form) {
  const ParsedCodestream parsed = Parse(cs);
  const std::vector<std::vector<std::size_t>> starts = PacketStarts(cs);
  Bytes out = parsed.mainHeader;
  if (form == Rewrite::kPpm) {
    Bytes ppm = {0};  // Zppm
    for (const TilePartBytes& part : parsed.parts) {
      const Bytes headers = SplitPackets(cs, part, starts[part.tile]).first;
      PutU32(ppm, static_cast<std::uint32_t>(headers.size()));
      ppm.insert(ppm.end(), headers.begin(), headers.end());
    }
    EXPECT_LT(ppm.size(), 65000u);
    const Bytes segment = Segment(kMarkerPpm, ppm);
    out.insert(out.end(), segment.begin(), segment.end());
  }
  Bytes second;  // the tile-part written after every other
  for (const TilePartBytes& part : parsed.parts) {
    const auto [headers, bodies] = SplitPackets(cs, part, starts[part.tile]);
    const Bytes data(cs.begin() + static_cast<std::ptrdiff_t>(part.dataStart),
                     cs.begin() + static_cast<std::ptrdiff_t>(part.dataEnd));
    Bytes written;
    switch (form) {
      case Rewrite::kPpm:
        written = TilePart(part.tile, 0, 1, part.headerSegments, bodies);
        break;
      case Rewrite::kPpt: {
        Bytes segments = part.headerSegments;
        Bytes ppt = {0};  // Zppt
        ppt.insert(ppt.end(), headers.begin(), headers.end());
        const Bytes segment = Segment(kMarkerPpt, ppt);
        segments.insert(segments.end(), segment.begin(), segment.end());
        written = TilePart(part.tile, 0, 1, segments, bodies);
        break;
      }
      case Rewrite::kTwoTileParts: {
        const std::vector<std::size_t>& packets = starts[part.tile];
        const std::size_t cut = packets[packets.size() / 2] - part.dataStart;
        written = TilePart(part.tile, 0, 2, part.headerSegments,
                           Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut)));
        const Bytes rest =
            TilePart(part.tile, 1, 2, {},
                     Bytes(data.begin() + static_cast<std::ptrdiff_t>(cut), data.end()));
        second.insert(second.end(), rest.begin(), rest.end());
        break;
      }
    }
    out.insert(out.end(), written.begin(), written.end());
  }
  out.insert(out.end(), second.begin(), second.end());
  PutU16(out, kMarkerEoc);
  return out;
}

struct RewriteCase {
  std::string name;
  Rewrite form;
  std::uintptr_t progression;
};

class RewrittenCodestream : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(RewrittenCodestream, DecodesToTheSamplesOfTheOriginal) {
  const RewriteCase& param = GetParam();
  EncodeSession encoder;
  encoder.components = MakeComponents(3, 37, 29);
  ASSERT_EQ(encoder.Encode([&param](CompressHandle h) {
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Progression, param.progression), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Markers, 3), 0);  // SOP and EPH locate the headers
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Layers, 3), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Levels, 2), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_TileWidth, 20), 0);
    EXPECT_EQ(JP2_Compress_SetPrecinct(h, 3, 3, -1, -1, -1), 0);
  }),
            0);
  const Bytes original = CodestreamOf(encoder.output);
  ASSERT_EQ(Parse(original).parts.size(), 2u);
  const Bytes rewritten = Rewritten(original, param.form);
  ASSERT_NE(rewritten, original);
  DecodeSession session(rewritten);
  DecodedImage image;
  ASSERT_EQ(Decode(session, encoder.components, &image), 0);
  EXPECT_EQ(LargestDifference(image.channels, encoder.components), 0);
}

INSTANTIATE_TEST_SUITE_P(
    OurFiles, RewrittenCodestream,
    ::testing::Values(RewriteCase{"ppm_lrcp", Rewrite::kPpm, 0},
                      RewriteCase{"ppm_rpcl", Rewrite::kPpm, 2},
                      RewriteCase{"ppt_lrcp", Rewrite::kPpt, 0},
                      RewriteCase{"ppt_cprl", Rewrite::kPpt, 4},
                      RewriteCase{"two_tile_parts_lrcp", Rewrite::kTwoTileParts, 0},
                      RewriteCase{"two_tile_parts_pcrl", Rewrite::kTwoTileParts, 3}),
    CaseName<::testing::TestParamInfo<RewriteCase>>);

}  // namespace
}  // namespace quillon::jp2::test
