// The marker segments that organise the codestream rather than describe the image: POC,
// COM, SOT, TLM, and the indexed data segments PPM, PPT, PLM and PLT. Same conventions as
// CodingSegments.h: Write puts marker, length and fields; Parse takes the bytes from the
// length field on and gives -19 (JP2_Error_Codestream) for anything malformed.
#pragma once

#include <cstdint>
#include <span>

#include "common/MarkerCodes.h"
#include "common/MarkerSegmentIo.h"
#include "common/Status.h"

namespace quillon::jp2 {

// One progression order change: the volume of packets from the starts (inclusive) to the
// ends (exclusive) in the given order.
struct PocEntry {
  std::uint8_t resolutionStart = 0;
  std::uint16_t componentStart = 0;
  std::uint16_t layerEnd = 0;
  std::uint8_t resolutionEnd = 0;
  std::uint16_t componentEnd = 0;  // a one-byte 0 stands for 256
  std::uint8_t progression = 0;

  bool operator==(const PocEntry&) const = default;
};

struct PocSegment {
  static constexpr std::uint16_t kMarker = kMarkerPoc;

  std::uint32_t entryCount = 0;  // after Parse
  std::span<const std::uint8_t> records;

  static std::uint32_t EntryBytes(std::uint16_t componentCount) {
    return 5 + 2 * ComponentIndexBytes(componentCount);
  }
  static Status Write(SegmentWriter& out, std::span<const PocEntry> entries,
                      std::uint16_t componentCount);
  // Checks that the entries fill the segment exactly and that every order is 0..4.
  Status Parse(std::span<const std::uint8_t> segment, std::uint16_t componentCount);
  PocEntry Entry(std::uint32_t index, std::uint16_t componentCount) const;  // after Parse
};

struct ComSegment {
  static constexpr std::uint16_t kMarker = kMarkerCom;
  static constexpr std::uint16_t kBinary = 0;
  static constexpr std::uint16_t kLatin = 1;

  std::uint16_t registration = kLatin;  // Rcom; above 1 is refused
  std::span<const std::uint8_t> text;

  std::uint32_t Length() const { return 4 + static_cast<std::uint32_t>(text.size()); }
  Status Write(SegmentWriter& out) const;
  Status Parse(std::span<const std::uint8_t> segment);
};

struct SotSegment {
  static constexpr std::uint16_t kMarker = kMarkerSot;
  static constexpr std::uint16_t kLength = 10;
  static constexpr std::uint32_t kPsotOffset = 6;  // from the marker

  std::uint16_t tile = 0;        // Isot
  std::uint32_t partLength = 0;  // Psot: from SOT to the end of the tile-part; 0 to the end
  std::uint8_t partIndex = 0;    // TPsot
  std::uint8_t partCount = 0;    // TNsot, 0 when unknown

  Status Write(SegmentWriter& out) const;
  Status Parse(std::span<const std::uint8_t> segment);
};

// Tile-part lengths: per tile-part an optional tile index (0, 1 or 2 bytes, by ST) and its
// length (2 or 4 bytes, by SP).
struct TlmEntry {
  std::uint16_t tile = 0;
  std::uint32_t length = 0;

  bool operator==(const TlmEntry&) const = default;
};

struct TlmSegment {
  static constexpr std::uint16_t kMarker = kMarkerTlm;

  std::uint8_t index = 0;        // Ztlm
  std::uint8_t tileBytes = 1;    // ST: 0, 1 or 2
  std::uint8_t lengthBytes = 4;  // SP: 2 or 4
  std::uint32_t entryCount = 0;  // after Parse
  std::span<const std::uint8_t> records;

  std::uint32_t EntryBytes() const { return tileBytes + lengthBytes; }
  Status Write(SegmentWriter& out, std::span<const TlmEntry> entries) const;
  Status Parse(std::span<const std::uint8_t> segment);
  // Without tile indices (ST 0) the entries are the tiles in order: tile = index.
  TlmEntry Entry(std::uint32_t index) const;  // after Parse
};

// Parses an index byte and the data after it, in a segment of at least minLength bytes.
Status ParseIndexedData(std::span<const std::uint8_t> segment, std::uint16_t minLength,
                        std::uint8_t* index, std::span<const std::uint8_t>* data);

// A segment made of an index byte and data kept as it is: the packed packet headers of PPM
// and PPT (Zppm, Zppt) and the packet lengths of PLM and PLT (Zplm, Zplt).
template <std::uint16_t Marker, std::uint16_t MinLength>
struct IndexedDataSegment {
  static constexpr std::uint16_t kMarker = Marker;
  static constexpr std::uint16_t kMinLength = MinLength;
  static constexpr std::uint32_t kDataOffset = 3;  // from the length field

  std::uint8_t index = 0;
  std::span<const std::uint8_t> data;

  std::uint32_t Length() const { return kDataOffset + static_cast<std::uint32_t>(data.size()); }
  Status Write(SegmentWriter& out) const {
    JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(Length())));
    JP2_RETURN_IF_ERROR(out.PutU8(index));
    return out.Put(data.data(), static_cast<std::uint32_t>(data.size()));
  }
  Status Parse(std::span<const std::uint8_t> segment) {
    return ParseIndexedData(segment, kMinLength, &index, &data);
  }
};

using PpmSegment = IndexedDataSegment<kMarkerPpm, 7>;  // Nppm (u32) opens every tile-part's run
using PptSegment = IndexedDataSegment<kMarkerPpt, 4>;
using PlmSegment = IndexedDataSegment<kMarkerPlm, 4>;
using PltSegment = IndexedDataSegment<kMarkerPlt, 4>;

}  // namespace quillon::jp2
