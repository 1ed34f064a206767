// Main and tile-part header parsing: the marker table, the checks of SIZ and of component
// indices, the priorities of COD/COC/QCD/QCC, tile-parts, PPM/PPT slots, memory that stays
// proportional to the input, and cut or corrupted codestreams.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "decoder/CodestreamHeader.h"
#include "support/CodestreamBuilder.h"
#include "support/CountingAllocator.h"
#include "support/MarkerCorpus.h"
#include "support/MemoryByteReader.h"

namespace quillon::jp2::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Parsed {
  CountingAllocator allocator;
  MemoryCallbacks memory;
  CodestreamParams params;
  Status status;
  Bytes segmentBuffer = Bytes(kSegmentBufferSize);

  explicit Parsed(Bytes bytes) : reader(std::move(bytes)) {
    memory.alloc = &CountingAllocator::Allocate;
    memory.allocParam = allocator.Param();
    memory.release = &CountingAllocator::Release;
    memory.freeParam = allocator.Param();
    status = ParseMainHeader(reader, 0, memory, &params);
  }
  ~Parsed() {
    EXPECT_TRUE(ReleaseCodestreamParams(memory, &params).ok());
    EXPECT_TRUE(allocator.live.empty()) << "blocks left after release";
    EXPECT_EQ(allocator.badReleases, 0);
  }

  Status TilePart(std::uint64_t offset, TilePartInfo* info) {
    return ParseTilePartHeader(reader, offset, memory, &params, info, segmentBuffer.data());
  }

  // Parses every tile-part from the first one on; the status of the first failure, or 0.
  Status AllTileParts(std::vector<TilePartInfo>* parts = nullptr) {
    std::uint64_t offset = params.firstTilePart;
    for (;;) {
      TilePartInfo info;
      const Status parsed = TilePart(offset, &info);
      if (!parsed.ok()) return parsed;
      if (parts != nullptr) parts->push_back(info);
      if (info.nextTilePart == 0) return JP2_Success;
      offset = info.nextTilePart;
      const Bytes& bytes = reader.bytes();
      if (offset + 2 <= bytes.size() && bytes[offset] == 0xFF && bytes[offset + 1] == 0xD9) {
        return JP2_Success;
      }
    }
  }

  MemoryByteReader reader;
};

using Build = std::function<void(VectorSegmentWriter&)>;

Bytes Codestream(const Build& build) {
  VectorSegmentWriter out;
  build(out);
  return out.bytes;
}

// SOC, SIZ (64 x 64, three components, 32 x 32 tiles), COD, QCD, the extra segments, one
// tile-part and EOC.
Bytes WithMainSegments(const Build& extra) {
  return Codestream([&](VectorSegmentWriter& out) {
    WriteMainHeaderStart(out, SmallSiz(64, 64, 3, 32));
    extra(out);
    WriteTilePart(out, 0, 0, 1, {}, 4);
    out.Marker(kMarkerEoc);
  });
}

TEST(CodestreamHeader, MainHeaderMarkerTableAndChecks) {
  const auto segment = [](std::uint16_t marker, Bytes body) {
    return [=](VectorSegmentWriter& out) { out.Raw(marker, body); };
  };
  const struct {
    const char* name;
    Bytes codestream;
    std::int32_t code;
  } cases[] = {
      {"plain", WithMainSegments([](VectorSegmentWriter&) {}), JP2_Success},
      {"TLM and PLM are skipped", WithMainSegments([&](VectorSegmentWriter& out) {
         segment(kMarkerTlm, {0, 0x50, 0, 0, 0, 9})(out);
         segment(kMarkerPlm, {0, 1, 2})(out);
       }),
       JP2_Success},
      {"unknown marker skipped by its length, FF30 without length",
       WithMainSegments([&](VectorSegmentWriter& out) {
         segment(0xFF70, {1, 2, 3})(out);
         out.Marker(0xFF30);
       }),
       JP2_Success},
      {"PLT in the main header", WithMainSegments(segment(kMarkerPlt, {0, 1})),
       JP2_Error_Codestream},
      {"PPT in the main header", WithMainSegments(segment(kMarkerPpt, {0, 1})),
       JP2_Error_Codestream},
      {"second SIZ", WithMainSegments([](VectorSegmentWriter& out) {
         static_cast<void>(
             SmallSiz(64, 64, 3, 32).Write(out, [](std::uint32_t) { return SizComponent{}; }));
       }),
       JP2_Error_Codestream},
      {"SOD in the main header",
       WithMainSegments([](VectorSegmentWriter& out) { out.Marker(kMarkerSod); }),
       JP2_Error_Codestream},
      {"segment length 1", WithMainSegments([](VectorSegmentWriter& out) {
         out.Marker(0xFF70);
         static_cast<void>(out.PutU16(1));
       }),
       JP2_Error_Codestream},
      {"bytes that are no marker",
       WithMainSegments([](VectorSegmentWriter& out) { out.Marker(0x1234); }),
       JP2_Error_Codestream},
      {"COC of component 3 of 3", WithMainSegments([](VectorSegmentWriter& out) {
         static_cast<void>(CocSegment{3, {}}.Write(out, 3));
       }),
       JP2_Error_Codestream},
      {"QCC of component 3 of 3", WithMainSegments([](VectorSegmentWriter& out) {
         QccSegment qcc{3, {}};
         qcc.quantization.stepCount = 1;
         static_cast<void>(qcc.Write(out, 3));
       }),
       JP2_Error_Codestream},
      {"RGN of component 3 of 3", WithMainSegments([](VectorSegmentWriter& out) {
         static_cast<void>(RgnSegment{3, 0, 4}.Write(out, 3));
       }),
       JP2_Error_Codestream},
      {"RGN style 1", WithMainSegments(segment(kMarkerRgn, {0, 1, 4})), JP2_Error_Limit},
      {"POC starting at component 3 of 3", WithMainSegments([](VectorSegmentWriter& out) {
         const PocEntry entries[] = {{0, 3, 1, 1, 3, 0}};
         static_cast<void>(PocSegment::Write(out, entries, 3));
       }),
       JP2_Error_Codestream},
      {"COM with Rcom 2", WithMainSegments(segment(kMarkerCom, {0, 2})), JP2_Error_Codestream},
      {"Lsiz not 38 + 3 x Csiz", Codestream([](VectorSegmentWriter& out) {
         out.Marker(kMarkerSoc);
         Bytes body(34, 0);
         body[5] = body[9] = 64;                       // Xsiz, Ysiz
         body[21] = body[25] = 64;                     // XTsiz, YTsiz
         body.insert(body.end(), {0, 1, 7, 1, 1, 0});  // Csiz 1 and one byte too many
         out.Raw(kMarkerSiz, body);
       }),
       JP2_Error_Codestream},
      {"Csiz 16,385",
       Codestream([](VectorSegmentWriter& out) { WriteSocSiz(out, SmallSiz(64, 64, 16385, 32)); }),
       JP2_Error_ComponentCount},
      {"XTsiz 0", Codestream([](VectorSegmentWriter& out) {
         SizSegment siz = SmallSiz(64, 64, 1, 32);
         siz.tileSize[0] = 0;
         WriteMainHeaderStart(out, siz);
       }),
       JP2_Error_Codestream},
      {"more than 65,535 tiles", Codestream([](VectorSegmentWriter& out) {
         WriteMainHeaderStart(out, SmallSiz(1000, 1000, 1, 3));
       }),
       JP2_Error_Codestream},
      {"tile offset beyond the image offset", Codestream([](VectorSegmentWriter& out) {
         SizSegment siz = SmallSiz(64, 64, 1, 32);
         siz.tileOffset[1] = 1;
         WriteMainHeaderStart(out, siz);
       }),
       JP2_Error_Codestream},
      {"no SOC", Codestream([](VectorSegmentWriter& out) { out.Marker(kMarkerSiz); }),
       JP2_Error_Codestream},
      {"no COD", Codestream([](VectorSegmentWriter& out) {
         WriteSocSiz(out, SmallSiz(64, 64, 1, 32));
         QcdSegment qcd;
         qcd.quantization.stepCount = 1;
         static_cast<void>(qcd.Write(out));
         WriteTilePart(out, 0, 0, 1, {}, 0);
       }),
       JP2_Error_Codestream},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(c.codestream);
    EXPECT_EQ(parsed.status.code(), c.code);
    if (c.code == JP2_Success) {
      EXPECT_EQ(parsed.params.tileCount, 4u);
      EXPECT_EQ(parsed.AllTileParts().code(), JP2_Success);
    }
  }
}

// A small input that claims the largest grid: no allocation grows with the claim.
TEST(CodestreamHeader, ClaimsBeyondTheInputAllocateNothingPerTileOrComponent) {
  Bytes header = Codestream(
      [](VectorSegmentWriter& out) { WriteSocSiz(out, SmallSiz(65535, 65535, 16384, 256)); });
  header.resize(40);
  Parsed cut(header);
  EXPECT_NE(cut.status.code(), JP2_Success);
  EXPECT_LE(cut.allocator.largest, 0x10000u + 16);

  // 65,535 tiles of 4 components and two tile-parts: records for those two tiles only.
  Parsed many(Codestream([](VectorSegmentWriter& out) {
    WriteMainHeaderStart(out, SmallSiz(65535, 1, 4, 1));
    WriteTilePart(out, 7, 0, 1, {}, 0);
    WriteTilePart(out, 65534, 0, 1, {}, 0);
  }));
  ASSERT_EQ(many.status.code(), JP2_Success);
  EXPECT_EQ(many.params.tileCount, 65535u);
  std::vector<TilePartInfo> parts;
  EXPECT_EQ(many.AllTileParts(&parts).code(), JP2_Error_Codestream) << "no third SOT";
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[1].tile, 65534u);
  EXPECT_LE(many.allocator.live.size(), 8u);
  EXPECT_EQ(TileComponentParamsOf(many.params, 3, 2).levels, 2);
}

TEST(CodestreamHeader, PrioritiesHoldInEitherOrder) {
  CodSegment cod;
  cod.coding.levels = 3;
  cod.layers = 2;
  const CocSegment coc{1, [] {
                         CodingStyle s;
                         s.levels = 1;
                         return s;
                       }()};
  QcdSegment qcd;
  qcd.quantization.stepCount = 10;
  qcd.quantization.guardBits = 1;
  QccSegment qcc{1, {}};
  qcc.quantization.stepCount = 4;
  qcc.quantization.guardBits = 6;
  // Tile 0: COD 5 levels and QCD 3 guard bits; tile COC levels 0 and QCC for component 2.
  CodSegment tileCod = cod;
  tileCod.coding.levels = 5;
  tileCod.progression = 4;
  QcdSegment tileQcd = qcd;
  tileQcd.quantization.stepCount = 16;
  tileQcd.quantization.guardBits = 3;
  const CocSegment tileCoc{2, [] {
                             CodingStyle s;
                             s.levels = 0;
                             return s;
                           }()};
  QccSegment tileQcc{2, {}};
  tileQcc.quantization.stepCount = 1;
  tileQcc.quantization.guardBits = 7;
  for (const bool componentFirst : {false, true}) {
    SCOPED_TRACE(componentFirst ? "COC/QCC first" : "COD/QCD first");
    const auto inOrder = [&](VectorSegmentWriter& out, auto writeDefaults, auto writeComponent) {
      if (componentFirst) writeComponent(out);
      writeDefaults(out);
      if (!componentFirst) writeComponent(out);
    };
    Parsed parsed(Codestream([&](VectorSegmentWriter& out) {
      WriteSocSiz(out, SmallSiz(64, 64, 3, 32));
      inOrder(
          out,
          [&](VectorSegmentWriter& o) {
            ASSERT_TRUE(cod.Write(o).ok());
            ASSERT_TRUE(qcd.Write(o).ok());
          },
          [&](VectorSegmentWriter& o) {
            ASSERT_TRUE(coc.Write(o, 3).ok());
            ASSERT_TRUE(qcc.Write(o, 3).ok());
          });
      VectorSegmentWriter tile;
      inOrder(
          tile,
          [&](VectorSegmentWriter& o) {
            ASSERT_TRUE(tileCod.Write(o).ok());
            ASSERT_TRUE(tileQcd.Write(o).ok());
          },
          [&](VectorSegmentWriter& o) {
            ASSERT_TRUE(tileCoc.Write(o, 3).ok());
            ASSERT_TRUE(tileQcc.Write(o, 3).ok());
          });
      WriteTilePart(out, 0, 0, 1, tile.bytes, 0);
      WriteTilePart(out, 1, 0, 1, {}, 0);
    }));
    ASSERT_EQ(parsed.status.code(), JP2_Success);
    ASSERT_EQ(parsed.AllTileParts().code(), JP2_Error_Codestream) << "no third SOT";
    const auto levels = [&](std::uint32_t t, int c) {
      return TileComponentParamsOf(parsed.params, t, c).levels;
    };
    const auto guards = [&](std::uint32_t t, int c) {
      return TileComponentParamsOf(parsed.params, t, c).guardBits;
    };
    // Main header: COC and QCC outrank COD and QCD for component 1.
    EXPECT_EQ(levels(1, 0), 3);
    EXPECT_EQ(levels(1, 1), 1);
    EXPECT_EQ(guards(1, 0), 1);
    EXPECT_EQ(guards(1, 1), 6);
    EXPECT_EQ(TileComponentParamsOf(parsed.params, 1, 1).stepCount, 4);
    // Tile 0: its COD and QCD outrank the main COC and QCC; its own COC and QCC outrank both.
    EXPECT_EQ(levels(0, 0), 5);
    EXPECT_EQ(levels(0, 1), 5);
    EXPECT_EQ(levels(0, 2), 0);
    EXPECT_EQ(guards(0, 1), 3);
    EXPECT_EQ(guards(0, 2), 7);
    EXPECT_EQ(TileParamsOf(parsed.params, 0).progression, 4);
    EXPECT_EQ(TileParamsOf(parsed.params, 1).progression, 0);
    EXPECT_EQ(TileParamsOf(parsed.params, 1).layers, 2);
  }
}

TEST(CodestreamHeader, TileSplitInTwoPartsAndPackedHeaderSlots) {
  // Main header: PPM segments given out of Z order; the stream holds Nppm runs of 3 and 2
  // bytes, the second run's length field split over the two segments.
  static const std::uint8_t z0[] = {0, 0, 0, 3, 0xA1, 0xA2, 0xA3, 0, 0};
  static const std::uint8_t z1[] = {0, 2, 0xB1, 0xB2};
  std::uint64_t z0Data = 0;
  Bytes bytes = Codestream([&](VectorSegmentWriter& out) {
    WriteMainHeaderStart(out, SmallSiz(64, 64, 1, 64));
    ASSERT_TRUE((PpmSegment{1, z1}).Write(out).ok());
    z0Data = out.bytes.size() + 5;
    ASSERT_TRUE((PpmSegment{0, z0}).Write(out).ok());
    VectorSegmentWriter poc;
    const PocEntry entries[] = {{0, 0, 1, 3, 1, 2}};
    ASSERT_TRUE(PocSegment::Write(poc, entries, 1).ok());
    WriteTilePart(out, 0, 0, 2, {}, 10);
    WriteTilePart(out, 0, 1, 2, poc.bytes, 6);
    out.Marker(kMarkerEoc);
  });
  Parsed parsed(bytes);
  ASSERT_EQ(parsed.status.code(), JP2_Success);
  const auto ppm = PpmSegmentsOf(parsed.params);
  ASSERT_EQ(ppm.size(), 2u);
  EXPECT_EQ(ppm[0].index, 0);
  EXPECT_EQ(ppm[0].offset, z0Data);
  EXPECT_EQ(ppm[0].length, sizeof z0);
  EXPECT_EQ(ppm[1].length, sizeof z1);
  std::vector<TilePartInfo> parts;
  ASSERT_EQ(parsed.AllTileParts(&parts).code(), JP2_Success);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].dataStart, parsed.params.firstTilePart + 14);
  EXPECT_EQ(parts[0].dataEnd, parts[0].dataStart + 10);
  EXPECT_EQ(parts[1].partIndex, 1);
  EXPECT_EQ(parts[1].dataEnd - parts[1].dataStart, 6u);
  EXPECT_EQ(parts[0].packedHeaders, kPackedHeadersPpm);
  EXPECT_EQ(parts[0].packedStart, 4u);
  EXPECT_EQ(parts[0].packedLength, 3u);
  EXPECT_EQ(parts[1].packedStart, 11u);
  EXPECT_EQ(parts[1].packedLength, 2u);
  std::uint8_t run[2];
  EXPECT_EQ(ReadPackedHeaders(parsed.reader, ppm, parts[1].packedStart, 2, run), 0u);
  EXPECT_EQ(run[0], 0xB1);
  EXPECT_EQ(run[1], 0xB2);
  ASSERT_EQ(ProgressionChangesOf(parsed.params, 0).size(), 1u);
  EXPECT_EQ(ProgressionChangesOf(parsed.params, 0)[0].resolutionEnd, 3);

  // PPT: per tile, in Z order; PPT beside PPM is refused.
  static const std::uint8_t data[] = {1, 2, 3};
  VectorSegmentWriter ppt;
  ASSERT_TRUE((PptSegment{2, data}).Write(ppt).ok());
  ASSERT_TRUE((PptSegment{0, data}).Write(ppt).ok());
  Parsed withPpt(Codestream([&](VectorSegmentWriter& out) {
    WriteMainHeaderStart(out, SmallSiz(64, 64, 1, 32));
    WriteTilePart(out, 3, 0, 1, ppt.bytes, 2);
  }));
  TilePartInfo info;
  ASSERT_EQ(withPpt.TilePart(withPpt.params.firstTilePart, &info).code(), JP2_Success);
  EXPECT_EQ(info.packedHeaders, kPackedHeadersPpt);
  const auto slots = PptSegmentsOf(withPpt.params, 3);
  ASSERT_EQ(slots.size(), 2u);
  EXPECT_EQ(slots[0].index, 0);
  EXPECT_EQ(slots[1].index, 2);
  EXPECT_EQ(slots[0].offset, withPpt.params.firstTilePart + 12 + 8 + 5);
  EXPECT_TRUE(PptSegmentsOf(withPpt.params, 2).empty());

  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(parsed.params.firstTilePart) + 12,
               ppt.bytes.begin(), ppt.bytes.end());
  Parsed both(bytes);
  ASSERT_EQ(both.status.code(), JP2_Success);
  EXPECT_EQ(both.TilePart(both.params.firstTilePart, &info).code(), JP2_Error_Codestream);
}

TEST(CodestreamHeader, TilePartHeaderChecks) {
  const auto tilePart = [](auto write) {
    return Codestream([&](VectorSegmentWriter& out) {
      WriteMainHeaderStart(out, SmallSiz(64, 64, 1, 32));
      write(out);
    });
  };
  const struct {
    const char* name;
    Bytes codestream;
  } cases[] = {
      {"tile index 4 of 4",
       tilePart([](VectorSegmentWriter& out) { WriteTilePart(out, 4, 0, 1, {}, 0); })},
      {"Lsot 11", tilePart([](VectorSegmentWriter& out) {
         out.Raw(kMarkerSot, Bytes(9, 0));
         out.Marker(kMarkerSod);
       })},
      {"Psot shorter than SOT and SOD", tilePart([](VectorSegmentWriter& out) {
         ASSERT_TRUE((SotSegment{0, 13, 0, 1}).Write(out).ok());
         out.Marker(kMarkerSod);
       })},
      {"segment beyond Psot", tilePart([](VectorSegmentWriter& out) {
         ASSERT_TRUE((SotSegment{0, 16, 0, 1}).Write(out).ok());
         out.Raw(kMarkerCom, {0, 1, 'x', 'y'});
         out.Marker(kMarkerSod);
       })},
      {"SIZ in a tile-part", tilePart([](VectorSegmentWriter& out) {
         VectorSegmentWriter siz;
         static_cast<void>(
             SmallSiz(64, 64, 1, 32).Write(siz, [](std::uint32_t) { return SizComponent{}; }));
         WriteTilePart(out, 0, 0, 1, siz.bytes, 0);
       })},
      {"TLM in a tile-part", tilePart([](VectorSegmentWriter& out) {
         VectorSegmentWriter tlm;
         tlm.Raw(kMarkerTlm, {0, 0});
         WriteTilePart(out, 0, 0, 1, tlm.bytes, 0);
       })},
      {"COC of component 1 of 1", tilePart([](VectorSegmentWriter& out) {
         VectorSegmentWriter coc;
         ASSERT_TRUE((CocSegment{1, {}}).Write(coc, 1).ok());
         WriteTilePart(out, 0, 0, 1, coc.bytes, 0);
       })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(c.codestream);
    ASSERT_EQ(parsed.status.code(), JP2_Success);
    TilePartInfo info;
    EXPECT_EQ(parsed.TilePart(parsed.params.firstTilePart, &info).code(), JP2_Error_Codestream);
  }
}

// Every prefix of a tiled codestream with tile-part segments, and random corruptions of
// it, parse to a result without a read outside the input or a block left behind.
TEST(CodestreamHeader, CutAndCorruptedCodestreamsFailCleanly) {
  Bytes original;
  for (const MarkerCorpusEntry& entry : MarkerCorpus()) {
    if (entry.name != "per-tile-overrides.j2k") continue;
    EncodeSession session;
    session.components = entry.components;
    ASSERT_EQ(session.Encode(entry.configure), 0);
    original = session.output;
  }
  ASSERT_FALSE(original.empty());
  {
    Parsed whole(original);
    ASSERT_EQ(whole.status.code(), JP2_Success);
    std::vector<TilePartInfo> parts;
    ASSERT_EQ(whole.AllTileParts(&parts).code(), JP2_Success);
    EXPECT_EQ(parts.size(), 9u);
  }
  int failedMain = 0;
  for (std::size_t size = 0; size < original.size(); ++size) {
    Parsed cut(Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(size)));
    if (!cut.status.ok()) {
      ++failedMain;
      continue;
    }
    static_cast<void>(cut.AllTileParts());
  }
  EXPECT_GT(failedMain, 100);
  std::mt19937 random(21);
  for (int round = 0; round < 2000; ++round) {
    Bytes corrupted = original;
    const int changes = 1 + round % 8;
    for (int i = 0; i < changes; ++i) {
      // Most changes land in the headers, where they matter to this parser.
      const std::size_t limit = round % 4 == 0 ? corrupted.size() : 400;
      corrupted[random() % limit] = static_cast<std::uint8_t>(random());
    }
    Parsed parsed(corrupted);
    if (parsed.status.ok()) static_cast<void>(parsed.AllTileParts());
  }
}

}  // namespace
}  // namespace quillon::jp2::test
