// The marker segments that describe the image and how it is coded: SIZ, COD, COC, QCD, QCC
// and RGN. Each struct holds one segment's fields; Write puts the marker, the length and the
// fields; Parse takes the segment's bytes from its length field on (see MarkerSegmentIo.h),
// checks every length and range that later stages rely on, and never reads outside them.
// Parse codes: JP2_Error_Codestream (-19) unless stated.
#pragma once

#include <cstdint>
#include <span>

#include "common/MarkerCodes.h"
#include "common/MarkerSegmentIo.h"
#include "common/Status.h"

namespace quillon::jp2 {

inline constexpr int kMaxDecompositionLevels = 32;
inline constexpr int kCodingResolutionSlots = kMaxDecompositionLevels + 1;
inline constexpr int kQuantBandSlots = 1 + 3 * kMaxDecompositionLevels;
inline constexpr std::uint16_t kMaxCodestreamComponents = 16384;
inline constexpr std::uint8_t kMaxSampleDepth = 38;
inline constexpr std::uint8_t kMaxProgressionOrder = 4;  // CPRL

// One component's Ssiz, XRsiz and YRsiz.
struct SizComponent {
  std::uint8_t depth = 8;  // 1..38
  bool isSigned = false;
  std::uint8_t factor[2] = {1, 1};

  bool operator==(const SizComponent&) const = default;
};

struct SizSegment {
  static constexpr std::uint16_t kMarker = kMarkerSiz;
  static constexpr std::uint32_t kFixedLength = 38;
  static constexpr std::uint32_t kComponentBytes = 3;

  std::uint16_t rsiz = 0;
  std::uint32_t extent[2] = {0, 0};      // Xsiz, Ysiz
  std::uint32_t offset[2] = {0, 0};      // XOsiz, YOsiz
  std::uint32_t tileSize[2] = {0, 0};    // XTsiz, YTsiz
  std::uint32_t tileOffset[2] = {0, 0};  // XTOsiz, YTOsiz
  std::uint16_t componentCount = 0;
  std::span<const std::uint8_t> componentRecords;  // after Parse: 3 bytes per component

  std::uint32_t Length() const { return kFixedLength + kComponentBytes * componentCount; }
  // componentOf(c) gives the SizComponent of component c.
  template <typename ComponentOf>
  Status Write(SegmentWriter& out, ComponentOf componentOf) const;
  // JP2_Error_ComponentCount (-6) for Csiz 0 or above 16,384; -19 when Lsiz is not
  // 38 + 3 x Csiz or a component has depth above 38 or a factor of 0.
  Status Parse(std::span<const std::uint8_t> segment);
  SizComponent Component(std::uint32_t index) const;  // index < componentCount, after Parse

 private:
  Status WriteFixedFields(SegmentWriter& out) const;
};

// SPcod / SPcoc with the precinct flag of Scod / Scoc.
struct CodingStyle {
  bool precinctsGiven = false;
  std::uint8_t levels = 5;                              // 0..32
  std::uint8_t codeBlockWidthExponent = 6;              // 2..10, written minus 2
  std::uint8_t codeBlockHeightExponent = 6;             // width + height exponents at most 12
  std::uint8_t codeBlockStyle = 0;                      // bits 0..5
  std::uint8_t reversible = 1;                          // 1: 5/3, 0: 9/7
  std::uint8_t precincts[kCodingResolutionSlots] = {};  // PPy * 16 + PPx, when given

  std::uint32_t Length() const { return 5 + (precinctsGiven ? levels + 1u : 0u); }
  Status Write(SegmentWriter& out) const;
  // Reads the fields; false when a value is out of range.
  bool Read(SegmentReader& in, bool precincts);
};

struct CodSegment {
  static constexpr std::uint16_t kMarker = kMarkerCod;

  bool sop = false;
  bool eph = false;
  std::uint8_t progression = 0;         // 0 LRCP .. 4 CPRL
  std::uint16_t layers = 1;             // at least 1
  std::uint8_t componentTransform = 0;  // 0 or 1
  CodingStyle coding;

  std::uint32_t Length() const { return 7 + coding.Length(); }
  Status Write(SegmentWriter& out) const;
  Status Parse(std::span<const std::uint8_t> segment);
};

struct CocSegment {
  static constexpr std::uint16_t kMarker = kMarkerCoc;

  std::uint16_t component = 0;
  CodingStyle coding;

  std::uint32_t Length(std::uint16_t componentCount) const {
    return 3 + ComponentIndexBytes(componentCount) + coding.Length();
  }
  Status Write(SegmentWriter& out, std::uint16_t componentCount) const;
  // The component index is not compared with componentCount: that is the caller's check.
  Status Parse(std::span<const std::uint8_t> segment, std::uint16_t componentCount);
};

// Sqcd / Sqcc and the step values.
struct Quantization {
  std::uint8_t style = 0;  // 0 none, 1 scalar derived, 2 scalar expounded
  std::uint8_t guardBits = 2;
  std::uint8_t stepCount = 0;  // values given: 1 for derived, 1 + 3 x levels otherwise
  std::uint16_t steps[kQuantBandSlots] = {};  // exponent << 11 | mantissa; mantissa 0 for style 0

  std::uint32_t Length() const { return 1 + stepCount * (style == 0 ? 1u : 2u); }
  Status Write(SegmentWriter& out) const;
  // Reads the rest of the segment; false when its size does not fit the style.
  bool Read(SegmentReader& in);
};

struct QcdSegment {
  static constexpr std::uint16_t kMarker = kMarkerQcd;

  Quantization quantization;

  std::uint32_t Length() const { return 2 + quantization.Length(); }
  Status Write(SegmentWriter& out) const;
  Status Parse(std::span<const std::uint8_t> segment);
};

struct QccSegment {
  static constexpr std::uint16_t kMarker = kMarkerQcc;

  std::uint16_t component = 0;
  Quantization quantization;

  std::uint32_t Length(std::uint16_t componentCount) const {
    return 2 + ComponentIndexBytes(componentCount) + quantization.Length();
  }
  Status Write(SegmentWriter& out, std::uint16_t componentCount) const;
  Status Parse(std::span<const std::uint8_t> segment, std::uint16_t componentCount);
};

struct RgnSegment {
  static constexpr std::uint16_t kMarker = kMarkerRgn;

  std::uint16_t component = 0;
  std::uint8_t style = 0;  // 0: implicit (maximum shift)
  std::uint8_t shift = 0;

  std::uint32_t Length(std::uint16_t componentCount) const {
    return 4 + ComponentIndexBytes(componentCount);
  }
  Status Write(SegmentWriter& out, std::uint16_t componentCount) const;
  // JP2_Error_Limit (-35) for a style other than 0.
  Status Parse(std::span<const std::uint8_t> segment, std::uint16_t componentCount);
};

template <typename ComponentOf>
Status SizSegment::Write(SegmentWriter& out, ComponentOf componentOf) const {
  JP2_RETURN_IF_ERROR(WriteFixedFields(out));
  for (std::uint32_t c = 0; c < componentCount; ++c) {
    const SizComponent component = componentOf(c);
    const std::uint8_t fields[] = {
        static_cast<std::uint8_t>((component.depth - 1) | (component.isSigned ? 0x80 : 0)),
        component.factor[0], component.factor[1]};
    JP2_RETURN_IF_ERROR(out.Put(fields, sizeof fields));
  }
  return Status();
}

}  // namespace quillon::jp2
