#include "encoder/PacketHeader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "encoder/CodeBlockCoefficients.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint8_t kSop[] = {0xFF, 0x91, 0x00, 0x04};
constexpr std::uint8_t kEph[] = {0xFF, 0x92};

int FloorLog2(std::uint32_t value) {
  return 31 - std::countl_zero(value);
}

// Bits needed for value (at least 1 for 0).
int BitWidth(std::uint32_t value) {
  return value == 0 ? 1 : FloorLog2(value) + 1;
}

void RebuildTrees(Precinct& precinct, int layers) {
  for (int b = 0; b < precinct.bandCount; ++b) {
    PrecinctBand& band = precinct.bands[b];
    const std::uint32_t count = band.width * band.height;
    for (std::uint32_t i = 0; i < count; ++i) {
      CodedBlock& block = *band.blocks[i];
      band.inclusion.SetLeaf(i, static_cast<std::uint32_t>(block.FirstLayer(layers)));
      band.zeroPlanes.SetLeaf(i, block.zeroBitPlanes);
      block.lblock = 3;
    }
    if (count != 0) {
      band.inclusion.Recompute();
      band.zeroPlanes.Recompute();
    }
  }
}

// The codeword bytes before pass: exact at a segment end, where the hull may have merged
// passes; elsewhere the truncation length, which a contribution only ends on where it is exact.
std::uint32_t BytesBefore(const CodedBlock& block, std::uint16_t pass) {
  if (pass != 0 && block.segmentEnds != nullptr &&
      EndsCodewordSegment(block.style, pass - 1, block.passCount)) {
    return block.segmentEnds[pass - 1];
  }
  return block.LengthAfter(pass);
}

// Calls fn(passes, bytes) for each codeword segment, or part of one, in the contribution of
// passes [first, end).
template <typename Fn>
void ForEachSegment(const CodedBlock& block, std::uint16_t first, std::uint16_t end, Fn&& fn) {
  if (block.segmentEnds == nullptr) {
    fn(end - first, block.LengthAfter(end) - block.LengthAfter(first));
    return;
  }
  std::uint16_t start = first;
  for (std::uint16_t p = first; p < end; ++p) {
    if (p + 1 == end || EndsCodewordSegment(block.style, p, block.passCount)) {
      const auto next = static_cast<std::uint16_t>(p + 1);
      fn(next - start, BytesBefore(block, next) - BytesBefore(block, start));
      start = next;
    }
  }
}

// One length per codeword segment of the contribution, each in Lblock + floor(log2(its
// passes)) bits after the common Lblock increment.
void PutLengths(PacketBitWriter& writer, CodedBlock& block, std::uint16_t first,
                std::uint16_t end) {
  int needed = static_cast<int>(block.lblock);
  ForEachSegment(block, first, end, [&needed](int passes, std::uint32_t bytes) {
    needed = std::max(needed, BitWidth(bytes) - FloorLog2(static_cast<std::uint32_t>(passes)));
  });
  for (int i = block.lblock; i < needed; ++i) writer.PutBit(1);
  writer.PutBit(0);
  block.lblock = static_cast<std::uint8_t>(needed);
  ForEachSegment(block, first, end, [&writer, needed](int passes, std::uint32_t bytes) {
    writer.PutBits(bytes, needed + FloorLog2(static_cast<std::uint32_t>(passes)));
  });
}

void PutBlock(PacketBitWriter& writer, PrecinctBand& band, std::uint32_t index, int layer) {
  CodedBlock& block = *band.blocks[index];
  const std::uint16_t before = block.PassesBefore(layer);
  const std::uint16_t after = block.layerEnd[layer];
  if (before == 0) {
    band.inclusion.Encode(writer, index, static_cast<std::uint32_t>(layer) + 1);
    if (after == 0) return;
    band.zeroPlanes.Encode(writer, index, std::uint32_t{block.zeroBitPlanes} + 1);
  } else {
    writer.PutBit(after > before ? 1 : 0);
    if (after == before) return;
  }
  PutPassCount(writer, after - before);
  PutLengths(writer, block, before, after);
}

// Calls fn(live bytes, count) for each piece of the header state: the tag trees' nodes and
// the blocks' Lblock.
template <typename Fn>
void ForEachStatePiece(Precinct& precinct, Fn&& fn) {
  for (int b = 0; b < precinct.bandCount; ++b) {
    PrecinctBand& band = precinct.bands[b];
    fn(band.inclusion.Nodes(), band.inclusion.NodeTotal() * sizeof(TagTreeNode));
    fn(band.zeroPlanes.Nodes(), band.zeroPlanes.NodeTotal() * sizeof(TagTreeNode));
    const std::uint32_t count = band.width * band.height;
    for (std::uint32_t i = 0; i < count; ++i) fn(&band.blocks[i]->lblock, 1);
  }
}

void SaveHeaderState(Precinct& precinct, std::uint8_t* saved) {
  ForEachStatePiece(precinct, [&saved](const void* live, std::uint64_t bytes) {
    std::memcpy(saved, live, bytes);
    saved += bytes;
  });
}

// Back to the saved state before layer; blocks first included in a later layer than saved
// may now be in layer, which the inclusion trees' minima take up without changing what the
// earlier layers coded. A block without passes up to layer counts as first included in the
// last layer: coding up to layer tells all such values apart from the others alike.
void RestoreHeaderState(Precinct& precinct, int layer, int layers, const std::uint8_t* saved) {
  ForEachStatePiece(precinct, [&saved](void* live, std::uint64_t bytes) {
    std::memcpy(live, saved, bytes);
    saved += bytes;
  });
  for (int b = 0; b < precinct.bandCount; ++b) {
    PrecinctBand& band = precinct.bands[b];
    const std::uint32_t count = band.width * band.height;
    for (std::uint32_t i = 0; i < count; ++i) {
      const CodedBlock& block = *band.blocks[i];
      const int first = block.layerEnd[layer] == 0 ? layers : block.FirstLayer(layers);
      band.inclusion.SetLeaf(i, static_cast<std::uint32_t>(first));
    }
    if (count != 0) band.inclusion.RecomputeMinima();
  }
}

}  // namespace

std::uint64_t Precinct::BlockCount() const {
  std::uint64_t count = 0;
  for (int b = 0; b < bandCount; ++b) count += std::uint64_t{bands[b].width} * bands[b].height;
  return count;
}

void PutPassCount(PacketBitWriter& writer, std::uint32_t passes) {
  if (passes == 1) {
    writer.PutBit(0);
  } else if (passes == 2) {
    writer.PutBits(0b10, 2);
  } else if (passes <= 5) {
    writer.PutBits(0b11, 2);
    writer.PutBits(passes - 3, 2);
  } else if (passes <= 36) {
    writer.PutBits(0b1111, 4);
    writer.PutBits(passes - 6, 5);
  } else {
    writer.PutBits(0x1FF, 9);
    writer.PutBits(passes - 37, 7);
  }
}

Status WritePacketHeader(Precinct& precinct, int layer, int layers, const PacketMarkers& markers,
                         std::uint16_t nsop, PacketBitWriter& writer) {
  if (markers.sop) {
    const std::uint8_t number[2] = {static_cast<std::uint8_t>(nsop >> 8),
                                    static_cast<std::uint8_t>(nsop)};
    writer.PutBytes(kSop, sizeof kSop);
    writer.PutBytes(number, sizeof number);
  }
  if (layer == 0) RebuildTrees(precinct, layers);
  writer.PutBit(1);
  for (int b = 0; b < precinct.bandCount; ++b) {
    PrecinctBand& band = precinct.bands[b];
    const std::uint32_t count = band.width * band.height;
    for (std::uint32_t i = 0; i < count; ++i) PutBlock(writer, band, i, layer);
  }
  JP2_RETURN_IF_ERROR(writer.Flush());
  if (markers.eph) writer.PutBytes(kEph, sizeof kEph);
  return writer.status();
}

Status MeasurePacketHeader(Precinct& precinct, int layer, int layers, const PacketMarkers& markers,
                           std::uint32_t* bytes, std::uint8_t* saved) {
  *bytes = 0;
  for (int l = 0; l <= layer; ++l) {
    if (l == layer && saved != nullptr) SaveHeaderState(precinct, saved);
    PacketBitWriter counter;
    JP2_RETURN_IF_ERROR(WritePacketHeader(precinct, l, layers, markers, 0, counter));
    *bytes = counter.size();
  }
  return Status();
}

Status RemeasurePacketHeader(Precinct& precinct, int layer, int layers,
                             const PacketMarkers& markers, const std::uint8_t* saved,
                             std::uint32_t* bytes) {
  if (layer == 0) return MeasurePacketHeader(precinct, 0, layers, markers, bytes);
  RestoreHeaderState(precinct, layer, layers, saved);
  PacketBitWriter counter;
  JP2_RETURN_IF_ERROR(WritePacketHeader(precinct, layer, layers, markers, 0, counter));
  *bytes = counter.size();
  return Status();
}

Status AdvanceHeaderState(Precinct& precinct, int layer, int layers, const PacketMarkers& markers,
                          std::uint8_t* saved) {
  std::uint32_t bytes = 0;
  JP2_RETURN_IF_ERROR(RemeasurePacketHeader(precinct, layer, layers, markers, saved, &bytes));
  SaveHeaderState(precinct, saved);
  return Status();
}

std::uint64_t HeaderStateBytes(const Precinct& precinct) {
  std::uint64_t bytes = 0;
  for (int b = 0; b < precinct.bandCount; ++b) {
    const PrecinctBand& band = precinct.bands[b];
    bytes += (band.inclusion.NodeTotal() + band.zeroPlanes.NodeTotal()) * sizeof(TagTreeNode) +
             std::uint64_t{band.width} * band.height;
  }
  return bytes;
}

std::uint64_t PacketBodyBytes(const Precinct& precinct, int layer) {
  std::uint64_t bytes = 0;
  for (int b = 0; b < precinct.bandCount; ++b) {
    const PrecinctBand& band = precinct.bands[b];
    const std::uint32_t count = band.width * band.height;
    for (std::uint32_t i = 0; i < count; ++i) {
      const CodedBlock& block = *band.blocks[i];
      bytes +=
          block.LengthAfter(block.layerEnd[layer]) - block.LengthAfter(block.PassesBefore(layer));
    }
  }
  return bytes;
}

std::uint64_t PacketHeaderCapacity(const Precinct& precinct) {
  // Per header a tag-tree node gives at most 2 inclusion bits and 1 + its value (below 64)
  // zero-plane bits; a block at most 16 pass-count bits, 33 Lblock bits and 40 bits per
  // segment; stuffing adds one bit in eight.
  std::uint64_t bits = 8 * (kSopSegmentBytes + kEphBytes) + 16;
  for (int b = 0; b < precinct.bandCount; ++b) {
    const PrecinctBand& band = precinct.bands[b];
    bits += TagTree::NodeCount(band.width, band.height) * (2 + 65);
    const std::uint32_t count = band.width * band.height;
    for (std::uint32_t i = 0; i < count; ++i) {
      const CodedBlock& block = *band.blocks[i];
      const std::uint64_t segments = block.segmentEnds != nullptr ? block.passCount : 1;
      bits += 16 + 33 + 40 * segments;
    }
  }
  return (bits + bits / 8 + 7) / 8 + 2;
}

}  // namespace quillon::jp2
