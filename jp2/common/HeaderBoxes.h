// The boxes of the JP2 header that describe the image: image header, bits per component,
// colour description and resolution. Write writes the whole box; Parse takes the bytes
// behind the box header and never reads beyond them.
#pragma once

#include <cstdint>
#include <span>

#include "common/BoxHeader.h"
#include "jp2.h"

namespace quillon::jp2 {

// 'ihdr'.
struct ImageHeaderBox {
  static constexpr std::uint64_t kLength = 22;
  static constexpr std::uint8_t kMixedDepths = 255;  // BPC when bpcc follows
  static constexpr std::uint8_t kWaveletCompression = 7;
  static constexpr std::uint64_t kIprOffset = 21;  // of the IPR byte, from the box start

  std::uint32_t height = 0;
  std::uint32_t width = 0;
  std::uint16_t components = 0;
  std::uint8_t depthByte = kMixedDepths;
  std::uint8_t compression = kWaveletCompression;
  std::uint8_t colourSpaceUnknown = 0;
  std::uint8_t intellectualProperty = 0;

  Status Write(SegmentWriter& out) const;
  Status Parse(std::span<const std::uint8_t> contents);
};

// 'bpcc': one depth byte per component.
struct BitsPerComponentBox {
  std::span<const std::uint8_t> depthBytes;

  std::uint64_t Length() const { return BoxHeader::kSize + depthBytes.size(); }
  Status Write(SegmentWriter& out) const;
  Status Parse(std::span<const std::uint8_t> contents);
};

// EnumCS values of the colour spaces the codec writes and reads.
enum EnumeratedColourSpace : std::uint32_t {
  kEnumCmyk = 12,
  kEnumCieLab = 14,
  kEnumSrgb = 16,
  kEnumGreyscale = 17,
  kEnumSycc = 18,
};

// 'colr': method 1 carries EnumCS (CIELab optionally its seven parameters), methods 2 and 3
// an ICC profile; other methods carry nothing the codec reads.
struct ColourBox {
  static constexpr std::uint8_t kEnumerated = 1;
  static constexpr std::uint8_t kRestrictedIcc = 2;
  static constexpr std::uint8_t kAnyIcc = 3;
  static constexpr std::uint64_t kEnumeratedLength = 15;
  static constexpr std::uint64_t kLabParamsLength = kEnumeratedLength + 7 * 4;
  static constexpr std::uint64_t kIccFieldsLength = BoxHeader::kSize + 3;  // before the profile

  std::uint8_t method = kEnumerated;
  std::int8_t precedence = 0;
  std::uint8_t approximation = 0;
  std::uint32_t enumerated = 0;
  bool hasLabParams = false;
  JP2_LabParams lab{};
  std::span<const std::uint8_t> profile;

  bool IsIcc() const { return method == kRestrictedIcc || method == kAnyIcc; }
  std::uint64_t Length() const;
  Status Write(SegmentWriter& out) const;
  // The CIELab parameters are read when exactly seven values follow EnumCS 14.
  Status Parse(std::span<const std::uint8_t> contents);
};

// 'res ' with 'resc' (capture) and 'resd' (display) sub-boxes: vertical numerator and
// denominator, horizontal numerator and denominator, vertical and horizontal exponents.
struct ResolutionBox {
  static constexpr std::uint64_t kSubBoxLength = 18;

  bool hasCapture = false;
  bool hasDisplay = false;
  JP2_ResolutionDesc capture{};
  JP2_ResolutionDesc display{};

  std::uint64_t Length() const;
  Status Write(SegmentWriter& out) const;
  // JP2_Error_ResolutionBox for a sub-box that is not resc or resd of length 18; a later
  // sub-box of a kind overwrites an earlier one.
  Status Parse(std::span<const std::uint8_t> contents);
};

}  // namespace quillon::jp2
