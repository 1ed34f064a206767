// Reading marker segments of the main and tile-part headers from the input, and what each
// header does with each marker.
#include "decoder/CodestreamRecords.h"

namespace quillon::jp2 {

Status SegmentScanner::NextMarker(std::uint16_t* marker) {
  length_ = 0;
  for (;;) {
    std::uint8_t bytes[2];
    if (input_.Read(position_, 2, bytes) != 0) return JP2_Error_ShortRead;
    *marker = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    if (bytes[0] != 0xFF) return JP2_Error_Codestream;
    if (!IsMarkerWithoutLength(*marker)) return JP2_Success;
    position_ += 2;
  }
}

Status SegmentScanner::ReadLength(std::uint16_t* length) {
  std::uint8_t bytes[2];
  if (input_.Read(position_ + 2, 2, bytes) != 0) return JP2_Error_ShortRead;
  *length = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
  // The length counts its own two bytes; anything shorter would not move the scan on.
  if (*length < 2) return JP2_Error_Codestream;
  length_ = *length;
  return JP2_Success;
}

Status SegmentScanner::Load(std::span<const std::uint8_t>* segment) {
  if (input_.Read(DataPosition(), length_, buffer_) != 0) return JP2_Error_ByteRead;
  *segment = std::span<const std::uint8_t>(buffer_, length_);
  return JP2_Success;
}

MarkerAction HeaderMarkerAction(std::uint16_t marker, bool mainHeader) {
  switch (marker) {
    case kMarkerSot:
      return mainHeader ? MarkerAction::kEnd : MarkerAction::kRefuse;
    case kMarkerSod:
      return mainHeader ? MarkerAction::kRefuse : MarkerAction::kEnd;
    case kMarkerCod:
    case kMarkerCoc:
    case kMarkerQcd:
    case kMarkerQcc:
    case kMarkerRgn:
    case kMarkerPoc:
    case kMarkerCom:
      return MarkerAction::kParse;
    case kMarkerPpm:
      return mainHeader ? MarkerAction::kParse : MarkerAction::kRefuse;
    case kMarkerPpt:
      return mainHeader ? MarkerAction::kRefuse : MarkerAction::kParse;
    case kMarkerTlm:
    case kMarkerPlm:
      return mainHeader ? MarkerAction::kSkip : MarkerAction::kRefuse;
    case kMarkerPlt:
      return mainHeader ? MarkerAction::kRefuse : MarkerAction::kSkip;
    case kMarkerSiz:
    case kMarkerSoc:
    case kMarkerSop:
    case kMarkerEph:
    case kMarkerEoc:
      return MarkerAction::kRefuse;
    default:  // markers this decoder does not know
      return MarkerAction::kSkip;
  }
}

}  // namespace quillon::jp2
