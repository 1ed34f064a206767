#include "common/CodingSegments.h"

#include "jp2.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint8_t kScodPrecincts = 0x01;
constexpr std::uint8_t kScodSop = 0x02;
constexpr std::uint8_t kScodEph = 0x04;
constexpr std::uint8_t kMaxCodeBlockExponentSum = 12;
constexpr std::uint8_t kCodeBlockStyleBits = 0x3F;

Status Checked(bool valid) {
  return valid ? JP2_Success : JP2_Error_Codestream;
}

}  // namespace

Status SizSegment::WriteFixedFields(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(Length())));
  JP2_RETURN_IF_ERROR(out.PutU16(rsiz));
  for (const std::uint32_t value : {extent[0], extent[1], offset[0], offset[1], tileSize[0],
                                    tileSize[1], tileOffset[0], tileOffset[1]}) {
    JP2_RETURN_IF_ERROR(out.PutU32(value));
  }
  return out.PutU16(componentCount);
}

Status SizSegment::Parse(std::span<const std::uint8_t> segment) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  rsiz = in.U16();
  for (std::uint32_t* field : {&extent[0], &extent[1], &offset[0], &offset[1], &tileSize[0],
                               &tileSize[1], &tileOffset[0], &tileOffset[1]}) {
    *field = in.U32();
  }
  componentCount = in.U16();
  if (in.Failed()) return JP2_Error_Codestream;
  if (componentCount == 0 || componentCount > kMaxCodestreamComponents) {
    return JP2_Error_ComponentCount;
  }
  if (segment.size() != Length()) return JP2_Error_Codestream;
  componentRecords = in.Bytes(kComponentBytes * componentCount);
  for (std::uint32_t c = 0; c < componentCount; ++c) {
    const SizComponent component = Component(c);
    if (component.depth > kMaxSampleDepth || component.factor[0] == 0 || component.factor[1] == 0) {
      return JP2_Error_Codestream;
    }
  }
  return Checked(in.Finished());
}

SizComponent SizSegment::Component(std::uint32_t index) const {
  const std::uint8_t* record = componentRecords.data() + kComponentBytes * index;
  SizComponent component;
  component.depth = static_cast<std::uint8_t>((record[0] & 0x7F) + 1);
  component.isSigned = (record[0] & 0x80) != 0;
  component.factor[0] = record[1];
  component.factor[1] = record[2];
  return component;
}

Status CodingStyle::Write(SegmentWriter& out) const {
  const std::uint8_t fields[] = {levels, static_cast<std::uint8_t>(codeBlockWidthExponent - 2),
                                 static_cast<std::uint8_t>(codeBlockHeightExponent - 2),
                                 codeBlockStyle, reversible};
  JP2_RETURN_IF_ERROR(out.Put(fields, sizeof fields));
  if (!precinctsGiven) return JP2_Success;
  return out.Put(precincts, levels + 1u);
}

bool CodingStyle::Read(SegmentReader& in, bool precincts) {
  precinctsGiven = precincts;
  levels = in.U8();
  codeBlockWidthExponent = static_cast<std::uint8_t>(in.U8() + 2);
  codeBlockHeightExponent = static_cast<std::uint8_t>(in.U8() + 2);
  codeBlockStyle = in.U8();
  reversible = in.U8();
  if (levels > kMaxDecompositionLevels || codeBlockWidthExponent > 10 ||
      codeBlockHeightExponent > 10 ||
      codeBlockWidthExponent + codeBlockHeightExponent > kMaxCodeBlockExponentSum ||
      (codeBlockStyle & ~kCodeBlockStyleBits) != 0 || reversible > 1) {
    return false;
  }
  if (precinctsGiven) {
    for (int r = 0; r <= levels; ++r) this->precincts[r] = in.U8();
  }
  return !in.Failed();
}

Status CodSegment::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(Length())));
  const std::uint8_t scod = static_cast<std::uint8_t>((coding.precinctsGiven ? kScodPrecincts : 0) |
                                                      (sop ? kScodSop : 0) | (eph ? kScodEph : 0));
  JP2_RETURN_IF_ERROR(out.PutU8(scod));
  JP2_RETURN_IF_ERROR(out.PutU8(progression));
  JP2_RETURN_IF_ERROR(out.PutU16(layers));
  JP2_RETURN_IF_ERROR(out.PutU8(componentTransform));
  return coding.Write(out);
}

Status CodSegment::Parse(std::span<const std::uint8_t> segment) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  const std::uint8_t scod = in.U8();
  sop = (scod & kScodSop) != 0;
  eph = (scod & kScodEph) != 0;
  progression = in.U8();
  layers = in.U16();
  componentTransform = in.U8();
  if (progression > kMaxProgressionOrder || layers == 0 || componentTransform > 1) {
    return JP2_Error_Codestream;
  }
  return Checked(coding.Read(in, (scod & kScodPrecincts) != 0) && in.Finished());
}

Status CocSegment::Write(SegmentWriter& out, std::uint16_t componentCount) const {
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(Length(componentCount))));
  JP2_RETURN_IF_ERROR(out.PutComponent(component, componentCount));
  JP2_RETURN_IF_ERROR(out.PutU8(coding.precinctsGiven ? kScodPrecincts : 0));
  return coding.Write(out);
}

Status CocSegment::Parse(std::span<const std::uint8_t> segment, std::uint16_t componentCount) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  component = in.Component(componentCount);
  const std::uint8_t scoc = in.U8();
  return Checked(coding.Read(in, (scoc & kScodPrecincts) != 0) && in.Finished());
}

Status Quantization::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(out.PutU8(static_cast<std::uint8_t>(guardBits << 5 | style)));
  for (int i = 0; i < stepCount; ++i) {
    if (style == 0) {
      JP2_RETURN_IF_ERROR(out.PutU8(static_cast<std::uint8_t>((steps[i] >> 11) << 3)));
    } else {
      JP2_RETURN_IF_ERROR(out.PutU16(steps[i]));
    }
  }
  return JP2_Success;
}

bool Quantization::Read(SegmentReader& in) {
  const std::uint8_t sq = in.U8();
  style = sq & 0x1F;
  guardBits = static_cast<std::uint8_t>(sq >> 5);
  const std::uint32_t bytes = in.Remaining();
  std::uint32_t count = 0;
  switch (style) {
    case 0:
      count = bytes;
      break;
    case 1:
      count = bytes == 2 ? 1 : 0;
      break;
    case 2:
      count = bytes % 2 == 0 ? bytes / 2 : 0;
      break;
    default:
      return false;
  }
  // A band count is 1 + 3 x levels; derived quantization gives the LL band alone.
  if (count == 0 || count > kQuantBandSlots || (count - 1) % 3 != 0) return false;
  stepCount = static_cast<std::uint8_t>(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    steps[i] = style == 0 ? static_cast<std::uint16_t>((in.U8() >> 3) << 11) : in.U16();
  }
  return !in.Failed();
}

Status QcdSegment::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(Length())));
  return quantization.Write(out);
}

Status QcdSegment::Parse(std::span<const std::uint8_t> segment) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  return Checked(quantization.Read(in) && in.Finished());
}

Status QccSegment::Write(SegmentWriter& out, std::uint16_t componentCount) const {
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(Length(componentCount))));
  JP2_RETURN_IF_ERROR(out.PutComponent(component, componentCount));
  return quantization.Write(out);
}

Status QccSegment::Parse(std::span<const std::uint8_t> segment, std::uint16_t componentCount) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  component = in.Component(componentCount);
  return Checked(!in.Failed() && quantization.Read(in) && in.Finished());
}

Status RgnSegment::Write(SegmentWriter& out, std::uint16_t componentCount) const {
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(Length(componentCount))));
  JP2_RETURN_IF_ERROR(out.PutComponent(component, componentCount));
  JP2_RETURN_IF_ERROR(out.PutU8(style));
  return out.PutU8(shift);
}

Status RgnSegment::Parse(std::span<const std::uint8_t> segment, std::uint16_t componentCount) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  component = in.Component(componentCount);
  style = in.U8();
  shift = in.U8();
  if (!in.Finished()) return JP2_Error_Codestream;
  return style == 0 ? JP2_Success : JP2_Error_Limit;
}

}  // namespace quillon::jp2
