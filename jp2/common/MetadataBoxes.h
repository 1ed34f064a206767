// The metadata boxes: xml and jp2i (bytes as they are), uuid (identifier and bytes) and uinf
// (a ulst of identifiers and a url). Write writes the whole box; Parse takes the bytes behind
// the box header and never reads beyond them.
#pragma once

#include <cstdint>
#include <span>

#include "common/BoxHeader.h"

namespace quillon::jp2 {

inline constexpr std::uint64_t kUuidSize = 16;
inline constexpr std::uint8_t kIptcUuid[kUuidSize] = {
    0x33, 0xc7, 0xa4, 0xd2, 0xb8, 0x1d, 0x47, 0x23, 0xa0, 0xba, 0xf1, 0xa3, 0xe0, 0x97, 0xad, 0x38};

// 'xml ' or 'jp2i': the payload unchanged.
struct PayloadBox {
  std::uint32_t type = kBoxXml;
  std::span<const std::uint8_t> data;

  std::uint64_t Length() const { return BoxHeader::kSize + data.size(); }
  Status Write(SegmentWriter& out) const;
  Status Parse(std::span<const std::uint8_t> contents);
};

// 'uuid': a 16-byte identifier, then the payload.
struct UuidBox {
  std::span<const std::uint8_t> uuid;  // 16 bytes
  std::span<const std::uint8_t> data;

  std::uint64_t Length() const { return BoxHeader::kSize + kUuidSize + data.size(); }
  Status Write(SegmentWriter& out) const;
  Status Parse(std::span<const std::uint8_t> contents);
};

// 'uinf': 'ulst' (NU, then NU identifiers) followed by 'url ' (version and flags, then the
// location text, written with one terminating zero).
struct UuidInfoBox {
  static constexpr std::uint64_t kListFieldsLength = BoxHeader::kSize + 2;
  static constexpr std::uint64_t kUrlFieldsLength = BoxHeader::kSize + 4;

  std::span<const std::uint8_t> uuids;     // 16 bytes per identifier
  std::span<const std::uint8_t> location;  // Write adds the zero; Parse keeps what is stored

  std::uint64_t UuidCount() const { return uuids.size() / kUuidSize; }
  std::uint64_t ListLength() const { return kListFieldsLength + uuids.size(); }
  std::uint64_t UrlLength() const { return kUrlFieldsLength + location.size() + 1; }
  std::uint64_t Length() const { return BoxHeader::kSize + ListLength() + UrlLength(); }
  Status Write(SegmentWriter& out) const;
  // The list comes first and the url directly after it; the location runs to the end of the
  // url box. JP2_Error_ShortRead when either sub-box is missing or does not fit.
  Status Parse(std::span<const std::uint8_t> contents);
};

}  // namespace quillon::jp2
