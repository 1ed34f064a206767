// Builds codestreams for parser tests from the shared segment structs: a segment writer into
// a byte vector, and a small valid main header to add segments to.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/CodingSegments.h"
#include "common/StreamSegments.h"
#include "jp2.h"

namespace quillon::jp2::test {

class VectorSegmentWriter final : public SegmentWriter {
 public:
  std::vector<std::uint8_t> bytes;

  Status Put(const std::uint8_t* data, std::uint32_t count) override {
    bytes.insert(bytes.end(), data, data + count);
    return JP2_Success;
  }
  void Marker(std::uint16_t marker) { static_cast<void>(PutU16(marker)); }
  // A segment of any marker with the given bytes after its length field.
  void Raw(std::uint16_t marker, std::vector<std::uint8_t> body) {
    static_cast<void>(PutMarker(marker, static_cast<std::uint16_t>(body.size() + 2)));
    bytes.insert(bytes.end(), body.begin(), body.end());
  }
};

// SIZ of a width x height image of components 8-bit components in tiles of tileSize.
inline SizSegment SmallSiz(std::uint32_t width, std::uint32_t height, std::uint16_t components,
                           std::uint32_t tileSize) {
  SizSegment siz;
  siz.extent[0] = width;
  siz.extent[1] = height;
  siz.tileSize[0] = siz.tileSize[1] = tileSize;
  siz.componentCount = components;
  return siz;
}

// SOC and SIZ.
inline void WriteSocSiz(VectorSegmentWriter& out, const SizSegment& siz) {
  out.Marker(kMarkerSoc);
  static_cast<void>(siz.Write(out, [](std::uint32_t) { return SizComponent{}; }));
}

// SOC, SIZ, COD (levels) and QCD for reversible coding.
inline void WriteMainHeaderStart(VectorSegmentWriter& out, const SizSegment& siz,
                                 std::uint8_t levels = 2) {
  WriteSocSiz(out, siz);
  CodSegment cod;
  cod.coding.levels = levels;
  static_cast<void>(cod.Write(out));
  QcdSegment qcd;
  qcd.quantization.stepCount = static_cast<std::uint8_t>(1 + 3 * levels);
  for (int i = 0; i < qcd.quantization.stepCount; ++i) qcd.quantization.steps[i] = 9 << 11;
  static_cast<void>(qcd.Write(out));
}

// A tile-part of the tile: SOT with its Psot, the segments, SOD and bodyBytes of data.
inline void WriteTilePart(VectorSegmentWriter& out, std::uint16_t tile, std::uint8_t part,
                          std::uint8_t parts, std::span<const std::uint8_t> segments,
                          std::uint32_t bodyBytes) {
  SotSegment sot;
  sot.tile = tile;
  sot.partIndex = part;
  sot.partCount = parts;
  sot.partLength = static_cast<std::uint32_t>(12 + segments.size() + 2 + bodyBytes);
  static_cast<void>(sot.Write(out));
  static_cast<void>(out.Put(segments.data(), static_cast<std::uint32_t>(segments.size())));
  out.Marker(kMarkerSod);
  out.bytes.insert(out.bytes.end(), bodyBytes, 0x55);
}

}  // namespace quillon::jp2::test
