// The header every JP2/JPX box starts with, the box types the codec knows, and the two
// boxes that open a file: the signature and the file type.
#pragma once

#include <cstdint>
#include <span>

#include "common/BigEndian.h"
#include "common/BoxFields.h"

namespace quillon::jp2 {

inline constexpr std::uint32_t kBoxSignature = FourCC("jP  ");
inline constexpr std::uint32_t kBoxFileType = FourCC("ftyp");
inline constexpr std::uint32_t kBoxJp2Header = FourCC("jp2h");
inline constexpr std::uint32_t kBoxImageHeader = FourCC("ihdr");
inline constexpr std::uint32_t kBoxBitsPerComponent = FourCC("bpcc");
inline constexpr std::uint32_t kBoxColour = FourCC("colr");
inline constexpr std::uint32_t kBoxPalette = FourCC("pclr");
inline constexpr std::uint32_t kBoxComponentMapping = FourCC("cmap");
inline constexpr std::uint32_t kBoxChannelDefinition = FourCC("cdef");
inline constexpr std::uint32_t kBoxResolution = FourCC("res ");
inline constexpr std::uint32_t kBoxCaptureResolution = FourCC("resc");
inline constexpr std::uint32_t kBoxDisplayResolution = FourCC("resd");
inline constexpr std::uint32_t kBoxXml = FourCC("xml ");
inline constexpr std::uint32_t kBoxUuid = FourCC("uuid");
inline constexpr std::uint32_t kBoxUuidInfo = FourCC("uinf");
inline constexpr std::uint32_t kBoxUuidList = FourCC("ulst");
inline constexpr std::uint32_t kBoxUrl = FourCC("url ");
inline constexpr std::uint32_t kBoxIntellectualProperty = FourCC("jp2i");
inline constexpr std::uint32_t kBoxCodestream = FourCC("jp2c");

inline constexpr std::uint32_t kBrandJp2 = FourCC("jp2 ");
inline constexpr std::uint32_t kBrandJpx = FourCC("jpx ");

// LBox, TBox and, when LBox is 1, the 64-bit XLBox. length counts the whole box, header
// included; 0 means the box runs to the end of its container.
struct BoxHeader {
  static constexpr std::uint64_t kSize = 8;
  static constexpr std::uint64_t kExtendedSize = 16;

  std::uint64_t length = 0;
  std::uint32_t type = 0;
  std::uint64_t headerSize = kSize;  // as parsed, or as Write will write it

  // A box of contentLength bytes behind a header of the smallest form that holds it.
  static BoxHeader For(std::uint32_t type, std::uint64_t contentLength);
  bool RunsToEnd() const { return length == 0; }
  std::uint64_t ContentLength() const { return length - headerSize; }  // not for RunsToEnd

  // Writes the 8-byte form, or LBox 1 and XLBox when headerSize is 16.
  Status Write(SegmentWriter& out) const;
  // Reads the 8 or 16 header bytes. JP2_Error_ShortRead when they are missing, also for an
  // LBox of 2 to 7 or an XLBox below 16, which would make the box shorter than its header.
  Status Parse(FieldReader& in);
};

// The 12-byte signature box that every JP2 file starts with.
struct SignatureBox {
  static constexpr std::uint8_t kBytes[12] = {0x00, 0x00, 0x00, 0x0C, 'j',  'P',
                                              ' ',  ' ',  0x0D, 0x0A, 0x87, 0x0A};
  static Status Write(SegmentWriter& out) { return out.Put(kBytes, sizeof kBytes); }
  static bool Matches(std::span<const std::uint8_t> bytes);
};

// 'ftyp': brand, minor version and the compatibility list.
struct FileTypeBox {
  std::uint32_t brand = kBrandJp2;
  std::uint32_t minorVersion = 0;
  std::span<const std::uint32_t> compatibility;  // for Write
  std::span<const std::uint8_t> listed;          // as parsed: 4 bytes per entry

  std::uint64_t Length() const { return BoxHeader::kSize + 8 + 4 * compatibility.size(); }
  Status Write(SegmentWriter& out) const;
  // contents: the bytes behind the header. Entries that do not fill 4 bytes are ignored.
  Status Parse(std::span<const std::uint8_t> contents);
  // The brand is brand, or one of the parsed compatibility entries is.
  bool Names(std::uint32_t wanted) const;
};

}  // namespace quillon::jp2
