#include "common/HeaderBoxes.h"

namespace quillon::jp2 {
namespace {

Status WriteResolution(SegmentWriter& out, std::uint32_t type, const JP2_ResolutionDesc& d) {
  JP2_RETURN_IF_ERROR(
      BoxHeader::For(type, ResolutionBox::kSubBoxLength - BoxHeader::kSize).Write(out));
  for (const std::uint16_t value :
       {d.firstNumerator, d.firstDenominator, d.secondNumerator, d.secondDenominator}) {
    JP2_RETURN_IF_ERROR(out.PutU16(value));
  }
  JP2_RETURN_IF_ERROR(out.PutU8(static_cast<std::uint8_t>(d.firstExponent)));
  return out.PutU8(static_cast<std::uint8_t>(d.secondExponent));
}

JP2_ResolutionDesc ParseResolution(FieldReader& in) {
  JP2_ResolutionDesc d{};
  d.firstNumerator = in.U16();
  d.firstDenominator = in.U16();
  d.secondNumerator = in.U16();
  d.secondDenominator = in.U16();
  d.firstExponent = static_cast<std::int8_t>(in.U8());
  d.secondExponent = static_cast<std::int8_t>(in.U8());
  return d;
}

}  // namespace

Status ImageHeaderBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxImageHeader, kLength - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(out.PutU32(height));
  JP2_RETURN_IF_ERROR(out.PutU32(width));
  JP2_RETURN_IF_ERROR(out.PutU16(components));
  for (const std::uint8_t value :
       {depthByte, compression, colourSpaceUnknown, intellectualProperty}) {
    JP2_RETURN_IF_ERROR(out.PutU8(value));
  }
  return JP2_Success;
}

Status ImageHeaderBox::Parse(std::span<const std::uint8_t> contents) {
  FieldReader in(contents);
  height = in.U32();
  width = in.U32();
  components = in.U16();
  depthByte = in.U8();
  compression = in.U8();
  colourSpaceUnknown = in.U8();
  intellectualProperty = in.U8();
  return in.Finish();
}

Status BitsPerComponentBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxBitsPerComponent, depthBytes.size()).Write(out));
  return PutBytes(out, depthBytes);
}

Status BitsPerComponentBox::Parse(std::span<const std::uint8_t> contents) {
  depthBytes = contents;
  return JP2_Success;
}

std::uint64_t ColourBox::Length() const {
  if (IsIcc()) return kIccFieldsLength + profile.size();
  return hasLabParams ? kLabParamsLength : kEnumeratedLength;
}

Status ColourBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxColour, Length() - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(out.PutU8(method));
  JP2_RETURN_IF_ERROR(out.PutU8(static_cast<std::uint8_t>(precedence)));
  JP2_RETURN_IF_ERROR(out.PutU8(approximation));
  if (IsIcc()) return PutBytes(out, profile);
  JP2_RETURN_IF_ERROR(out.PutU32(enumerated));
  if (!hasLabParams) return JP2_Success;
  for (const std::uint32_t value : {lab.rl, lab.ol, lab.ra, lab.oa, lab.rb, lab.ob, lab.il}) {
    JP2_RETURN_IF_ERROR(out.PutU32(value));
  }
  return JP2_Success;
}

Status ColourBox::Parse(std::span<const std::uint8_t> contents) {
  FieldReader in(contents);
  method = in.U8();
  precedence = static_cast<std::int8_t>(in.U8());
  approximation = in.U8();
  hasLabParams = false;
  profile = {};
  if (IsIcc()) {
    if (!in.ok()) return JP2_Error_ColourSpace;  // shorter than 11 bytes
    profile = in.Rest();
  } else if (method == kEnumerated) {
    enumerated = in.U32();
    if (enumerated == kEnumCieLab && in.Remaining() == kLabParamsLength - kEnumeratedLength) {
      hasLabParams = true;
      for (std::uint32_t* value : {&lab.rl, &lab.ol, &lab.ra, &lab.oa, &lab.rb, &lab.ob, &lab.il}) {
        *value = in.U32();
      }
    }
  }
  return in.Finish();
}

std::uint64_t ResolutionBox::Length() const {
  return BoxHeader::kSize + kSubBoxLength * ((hasCapture ? 1 : 0) + (hasDisplay ? 1 : 0));
}

Status ResolutionBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxResolution, Length() - BoxHeader::kSize).Write(out));
  if (hasCapture) JP2_RETURN_IF_ERROR(WriteResolution(out, kBoxCaptureResolution, capture));
  if (hasDisplay) JP2_RETURN_IF_ERROR(WriteResolution(out, kBoxDisplayResolution, display));
  return JP2_Success;
}

Status ResolutionBox::Parse(std::span<const std::uint8_t> contents) {
  FieldReader in(contents);
  while (in.Remaining() != 0) {
    BoxHeader header;
    const Status parsed = header.Parse(in);
    if (!parsed.ok() || header.length != kSubBoxLength ||
        (header.type != kBoxCaptureResolution && header.type != kBoxDisplayResolution)) {
      return JP2_Error_ResolutionBox;
    }
    const JP2_ResolutionDesc fields = ParseResolution(in);
    if (!in.ok()) return JP2_Error_ResolutionBox;
    if (header.type == kBoxCaptureResolution) {
      hasCapture = true;
      capture = fields;
    } else {
      hasDisplay = true;
      display = fields;
    }
  }
  return JP2_Success;
}

}  // namespace quillon::jp2
