#include "decoder/PacketHeaderDecoder.h"

#include <bit>

#include "decoder/CodeBlockSegments.h"

namespace quillon::jp2 {
namespace {

// Zero bit-planes beyond any band's magnitude bits are a corrupt header.
constexpr std::uint32_t kMaxZeroBitPlanes = 74;
// A length field wider than 32 bits cannot describe bytes of the input.
constexpr std::uint32_t kMaxLengthBits = 32;
// The largest pass count Table B.4 codes.
constexpr std::uint32_t kMaxNewPasses = 164;

// The number of new passes (T.800 Table B.4).
bool ReadPassCount(PacketBitReader& reader, std::uint32_t* passes) {
  std::uint32_t bits = 0;
  if (!reader.GetBits(1, &bits)) return false;
  if (bits == 0) return *passes = 1, true;
  if (!reader.GetBits(1, &bits)) return false;
  if (bits == 0) return *passes = 2, true;
  if (!reader.GetBits(2, &bits)) return false;
  if (bits != 3) return *passes = 3 + bits, true;
  if (!reader.GetBits(5, &bits)) return false;
  if (bits != 31) return *passes = 6 + bits, true;
  if (!reader.GetBits(7, &bits)) return false;
  *passes = 37 + bits;
  return true;
}

}  // namespace

Status PacketHeaderDecoder::ReadBlock(TileRecords& records, BandPrecinct& part,
                                      const BandRecord& band, std::uint32_t index,
                                      std::uint32_t layer, std::uint8_t style,
                                      PacketBitReader& reader) {
  const std::uint32_t width = part.range.Width();
  CodeBlockRecord& block = band.Block(part.range.x0 + index % width, part.range.y0 + index / width);
  bool contributes = false;
  if (!block.included) {
    if (!part.inclusion.Decode(reader, index, layer + 1, &contributes)) return JP2_Error_ByteRead;
    if (!contributes) return JP2_Success;
    for (std::uint32_t threshold = 1;; ++threshold) {
      if (threshold > kMaxZeroBitPlanes) return JP2_Error_Codestream;
      bool below = false;
      if (!part.zeroPlanes.Decode(reader, index, threshold, &below)) return JP2_Error_ByteRead;
      if (below) break;
    }
    block.zeroBitPlanes = static_cast<std::uint8_t>(part.zeroPlanes.LeafValue(index));
    block.included = true;
  } else {
    int bit = 0;
    if (!reader.GetBit(&bit)) return JP2_Error_ByteRead;
    if (bit == 0) return JP2_Success;
  }
  std::uint32_t passes = 0;
  if (!ReadPassCount(reader, &passes)) return JP2_Error_ByteRead;
  for (int bit = 1; bit != 0;) {
    if (!reader.GetBit(&bit)) return JP2_Error_ByteRead;
    if (bit != 0 && ++block.lblock > kMaxLengthBits) return JP2_Error_Codestream;
  }
  const auto before = static_cast<std::uint32_t>(block.passes < 0 ? 0 : block.passes);
  std::uint32_t piecePasses[kMaxNewPasses];
  const std::uint32_t pieces = SplitNewPasses(style, before, passes, piecePasses);
  for (std::uint32_t i = 0; i < pieces; ++i) {
    const std::uint32_t bits =
        block.lblock + static_cast<std::uint32_t>(std::bit_width(piecePasses[i])) - 1;
    if (bits > kMaxLengthBits) return JP2_Error_Codestream;
    std::uint32_t length = 0;
    if (!reader.GetBits(static_cast<int>(bits), &length)) return JP2_Error_ByteRead;
    SegmentPiece piece;
    piece.length = length;
    piece.passes = piecePasses[i];
    JP2_RETURN_IF_ERROR(records.Pieces().Append(memory_, piece));
    JP2_RETURN_IF_ERROR(owners_.Append(memory_, &block));
  }
  return JP2_Success;
}

Status PacketHeaderDecoder::Read(TileRecords& records, int c, int r, PrecinctRecord& precinct,
                                 std::uint32_t layer, PacketBitReader& reader) {
  JP2_RETURN_IF_ERROR(owners_.Release(memory_));
  firstPiece_ = records.Pieces().size();
  ResolutionRecord& level = records.Resolution(c, r);
  const std::uint8_t style = records.Component(c).params.codeBlockStyle;
  if (layer == 0) {
    for (int b = 0; b < level.bandCount; ++b) {
      precinct.bands[b].inclusion.ResetForDecoding();
      precinct.bands[b].zeroPlanes.ResetForDecoding();
    }
  }
  int present = 0;
  if (!reader.GetBit(&present)) return JP2_Error_ByteRead;
  if (present == 0) return JP2_Success;
  for (int b = 0; b < level.bandCount; ++b) {
    BandPrecinct& part = precinct.bands[b];
    const std::uint64_t count = std::uint64_t{part.range.Width()} * part.range.Height();
    for (std::uint64_t i = 0; i < count; ++i) {
      JP2_RETURN_IF_ERROR(ReadBlock(records, part, level.bands[b], static_cast<std::uint32_t>(i),
                                    layer, style, reader));
    }
  }
  return JP2_Success;
}

std::uint64_t PacketHeaderDecoder::Commit(TileRecords& records, std::uint64_t bodyStart,
                                          std::uint64_t limit) {
  std::uint64_t position = bodyStart;
  CodecArray<SegmentPiece>& pieces = records.Pieces();
  for (std::uint32_t i = firstPiece_; i < pieces.size(); ++i) {
    SegmentPiece& piece = pieces[i];
    CodeBlockRecord& block = *owners_[i - firstPiece_];
    piece.position = position;
    position += piece.length;
    if (position > limit) block.beyondInput = true;
    if (block.lastPiece == kNoPiece) {
      block.firstPiece = i;
    } else {
      pieces[block.lastPiece].next = i;
    }
    block.lastPiece = i;
    if (block.passes >= 0) block.passes += static_cast<std::int32_t>(piece.passes);
    block.length += piece.length;
  }
  firstPiece_ = pieces.size();
  return position - bodyStart;
}

}  // namespace quillon::jp2
