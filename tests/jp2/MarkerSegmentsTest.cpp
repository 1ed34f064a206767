// Every marker segment written and parsed back with the same fields, in both component index
// widths; cut or stretched segments are refused without a read outside their bytes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/CodestreamBuilder.h"

namespace quillon::jp2::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

CodingStyle SampleCoding(bool precincts) {
  CodingStyle coding;
  coding.precinctsGiven = precincts;
  coding.levels = 3;
  coding.codeBlockWidthExponent = 5;
  coding.codeBlockHeightExponent = 4;
  coding.codeBlockStyle = 0x2D;
  coding.reversible = 0;
  for (int r = 0; r <= 3; ++r) coding.precincts[r] = static_cast<std::uint8_t>(0x54 + r);
  return coding;
}

void ExpectSameCoding(const CodingStyle& a, const CodingStyle& b) {
  EXPECT_EQ(a.precinctsGiven, b.precinctsGiven);
  EXPECT_EQ(a.levels, b.levels);
  EXPECT_EQ(a.codeBlockWidthExponent, b.codeBlockWidthExponent);
  EXPECT_EQ(a.codeBlockHeightExponent, b.codeBlockHeightExponent);
  EXPECT_EQ(a.codeBlockStyle, b.codeBlockStyle);
  EXPECT_EQ(a.reversible, b.reversible);
  if (a.precinctsGiven) {
    for (int r = 0; r <= a.levels; ++r) EXPECT_EQ(a.precincts[r], b.precincts[r]) << r;
  }
}

Quantization SampleQuantization(std::uint8_t style) {
  Quantization q;
  q.style = style;
  q.guardBits = 5;
  q.stepCount = style == 1 ? 1 : 7;
  for (int i = 0; i < q.stepCount; ++i) {
    q.steps[i] = static_cast<std::uint16_t>((i + 8) << 11 | (style == 0 ? 0 : 100 * i + 3));
  }
  return q;
}

void ExpectSameQuantization(const Quantization& a, const Quantization& b) {
  EXPECT_EQ(a.style, b.style);
  EXPECT_EQ(a.guardBits, b.guardBits);
  ASSERT_EQ(a.stepCount, b.stepCount);
  for (int i = 0; i < a.stepCount; ++i) EXPECT_EQ(a.steps[i], b.steps[i]) << i;
}

struct RoundTrip {
  std::string name;
  std::uint16_t marker;
  std::function<void(SegmentWriter&)> write;
  std::function<Status(std::span<const std::uint8_t>)> parseAndCompare;
};

std::vector<RoundTrip> RoundTrips(std::uint16_t components) {
  const std::string width = components < 257 ? "/1-byte" : "/2-byte";
  std::vector<RoundTrip> cases;
  {
    SizSegment siz;
    siz.rsiz = 2;
    siz.extent[0] = 4000000000u;
    siz.extent[1] = 70;
    siz.offset[0] = 5;
    siz.offset[1] = 3;
    siz.tileSize[0] = 32;
    siz.tileSize[1] = 24;
    siz.tileOffset[0] = 2;
    siz.tileOffset[1] = 1;
    siz.componentCount = components;
    const auto componentOf = [](std::uint32_t c) {
      return SizComponent{static_cast<std::uint8_t>(1 + c % 38),
                          c % 2 == 1,
                          {static_cast<std::uint8_t>(1 + c % 255), static_cast<std::uint8_t>(2)}};
    };
    cases.push_back({"SIZ" + width, kMarkerSiz,
                     [=](SegmentWriter& out) { ASSERT_TRUE(siz.Write(out, componentOf).ok()); },
                     [=](std::span<const std::uint8_t> bytes) {
                       SizSegment parsed;
                       const Status status = parsed.Parse(bytes);
                       if (!status.ok()) return status;
                       EXPECT_EQ(parsed.rsiz, siz.rsiz);
                       for (int axis = 0; axis < 2; ++axis) {
                         EXPECT_EQ(parsed.extent[axis], siz.extent[axis]);
                         EXPECT_EQ(parsed.offset[axis], siz.offset[axis]);
                         EXPECT_EQ(parsed.tileSize[axis], siz.tileSize[axis]);
                         EXPECT_EQ(parsed.tileOffset[axis], siz.tileOffset[axis]);
                       }
                       EXPECT_EQ(parsed.componentCount, components);
                       for (std::uint32_t c = 0; c < components; ++c) {
                         EXPECT_EQ(parsed.Component(c), componentOf(c)) << c;
                       }
                       return status;
                     }});
  }
  for (const bool precincts : {false, true}) {
    CodSegment cod;
    cod.sop = true;
    cod.progression = 3;
    cod.layers = 513;
    cod.componentTransform = 1;
    cod.coding = SampleCoding(precincts);
    cases.push_back({"COD/precincts " + std::to_string(precincts), kMarkerCod,
                     [=](SegmentWriter& out) { ASSERT_TRUE(cod.Write(out).ok()); },
                     [=](std::span<const std::uint8_t> bytes) {
                       CodSegment parsed;
                       const Status status = parsed.Parse(bytes);
                       if (!status.ok()) return status;
                       EXPECT_EQ(parsed.sop, cod.sop);
                       EXPECT_EQ(parsed.eph, cod.eph);
                       EXPECT_EQ(parsed.progression, cod.progression);
                       EXPECT_EQ(parsed.layers, cod.layers);
                       EXPECT_EQ(parsed.componentTransform, cod.componentTransform);
                       ExpectSameCoding(parsed.coding, cod.coding);
                       return status;
                     }});
    const CocSegment coc{static_cast<std::uint16_t>(components - 1), SampleCoding(precincts)};
    cases.push_back({"COC/precincts " + std::to_string(precincts) + width, kMarkerCoc,
                     [=](SegmentWriter& out) { ASSERT_TRUE(coc.Write(out, components).ok()); },
                     [=](std::span<const std::uint8_t> bytes) {
                       CocSegment parsed;
                       const Status status = parsed.Parse(bytes, components);
                       if (!status.ok()) return status;
                       EXPECT_EQ(parsed.component, coc.component);
                       ExpectSameCoding(parsed.coding, coc.coding);
                       return status;
                     }});
  }
  for (const std::uint8_t style : {0, 1, 2}) {
    const QcdSegment qcd{SampleQuantization(style)};
    cases.push_back({"QCD/style " + std::to_string(style), kMarkerQcd,
                     [=](SegmentWriter& out) { ASSERT_TRUE(qcd.Write(out).ok()); },
                     [=](std::span<const std::uint8_t> bytes) {
                       QcdSegment parsed;
                       const Status status = parsed.Parse(bytes);
                       if (status.ok())
                         ExpectSameQuantization(parsed.quantization, qcd.quantization);
                       return status;
                     }});
    const QccSegment qcc{static_cast<std::uint16_t>(components - 1), SampleQuantization(style)};
    cases.push_back({"QCC/style " + std::to_string(style) + width, kMarkerQcc,
                     [=](SegmentWriter& out) { ASSERT_TRUE(qcc.Write(out, components).ok()); },
                     [=](std::span<const std::uint8_t> bytes) {
                       QccSegment parsed;
                       const Status status = parsed.Parse(bytes, components);
                       if (!status.ok()) return status;
                       EXPECT_EQ(parsed.component, qcc.component);
                       ExpectSameQuantization(parsed.quantization, qcc.quantization);
                       return status;
                     }});
  }
  const RgnSegment rgn{static_cast<std::uint16_t>(components - 1), 0, 17};
  cases.push_back({"RGN" + width, kMarkerRgn,
                   [=](SegmentWriter& out) { ASSERT_TRUE(rgn.Write(out, components).ok()); },
                   [=](std::span<const std::uint8_t> bytes) {
                     RgnSegment parsed;
                     const Status status = parsed.Parse(bytes, components);
                     if (!status.ok()) return status;
                     EXPECT_EQ(parsed.component, rgn.component);
                     EXPECT_EQ(parsed.shift, rgn.shift);
                     return status;
                   }});
  const std::vector<PocEntry> pocEntries = {
      {0, 0, 3, 2, static_cast<std::uint16_t>(components), 1},
      {1, static_cast<std::uint16_t>(components - 1), 65535, 33, 1, 4}};
  cases.push_back({"POC" + width, kMarkerPoc,
                   [=](SegmentWriter& out) {
                     ASSERT_TRUE(PocSegment::Write(out, pocEntries, components).ok());
                   },
                   [=](std::span<const std::uint8_t> bytes) {
                     PocSegment parsed;
                     const Status status = parsed.Parse(bytes, components);
                     if (!status.ok()) return status;
                     EXPECT_EQ(parsed.entryCount, pocEntries.size());
                     for (std::uint32_t i = 0; i < parsed.entryCount; ++i) {
                       EXPECT_EQ(parsed.Entry(i, components), pocEntries[i]) << i;
                     }
                     return status;
                   }});
  static const std::uint8_t kText[] = {'h', 'e', 'l', 'l', 'o'};
  cases.push_back({"COM", kMarkerCom,
                   [](SegmentWriter& out) {
                     ComSegment com;
                     com.text = kText;
                     ASSERT_TRUE(com.Write(out).ok());
                   },
                   [](std::span<const std::uint8_t> bytes) {
                     ComSegment parsed;
                     const Status status = parsed.Parse(bytes);
                     if (!status.ok()) return status;
                     EXPECT_EQ(parsed.registration, ComSegment::kLatin);
                     EXPECT_EQ(Bytes(parsed.text.begin(), parsed.text.end()),
                               Bytes(std::begin(kText), std::end(kText)));
                     return status;
                   }});
  const SotSegment sot{65534, 0x12345678, 3, 9};
  cases.push_back({"SOT", kMarkerSot, [=](SegmentWriter& out) { ASSERT_TRUE(sot.Write(out).ok()); },
                   [=](std::span<const std::uint8_t> bytes) {
                     SotSegment parsed;
                     const Status status = parsed.Parse(bytes);
                     if (!status.ok()) return status;
                     EXPECT_EQ(parsed.tile, sot.tile);
                     EXPECT_EQ(parsed.partLength, sot.partLength);
                     EXPECT_EQ(parsed.partIndex, sot.partIndex);
                     EXPECT_EQ(parsed.partCount, sot.partCount);
                     return status;
                   }});
  for (const std::uint8_t tileBytes : {0, 1, 2}) {
    for (const std::uint8_t lengthBytes : {2, 4}) {
      TlmSegment tlm;
      tlm.index = 7;
      tlm.tileBytes = tileBytes;
      tlm.lengthBytes = lengthBytes;
      const std::vector<TlmEntry> entries = {{0, 1000}, {1, 65535}};
      cases.push_back({"TLM/ST " + std::to_string(tileBytes) + " SP " + std::to_string(lengthBytes),
                       kMarkerTlm,
                       [=](SegmentWriter& out) { ASSERT_TRUE(tlm.Write(out, entries).ok()); },
                       [=](std::span<const std::uint8_t> bytes) {
                         TlmSegment parsed;
                         const Status status = parsed.Parse(bytes);
                         if (!status.ok()) return status;
                         EXPECT_EQ(parsed.index, tlm.index);
                         EXPECT_EQ(parsed.entryCount, entries.size());
                         for (std::uint32_t i = 0; i < parsed.entryCount; ++i) {
                           EXPECT_EQ(parsed.Entry(i), entries[i]) << i;
                         }
                         return status;
                       }});
    }
  }
  static const std::uint8_t kData[] = {0, 0, 0, 2, 0xC0, 0x80};
  const auto indexed = [&cases](auto segment, const std::string& name) {
    segment.index = 200;
    segment.data = kData;
    cases.push_back({name, decltype(segment)::kMarker,
                     [=](SegmentWriter& out) { ASSERT_TRUE(segment.Write(out).ok()); },
                     [=](std::span<const std::uint8_t> bytes) {
                       decltype(segment) parsed;
                       const Status status = parsed.Parse(bytes);
                       if (!status.ok()) return status;
                       EXPECT_EQ(parsed.index, 200);
                       EXPECT_EQ(Bytes(parsed.data.begin(), parsed.data.end()),
                                 Bytes(std::begin(kData), std::end(kData)));
                       return status;
                     }});
  };
  indexed(PpmSegment{}, "PPM");
  indexed(PptSegment{}, "PPT");
  indexed(PlmSegment{}, "PLM");
  indexed(PltSegment{}, "PLT");
  return cases;
}

TEST(MarkerSegments, EverySegmentParsesBackWhatWasWritten) {
  for (const std::uint16_t components : {3, 300}) {
    for (const RoundTrip& trip : RoundTrips(components)) {
      SCOPED_TRACE(trip.name);
      VectorSegmentWriter out;
      trip.write(out);
      ASSERT_GE(out.bytes.size(), 4u);
      EXPECT_EQ(out.bytes[0] << 8 | out.bytes[1], trip.marker);
      const Bytes segment(out.bytes.begin() + 2, out.bytes.end());
      EXPECT_EQ(segment[0] << 8 | segment[1], segment.size()) << "length field";
      EXPECT_EQ(trip.parseAndCompare(segment).code(), JP2_Success);
    }
  }
}

// A segment given fewer or more bytes than its length field says is refused; each cut copy
// is exact-size so that ASan sees any read beyond it.
TEST(MarkerSegments, CutOrStretchedSegmentsAreRefused) {
  for (const RoundTrip& trip : RoundTrips(3)) {
    SCOPED_TRACE(trip.name);
    VectorSegmentWriter out;
    trip.write(out);
    const Bytes segment(out.bytes.begin() + 2, out.bytes.end());
    for (std::size_t size = 0; size < segment.size(); ++size) {
      const Bytes cut(segment.begin(), segment.begin() + static_cast<std::ptrdiff_t>(size));
      EXPECT_NE(trip.parseAndCompare(cut).code(), JP2_Success) << size;
    }
    Bytes stretched = segment;
    stretched.push_back(0);
    EXPECT_NE(trip.parseAndCompare(stretched).code(), JP2_Success);
  }
}

TEST(MarkerSegments, OutOfRangeValuesAreRefused) {
  const struct {
    const char* name;
    std::uint16_t marker;
    Bytes body;  // after the length field
    std::int32_t code;
  } cases[] = {
      {"SIZ Csiz 16385", kMarkerSiz, Bytes(34, 0), JP2_Error_ComponentCount},
      {"SIZ Csiz 0", kMarkerSiz, Bytes(34, 0), JP2_Error_ComponentCount},
      {"COD progression 5", kMarkerCod, {0, 5, 0, 1, 0, 5, 4, 4, 0, 1}, JP2_Error_Codestream},
      {"COD 0 layers", kMarkerCod, {0, 0, 0, 0, 0, 5, 4, 4, 0, 1}, JP2_Error_Codestream},
      {"COD 33 levels", kMarkerCod, {0, 0, 0, 1, 0, 33, 4, 4, 0, 1}, JP2_Error_Codestream},
      {"COD code-block 2^7 x 2^7",
       kMarkerCod,
       {0, 0, 0, 1, 0, 5, 5, 5, 0, 1},
       JP2_Error_Codestream},
      {"COD precinct flag, no precinct bytes",
       kMarkerCod,
       {1, 0, 0, 1, 0, 5, 4, 4, 0, 1},
       JP2_Error_Codestream},
      {"COD wavelet 2", kMarkerCod, {0, 0, 0, 1, 0, 5, 4, 4, 0, 2}, JP2_Error_Codestream},
      {"QCD style 3", kMarkerQcd, {3, 0, 0}, JP2_Error_Codestream},
      {"QCD derived with 2 steps", kMarkerQcd, {0x41, 0, 0, 0, 0}, JP2_Error_Codestream},
      {"QCD 2 bands", kMarkerQcd, {0x40, 0x48, 0x48}, JP2_Error_Codestream},
      {"RGN style 1", kMarkerRgn, {0, 1, 5}, JP2_Error_Limit},
      {"COM Rcom 2", kMarkerCom, {0, 2, 'x'}, JP2_Error_Codestream},
      {"POC order 5", kMarkerPoc, {0, 0, 0, 1, 1, 3, 5}, JP2_Error_Codestream},
      {"TLM ST 3", kMarkerTlm, {0, 0x30}, JP2_Error_Codestream},
      {"PPM shorter than 7", kMarkerPpm, {0, 0, 0}, JP2_Error_Codestream},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes body = c.body;
    if (c.marker == kMarkerSiz) {
      const std::uint16_t count = std::string(c.name).ends_with("16385") ? 16385 : 0;
      body.push_back(static_cast<std::uint8_t>(count >> 8));
      body.push_back(static_cast<std::uint8_t>(count));
    }
    VectorSegmentWriter out;
    out.Raw(c.marker, body);
    const std::span<const std::uint8_t> segment(out.bytes.data() + 2, out.bytes.size() - 2);
    Status status;
    switch (c.marker) {
      case kMarkerSiz:
        status = SizSegment{}.Parse(segment);
        break;
      case kMarkerCod:
        status = CodSegment{}.Parse(segment);
        break;
      case kMarkerQcd:
        status = QcdSegment{}.Parse(segment);
        break;
      case kMarkerRgn:
        status = RgnSegment{}.Parse(segment, 3);
        break;
      case kMarkerCom:
        status = ComSegment{}.Parse(segment);
        break;
      case kMarkerPoc:
        status = PocSegment{}.Parse(segment, 3);
        break;
      case kMarkerTlm:
        status = TlmSegment{}.Parse(segment);
        break;
      default:
        status = PpmSegment{}.Parse(segment);
        break;
    }
    EXPECT_EQ(status.code(), c.code);
  }
}

}  // namespace
}  // namespace quillon::jp2::test
